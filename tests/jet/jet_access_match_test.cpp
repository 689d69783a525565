// A new file against Access's own empty.mdb, field by field: whatever a new
// file shares with it must stay equal, so a change cannot drift away unseen.
// GCC 12 reports false -Wrestrict overlaps inside std::string concatenation (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "jet/database_impl.h"
#include "tests/jet/jet_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace jet::detail;

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Rows keyed by one column, every other column as text except those left out.
std::map<std::string, std::vector<jettest::Row>> rowsBy(jet::Database& db, const std::string& table,
                                                        const std::string& key,
                                                        const std::vector<std::string>& leaveOut) {
  auto schema = db.schema(table);
  auto cur = db.openTable(table, false);
  std::map<std::string, std::vector<jettest::Row>> out;
  for (cur->first(); !cur->atEnd(); cur->next()) {
    jettest::Row r;
    for (const auto& c : schema.columns)
      if (std::find(leaveOut.begin(), leaveOut.end(), c.name) == leaveOut.end())
        r.push_back(c.name + "=" + jettest::text(cur->get(c.name)));
    out[jettest::text(cur->get(key))].push_back(r);
  }
  for (auto& [k, rows] : out) std::sort(rows.begin(), rows.end());
  return out;
}

TEST(JetAccessMatch, NewFileEqualsEmptyMdbWhereverItMust) {
  REQUIRE_FIXTURES();
  test::TempDir dir;
  const std::string path = dir.path("new.mdb");
  { auto created = jet::Database::create(platform::systemEnv(), path); }
  const std::string accessPath = jettest::fixtureDir() + "empty.mdb";
  auto ours = jet::Database::open(platform::systemEnv(), path, false);
  auto access = jet::Database::open(platform::systemEnv(), accessPath, false);

  // Header page, byte for byte as written.
  EXPECT_EQ(fileBytes(path).substr(0, 4096), fileBytes(accessPath).substr(0, 4096));

  // Catalogue rows: every row of ours is Access's row of the same Id, dates
  // apart. MSysDb's properties (AccessVersion, Build) are the Access
  // application's, not the engine's: a new file has none.
  auto mine = rowsBy(*ours, "MSysObjects", "Id", {"DateCreate", "DateUpdate"});
  auto theirs = rowsBy(*access, "MSysObjects", "Id", {"DateCreate", "DateUpdate"});
  const std::string msysDb = std::to_string(0x10000000);
  ASSERT_EQ(theirs[msysDb].size(), 1u);
  for (auto& field : theirs[msysDb][0])
    if (field.rfind("LvProp=", 0) == 0) field = "LvProp=NULL";
  EXPECT_EQ(mine.size(), 8u);
  for (const auto& [id, rows] : mine) {
    SCOPED_TRACE("MSysObjects Id " + id);
    ASSERT_TRUE(theirs.count(id));
    EXPECT_EQ(rows, theirs[id]);
  }

  // Permission rows of each of those objects.
  auto aces = rowsBy(*ours, "MSysACEs", "ObjectId", {});
  auto accessAces = rowsBy(*access, "MSysACEs", "ObjectId", {});
  for (const auto& [id, rows] : mine) {
    SCOPED_TRACE("MSysACEs ObjectId " + id);
    EXPECT_EQ(aces[id], accessAces[id]);
  }

  // System table definitions as stored: kind, columns, indexes and the places
  // of their usage maps and roots.
  auto& o = dynamic_cast<DatabaseImpl&>(*ours);
  auto& a = dynamic_cast<DatabaseImpl&>(*access);
  for (const auto& name : ours->allTableNames()) {
    SCOPED_TRACE(name);
    auto x = o.definition(o.findTable(name).page()), y = a.definition(a.findTable(name).page());
    EXPECT_EQ(x.page, y.page);
    EXPECT_EQ(x.tableType, y.tableType);
    EXPECT_EQ(x.maxColumns, y.maxColumns);
    EXPECT_EQ(x.varColumns, y.varColumns);
    EXPECT_EQ(x.ownedMap, y.ownedMap);
    EXPECT_EQ(x.freeMap, y.freeMap);
    ASSERT_EQ(x.columns.size(), y.columns.size());
    for (size_t i = 0; i < x.columns.size(); ++i) {
      SCOPED_TRACE(x.columns[i].name);
      EXPECT_EQ(x.columns[i].name, y.columns[i].name);
      EXPECT_EQ(x.columns[i].type, y.columns[i].type);
      EXPECT_EQ(x.columns[i].number, y.columns[i].number);
      EXPECT_EQ(x.columns[i].flags, y.columns[i].flags);
      EXPECT_EQ(x.columns[i].extraFlags, y.columns[i].extraFlags);
      EXPECT_EQ(x.columns[i].length, y.columns[i].length);
      EXPECT_EQ(x.columns[i].varIndex, y.columns[i].varIndex);
      if (y.columns[i].fixed()) {
        EXPECT_EQ(x.columns[i].fixedOffset, y.columns[i].fixedOffset);
      }
    }
    ASSERT_EQ(x.realIndexes.size(), y.realIndexes.size());
    for (size_t i = 0; i < x.realIndexes.size(); ++i) {
      EXPECT_EQ(x.realIndexes[i].flags, y.realIndexes[i].flags);
      EXPECT_EQ(x.realIndexes[i].rootPage, y.realIndexes[i].rootPage);
      EXPECT_EQ(x.realIndexes[i].usageMap, y.realIndexes[i].usageMap);
    }
    ASSERT_EQ(x.logicalIndexes.size(), y.logicalIndexes.size());
    for (size_t i = 0; i < x.logicalIndexes.size(); ++i) {
      EXPECT_EQ(x.logicalIndexes[i].name, y.logicalIndexes[i].name);
      EXPECT_EQ(x.logicalIndexes[i].type, y.logicalIndexes[i].type);
    }
  }
}

}  // namespace
