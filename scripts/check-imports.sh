#!/bin/sh
# Checks that a program is a 64-bit Windows GUI program that needs no DLL
# beyond those every Windows has.
set -eu
exe=$1
info=$(x86_64-w64-mingw32-objdump -p "$exe")
echo "$info" | grep -q 'Magic[[:space:]]*020b' || { echo "$exe: not PE32+"; exit 1; }
echo "$info" | grep -q 'Subsystem[[:space:]]*00000002' || { echo "$exe: not a GUI program"; exit 1; }
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|COMDLG32|ADVAPI32|SHELL32|SHLWAPI|OLE32|OLEAUT32|MSVCRT)\.DLL$'
status=0
for dll in $(echo "$info" | sed -n 's/.*DLL Name: //p'); do
  if echo "$dll" | tr '[:lower:]' '[:upper:]' | grep -Eq "$allowed"; then
    echo "ok: $dll"
  else
    echo "not a system DLL every Windows has: $dll"
    status=1
  fi
done
exit $status
