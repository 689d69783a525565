#!/usr/bin/env bash
# Runs the demo: sets up what is missing, builds the release programs into
# dist/ (scripts/release.sh), packs the demo package into a demo installer
# with the release pack and stub, prepares a demo CAD installation on Wine's drive D:
# and starts the installer under Wine on your display, or under Xvfb with a
# screenshot in artifacts/demo/screenshot.png when there is no display.
# Arguments go to the installer (for example /d for diagnostic mode).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
# The release programs, as producers download them.
./scripts/release.sh "$ROOT/dist"

DEMO="$ROOT/artifacts/demo"
PACK="$ROOT/dist/pack"
mkdir -p "$DEMO"
./scripts/make-demo-package.sh "$PACK" "$DEMO/package"
rm -f "$DEMO/instalator-demo.exe"
"$PACK" build --stub "$ROOT/dist/installer.exe" --package "$DEMO/package" -o "$DEMO/instalator-demo.exe"

# The demo CAD installation: D:\Orvanta\CAD Virel v. 2.0\ with its dodatki folder.
export WINEPREFIX="$ROOT/.deps/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$DEMO/drive-d" "$DEMO/work"
mkdir -p "$DEMO/drive-d/Orvanta/CAD Virel v. 2.0/dodatki" "$DEMO/work"
wineserver -k 2>/dev/null || true
wineserver -w
ln -sfn "$DEMO/drive-d" "$WINEPREFIX/dosdevices/d:"
cd "$DEMO/work"

if [ -n "${DISPLAY:-}" ]; then
  wine "$DEMO/instalator-demo.exe" "$@"
  echo "Installed files (if you installed): $DEMO/drive-d/Orvanta/CAD Virel v. 2.0/"
  exit 0
fi
SHOT="$DEMO/screenshot.png"
rm -f "$SHOT"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
  wine "$0" "$@" &
  sleep "${RUN_SECONDS:-6}"
  import -window root "'"$SHOT"'"
  wineserver -k' "$DEMO/instalator-demo.exe" "$@"
echo "No display: the demo installer ran under Xvfb; screenshot in $SHOT"
