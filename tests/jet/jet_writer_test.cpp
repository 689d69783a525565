// Files the engine writes: read back by the engine itself, by mdbtools and by
// mdb-reader, checked page by page, and refused rows leave them untouched.
// GCC 12 reports false -Wrestrict overlaps inside std::string concatenation (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "base/utf.h"
#include "jet/bytes.h"
#include "jet/consistency_check.h"
#include "jet/data_page.h"
#include "jet/database_impl.h"
#include "jet/index_tree.h"
#include "jet/text_codec.h"
#include "jet/usage_map.h"
#include "tests/jet/jet_oracle_support.h"
#include "tests/jet/jet_test_support.h"
#include "tests/support/temp_dir.h"

namespace {

using jettest::Row;

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Rows as the test expects to read them back.
Row expectedDodatki(int32_t id, const std::string& suffix = "") { return jettest::dodatkiRow(id, suffix); }

// IDs of the primary-key index in leaf order.
std::vector<int32_t> primaryKeyWalk(const std::string& path, std::vector<std::string>* problems = nullptr) {
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  auto& impl = dynamic_cast<jet::detail::DatabaseImpl&>(*db);
  auto def = impl.definition(impl.findTable("Dodatki").page());
  std::vector<jet::detail::Entry> entries;
  auto found = jet::detail::validateIndex(impl.file(), def.realIndexes.at(0).rootPage, &entries);
  if (problems) *problems = found;
  std::vector<int32_t> ids;
  for (const auto& e : entries) ids.push_back(int32_t(jet::detail::be32(e.data() + 1) ^ 0x80000000u));
  return ids;
}

void expectOraclesAgree(const std::string& path) {
  if (!oracle::haveMdbtools() || !oracle::haveMdbReader()) {
    std::cerr << "[ NOTE ] oracles absent; " << path << " checked by the engine only\n";
    return;
  }
  auto ours = jettest::readWithEngine(path);
  auto reader = oracle::readWithMdbReader(path);
  for (auto& [name, t] : reader) t.primaryKey = ours[name].primaryKey;
  EXPECT_EQ(jettest::difference(ours, reader), "") << "engine vs mdb-reader";
  // mdb-export prints an empty text as NULL.
  for (auto& [name, t] : ours)
    for (auto& r : t.rows)
      for (auto& v : r)
        if (v.empty()) v = "NULL";
  EXPECT_EQ(jettest::difference(ours, oracle::readWithMdbtools(path)), "") << "engine vs mdbtools";
}

TEST(JetWriter, NewDatabaseHoldsTheJetCatalogueOnly) {
  test::TempDir dir;
  std::string path = dir.path("new.mdb");
  { auto db = jet::Database::create(platform::systemEnv(), path); }
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  EXPECT_TRUE(db->tableNames().empty());
  EXPECT_EQ(db->allTableNames(),
            (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}));
  auto objects = jettest::readRows(*db, "MSysObjects");
  ASSERT_EQ(objects.size(), 8u);
  std::vector<std::string> names;
  for (const auto& r : objects) names.push_back(r[2]);
  EXPECT_EQ(names, (std::vector<std::string>{"Tables", "Databases", "Relationships", "MSysDb", "MSysObjects",
                                             "MSysACEs", "MSysQueries", "MSysRelationships"}));
  EXPECT_EQ(jettest::readRows(*db, "MSysACEs").size(), 23u);
  EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), path), std::vector<std::string>{});
  EXPECT_EQ(fileBytes(path).size() % 4096, 0u);
  expectOraclesAgree(path);
}

TEST(JetWriter, CreateRefusesAnExistingFileAndAMissingFolder) {
  test::TempDir dir;
  dir.write("there.mdb", "keep me");
  EXPECT_THROW(jet::Database::create(platform::systemEnv(), dir.path("there.mdb")), jet::Error);
  EXPECT_EQ(dir.read("there.mdb"), "keep me");
  EXPECT_THROW(jet::Database::create(platform::systemEnv(), dir.path("missing/new.mdb")), jet::Error);
  EXPECT_FALSE(platform::systemEnv().fileExists(dir.path("missing/new.mdb")));
}

TEST(JetWriter, AccessoryTablesKeepColumnsOrderTypesSizesAndKey) {
  test::TempDir dir;
  std::string path = dir.path("dodatki.mdb");
  jettest::createAccessoryDb(path);
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  EXPECT_EQ(db->tableNames(), (std::vector<std::string>{"info_producent", "Dodatki"}));
  for (const auto& def : {jettest::producentDef(), jettest::dodatkiDef()}) {
    auto s = db->schema(def.name);
    ASSERT_EQ(s.columns.size(), def.columns.size());
    for (size_t i = 0; i < def.columns.size(); ++i) {
      EXPECT_EQ(s.columns[i].name, def.columns[i].name);
      EXPECT_EQ(s.columns[i].type, def.columns[i].type);
      EXPECT_EQ(s.columns[i].maxChars, def.columns[i].maxChars);
      EXPECT_EQ(s.columns[i].required, def.columns[i].type != jet::ColumnType::Boolean) << def.columns[i].name;
    }
    EXPECT_EQ(s.rowCount, 0u);
  }
  auto d = db->schema("Dodatki");
  ASSERT_EQ(d.indexes.size(), 1u);
  EXPECT_EQ(d.indexes[0].name, "Primary");
  EXPECT_TRUE(d.indexes[0].primaryKey);
  EXPECT_TRUE(d.indexes[0].unique);
  EXPECT_EQ(d.indexes[0].columns, std::vector<std::string>{"ID"});
  EXPECT_TRUE(db->schema("info_producent").indexes.empty());
  EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), path), std::vector<std::string>{});
  expectOraclesAgree(path);
}

// Round trips of Dodatki of several sizes: 0 rows, 1, one data page, the
// first leaf split (401/402 keys), and more rows than one inline usage map
// window covers. IDs arrive in a scrambled order.
TEST(JetWriter, RoundTripsKeepRowsIndexAndStructure) {
  const int counts[] = {0, 1, 9, 401, 402, 3000};
  for (int n : counts) {
    SCOPED_TRACE(n);
    test::TempDir dir;
    std::string path = dir.path("rt.mdb");
    std::vector<Row> want;
    std::vector<int32_t> ids;
    {
      auto db = jettest::createAccessoryDb(path);
      auto c = db->openTable("Dodatki", true);
      for (int i = 0; i < n; ++i) {
        int32_t id = int32_t((int64_t(i) * 7919) % 100003) - 50000;
        jettest::fillDodatki(*c, id, "ąż");
        c->post();
        want.push_back(expectedDodatki(id, "ąż"));
        ids.push_back(id);
      }
    }
    auto db = jet::Database::open(platform::systemEnv(), path, false);
    EXPECT_EQ(jettest::readRows(*db, "Dodatki"), want);  // storage order = insert order
    EXPECT_EQ(db->schema("Dodatki").rowCount, uint32_t(n));
    std::vector<std::string> problems;
    auto walk = primaryKeyWalk(path, &problems);
    EXPECT_EQ(problems, std::vector<std::string>{});
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(walk, ids);
    EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), path), std::vector<std::string>{});
    expectOraclesAgree(path);
  }
}

TEST(JetWriter, HundredThousandRowsKeepAValidIndex) {
  test::TempDir dir;
  std::string path = dir.path("big.mdb");
  const int n = 100000;
  {
    auto db = jettest::createAccessoryDb(path);
    auto c = db->openTable("Dodatki", true);
    for (int i = 0; i < n; ++i) {
      c->insert();
      c->set("ID", int32_t((int64_t(i) * 7919) % 100003));
      for (const auto& col : jettest::dodatkiDef().columns)
        if (col.type == jet::ColumnType::Text) c->set(col.name, std::string("x"));
      c->post();
    }
  }
  std::vector<std::string> problems;
  auto walk = primaryKeyWalk(path, &problems);
  EXPECT_EQ(problems, std::vector<std::string>{});
  ASSERT_EQ(walk.size(), size_t(n));
  EXPECT_TRUE(std::adjacent_find(walk.begin(), walk.end(), std::greater_equal<int32_t>()) == walk.end());
  EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), path), std::vector<std::string>{});
  if (oracle::haveMdbtools()) {
    EXPECT_EQ(oracle::run("mdb-count " + oracle::shellQuote(path) + " Dodatki"), "100000\n");
  }
}

TEST(JetWriter, TextsAtTheirLimitsPolishLettersAndBothBooleans) {
  test::TempDir dir;
  std::string path = dir.path("limits.mdb");
  const std::string polish = "Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ";
  auto repeat = [](const std::string& unit, size_t chars) {
    std::string s;
    for (size_t i = 0; i < chars; ++i) s += unit;
    return s;
  };
  struct Case {
    int32_t id;
    bool flag;
    std::string text;  // put into every text column, cut to its size
  };
  const std::vector<Case> cases = {
      {1, true, repeat("a", 255)},          // every column exactly full, compressible
      {2, false, repeat("\xC5\x82", 255)},  // ł: full, not compressible (2 bytes a character)
      {3, true, polish},                    // mixed compressed/uncompressed
      {4, false, ""},                       // empty texts
      {5, true,
       "\xEF\xBB\xBF"
       "starts with U+FEFF"},  // would look compressed if stored plainly
      {6, false, "\xC4\x80\xC4\x80 U+0100 cannot be compressed"},
      {7, true, "x"},
      {-2147483647 - 1, false, "lowest id"},
      {2147483647, true, "highest id"},
  };
  auto cut = [](const std::string& s, size_t chars) {
    auto u = jet::detail::utf8ToUtf16(s);
    if (u.size() > chars) u.resize(chars);
    return base::utf16ToUtf8(u);
  };
  std::vector<Row> want;
  {
    auto db = jettest::createAccessoryDb(path);
    auto c = db->openTable("Dodatki", true);
    for (const auto& k : cases) {
      c->insert();
      Row r;
      for (const auto& col : jettest::dodatkiDef().columns) {
        if (col.type == jet::ColumnType::Long) {
          c->set(col.name, k.id);
          r.push_back(std::to_string(k.id));
        } else if (col.type == jet::ColumnType::Boolean) {
          c->set(col.name, k.flag);
          r.push_back(k.flag ? "1" : "0");
        } else {
          c->set(col.name, cut(k.text, col.maxChars));
          r.push_back(cut(k.text, col.maxChars));
        }
      }
      c->post();
      want.push_back(r);
    }
    auto p = db->openTable("info_producent", true);
    p->insert();
    for (const auto& col : jettest::producentDef().columns) p->set(col.name, cut(polish, col.maxChars));
    p->post();
  }
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  EXPECT_EQ(jettest::readRows(*db, "Dodatki"), want);
  EXPECT_EQ(jettest::readRows(*db, "info_producent")[0][0], polish);
  EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), path), std::vector<std::string>{});
  expectOraclesAgree(path);
}

TEST(JetWriter, PostedRowIsReachedByTheNextScanOfTheSameCursor) {
  test::TempDir dir;
  std::string path = dir.path("scan.mdb");
  auto db = jettest::createAccessoryDb(path);
  auto c = db->openTable("info_producent", true);
  EXPECT_TRUE(c->atEnd());
  for (int i = 0; i < 2; ++i) {  // the same Producent twice: no key, both stored
    c->insert();
    for (const auto& col : jettest::producentDef().columns) c->set(col.name, std::string("P"));
    c->post();
  }
  int rows = 0;
  for (c->first(); !c->atEnd(); c->next()) ++rows;
  EXPECT_EQ(rows, 2);
  // A second cursor and, once flushed, a second connection see it as well,
  // and a table added later through one connection is found by the other.
  db->flush();
  auto other = jet::Database::open(platform::systemEnv(), path, false);
  EXPECT_EQ(jettest::readRows(*other, "info_producent").size(), 2u);
  db->createTable({"Later", {{"a", jet::ColumnType::Long, 0}}, "", ""});
  EXPECT_NO_THROW(other->openTable("Later", false));
}

// A reader keeps the pages it read last: it must still reach every row by its
// bookmark once it has read more than it keeps, and see the rows another
// connection flushed since its last scan.
TEST(JetWriter, AReaderComesBackToEveryRowAndSeesRowsFlushedSinceItsLastScan) {
  test::TempDir dir;
  std::string path = dir.path("reader.mdb");
  const std::string suffix(250, 'x');  // about two rows a page: more pages than a reader keeps
  const int32_t first = 2400, later = 60;
  auto db = jettest::createAccessoryDb(path);
  auto w = db->openTable("Dodatki", true);
  std::vector<Row> want;
  for (int32_t id = 0; id < first; ++id) {
    jettest::fillDodatki(*w, id, suffix);
    w->post();
    want.push_back(expectedDodatki(id, suffix));
  }
  db->flush();

  auto reader = jet::Database::open(platform::systemEnv(), path, false);
  EXPECT_EQ(jettest::readRows(*reader, "Dodatki"), want);
  auto c = reader->openTable("Dodatki", false);
  std::vector<uint64_t> marks;
  for (c->first(); !c->atEnd(); c->next()) marks.push_back(c->bookmark());
  ASSERT_EQ(marks.size(), size_t(first));
  for (int32_t id = first - 1; id >= 0; id -= 7) {  // backwards, past what the reader keeps
    c->moveTo(marks[size_t(id)]);
    EXPECT_EQ(jettest::text(c->get("ID")), std::to_string(id));
    EXPECT_EQ(jettest::text(c->get("Opis_Produktu")), want[size_t(id)][12]);
  }

  for (int32_t id = first; id < first + later; ++id) {
    jettest::fillDodatki(*w, id, suffix);
    w->post();
    want.push_back(expectedDodatki(id, suffix));
  }
  db->flush();
  EXPECT_EQ(reader->schema("Dodatki").rowCount, uint32_t(first + later));
  EXPECT_EQ(jettest::readRows(*reader, "Dodatki"), want);
  size_t seen = 0;
  for (c->first(); !c->atEnd(); c->next()) ++seen;
  EXPECT_EQ(seen, want.size());
}

// Index pages changed by posted rows are held in memory; flush() must write
// them, so that a reader finds the whole key index while the writer stays open.
TEST(JetWriter, FlushWritesTheIndexPagesTheWriterHolds) {
  test::TempDir dir;
  std::string path = dir.path("held.mdb");
  auto db = jettest::createAccessoryDb(path);
  auto w = db->openTable("Dodatki", true);
  std::vector<int32_t> ids;
  auto post = [&](int32_t from, int32_t to) {
    for (int32_t id = from; id < to; ++id) {
      jettest::fillDodatki(*w, id);
      w->post();
      ids.push_back(id);
    }
    db->flush();
    std::sort(ids.begin(), ids.end());
  };
  post(1000, 4000);  // several leaves under a root
  EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), path), std::vector<std::string>{});
  EXPECT_EQ(primaryKeyWalk(path), ids);
  post(0, 1000);  // keys before every leaf's
  EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), path), std::vector<std::string>{});
  EXPECT_EQ(primaryKeyWalk(path), ids);
}

struct Refusal {
  const char* name;
  const char* table;
  std::function<void(jet::Cursor&)> fill;  // after insert()
  const char* message;                     // part of the error text
};

TEST(JetWriter, RefusedRowsLeaveTheFileUnchanged) {
  test::TempDir dir;
  std::string path = dir.path("refuse.mdb");
  auto db = jettest::createAccessoryDb(path);
  {
    auto c = db->openTable("Dodatki", true);
    jettest::fillDodatki(*c, 7);
    c->post();
  }
  auto dodatki = [](int32_t id) { return [id](jet::Cursor& c) { jettest::fillDodatki(c, id); }; };
  auto producent = [](jet::Cursor& c) {
    for (const auto& col : jettest::producentDef().columns) c.set(col.name, std::string("P"));
  };
  const std::string p31(31, 'p');
  const std::vector<Refusal> cases = {
      {"duplicate ID 7", "Dodatki", dodatki(7), "duplicate key"},
      {"31-character Producent in Dodatki", "Dodatki",
       [&](jet::Cursor& c) {
         jettest::fillDodatki(c, 8);
         c.set("Producent", p31);
       },
       "at most 30"},
      {"null ID", "Dodatki",
       [](jet::Cursor& c) {
         jettest::fillDodatki(c, 9);
         c.set("ID", jet::Value{});
       },
       "requires a value"},
      {"null text in Dodatki", "Dodatki",
       [](jet::Cursor& c) {
         jettest::fillDodatki(c, 10);
         c.set("wymiar X", jet::Value{});
       },
       "requires a value"},
      {"text never set", "Dodatki", [](jet::Cursor& c) { c.set("ID", int32_t(11)); }, "requires a value"},
      {"null text in info_producent", "info_producent",
       [&](jet::Cursor& c) {
         producent(c);
         c.set("Miasto", jet::Value{});
       },
       "requires a value"},
      {"text into the ID column", "Dodatki",
       [](jet::Cursor& c) {
         jettest::fillDodatki(c, 12);
         c.set("ID", std::string("12"));
       },
       "whole numbers"},
      {"3 characters fit Kod_Wstawiania, 4 do not", "Dodatki",
       [](jet::Cursor& c) {
         jettest::fillDodatki(c, 13);
         c.set("Kod_Wstawiania", std::string("ąbcd"));
       },
       "at most 3"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    db->flush();
    std::string before = fileBytes(path);
    auto c = db->openTable(k.table, true);
    c->insert();
    k.fill(*c);
    try {
      c->post();
      ADD_FAILURE() << "the row was stored";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find(k.message), std::string::npos) << e.what();
    }
    db->flush();
    EXPECT_EQ(fileBytes(path) == before, true) << "the file changed";
  }
  // The same 31 characters fit info_producent (50).
  auto p = db->openTable("info_producent", true);
  p->insert();
  producent(*p);
  p->set("Producent", p31);
  EXPECT_NO_THROW(p->post());
  // Unknown tables and columns.
  EXPECT_THROW(db->openTable("Brak", true), jet::Error);
  auto c = db->openTable("Dodatki", true);
  c->insert();
  EXPECT_THROW(c->set("Brak", int32_t(1)), jet::Error);
  EXPECT_THROW(c->get("Brak"), jet::Error);
  // Everything still reads alike everywhere.
  db->flush();
  EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), path), std::vector<std::string>{});
  EXPECT_EQ(jettest::readRows(*db, "Dodatki").size(), 1u);
  expectOraclesAgree(path);
}

// Rows copied as they are stored (postCopyOf) must read back as their source
// rows everywhere, keep the index whole, and meet the checks of post().
TEST(JetWriter, RowsCopiedAsStoredReadBackAsTheirSourceAndKeepTheChecks) {
  test::TempDir dir;
  const std::string from = dir.path("from.mdb"), to = dir.path("to.mdb");
  {
    auto db = jettest::createAccessoryDb(from);
    auto c = db->openTable("Dodatki", true);
    const std::vector<std::pair<int32_t, std::string>> rows = {{7, ""},
                                                               {-3, "Zażółć gęślą jaźń"},
                                                               {2147483647, "ĄĆĘŁŃÓŚŹŻ"},
                                                               {0, std::string(40, 'x')},
                                                               {12, "\xEF\xBB\xBF a"}};
    for (const auto& [id, suffix] : rows) {
      jettest::fillDodatki(*c, id, suffix);
      c->post();
    }
    db->flush();
  }
  auto source = jet::Database::open(platform::systemEnv(), from, false);
  auto db = jettest::createAccessoryDb(to);
  {
    auto src = source->openTable("Dodatki", false);
    auto dst = db->openTable("Dodatki", true);
    for (src->first(); !src->atEnd(); src->next()) EXPECT_TRUE(dst->postCopyOf(*src));
    db->flush();
  }
  EXPECT_EQ(jettest::readRows(*db, "Dodatki"), jettest::readRows(*source, "Dodatki"));
  EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), to), std::vector<std::string>{});
  EXPECT_EQ(primaryKeyWalk(to), (std::vector<int32_t>{-3, 0, 7, 12, 2147483647}));
  expectOraclesAgree(to);

  // A key the table holds is refused and nothing is written.
  const std::string before = fileBytes(to);
  {
    auto src = source->openTable("Dodatki", false);
    auto dst = db->openTable("Dodatki", true);
    try {
      (void)dst->postCopyOf(*src);
      ADD_FAILURE() << "the row was stored";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find("duplicate key"), std::string::npos) << e.what();
    }
    db->flush();
  }
  EXPECT_EQ(fileBytes(to) == before, true) << "the file changed";

  // A table laid out otherwise takes the row value by value: nothing stored here.
  {
    auto def = jettest::dodatkiDef();
    def.name = "Wider";
    def.columns[4].maxChars = 120;
    db->createTable(def);
    auto src = source->openTable("Dodatki", false);
    auto dst = db->openTable("Wider", true);
    EXPECT_FALSE(dst->postCopyOf(*src));
    db->flush();
    EXPECT_EQ(jettest::readRows(*db, "Wider").size(), 0u);
  }
}

// A row that breaks the destination's rules though it is laid out alike (a
// damaged or foreign file: here a required text made null in the stored row)
// is refused as post() refuses it.
TEST(JetWriter, ACopiedRowIsCheckedAsAPostedOne) {
  test::TempDir dir;
  const std::string from = dir.path("from.mdb"), to = dir.path("to.mdb");
  {
    auto db = jettest::createAccessoryDb(from);
    auto c = db->openTable("Dodatki", true);
    jettest::fillDodatki(*c, 5);
    c->post();
    db->flush();
  }
  {
    // Clear the null-mask bit of "wymiar X" in the one stored row.
    auto db = jet::Database::open(platform::systemEnv(), from, false);
    auto& impl = dynamic_cast<jet::detail::DatabaseImpl&>(*db);
    const auto def = impl.definition(impl.findTable("Dodatki").page());
    const uint32_t pageNumber = impl.dataPages(def).at(0);
    const auto page = impl.file().read(pageNumber);
    const auto slot = jet::detail::rowSlot(page, 0);
    const auto* column = def.findColumn("wymiar X");
    const size_t columnCount = jet::detail::le16(page.data() + slot.start);
    const size_t mask = slot.start + slot.length - (columnCount + 7) / 8;
    std::fstream f(from, std::ios::in | std::ios::out | std::ios::binary);
    const std::streamoff at = std::streamoff(pageNumber) * 4096 + std::streamoff(mask + column->number / 8);
    f.seekp(at);
    f.put(char(page[mask + column->number / 8] & ~(1u << (column->number % 8))));
  }
  auto source = jet::Database::open(platform::systemEnv(), from, false);
  auto db = jettest::createAccessoryDb(to);
  db->flush();
  const std::string before = fileBytes(to);
  auto src = source->openTable("Dodatki", false);
  ASSERT_TRUE(std::holds_alternative<std::monostate>(src->get("wymiar X")));
  auto dst = db->openTable("Dodatki", true);
  try {
    (void)dst->postCopyOf(*src);
    ADD_FAILURE() << "the row was stored";
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("'wymiar X' of table 'Dodatki' requires a value"), std::string::npos)
        << e.what();
  }
  db->flush();
  EXPECT_EQ(fileBytes(to) == before, true) << "the file changed";
}

TEST(JetWriter, CreateTableRefusesWhatItCannotStore) {
  test::TempDir dir;
  auto db = jettest::createAccessoryDb(dir.path("t.mdb"));
  using T = jet::ColumnType;
  const std::vector<std::pair<const char*, jet::TableDef>> cases = {
      {"existing table", {"dodatki", {{"a", T::Long, 0}}, "", ""}},
      {"no columns", {"Empty", {}, "", ""}},
      {"twice the same column", {"Twice", {{"a", T::Long, 0}, {"A", T::Long, 0}}, "", ""}},
      {"text of size 0", {"Zero", {{"a", T::Text, 0}}, "", ""}},
      {"text of size 256", {"Big", {{"a", T::Text, 256}}, "", ""}},
      {"memo column", {"Memo", {{"a", T::Memo, 0}}, "", ""}},
      {"key on a missing column", {"Key", {{"a", T::Long, 0}}, "Primary", "b"}},
      {"key on a text column", {"Key2", {{"a", T::Text, 5}}, "Primary", "a"}},
      {"name the catalogue index cannot hold", {"Tabela\xC5\x82", {{"a", T::Long, 0}}, "", ""}},
  };
  for (const auto& [name, def] : cases) EXPECT_THROW(db->createTable(def), jet::Error) << name;
  EXPECT_EQ(db->tableNames().size(), 2u);
}

TEST(JetWriter, ReopenedDatabaseGoesOnGrowingAndReadOnlyOpenWritesNothing) {
  test::TempDir dir;
  std::string path = dir.path("grow.mdb");
  jettest::createAccessoryDb(path);
  std::vector<int32_t> ids;
  for (int round = 0; round < 3; ++round) {
    auto db = jet::Database::open(platform::systemEnv(), path, true);
    auto c = db->openTable("Dodatki", true);
    for (int i = 0; i < 300; ++i) {
      int32_t id = round * 1000 + (i * 37) % 300;
      jettest::fillDodatki(*c, id);
      c->post();
      ids.push_back(id);
    }
  }
  std::string before = fileBytes(path);
  {
    auto db = jet::Database::open(platform::systemEnv(), path, false);
    jettest::readRows(*db, "Dodatki");
    db->schema("Dodatki");
  }
  EXPECT_TRUE(fileBytes(path) == before);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(primaryKeyWalk(path), ids);
  EXPECT_EQ(jet::checkConsistency(platform::systemEnv(), path), std::vector<std::string>{});
}

// Rows appended to an Access-made table keep both of its indexes valid and
// its primary key refuses an existing value.
TEST(JetWriter, AppendsToAnAccessMadeTable) {
  REQUIRE_FIXTURES();
  test::TempDir dir;
  std::string path = dir.path("access.mdb");
  dir.write("access.mdb", fileBytes(jettest::fixtureDir() + "indexTestV2000.mdb"));
  {
    auto db = jet::Database::open(platform::systemEnv(), path, true);
    auto c = db->openTable("Table2", true);
    for (int32_t id = 3; id < 600; ++id) {
      c->insert();
      c->set("id", id);
      c->set("data", "foo" + std::to_string(id));
      c->post();
    }
    c->insert();
    c->set("id", int32_t(1));
    EXPECT_THROW(c->post(), jet::Error);
  }
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  EXPECT_EQ(jettest::readRows(*db, "Table2").size(), 600u);
  auto& impl = dynamic_cast<jet::detail::DatabaseImpl&>(*db);
  auto def = impl.definition(impl.findTable("Table2").page());
  for (const auto& ri : def.realIndexes) {
    std::vector<jet::detail::Entry> entries;
    EXPECT_EQ(jet::detail::validateIndex(impl.file(), ri.rootPage, &entries), std::vector<std::string>{});
    EXPECT_EQ(entries.size(), 600u);
    EXPECT_EQ(ri.distinctKeys, 600u);
  }
  expectOraclesAgree(path);
}

#ifdef JET_MDB_INSERT
// mdbtools' own writer (libmdb, behind mdb-import) adds rows to our tables.
// libmdb cannot allocate pages, so each table first gets a row of ours: its
// data page, listed in the free-space map, has room for more.
TEST(JetWriter, MdbtoolsCanAddRowsToOurTables) {
  test::TempDir dir;
  std::string path = dir.path("import.mdb");
  {
    auto db = jettest::createAccessoryDb(path);
    auto c = db->openTable("Dodatki", true);
    jettest::fillDodatki(*c, 1);
    c->post();
    auto p = db->openTable("info_producent", true);
    p->insert();
    for (const auto& col : jettest::producentDef().columns) p->set(col.name, std::string("ours"));
    p->post();
  }
  // libmdb keeps its allocations to the end: no leak reports from sanitizer builds.
  const std::string tool = std::string("ASAN_OPTIONS=detect_leaks=0 ") + JET_MDB_INSERT;
  std::string cmd = tool + " " + oracle::shellQuote(path) + " info_producent 'Łódź' b c d e f g h i";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::string row = tool + " " + oracle::shellQuote(path) + " Dodatki 424242";
  for (int i = 0; i < 6; ++i) row += " t" + std::to_string(i);
  row += " 1";
  for (int i = 0; i < 19; ++i) row += " u" + std::to_string(i);
  ASSERT_EQ(std::system(row.c_str()), 0);
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  auto p = jettest::readRows(*db, "info_producent");
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[1], (Row{"Łódź", "b", "c", "d", "e", "f", "g", "h", "i"}));
  auto d = jettest::readRows(*db, "Dodatki");
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[1][0], "424242");
  EXPECT_EQ(d[1][1], "t0");
  EXPECT_EQ(d[1][7], "1");
  EXPECT_EQ(d[1][26], "u18");
  std::vector<std::string> problems;
  auto ids = primaryKeyWalk(path, &problems);
  std::cerr << "[ NOTE ] after libmdb's insert the key holds " << ids.size() << " entries, " << problems.size()
            << " structure problems\n";
}
#endif

}  // namespace
