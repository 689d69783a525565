// Files past the reach of inline usage maps, at a small size: table maps
// turn into reference maps after 512 pages of rows of the largest length; the
// global map does so where tests lower its inline limit; writing stops with
// a clear error at the page limit, leaving a consistent file.
// GCC 12 reports false -Wrestrict overlaps inside std::string concatenation (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif
#include <gtest/gtest.h>

#include "jet/data_page.h"
#include "jet/database_impl.h"
#include "jet/text_codec.h"
#include "jet/bytes.h"
#include "jet/consistency_check.h"
#include "jet/usage_map.h"
#include "tests/jet/jet_oracle_support.h"
#include "tests/jet/jet_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace jet::detail;

constexpr int kTextColumns = 7;  // 7 x 255 Polish characters: one row fills a data page

jet::TableDef wideTable() {
  jet::TableDef t{"Szerokie", {{"ID", jet::ColumnType::Long, 0}}, "Klucz", "ID"};
  for (int i = 0; i < kTextColumns; ++i) t.columns.push_back({"T" + std::to_string(i), jet::ColumnType::Text, 255});
  return t;
}

std::string polishText(int id, int column) {
  std::string s = std::to_string(id) + "/" + std::to_string(column) + " ";
  while (jet::detail::utf16Length(s) < 255) s += "ż";
  return s;
}

void addRows(jet::Database& db, int from, int count) {
  auto c = db.openTable("Szerokie", true);
  for (int id = from; id < from + count; ++id) {
    c->insert();
    c->set("ID", int32_t(id));
    for (int k = 0; k < kTextColumns; ++k) c->set("T" + std::to_string(k), polishText(id, k));
    c->post();
  }
}

uint8_t mapKind(DatabaseImpl& db, uint32_t pointer) {
  Page p = db.file().read(pointerPage(pointer));
  return rowBytes(p, pointerRow(pointer)).at(0);
}

// Rows, index and every usage map checked, and both oracles read the rows.
void expectWhole(const std::string& path, int rows) {
  EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), path), std::vector<std::string>{});
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  auto read = jettest::readRows(*db, "Szerokie");
  ASSERT_EQ(read.size(), size_t(rows));
  for (int i = 0; i < rows; ++i) {
    EXPECT_EQ(read[size_t(i)][0], std::to_string(i));
    EXPECT_EQ(read[size_t(i)][kTextColumns], polishText(i, kTextColumns - 1));
  }
  if (oracle::haveMdbtools()) {
    EXPECT_EQ(oracle::run("mdb-count " + oracle::shellQuote(path) + " Szerokie"), std::to_string(rows) + "\n");
  }
  if (oracle::haveMdbReader()) {
    auto viaReader = oracle::readWithMdbReader(path);
    EXPECT_EQ(viaReader["Szerokie"].rows.size(), size_t(rows));
  }
}

TEST(JetScale, UsageMapsTurnIntoReferenceMapsAndTheFileStaysWhole) {
  struct Case {
    const char* name;
    size_t globalInlineBytes;  // SIZE_MAX: the real limit, page 1 full
    bool globalReference;
  };
  const Case cases[] = {
      {"table maps switch, global map stays inline", SIZE_MAX, false},
      {"global map switches too", 64, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const std::string path = dir.path("wide.mdb");
    const int first = 600, more = 50;  // 600 one-row pages: past an inline window of 512
    {
      auto db = jet::Database::create(platform::systemEnv(), path);
      auto& impl = dynamic_cast<DatabaseImpl&>(*db);
      impl.limitGlobalMapInlineBytes(c.globalInlineBytes);
      db->createTable(wideTable());
      addRows(*db, 0, first);
      auto def = impl.definition(impl.findTable("Szerokie").page());
      EXPECT_EQ(mapKind(impl, def.ownedMap), kMapReference);
      EXPECT_EQ(mapKind(impl, makePointer(1, 0)), c.globalReference ? kMapReference : kMapInline);
    }
    expectWhole(path, first);
    // A reopened file goes on growing through the maps as stored.
    {
      auto db = jet::Database::open(platform::systemEnv(), path, true);
      addRows(*db, first, more);
    }
    expectWhole(path, first + more);
  }
}

TEST(JetScale, WritingStopsAtThePageLimitWithAClearErrorAndAConsistentFile) {
  test::TempDir dir;
  const std::string path = dir.path("full.mdb");
  const uint32_t limit = 200;
  int stored = 0;
  std::string message;
  {
    auto db = jet::Database::create(platform::systemEnv(), path);
    dynamic_cast<DatabaseImpl&>(*db).limitPages(limit);
    db->createTable(wideTable());
    try {
      addRows(*db, 0, int(limit));
    } catch (const jet::Error& e) {
      message = e.what();
    }
    stored = int(db->schema("Szerokie").rowCount);
  }
  EXPECT_NE(message.find("cannot grow beyond"), std::string::npos) << message;
  EXPECT_NE(message.find("200 pages"), std::string::npos) << message;
  EXPECT_GT(stored, 100);
  expectWhole(path, stored);
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  EXPECT_LE(dynamic_cast<DatabaseImpl&>(*db).file().pageCount(), limit);
}

}  // namespace
