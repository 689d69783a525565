// Kills the installer at random moments; the installed accessory database must
// survive every kill, and the next install must merge as if nothing happened.
// CRASH_KILLS sets the number of kills (20 by default), CRASH_SEED the seed.
#include <gtest/gtest.h>

#include <iostream>
#include <random>

#include "tests/reliability/crash_harness.h"

namespace {

TEST(CrashConsistency, EveryKillLeavesTheDatabaseAndTheNextInstallMergesRight) {
  const int kills = test::crash::envNumber("CRASH_KILLS", 20);
  const auto seed =
      static_cast<uint32_t>(test::crash::envNumber("CRASH_SEED", static_cast<int>(std::random_device{}() >> 1)));
  const test::crash::Figures f = test::crash::run(kills, seed);
  std::cout << test::crash::table(f) << "  seed " << seed << "\n";
  test::crash::expectAllSurvived(f, kills);
}

}  // namespace
