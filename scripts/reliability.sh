#!/bin/sh
# Runs the crash-consistency harness in its full form and prints the figures:
# kills spread over start-up and the install, kills per step, lost databases.
# Usage: scripts/reliability.sh [kills] [build dir]   (defaults: 200, build-release,
# else build-native). CRASH_SEED repeats a run.
set -eu
cd "$(dirname "$0")/.."
kills=${1:-200}
build=${2:-}
if [ -z "$build" ]; then
  if [ -x build-release/tests/reliability/reliability_tests ]; then build=build-release; else build=build-native; fi
fi
if [ ! -d "$build" ]; then
  cmake --preset native >/dev/null
  build=build-native
fi
cmake --build "$build" --target reliability_tests -j2 >/dev/null
CRASH_KILLS=$kills "$build/tests/reliability/reliability_tests" --gtest_brief=1
