#!/usr/bin/env bash
# Times a silent install of a large catalogue under Wine beside an NSIS
# installer (Debian's nsis) of the same files, in the same run.
#
# The catalogue: FILES model files (MEGABYTES in all, mixed sizes, about half
# compressible), a few materials, and an accessory database merged from
# PACKAGE_ROWS package rows into INSTALLED installed rows. Each installer runs
# RUNS times from the same starting state; the best time is printed. Our phases
# come from the time stamps of a `/d /S /LOG=` run, where they happen.
#
# Usage: scripts/install-bench.sh [RUNS]
#   environment: FILES (2000), MEGABYTES (200), INSTALLED (5000), PACKAGE_ROWS (5000),
#                DIST (programs to use; default: built by scripts/release.sh)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
RUNS=${1:-3}
FILES=${FILES:-2000} MEGABYTES=${MEGABYTES:-200}
INSTALLED=${INSTALLED:-5000} PACKAGE_ROWS=${PACKAGE_ROWS:-5000}
W="$ROOT/artifacts/install-bench"
mkdir -p "$W"

./scripts/setup-deps.sh >/dev/null
if ! command -v makensis >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends nsis >/dev/null
fi
cmake --preset win >/dev/null
cmake --build --preset win --target window_install_timing pack >/dev/null
if [ -z "${DIST:-}" ]; then
  DIST="$W/dist"
  ./scripts/release.sh "$DIST" >/dev/null
fi

# The catalogue, made again only when its size changes.
CAT="$W/catalogue-$FILES-$MEGABYTES-$INSTALLED-$PACKAGE_ROWS"
PKG="$CAT/package"
if [ ! -f "$CAT/ready" ]; then
  rm -rf "$CAT"
  python3 scripts/bench/make-catalogue.py "$CAT" --files "$FILES" --megabytes "$MEGABYTES" \
    --installed "$INSTALLED" --package "$PACKAGE_ROWS"
  for p in install finish; do convert -size 1040x585 gradient:white-tan -quality 88 "$PKG/$p.jpg"; done
  "$DIST/pack" mdb create -o "$CAT/installed.mdb" --producers "$CAT/csv/producers.csv" \
    --accessories "$CAT/csv/installed.csv" >/dev/null
  "$DIST/pack" mdb create -o "$PKG/models/Meble Bench/dodatki.mdb" --producers "$CAT/csv/producers.csv" \
    --accessories "$CAT/csv/package.csv" >/dev/null
  # The same catalogue with a 10-row database: a diagnostic run of the big
  # one logs a line for every pair of rows its searches compare.
  cp -al "$PKG" "$CAT/package-small"
  rm "$CAT/package-small/models/Meble Bench/dodatki.mdb"
  for f in installed package; do head -n 11 "$CAT/csv/$f.csv" >"$CAT/csv/$f-small.csv"; done
  "$DIST/pack" mdb create -o "$CAT/installed-small.mdb" --producers "$CAT/csv/producers.csv" \
    --accessories "$CAT/csv/installed-small.csv" >/dev/null
  "$DIST/pack" mdb create -o "$CAT/package-small/models/Meble Bench/dodatki.mdb" \
    --producers "$CAT/csv/producers.csv" --accessories "$CAT/csv/package-small.csv" >/dev/null
  touch "$CAT/ready"
fi

# Ours, and NSIS's installer of the same files into the same places.
rm -f "$W/ours.exe" "$W/ours-small.exe" "$W/nsis.exe"
for v in "ours:$PKG" "ours-small:$CAT/package-small"; do
  "$DIST/pack" build --stub "$DIST/installer.exe" --package "${v#*:}" -o "$W/${v%%:*}.exe" >"$W/pack-build.log" 2>&1 ||
    { cat "$W/pack-build.log"; exit 1; }
done
cp "$CAT/installed.mdb" "$CAT/installed-small.mdb" "$W/"
cp "$PKG/models/Meble Bench/dodatki.mdb" "$W/package.mdb"
cat >"$W/bench.nsi" <<EOF
Unicode true
Target amd64-unicode
SetCompressor zlib
Name "Meble Bench"
OutFile "$W/nsis.exe"
InstallDir "D:\\CAD Bench"
RequestExecutionLevel user
Section
  SetOutPath "\$INSTDIR\\dodatki\\Meble Bench"
  File /r "$PKG/models/Meble Bench/*"
  SetOutPath "\$INSTDIR\\DB_MATERIALS\\Vodezidoz Azu Virel"
  File /r "$PKG/materials/*"
SectionEnd
EOF
makensis -V1 "$W/bench.nsi" >/dev/null

printf 'catalogue: %s files, %s MB of models, %s installed and %s package rows\n' \
  "$FILES" "$MEGABYTES" "$INSTALLED" "$PACKAGE_ROWS"
printf 'installers: ours %s bytes, NSIS %s bytes; load before: %s\n' \
  "$(stat -c %s "$W/ours.exe")" "$(stat -c %s "$W/nsis.exe")" "$(cut -d' ' -f1-3 /proc/loadavg)"
# The merge alone, natively, with the same optimisation as the Windows build's
# pack.exe that time-installs.sh runs under Wine: the code the installer runs.
cmake --preset release >/dev/null
cmake --build --preset release --target pack >/dev/null
native_merge=()
for run in $(seq "$RUNS"); do
  rm -f "$W/merged.mdb"
  t0=$(date +%s.%N)
  build-release/tools/pack/pack mdb merge --installed "$W/installed.mdb" --package "$W/package.mdb" -o "$W/merged.mdb" >/dev/null
  native_merge+=("$(python3 -c "print(f'{$(date +%s.%N) - $t0:.3f}')")")
done
export NATIVE_MERGE="${native_merge[*]}"
DRIVE_D="$W/drive-d" ./scripts/with-wine-session.sh \
  bash scripts/bench/time-installs.sh "$W" "$RUNS" \
  "$ROOT/build-win/tests/e2e/window_install_timing.exe" "$ROOT/build-win/tools/pack/pack.exe"
