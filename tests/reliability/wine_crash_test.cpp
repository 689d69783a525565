// Kills the real installer.exe under Wine at random moments; the installed
// accessory database must survive every kill, and the next install must
// merge as if nothing happened. WINE_CRASH_KILLS sets the number of kills
// (10 by default), WINE_CRASH_SEED the seed; WINE_CRASH_TRACE=1 prints one
// line per kill.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <iostream>
#include <random>

#include "tests/reliability/wine_crash_harness.h"

namespace {

int envNumber(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

TEST(WineCrashConsistency, EveryKillLeavesTheDatabaseAndTheNextInstallMergesRight) {
  if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) GTEST_SKIP() << "needs an X display (run under Xvfb)";
  const int kills = envNumber("WINE_CRASH_KILLS", 10);
  const auto seed =
      static_cast<uint32_t>(envNumber("WINE_CRASH_SEED", static_cast<int>(std::random_device{}() >> 1)));
  const test::crash::Figures f = test::crash::wine::run(kills, seed);
  std::cout << test::crash::table(f, "crash consistency under Wine") << "  seed " << seed << "\n";
  // Read by scripts/reliability-figures.sh.
  RecordProperty("kills", f.kills);
  RecordProperty("survived", f.survived);
  RecordProperty("lost", f.lost);
  for (const auto& line : f.findings) ADD_FAILURE() << line;
  EXPECT_EQ(f.kills, kills);
  EXPECT_EQ(f.survived, f.kills);
  EXPECT_EQ(f.lost, 0);
}

}  // namespace
