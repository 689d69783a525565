// The reader against real Access-made files and against damaged ones.
// GCC 12 reports false -Wrestrict overlaps inside std::string concatenation (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>

#include "base/utf.h"
#include "jet/bytes.h"
#include "jet/database_impl.h"
#include "jet/index_tree.h"
#include "jet/jet.h"
#include "tests/jet/jet_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

using jettest::readRows;
using jettest::Row;

std::unique_ptr<jet::Database> openFixture(const std::string& name) {
  return jet::Database::open(platform::systemEnv(), jettest::fixtureDir() + name, false);
}

std::multiset<Row> asSet(const std::vector<Row>& rows) { return {rows.begin(), rows.end()}; }

struct ColumnExpect {
  const char* name;
  jet::ColumnType type;
  uint16_t maxChars;
};

struct TableExpect {
  const char* file;
  const char* table;
  std::vector<ColumnExpect> columns;
  uint32_t rowCount;
  std::vector<Row> rows;  // empty: rows checked elsewhere
};

TEST(JetReader, FixtureTablesHaveTheirSchemasAndRows) {
  REQUIRE_FIXTURES();
  using T = jet::ColumnType;
  const std::vector<TableExpect> cases = {
      {"indexTestV2000.mdb",
       "Table1",
       {{"id", T::Long, 0},
        {"otherfk1", T::Long, 0},
        {"otherfk2", T::Long, 0},
        {"data", T::Text, 50},
        {"otherfk3", T::Long, 0}},
       4,
       {{"0", "0", "10", "baz0", "0"},
        {"1", "1", "11", "baz11", "0"},
        {"2", "1", "11", "baz11-2", "0"},
        {"3", "2", "13", "baz13", "0"}}},
      {"indexTestV2000.mdb",
       "Table2",
       {{"id", T::Long, 0}, {"data", T::Text, 50}},
       3,
       {{"0", "foo0"}, {"1", "foo1"}, {"2", "foo2"}}},
      {"indexTestV2000.mdb",
       "Table3",
       {{"id", T::Long, 0}, {"data", T::Text, 50}},
       4,
       {{"10", "bar10"}, {"11", "bar11"}, {"12", "bar12"}, {"13", "bar13"}}},
      {"delTestV2000.mdb", "Table", {{"a", T::Text, 50}, {"b", T::Text, 50}}, 2, {{"z", "y"}, {"v", "u"}}},
      {"overflowTestV2000.mdb",
       "Table1",
       {{"data1", T::Text, 50},
        {"data3", T::Text, 50},
        {"data4", T::Text, 50},
        {"data5", T::Text, 50},
        {"data6", T::Text, 50},
        {"data7", T::Text, 50},
        {"data8", T::Text, 50},
        {"data9", T::Text, 50},
        {"data10", T::Text, 50}},
       7,
       {{"row1col1", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
        {"row2col1", "row2col3", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
        {"NULL", "row3col3", "NULL", "NULL", "NULL", "NULL", "NULL", "row3col9", "NULL"},
        {"row4col1", "row4col2", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
        {"NULL", "row5col2", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
        {"NULL", "row6col2", "row6col3", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
        {"row7col1", "NULL", "NULL", "NULL", "NULL", "row7col7", "NULL", "NULL", "NULL"}}},
      {"fixedTextTestV2000.mdb",
       "users",
       {{"i_user_id", T::Long, 0},
        {"c_user_login", T::Text, 32},
        {"c_user_pwd", T::Text, 32},
        {"c_user_session", T::Text, 40},
        {"c_user_name", T::Text, 200},
        {"i_user_flags", T::Long, 0},
        {"i_user_type", T::Long, 0},
        {"i_user_merch", T::Long, 0},
        {"c_flag_", T::Text, 1},
        {"d_stamp_", T::DateTime, 0}},
       2,
       {}},
      {"compIndexTestV2000.mdb",
       "Table1",
       {{"CD_AGENTE", T::Long, 0}, {"RS_AGENTE", T::Text, 55}, {"DC_AGENTE", T::Text, 55}},
       512,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.table);
    auto db = openFixture(c.file);
    auto s = db->schema(c.table);
    ASSERT_EQ(s.columns.size(), c.columns.size());
    for (size_t i = 0; i < c.columns.size(); ++i) {
      EXPECT_EQ(s.columns[i].name, c.columns[i].name);
      EXPECT_EQ(s.columns[i].type, c.columns[i].type);
      EXPECT_EQ(s.columns[i].maxChars, c.columns[i].maxChars);
    }
    EXPECT_EQ(s.rowCount, c.rowCount);
    auto rows = readRows(*db, c.table);
    EXPECT_EQ(rows.size(), c.rowCount);
    if (!c.rows.empty()) {
      EXPECT_EQ(asSet(rows), asSet(c.rows));
    }
  }
}

TEST(JetReader, UserTableListsLeaveSystemTablesOut) {
  REQUIRE_FIXTURES();
  const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
      {"empty.mdb", {}},
      {"indexTestV2000.mdb", {"Table1", "Table2", "Table3"}},
      {"delTestV2000.mdb", {"Table"}},
      {"test2V2000.mdb", {"MSP_PROJECTS"}},
  };
  for (const auto& [file, want] : cases) {
    auto names = openFixture(file)->tableNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, want) << file;
  }
  auto all = openFixture("empty.mdb")->allTableNames();
  std::set<std::string> got(all.begin(), all.end());
  for (const char* t : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships", "MSysAccessObjects"})
    EXPECT_TRUE(got.count(t)) << t;
}

TEST(JetReader, EmptyDatabaseCatalogueRows) {
  REQUIRE_FIXTURES();
  auto db = openFixture("empty.mdb");
  auto cur = db->openTable("MSysObjects", false);
  std::vector<std::string> names;
  std::vector<int32_t> ids;
  for (cur->first(); !cur->atEnd(); cur->next()) {
    names.push_back(std::get<std::string>(cur->get("Name")));
    ids.push_back(std::get<int32_t>(cur->get("Id")));
  }
  ASSERT_EQ(names.size(), 18u);
  EXPECT_EQ(names[0], "Tables");
  EXPECT_EQ(ids[0], 0x0F000001);
  EXPECT_EQ(names[4], "MSysObjects");
  EXPECT_EQ(ids[4], 2);
  EXPECT_EQ(names[17], "MSysAccessObjects");
  EXPECT_EQ(ids[17], 15);
  EXPECT_EQ(readRows(*db, "MSysACEs").size(), 52u);
}

TEST(JetReader, DecodesEveryKindOfValue) {
  REQUIRE_FIXTURES();
  auto db = openFixture("test2V2000.mdb");
  auto cur = db->openTable("MSP_PROJECTS", false);
  ASSERT_FALSE(cur->atEnd());
  EXPECT_EQ(std::get<int32_t>(cur->get("PROJ_ID")), 1);
  EXPECT_EQ(std::get<std::string>(cur->get("PROJ_NAME")), "Project1");
  EXPECT_EQ(std::get<bool>(cur->get("PROJ_OPT_CALC_ACT_COSTS")), true);
  EXPECT_EQ(std::get<bool>(cur->get("PROJ_OPT_MULT_CRITICAL_PATHS")), false);
  EXPECT_EQ(std::get<bool>(cur->get("PROJ_IS_RES_POOL")), false);
  EXPECT_EQ(std::get<std::string>(cur->get("PROJ_OPT_CURRENCY_SYMBOL")), "\xC2\xA3");
  EXPECT_EQ(jettest::text(cur->get("PROJ_OPT_MINUTES_PER_DAY")), "480");
  EXPECT_EQ(jettest::text(cur->get("PROJ_OPT_MINUTES_PER_WEEK")), "2400");
  EXPECT_EQ(jettest::text(cur->get("PROJ_OPT_CURRENCY_DIGITS")), "2");
  // 2006-02-03 08:00:00
  EXPECT_NEAR(std::get<double>(cur->get("PROJ_INFO_CURRENT_DATE")), 38751.0 + 8.0 / 24, 1e-6);
  EXPECT_EQ(std::get<std::string>(cur->get("PROJ_PROP_COMPANY")), "T");
  auto author = std::get<std::string>(cur->get("PROJ_PROP_AUTHOR"));
  EXPECT_EQ(author.size(), 348u);
  EXPECT_EQ(author.rfind("Jon Iles this is a a vawesrasoih", 0), 0u);
  EXPECT_EQ(std::get<std::string>(cur->get("PROJ_DATA_SOURCE")), "Z:\\temp\\Project1.mpd");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(cur->get("PROJ_TYPE")));
  EXPECT_EQ(std::get<jet::Bytes>(cur->get("RESERVED_BINARY_DATA")).size(), 22970u);
  cur->next();
  EXPECT_TRUE(cur->atEnd());
  EXPECT_THROW(cur->get("PROJ_ID"), jet::Error);

  auto users = openFixture("fixedTextTestV2000.mdb");
  auto rows = readRows(*users, "users");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "1");
  EXPECT_EQ(rows[0][1], "CORE USER");
  EXPECT_EQ(rows[0][2], " ");
  EXPECT_EQ(rows[0][7], "-1");
  EXPECT_EQ(rows[0][8], "N");
  EXPECT_EQ(rows[1][2], "X03MO1qnZdYdgyfeuILPmQ==");
  EXPECT_EQ(rows[1][6], "81928");
}

TEST(JetReader, SchemasCarryKeysIndexesAndRequiredColumns) {
  REQUIRE_FIXTURES();
  auto s = openFixture("fixedTextTestV2000.mdb")->schema("users");
  for (const auto& c : s.columns) EXPECT_TRUE(c.required) << c.name;
  EXPECT_TRUE(s.columns[8].fixed);  // c_flag_
  const jet::IndexInfo* pk = nullptr;
  for (const auto& i : s.indexes)
    if (i.primaryKey) pk = &i;
  ASSERT_NE(pk, nullptr);
  EXPECT_EQ(pk->name, "Users2CID_0");
  EXPECT_EQ(pk->columns, std::vector<std::string>{"i_user_id"});
  EXPECT_TRUE(pk->unique);
  EXPECT_EQ(s.indexes.size(), 6u);

  auto t2 = openFixture("indexTestV2000.mdb")->schema("Table2");
  std::map<std::string, jet::IndexInfo> byName;
  for (const auto& i : t2.indexes) byName[i.name] = i;
  ASSERT_TRUE(byName.count("PrimaryKey"));
  EXPECT_TRUE(byName["PrimaryKey"].primaryKey);
  ASSERT_TRUE(byName.count("id"));
  EXPECT_FALSE(byName["id"].primaryKey);
  EXPECT_FALSE(t2.columns[0].required);

  auto p = openFixture("test2V2000.mdb")->schema("MSP_PROJECTS");
  EXPECT_EQ(p.columns.size(), 74u);
  int unique = 0;
  for (const auto& i : p.indexes) unique += i.unique && !i.primaryKey;
  EXPECT_EQ(unique, 2);
}

TEST(JetReader, UnknownTablesAndColumnsAreErrors) {
  REQUIRE_FIXTURES();
  auto db = openFixture("indexTestV2000.mdb");
  EXPECT_THROW(db->openTable("NoSuchTable", false), jet::Error);
  EXPECT_THROW(db->schema("NoSuchTable"), jet::Error);
  auto cur = db->openTable("Table2", false);
  EXPECT_THROW(cur->get("nope"), jet::Error);
  EXPECT_THROW(db->openTable("Table2", true), jet::Error);  // read-only database
  EXPECT_THROW(cur->insert(), jet::Error);
}

// In-order walk of real indexes: compIndexTestV2000's descending index over
// two leaves and fixedTextTestV2000's primary key.
TEST(JetReader, IndexTreesWalkInKeyOrder) {
  REQUIRE_FIXTURES();
  auto db = openFixture("compIndexTestV2000.mdb");
  auto& impl = dynamic_cast<jet::detail::DatabaseImpl&>(*db);
  auto def = impl.definition(impl.findTable("Table1").page());
  ASSERT_EQ(def.realIndexes.size(), 1u);
  std::vector<jet::detail::Entry> entries;
  auto problems = jet::detail::validateIndex(impl.file(), def.realIndexes[0].rootPage, &entries);
  EXPECT_TRUE(problems.empty()) << problems.front();
  ASSERT_EQ(entries.size(), 512u);
  EXPECT_EQ(entries[0][0], 0x80);  // descending, value present
  EXPECT_EQ(entries[0][1], 0x7F);  // 4813 inverted: 7F FF ED 32
  EXPECT_EQ(entries[0][3], 0xED);
  EXPECT_EQ(entries[510][0], 0xFF);  // nulls last
  EXPECT_EQ(entries[511][0], 0xFF);
  EXPECT_EQ(jet::detail::walkIndex(impl.file(), def.realIndexes[0].rootPage), entries);

  auto fixed = openFixture("fixedTextTestV2000.mdb");
  auto& fi = dynamic_cast<jet::detail::DatabaseImpl&>(*fixed);
  auto fdef = fi.definition(fi.findTable("users").page());
  for (const auto& li : fdef.logicalIndexes) {
    if (li.type != 1) continue;
    auto leaf = jet::detail::walkIndex(fi.file(), fdef.realIndexes[li.realIndex].rootPage);
    ASSERT_EQ(leaf.size(), 2u);
    EXPECT_EQ(leaf[0], (jet::detail::Entry{0x7F, 0x80, 0, 0, 1, 0, 0, 0x17, 0}));
    EXPECT_EQ(leaf[1], (jet::detail::Entry{0x7F, 0x80, 0, 0, 2, 0, 0, 0x17, 1}));
  }
}

// ---- damaged files ----

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

using Tables = std::map<std::string, std::vector<Row>>;

// Opens and reads every table, value, schema and index; returns the error text
// or "" with the rows of every table in `tables`. Any exception other than
// jet::Error escapes and fails the test.
std::string readEverything(const std::string& path, Tables* tables = nullptr) {
  try {
    auto db = jet::Database::open(platform::systemEnv(), path, false);
    Tables read;
    for (const auto& t : db->allTableNames()) {
      db->schema(t);
      read[t] = readRows(*db, t);
      auto& impl = dynamic_cast<jet::detail::DatabaseImpl&>(*db);
      auto def = impl.definition(impl.findTable(t).page());
      for (const auto& ri : def.realIndexes) jet::detail::walkIndex(impl.file(), ri.rootPage);
    }
    if (tables) *tables = std::move(read);
    return "";
  } catch (const jet::Error& e) {
    return e.what();
  }
}

void put32(std::string& s, size_t off, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[off + size_t(i)] = char(v >> (8 * i));
}

struct Damage {
  const char* name;
  const char* file;
  std::function<void(std::string&)> apply;
  // Substring of the error; "" = the damage touches nothing the reader needs:
  // no error, and every table reads exactly as in the undamaged file.
  const char* expect;
};

TEST(JetReader, DamagedFilesGiveErrorsNotCrashes) {
  REQUIRE_FIXTURES();
  const std::vector<Damage> cases = {
      {"empty file", "empty.mdb", [](std::string& s) { s.clear(); }, "too short"},
      {"header only half", "empty.mdb", [](std::string& s) { s.resize(100); }, "cut short"},
      {"one page", "empty.mdb", [](std::string& s) { s.resize(4096); }, "catalogue"},
      {"not whole pages", "empty.mdb", [](std::string& s) { s.push_back('x'); }, "whole number"},
      {"truncated tables", "indexTestV2000.mdb", [](std::string& s) { s.resize(20 * 4096); }, "beyond the end"},
      {"Jet 3 file", "empty.mdb", [](std::string& s) { s[0x14] = char(s[0x14] ^ 0x01); }, "Jet 3"},
      {"ACE file", "empty.mdb", [](std::string& s) { s[0x14] = char(s[0x14] ^ 0x03); }, "ACE"},
      {"ACE engine name", "empty.mdb", [](std::string& s) { s.replace(4, 15, "Standard ACE DB"); }, "ACE"},
      {"not a database", "empty.mdb", [](std::string& s) { s.replace(4, 15, "Something else!"); }, "not a Jet"},
      {"encrypted", "empty.mdb", [](std::string& s) { s[0x3E] = char(s[0x3E] ^ 0x55); }, "encrypted"},
      {"catalogue TDEF wrong type", "empty.mdb", [](std::string& s) { s[2 * 4096] = 0x01; }, "not a table definition"},
      {"TDEF length absurd", "empty.mdb", [](std::string& s) { put32(s, 2 * 4096 + 8, 0x7FFFFFFF); },
       "impossible length"},
      // Page 19 ends the definition of page 15, so its next-page pointer is never followed.
      {"TDEF chain cycle after the last page", "test2V2000.mdb", [](std::string& s) { put32(s, 19 * 4096 + 4, 15); },
       ""},
      {"TDEF chain cycle", "test2V2000.mdb",
       [](std::string& s) {
         put32(s, 15 * 4096 + 8, 3 * 4096);
         put32(s, 19 * 4096 + 4, 15);
       },
       "cycle"},
      {"TDEF chain to itself", "test2V2000.mdb", [](std::string& s) { put32(s, 15 * 4096 + 4, 15); }, "cycle"},
      {"TDEF column count huge", "empty.mdb",
       [](std::string& s) {
         s[2 * 4096 + 0x2D] = char(0xFF);
         s[2 * 4096 + 0x2E] = char(0xFF);
       },
       "impossible counts"},
      {"owned map wild pointer", "empty.mdb", [](std::string& s) { put32(s, 2 * 4096 + 0x37, 0xFFFFFF00); },
       "beyond the end"},
      {"data page slot count huge", "empty.mdb",
       [](std::string& s) {
         s[14 * 4096 + 0x0C] = char(0xFF);
         s[14 * 4096 + 0x0D] = char(0x7F);
       },
       "impossible row count"},
      {"row offset garbage", "empty.mdb",
       [](std::string& s) {
         s[14 * 4096 + 0x0E] = 0x05;
         s[14 * 4096 + 0x0F] = 0x00;
       },
       "outside"},
      // The next row would end where the deleted one starts, which is now unknown.
      {"deleted slot pointing past the page end", "empty.mdb",
       [](std::string& s) {
         s[14 * 4096 + 0x0E] = char(0xF0);
         s[14 * 4096 + 0x0F] = char(0x9F);
       },
       "outside"},
      {"already deleted slot pointing past the page end", "delTestV2000.mdb",
       [](std::string& s) {
         s[31 * 4096 + 0x0E + 2] = char(0xF0);
         s[31 * 4096 + 0x0F + 2] = char(0x9F);
       },
       "outside"},
      {"index leaf chain cycle", "compIndexTestV2000.mdb", [](std::string& s) { put32(s, 33 * 4096 + 0x10, 32); },
       "cycle"},
      {"index root not an index", "compIndexTestV2000.mdb", [](std::string& s) { s[29 * 4096] = 0x01; },
       "not an index"},
      {"overflow pointer wild", "overflowTestV2000.mdb",
       [](std::string& s) {
         // slot 2 of page 27 points at page 28 row 0; send it beyond the file
         uint16_t off = uint16_t(uint8_t(s[27 * 4096 + 0x0E + 4]) | (uint8_t(s[27 * 4096 + 0x0E + 5]) << 8)) & 0x1FFF;
         put32(s, 27 * 4096 + off, 0x7FFFFF00);
       },
       "beyond the end"},
      {"long value length absurd", "test2V2000.mdb",
       [](std::string& s) {
         // every non-inline Memo/OLE header in the one data row: make lengths huge
         for (size_t p = 0; p + 4 <= s.size(); p += 4096)
           if (s[p] == 0x01 && uint8_t(s[p + 4]) == 15 && s[p + 5] == 0) {
             for (size_t i = p + 14; i + 12 < p + 4096; ++i)
               if ((uint8_t(s[i + 3]) & 0xC0) == 0x40 && s[i + 2] == 0) put32(s, i, 0x4FFFFFFF);
           }
       },
       "larger than the file"},
  };
  test::TempDir dir;
  int rejected = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = readFile(jettest::fixtureDir() + c.file);
    c.apply(bytes);
    std::string path = dir.path("damaged.mdb");
    dir.write("damaged.mdb", bytes);
    Tables tables;
    std::string error = readEverything(path, &tables);
    if (!error.empty()) ++rejected;
    if (*c.expect) {
      EXPECT_NE(error.find(c.expect), std::string::npos) << "error was: '" << error << "'";
    } else {
      Tables undamaged;
      ASSERT_EQ(readEverything(jettest::fixtureDir() + c.file, &undamaged), "");
      EXPECT_EQ(error, "");
      EXPECT_EQ(tables, undamaged);
    }
  }
  // Read by scripts/reliability-figures.sh.
  ::testing::Test::RecordProperty("inputs_tried", static_cast<int>(cases.size()));
  ::testing::Test::RecordProperty("inputs_rejected", rejected);
}

// Rows a damaged file may give: texts are valid UTF-8, and no more rows than
// the slots its pages can hold (a scan that revisits pages gives more).
void expectWellFormed(const Tables& tables, size_t fileSize) {
  const size_t slots = fileSize / 4096 * (4096 - 14) / 2;
  for (const auto& [table, rows] : tables) {
    EXPECT_LE(rows.size(), slots) << table;
    for (const auto& row : rows)
      for (const auto& cell : row) EXPECT_TRUE(base::isValidUtf8(cell)) << table << ": " << cell;
  }
}

// Random byte damage anywhere in real files: every outcome is a jet::Error
// (readEverything lets any other exception fail the test) or well-formed rows.
TEST(JetReader, RandomDamageGivesErrorsOrWellFormedRows) {
  REQUIRE_FIXTURES();
  test::TempDir dir;
  std::mt19937 rng(1234);
  int tried = 0, rejected = 0;
  for (const char* file : {"indexTestV2000.mdb", "compIndexTestV2000.mdb", "test2V2000.mdb", "overflowTestV2000.mdb"}) {
    SCOPED_TRACE(file);
    std::string original = readFile(jettest::fixtureDir() + file);
    for (int round = 0; round < 40; ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      std::string bytes = original;
      for (int k = 0; k < 30; ++k) {
        size_t pos = 4096 + rng() % (bytes.size() - 4096);
        bytes[pos] = char(rng());
      }
      dir.write("random.mdb", bytes);
      ++tried;
      Tables tables;
      std::string error = readEverything(dir.path("random.mdb"), &tables);
      if (!error.empty()) {
        ++rejected;
        EXPECT_EQ(error.rfind("damaged database: ", 0), 0u) << error;
      } else {
        expectWellFormed(tables, bytes.size());
      }
    }
  }
  ::testing::Test::RecordProperty("inputs_tried", tried);
  ::testing::Test::RecordProperty("inputs_rejected", rejected);
}

// Random damage confined to one data page of one table: that table reads as an
// error or well-formed rows, and every other table reads as before. The page's
// owner field stays intact: a scan only takes the pages its table owns.
TEST(JetReader, DamageToOneTablesPageLeavesTheOtherTablesAlone) {
  REQUIRE_FIXTURES();
  test::TempDir dir;
  std::mt19937 rng(5678);
  for (const char* file : {"indexTestV2000.mdb", "compIndexTestV2000.mdb", "test2V2000.mdb", "delTestV2000.mdb"}) {
    SCOPED_TRACE(file);
    const std::string original = readFile(jettest::fixtureDir() + file);
    Tables before;
    ASSERT_EQ(readEverything(jettest::fixtureDir() + file, &before), "");
    std::map<uint32_t, std::string> tableOfPage;  // first TDEF page -> name
    std::set<uint32_t> mapPages;                  // pages holding usage maps
    {
      auto db = openFixture(file);
      auto& impl = dynamic_cast<jet::detail::DatabaseImpl&>(*db);
      for (const auto& t : db->allTableNames()) {
        auto def = impl.definition(impl.findTable(t).page());
        tableOfPage[def.page] = t;
        for (uint32_t m : {def.ownedMap, def.freeMap}) mapPages.insert(jet::detail::pointerPage(m));
        for (const auto& ri : def.realIndexes) mapPages.insert(jet::detail::pointerPage(ri.usageMap));
        for (const auto& lv : def.longValueMaps)
          for (uint32_t m : {lv.owned, lv.free}) mapPages.insert(jet::detail::pointerPage(m));
      }
    }
    // Data pages of tables other than the catalogue, usage maps left out.
    std::vector<std::pair<uint32_t, std::string>> pages;
    for (uint32_t p = 1; p < original.size() / 4096; ++p) {
      const auto* page = reinterpret_cast<const uint8_t*>(original.data()) + size_t(p) * 4096;
      uint32_t owner = jet::detail::le32(page + 4);
      if (page[0] == 0x01 && owner != 2 && tableOfPage.count(owner) && !mapPages.count(p))
        pages.push_back({p, tableOfPage[owner]});
    }
    ASSERT_FALSE(pages.empty());
    for (int round = 0; round < 20; ++round) {
      const auto& [page, damagedTable] = pages[rng() % pages.size()];
      SCOPED_TRACE("page " + std::to_string(page) + " of " + damagedTable);
      std::string bytes = original;
      for (int k = 0; k < 8; ++k) {
        size_t at = 8 + rng() % (4096 - 8);  // past the type, flags, free space and owner
        bytes[size_t(page) * 4096 + at] = char(rng());
      }
      dir.write("page.mdb", bytes);
      auto db = jet::Database::open(platform::systemEnv(), dir.path("page.mdb"), false);
      for (const auto& [table, rows] : before) {
        try {
          Tables one = {{table, readRows(*db, table)}};
          expectWellFormed(one, bytes.size());
          if (table != damagedTable) {
            EXPECT_EQ(one[table], rows) << table;
          }
        } catch (const jet::Error& e) {
          EXPECT_EQ(table, damagedTable) << e.what();
        }
      }
    }
  }
}

}  // namespace
