// The engine's reading of real Access files equals mdbtools' and mdb-reader's.
#include <gtest/gtest.h>

#include "tests/jet/jet_oracle_support.h"

namespace {

TEST(JetOracle, FixturesReadAlikeByAllThreeReaders) {
  REQUIRE_FIXTURES();
  REQUIRE_ORACLES();
  for (const char* f : {"empty.mdb", "indexTestV2000.mdb", "compIndexTestV2000.mdb", "delTestV2000.mdb",
                        "overflowTestV2000.mdb", "fixedTextTestV2000.mdb", "test2V2000.mdb"}) {
    SCOPED_TRACE(f);
    std::string path = jettest::fixtureDir() + f;
    auto ours = jettest::readWithEngine(path);
    auto tools = oracle::readWithMdbtools(path);
    auto reader = oracle::readWithMdbReader(path);
    // mdb-reader does not read keys; compare those with mdbtools only.
    for (auto& [name, t] : reader) t.primaryKey = ours[name].primaryKey;
    EXPECT_EQ(jettest::difference(ours, tools), "") << "engine vs mdbtools";
    EXPECT_EQ(jettest::difference(ours, reader), "") << "engine vs mdb-reader";
  }
}

}  // namespace
