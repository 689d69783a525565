#!/usr/bin/env bash
# Runs every test: sets up what is missing, checks the formatting, builds and
# runs the native tests, then the Windows tests under Wine in Xvfb, then the
# native unit tests again under the address and undefined-behaviour sanitizers.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
./scripts/setup-deps.sh
./scripts/format.sh --check
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native
cmake --preset win >/dev/null
cmake --build --preset win
./scripts/with-wine-session.sh ctest --preset win
# The window on a small screen needs an X screen of that size.
SCREEN=1024x768x24 ./scripts/with-wine-session.sh ctest --preset win -R SmallScreen
# The sanitizer preset leaves out the kill harness and the large-file cases,
# which run natively above; the rest takes a few minutes under the sanitizers.
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize
