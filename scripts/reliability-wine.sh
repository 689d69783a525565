#!/bin/sh
# Runs the crash-consistency harness against the real installer.exe under Wine
# in Xvfb and prints the figures: kills per step, databases lost (must be 0),
# reinstalls that went wrong, and how long the run took.
# Usage: scripts/reliability-wine.sh [kills] [JSON report]   (default 200).
# WINE_CRASH_SEED repeats a run.
set -eu
cd "$(dirname "$0")/.."
kills=${1:-200}
[ -d .deps/wineprefix ] || ./scripts/setup-deps.sh
cmake --preset win >/dev/null
cmake --build --preset win --target wine_crash_tests >/dev/null
report=${2:+--gtest_output=json:Z:$2}
WINE_CRASH_KILLS=$kills exec ./scripts/with-wine-session.sh \
  wine build-win/tests/reliability/wine_crash_tests.exe --gtest_brief=1 $report
