// Kills the real installer.exe under Wine at random moments; the installed
// accessory database must survive every kill, and the next install must
// merge as if nothing happened. WINE_CRASH_KILLS sets the number of kills
// (10 by default), WINE_CRASH_SEED the seed; WINE_CRASH_TRACE=1 prints one
// line per kill.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <random>

#include "tests/reliability/wine_crash_harness.h"

namespace {

TEST(WineCrashConsistency, EveryKillLeavesTheDatabaseAndTheNextInstallMergesRight) {
  if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) GTEST_SKIP() << "needs an X display (run under Xvfb)";
  const int kills = test::crash::envNumber("WINE_CRASH_KILLS", 10);
  const auto seed =
      static_cast<uint32_t>(test::crash::envNumber("WINE_CRASH_SEED", static_cast<int>(std::random_device{}() >> 1)));
  const test::crash::Figures f = test::crash::wine::run(kills, seed);
  std::cout << test::crash::table(f, "crash consistency under Wine") << "  seed " << seed << "\n";
  test::crash::expectAllSurvived(f, kills);
}

}  // namespace
