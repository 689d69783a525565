#!/usr/bin/env bash
# Brings a Debian 12 machine to a working state for building and testing.
# Idempotent: every step is skipped when its result is already there.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
DEPS=.deps
TC="$ROOT/cmake/mingw-w64-x86_64.cmake"

APT_PACKAGES=(
  g++ cmake ninja-build g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nasm dpkg-dev
  libjpeg62-turbo-dev zlib1g-dev googletest libgtest-dev pkg-config
  wine wine64 fonts-wine libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxcomposite1 libxinerama1
  xvfb xauth x11-utils xdotool imagemagick
  mdbtools mdbtools-dev p7zip-full unzip libarchive-tools osslsigncode openssl
  python3 clang libclang-rt-14-dev clang-format
)

step() { printf '== %s\n' "$*"; }

# 1. Debian packages.
if [ "${SKIP_APT:-0}" != 1 ]; then
  missing=()
  for p in "${APT_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    step "apt: ${missing[*]}"
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${APT_PACKAGES[@]}"
  fi
fi

# 2. libjpeg-turbo for mingw, from Debian's source package, static.
if [ ! -f $DEPS/mingw64/lib/libjpeg.a ]; then
  step "libjpeg-turbo for Windows"
  mkdir -p $DEPS/apt/lists/partial $DEPS/apt/cache $DEPS/src
  # The source packages come from the archives this machine already uses:
  # every binary source it lists, turned into a source-package source.
  rm -rf $DEPS/apt/sources.d && mkdir -p $DEPS/apt/sources.d
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'function flush() {
           if (stanza != "" && isdeb && !disabled) printf "%sTypes: deb-src\n\n", stanza
           stanza = ""; isdeb = 0; disabled = 0
         }
         /^[ \t]*#/ { next }
         /^[ \t]*$/ { flush(); next }
         tolower($1) == "types:" { for (i = 2; i <= NF; i++) if ($i == "deb") isdeb = 1; next }
         tolower($1) == "enabled:" && tolower($2) == "no" { disabled = 1 }
         { stanza = stanza $0 "\n" }
         END { flush() }' "$f" > "$DEPS/apt/sources.d/$(basename "$f")"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" > "$DEPS/apt/sources.d/$(basename "$f")"
  done
  APTSRC=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$ROOT/$DEPS/apt/sources.d"
          -o Dir::State::Lists="$ROOT/$DEPS/apt/lists" -o Dir::Cache="$ROOT/$DEPS/apt/cache" -o Debug::NoLocking=1)
  apt-get "${APTSRC[@]}" update -q
  rm -rf $DEPS/src/libjpeg-turbo
  (cd $DEPS/src && apt-get "${APTSRC[@]}" source --download-only libjpeg-turbo)
  dpkg-source -x $DEPS/src/libjpeg-turbo_*.dsc $DEPS/src/libjpeg-turbo >/dev/null
  cmake -S $DEPS/src/libjpeg-turbo -B $DEPS/build/libjpeg-turbo -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$TC" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$ROOT/$DEPS/mingw64" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON >/dev/null
  cmake --build $DEPS/build/libjpeg-turbo -j2 >/dev/null
  cmake --install $DEPS/build/libjpeg-turbo >/dev/null
fi

# 3. GoogleTest for mingw, from Debian's sources.
if [ ! -f $DEPS/mingw64/lib/libgtest.a ]; then
  step "GoogleTest for Windows"
  cmake -S /usr/src/googletest -B $DEPS/build/gtest -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TC" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$ROOT/$DEPS/mingw64" -DBUILD_SHARED_LIBS=OFF \
    -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build $DEPS/build/gtest -j2 >/dev/null
  cmake --install $DEPS/build/gtest >/dev/null
fi

# 4. The Wine prefix: crashes exit with a code, windows unmanaged (no window manager here).
export WINEPREFIX="$ROOT/$DEPS/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.project-ready" ]; then
  step "Wine prefix"
  env -u DISPLAY wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  env -u DISPLAY wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1
  env -u DISPLAY wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.project-ready"
fi

# 5. The independent Jet reader used as a test oracle.
if [ -f tests/oracles/package.json ] && [ ! -d tests/oracles/node_modules/mdb-reader ]; then
  step "npm: test oracles"
  (cd tests/oracles && npm install --no-audit --no-fund --loglevel=error)
fi
step "setup done"
