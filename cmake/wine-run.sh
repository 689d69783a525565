#!/bin/sh
# Runs a Windows program of the build under the project's Wine prefix.
: "${WINEPREFIX:=$(cd "$(dirname "$0")/.." && pwd)/.deps/wineprefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
