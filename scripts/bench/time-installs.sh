#!/usr/bin/env bash
# Inside a Wine session (scripts/with-wine-session.sh, drive D: at WORK/drive-d):
# installs WORK/ours.exe and WORK/nsis.exe RUNS times each, every run from the
# same CAD installation holding INSTALLED_MDB, checks what each left, and prints
# the best times with our phases taken from the time stamps of `/LOG=` runs.
# Installs through the window are timed by WINDOW_TIMING (a Windows program)
# from the click on Install to the finish state, with and without `/d`.
# Usage: time-installs.sh WORK INSTALLED_MDB RUNS WINDOW_TIMING
set -euo pipefail
W=$1 INSTALLED=$2 RUNS=$3 WINDOW_TIMING=$4
HERE=$(cd "$(dirname "$0")" && pwd)
CAD="$W/drive-d/CAD Bench"
DEST='D:\CAD Bench\'
MODELS=$(find "$W"/catalogue-*/package/models -type f | wc -l)

fresh() {
  rm -rf "$CAD" "$W/work"
  mkdir -p "$CAD/dodatki/Meble Bench" "$W/work"
  cp "$INSTALLED" "$CAD/dodatki/Meble Bench/dodatki.mdb"
}
# Seconds a Windows program takes, start of the process to its end.
timed() {
  local t0 t1 rc=0
  t0=$(date +%s.%N)
  (cd "$W/work" && wine "$@" </dev/null >/dev/null 2>&1) || rc=$?
  t1=$(date +%s.%N)
  [ "$rc" = 0 ] || { echo "exit status $rc: $*" >&2; exit 1; }
  python3 -c "print(f'{$t1 - $t0:.3f}')"
}
installed_ok() {
  local files
  files=$(find "$CAD/dodatki/Meble Bench" -type f | wc -l)
  [ "$files" -ge "$MODELS" ] || { echo "only $files of $MODELS files installed" >&2; exit 1; }
  [ -d "$CAD/DB_MATERIALS/Vodezidoz Azu Virel/Drewno" ] || { echo "no materials installed" >&2; exit 1; }
}

fresh
startup=$(timed cmd /c exit)
ours=() diag=() nsis=() window=() window_diag=()
for run in $(seq "$RUNS"); do
  fresh; ours+=("$(timed "$W/ours.exe" /S "/D=$DEST")"); installed_ok
  rows=$(mdb-count "$CAD/dodatki/Meble Bench/dodatki.mdb" Dodatki)
  fresh; rm -f "$W/run$run.log"
  diag+=("$(timed "$W/ours.exe" /d /S "/LOG=$(winepath -w "$W/run$run.log")" "/D=$DEST")"); installed_ok
  fresh; nsis+=("$(timed "$W/nsis.exe" /S "/D=${DEST%\\}")"); installed_ok
  fresh; window+=("$(wine "$WINDOW_TIMING" "$(winepath -w "$W/ours.exe")" "$(winepath -w "$W/work")" \
    "/D=$DEST" </dev/null 2>/dev/null | tr -d '\r')"); installed_ok
  fresh; window_diag+=("$(wine "$WINDOW_TIMING" "$(winepath -w "$W/ours.exe")" "$(winepath -w "$W/work")" \
    /d "/D=$DEST" </dev/null 2>/dev/null | tr -d '\r')"); installed_ok
done

python3 "$HERE/phases.py" --startup "$startup" --rows "$rows" --ours "${ours[@]}" --diagnostic "${diag[@]}" \
  --nsis "${nsis[@]}" \
  --window "${window[@]}" --window-diagnostic "${window_diag[@]}" --logs "$W"/run*.log
