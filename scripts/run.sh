#!/usr/bin/env bash
# Runs the installer: sets up what is missing, builds, and starts installer.exe
# under Wine on your display, or under Xvfb with a screenshot written to
# artifacts/screenshot.png when there is no display. Arguments go to the
# installer (for example /d for diagnostic mode).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
./scripts/setup-deps.sh
cmake --preset win >/dev/null
cmake --build --preset win
export WINEPREFIX="$ROOT/.deps/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
EXE="$ROOT/build-win/resources/installer.exe"
WORK="$ROOT/artifacts/run"
mkdir -p "$WORK"
cd "$WORK"
if [ -n "${DISPLAY:-}" ]; then
  exec wine "$EXE" "$@"
fi
SHOT="$ROOT/artifacts/screenshot.png"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
  wine "$0" "$@" &
  pid=$!
  sleep "${RUN_SECONDS:-6}"
  import -window root "'"$SHOT"'"
  wineserver -k
  wait $pid 2>/dev/null || true' "$EXE" "$@"
echo "No display: the installer ran under Xvfb; screenshot in $SHOT"
