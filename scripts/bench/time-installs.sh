#!/usr/bin/env bash
# Inside a Wine session (scripts/with-wine-session.sh, drive D: at WORK/drive-d):
# installs WORK/ours.exe (the big database), WORK/ours-small.exe (a 10-row one)
# and WORK/nsis.exe RUNS times each, every run from the same CAD installation,
# checks what each left, and prints the best times. Our phases come from the
# time stamps of `/d /S /LOG=` runs of ours-small.exe; installs through the
# window are timed by WINDOW_TIMING (a Windows program) from the click on
# Install to the finish state, with and without `/d`. NATIVE_MERGE holds the
# native times of `pack mdb merge` on the same databases.
# Usage: time-installs.sh WORK RUNS WINDOW_TIMING PACK_EXE
set -euo pipefail
W=$1 RUNS=$2 WINDOW_TIMING=$3 PACK_EXE=$4
HERE=$(cd "$(dirname "$0")" && pwd)
CAD="$W/drive-d/CAD Bench"
DEST='D:\CAD Bench\'
MODELS=$(find "$W"/catalogue-*/package/models -type f | wc -l)

# Every run starts on a quiet disk: the writes of the run before (and the
# removal of what it left) are on the disk, so that no installer waits for
# another's data when it makes its own durable.
fresh() {  # INSTALLED_MDB
  rm -rf "$CAD" "$W/work"
  mkdir -p "$CAD/dodatki/Meble Bench" "$W/work"
  cp "$1" "$CAD/dodatki/Meble Bench/dodatki.mdb"
  sync
}
seconds_since() { python3 -c "print(f'{$(date +%s.%N) - $1:.3f}')"; }
# Seconds a Windows program takes, start of the process to its end.
timed() {
  local t0 rc=0
  t0=$(date +%s.%N)
  (cd "$W/work" && wine "$@" </dev/null >/dev/null 2>&1) || rc=$?
  [ "$rc" = 0 ] || { echo "exit status $rc: $*" >&2; exit 1; }
  seconds_since "$t0"
}
window_timed() {
  local out
  out=$(wine "$WINDOW_TIMING" "$(winepath -w "$W/ours-small.exe")" "$(winepath -w "$W/work")" "$@" </dev/null) ||
    { echo "window install failed: $*" >&2; exit 1; }
  echo "$out" | tr -d '\r'
}
installed_ok() {
  local files
  files=$(find "$CAD/dodatki/Meble Bench" -type f | wc -l)
  [ "$files" -ge "$MODELS" ] || { echo "only $files of $MODELS files installed" >&2; exit 1; }
  [ -d "$CAD/DB_MATERIALS/Vodezidoz Azu Virel/Drewno" ] || { echo "no materials installed" >&2; exit 1; }
}

fresh "$W/installed.mdb"
startup=$(timed cmd /c exit)
ours=() small=() diag=() nsis=() window=() window_diag=() merge=() pack_start=()
rm -f "$W"/run*.log
for run in $(seq "$RUNS"); do
  fresh "$W/installed.mdb"; ours+=("$(timed "$W/ours.exe" /S "/D=$DEST")"); installed_ok
  rows=$(mdb-count "$CAD/dodatki/Meble Bench/dodatki.mdb" Dodatki)
  fresh "$W/installed-small.mdb"; small+=("$(timed "$W/ours-small.exe" /S "/D=$DEST")"); installed_ok
  fresh "$W/installed-small.mdb"
  diag+=("$(timed "$W/ours-small.exe" /d /S "/LOG=$(winepath -w "$W/run$run.log")" "/D=$DEST")"); installed_ok
  fresh "$W/installed.mdb"; nsis+=("$(timed "$W/nsis.exe" /S "/D=${DEST%\\}")"); installed_ok
  fresh "$W/installed-small.mdb"; window+=("$(window_timed "/D=$DEST")"); installed_ok
  fresh "$W/installed-small.mdb"; window_diag+=("$(window_timed /d "/D=$DEST")"); installed_ok
  rm -f "$W/merged.mdb"
  pack_start+=("$(timed "$PACK_EXE" --help)")
  merge+=("$(timed "$PACK_EXE" mdb merge \
    --installed "$(winepath -w "$W/installed.mdb")" --package "$(winepath -w "$W/package.mdb")" \
    -o "$(winepath -w "$W/merged.mdb")")")
done

# shellcheck disable=SC2086
python3 "$HERE/phases.py" --startup "$startup" --rows "$rows" --ours "${ours[@]}" --small "${small[@]}" \
  --diagnostic "${diag[@]}" --nsis "${nsis[@]}" --window "${window[@]}" --window-diagnostic "${window_diag[@]}" \
  --wine-merge "${merge[@]}" --wine-pack-start "${pack_start[@]}" --native-merge $NATIVE_MERGE --logs "$W"/run*.log
