// Kills the installer at random moments; the installed accessory database must
// survive every kill, and the next install must merge as if nothing happened.
// CRASH_KILLS sets the number of kills (20 by default), CRASH_SEED the seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>

#include "tests/reliability/crash_harness.h"

namespace {

int envNumber(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

TEST(CrashConsistency, EveryKillLeavesTheDatabaseAndTheNextInstallMergesRight) {
  const int kills = envNumber("CRASH_KILLS", 20);
  const auto seed = static_cast<uint32_t>(envNumber("CRASH_SEED", static_cast<int>(std::random_device{}() >> 1)));
  const test::crash::Figures f = test::crash::run(kills, seed);
  std::cout << test::crash::table(f) << "  seed " << seed << "\n";
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
