// A merged accessory database as two independent readers see it: mdbtools and
// mdb-reader must find the schema the CAD program expects and the rows our
// engine reads.
#include <gtest/gtest.h>

#include "accessorydb/jet_engine.h"
#include "tests/accessorydb/adb_fixture.h"
#include "tests/accessorydb/recording_reporter.h"
#include "tests/oracles/oracles.h"
#include "tests/support/temp_dir.h"

using namespace accessorydb;

namespace test {
namespace {

std::vector<oracle::Column> expectedColumns(const std::vector<ColumnSpec>& specs) {
  std::vector<oracle::Column> columns;
  for (const auto& c : specs) {
    if (c.type == adInteger)
      columns.push_back({c.name, "Long", 0});
    else if (c.type == adBoolean)
      columns.push_back({c.name, "Boolean", 0});
    else
      columns.push_back({c.name, "Text", c.definedSize});
  }
  return columns;
}

std::vector<std::vector<std::string>> comparable(const std::vector<Row>& rows) {
  std::vector<std::vector<std::string>> out;
  for (const auto& r : rows) {
    std::vector<std::string> texts;
    for (const auto& v : r) {
      if (std::holds_alternative<std::monostate>(v))
        texts.push_back("NULL");
      else if (const auto* b = std::get_if<bool>(&v))
        texts.push_back(*b ? "1" : "0");
      else
        texts.push_back(valueAsText(v));
    }
    out.push_back(texts);
  }
  return out;
}

TEST(OracleReadback, MergedDatabaseReadsTheSameInMdbtoolsAndMdbReader) {
  const bool mdbtools = oracle::haveMdbtools();
  const bool mdbReader = oracle::haveMdbReader();
  if (!mdbtools && !mdbReader) GTEST_SKIP() << "neither mdbtools nor mdb-reader (npm) is installed";

  auto& env = platform::systemEnv();
  auto engine = makeJetEngine(env);
  TempDir dir;
  makeDatabase(*engine, env, dir.path("old.mdb"), {producer("Meblex", "Meblex S.A.", "Długa 1")},
               {accessory(5, "Krzesło", "i"), accessory(6, "DELETE", "i"), accessory(8, "Szafka", "i")});
  makeDatabase(*engine, env, dir.path("new.mdb"), {producer("Meblex", "Meblex Sp. z o.o.", "Łąkowa 2")},
               {accessory(5, "Krzesło żółte", "p"), accessory(9, "Stół", "p"), accessory(8, "DELETE", "p")});
  RecordingReporter log(1);
  AccessoryDb db(log, env, *engine);
  const auto out = dir.path("dodatki.mdb");
  ASSERT_TRUE(db.CopyMdb(dir.path("new.mdb"), dir.path("old.mdb"), out));

  const auto producers = readRows(*engine, out, kTableProducent);
  const auto accessories = readRows(*engine, out, kTableDodatki);
  ASSERT_EQ(keyTags(accessories), (std::vector<std::string>{"5/p", "9/p"}));

  std::vector<std::pair<const char*, oracle::Database>> readings;
  if (mdbtools) readings.emplace_back("mdbtools", oracle::readWithMdbtools(out));
  if (mdbReader) readings.emplace_back("mdb-reader", oracle::readWithMdbReader(out));
  for (const auto& [reader, reading] : readings) {
    SCOPED_TRACE(reader);
    ASSERT_EQ(reading.size(), 2u);
    ASSERT_TRUE(reading.count(kTableDodatki) && reading.count(kTableProducent));
    const auto& d = reading.at(kTableDodatki);
    EXPECT_EQ(d.columns, expectedColumns(dodatkiColumns()));
    if (std::string(reader) == "mdbtools") {  // mdb-reader shows no keys
      EXPECT_EQ(d.primaryKey, std::vector<std::string>{"id"});
    }
    EXPECT_EQ(d.rows, comparable(accessories));
    const auto& p = reading.at(kTableProducent);
    EXPECT_EQ(p.columns, expectedColumns(producentColumns()));
    EXPECT_TRUE(p.primaryKey.empty());
    EXPECT_EQ(p.rows, comparable(producers));
  }
}

}  // namespace
}  // namespace test
