#!/bin/sh
# Runs a command inside a warm Wine session (and Xvfb unless NO_X=1).
# A warm wineserver keeps Wine's helper processes from holding ctest's pipes.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$ROOT/.deps/wineprefix}" WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Drive D: of the end-to-end tests, or DRIVE_D. Wine lists a drive only when
# the link is there before its server starts.
DRIVE_D="${DRIVE_D:-$ROOT/artifacts/e2e/drive-d}"
mkdir -p "$DRIVE_D"
[ -d "$WINEPREFIX/dosdevices" ] && ln -sfn "$DRIVE_D" "$WINEPREFIX/dosdevices/d:"
# The same folder as the network share \\localhost\cad: Wine serves UNC
# paths from dosdevices/unc/<server>/<share>.
[ -d "$WINEPREFIX/dosdevices" ] && mkdir -p "$WINEPREFIX/dosdevices/unc/localhost" &&
  ln -sfn "$DRIVE_D" "$WINEPREFIX/dosdevices/unc/localhost/cad"
inner='wineserver -k 2>/dev/null; wineserver -w
       wineserver -p && wine cmd /c exit </dev/null >/dev/null 2>&1
       rc=0; "$@" || rc=$?
       wineserver -k; exit $rc'
if [ "${NO_X:-0}" = 1 ]; then env -u DISPLAY sh -c "$inner" sh "$@"
else xvfb-run -a -s "-screen 0 ${SCREEN:-1280x1024x24} -nolisten tcp" sh -c "$inner" sh "$@"; fi
