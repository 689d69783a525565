#!/usr/bin/env bash
# Builds what producers download, in release mode, into dist/:
#   installer.exe  the stub that `pack build` puts a package behind: stripped,
#                  unused code and data dropped, needing only Windows' own DLLs
#   pack.exe       pack for Windows (static)
#   pack           pack for Linux (static where the toolchain allows)
#   SHA256SUMS     their SHA-256 sums, for `sha256sum -c`
# Prints each program's size. Usage: scripts/release.sh [DIST_DIR]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DIST=${1:-$ROOT/dist}
cd "$ROOT"
./scripts/setup-deps.sh >/dev/null

# Each function and datum in a section of its own, so the linker can drop the
# ones nothing calls; -s strips the symbols.
SMALL_CODE="-ffunction-sections -fdata-sections"
SMALL_LINK="-Wl,--gc-sections -s"

cmake -S . -B build-dist-win -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DINSTALLER_BUILD_TESTS=OFF \
  -DCMAKE_C_FLAGS="$SMALL_CODE" -DCMAKE_CXX_FLAGS="$SMALL_CODE" \
  -DCMAKE_EXE_LINKER_FLAGS="$SMALL_LINK" >/dev/null
cmake --build build-dist-win --target installer pack -j 2

# Linux: everything linked in, so the program runs on any distribution.
LINUX_STATIC="-static"
STATIC_LIBS=()
for lib in jpeg z; do
  a=$(find /usr/lib /usr/lib64 -name "lib$lib.a" 2>/dev/null | head -n 1 || true)
  if [ -z "$a" ]; then LINUX_STATIC="-static-libstdc++ -static-libgcc"; break; fi
  [ "$lib" = jpeg ] && STATIC_LIBS+=("-DJPEG_LIBRARY=$a") || STATIC_LIBS+=("-DZLIB_LIBRARY=$a")
done
cmake -S . -B build-dist-linux -G Ninja -DCMAKE_BUILD_TYPE=Release -DINSTALLER_BUILD_TESTS=OFF \
  -DCMAKE_C_FLAGS="$SMALL_CODE" -DCMAKE_CXX_FLAGS="$SMALL_CODE" \
  -DCMAKE_EXE_LINKER_FLAGS="$SMALL_LINK $LINUX_STATIC" "${STATIC_LIBS[@]}" >/dev/null
cmake --build build-dist-linux --target pack -j 2

rm -rf "$DIST"
mkdir -p "$DIST"
cp build-dist-win/win32/installer.exe "$DIST/installer.exe"
cp build-dist-win/tools/pack/pack.exe "$DIST/pack.exe"
cp build-dist-linux/tools/pack/pack "$DIST/pack"

echo "Imports of the stub (Windows' own DLLs only):"
./scripts/check-imports.sh "$DIST/installer.exe" | sed 's/^/  /'

(cd "$DIST" && sha256sum installer.exe pack.exe pack > SHA256SUMS)
echo "In $DIST:"
for f in installer.exe pack.exe pack; do
  stat -c %s "$DIST/$f" | awk -v f="$f" '{ printf "  %-14s %9d bytes  %5.2f MiB\n", f, $1, $1 / 1048576 }'
done
if command -v file >/dev/null; then file "$DIST/pack" | sed 's/^[^:]*: /  pack (Linux): /'; fi
stub=$(stat -c %s "$DIST/installer.exe")
if [ "$stub" -gt 1048576 ]; then echo "note: the stub is larger than 1 MiB"; fi
echo "  SHA256SUMS (check with: cd $DIST && sha256sum -c SHA256SUMS)"
