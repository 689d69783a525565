// Byte-level codecs: header mask, index keys, text compression, rows, pages.
// GCC 12 reports false -Wrestrict / -Wstringop-overread in inlined std::string
// and std::vector comparisons (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "base/utf.h"
#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/database_impl.h"
#include "jet/header_page.h"
#include "jet/index_key.h"
#include "jet/index_tree.h"
#include "jet/property_blob.h"
#include "jet/row_codec.h"
#include "jet/system_catalogue.h"
#include "jet/text_codec.h"
#include "tests/jet/jet_test_support.h"
#include "tests/support/temp_dir.h"
#include <set>

namespace {
using namespace jet::detail;
using B = std::vector<uint8_t>;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(JetFormat, HeaderMaskKeystreamAndEmptyDatabaseFields) {
  auto ks = rc4Keystream({0xC7, 0xDA, 0x39, 0x6B}, 16);
  EXPECT_EQ(ks, (B{0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55, 0xEB, 0xA9, 0x67, 0x72, 0x43, 0x3F, 0x00, 0x9C}));
  auto page = buildHeaderPage();
  auto copy = page;
  toggleHeaderMask(copy.data());
  toggleHeaderMask(copy.data());
  EXPECT_EQ(copy, page);
  HeaderInfo h = readHeader(page.data());
  EXPECT_EQ(h.version, 1);
  EXPECT_EQ(h.codePage, 1252);
  EXPECT_EQ(h.databaseKey, 0u);
  EXPECT_EQ(h.sortOrder, 0x0409);
  EXPECT_NEAR(h.creationDate, 38143.546523784724, 1e-9);
  if (!jettest::haveFixtures()) GTEST_SKIP() << "fixtures absent: header not compared with empty.mdb";
  std::string empty = readFile(jettest::fixtureDir() + "empty.mdb");
  // The new header is empty.mdb's header byte for byte.
  EXPECT_EQ(std::string(page.begin(), page.end()), empty.substr(0, 4096));
}

TEST(JetFormat, LongKeysSortAsNumbers) {
  const std::vector<std::pair<int32_t, B>> cases = {
      {INT32_MIN, {0x7F, 0x00, 0x00, 0x00, 0x00}}, {-1, {0x7F, 0x7F, 0xFF, 0xFF, 0xFF}},
      {0, {0x7F, 0x80, 0x00, 0x00, 0x00}},         {1, {0x7F, 0x80, 0x00, 0x00, 0x01}},
      {INT32_MAX, {0x7F, 0xFF, 0xFF, 0xFF, 0xFF}}, {0x0F000001, {0x7F, 0x8F, 0x00, 0x00, 0x01}},
  };
  for (const auto& [v, want] : cases) EXPECT_EQ(encodeLongKey(v), want) << v;
  EXPECT_EQ(encodeLongKey(4813, false), (B{0x80, 0x7F, 0xFF, 0xED, 0x32}));
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    int32_t a = int32_t(rng()), b = int32_t(rng());
    EXPECT_EQ(a < b, encodeLongKey(a) < encodeLongKey(b));
    EXPECT_EQ(a < b, encodeLongKey(b, false) < encodeLongKey(a, false));
  }
}

TEST(JetFormat, TextKeysForCatalogueNames) {
  EXPECT_EQ(encodeTextKey("Dodatki"), (B{0x7F, 0x4F, 0x64, 0x4F, 0x4A, 0x6D, 0x5C, 0x59, 0x01, 0x00}));
  EXPECT_EQ(encodeTextKey("info_producent"), (B{0x7F, 0x59, 0x62, 0x53, 0x64, 0x2B, 0x03, 0x66, 0x69, 0x64, 0x4F, 0x6F,
                                                0x4D, 0x51, 0x62, 0x6D, 0x01, 0x00}));
  B tables = encodeLongKey(kIdRootParent);
  B name = encodeTextKey("Tables");
  tables.insert(tables.end(), name.begin(), name.end());
  EXPECT_EQ(tables, (B{0x7F, 0x8F, 0, 0, 0, 0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x6B, 0x01, 0x00}));
  EXPECT_EQ(encodeTextKey("DODATKI"), encodeTextKey("dodatki"));
  EXPECT_EQ(encodeTextKey("Dodatki  "), encodeTextKey("Dodatki"));
  EXPECT_THROW(encodeTextKey("Zażółć"), jet::Error);
}

// A value is compressed whole (every character U+0001..U+00FF, and shorter
// that way) or stored plain: no mode switches, as in Access's own files.
TEST(JetFormat, TextValuesAreCompressedWholeOrStoredPlain) {
  struct Case {
    std::u16string text;
    B stored;  // empty: stored as plain UTF-16LE
  };
  const std::vector<Case> cases = {
      {u"", {}},
      {u"a", {}},
      {u"ab", {}},
      {u"abcdefg", {0xFF, 0xFE, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67}},
      {u"foo0", {0xFF, 0xFE, 0x66, 0x6F, 0x6F, 0x30}},
      {u"\u00A3", {}},
      {u"\u00A3 \u00E9t\u00E9", {0xFF, 0xFE, 0xA3, 0x20, 0xE9, 0x74, 0xE9}},
      {u"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144", {}},
      {u"Szafka \u0142azienkowa bia\u0142a, wysoko\u015B\u0107 80 cm", {}},
      {u"\u0100\u0100ab", {}},
      {u"\u0105\u0105\u0105", {}},
      {u"\uFEFFabc", {0xFF, 0xFE, 0x00, 0xFF, 0xFE, 0x00, 0x61, 0x62, 0x63}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(base::utf16ToUtf8(c.text));
    auto stored = encodeText(c.text, true);
    EXPECT_EQ(stored, c.stored.empty() ? encodeUtf16Le(c.text) : c.stored);
    EXPECT_EQ(decodeText(stored.data(), stored.size()), c.text);
    // The ways from and to UTF-8 store and read the same.
    EXPECT_EQ(encodeTextUtf8(base::utf16ToUtf8(c.text), true), stored);
    EXPECT_EQ(encodeTextUtf8(base::utf16ToUtf8(c.text), false), encodeText(c.text, false));
    EXPECT_EQ(decodeTextUtf8(stored.data(), stored.size()), base::utf16ToUtf8(c.text));
    EXPECT_EQ(storedTextUnits(stored.data(), stored.size()), c.text.size());  // measured without decoding
    // No switch byte after the mark, but for the leading U+FEFF case.
    if (stored.size() > 2 && stored[0] == 0xFF && stored[1] == 0xFE && c.text[0] != 0xFEFF) {
      EXPECT_EQ(std::count(stored.begin() + 2, stored.end(), 0), 0);
    }
  }
  EXPECT_EQ(encodeText(u"abcdefg", false), encodeUtf16Le(u"abcdefg"));
  EXPECT_THROW(encodeText(u"\uFEFF\u0100", true), jet::Error);
  // Values with switches (which Access may write) still decode.
  const std::vector<std::pair<B, std::u16string>> mixed = {
      {{0xFF, 0xFE, 0x5A, 0x61, 0x00, 0x7C, 0x01, 0x00, 0x62}, u"Za\u017Cb"},
      {{0xFF, 0xFE, 0x00, 0x05, 0x01, 0x05, 0x01}, u"\u0105\u0105"},
      {{0xFF, 0xFE, 0x61, 0x00, 0x05, 0x01}, u"a\u0105"},
  };
  for (const auto& [bytes, text] : mixed) {
    EXPECT_EQ(decodeText(bytes.data(), bytes.size()), text);
    EXPECT_EQ(decodeTextUtf8(bytes.data(), bytes.size()), base::utf16ToUtf8(text));
    EXPECT_EQ(storedTextUnits(bytes.data(), bytes.size()), text.size());
  }
  // Invalid UTF-8 is refused by the short way too: a cut sequence, an overlong
  // one (C0 80, C1 BF), a lone continuation byte; a zero is stored plain.
  for (const std::string bad : {"abc\xC3",
                                "ab\xC0\x80"
                                "cd",
                                "ab\xC1\xBF"
                                "cd",
                                "ab\x80"
                                "cd",
                                "\xC3\xC3"
                                "abc"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(encodeTextUtf8(bad, true), jet::Error);
  }
  EXPECT_EQ(encodeTextUtf8(std::string("ab\0cd", 5), true), encodeUtf16Le(std::u16string(u"ab\0cd", 5)));
  // Plain UTF-16 with a surrogate pair and an unpaired surrogate.
  const B plain = {0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xD8, 0x61, 0x00};
  EXPECT_EQ(decodeTextUtf8(plain.data(), plain.size()),
            "\xF0\x9F\x98\x80\xEF\xBF\xBD"
            "a");
  EXPECT_THROW(utf8ToUtf16("\xC3"), jet::Error);
  EXPECT_THROW(utf8ToUtf16("\xED\xA0\x80"), jet::Error);  // a surrogate in UTF-8
  EXPECT_EQ(base::utf16ToUtf8(utf8ToUtf16("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
}

TEST(JetFormat, RowCodecMatchesAccessBytes) {
  // indexTestV2000 Table2 row (0, "foo0") and delTestV2000 row ("z", "y").
  TableDefinition t2;
  t2.maxColumns = 2;
  t2.varColumns = 1;
  ColumnDesc id;
  id.type = jet::ColumnType::Long;
  id.number = 0;
  id.flags = 0x03;
  id.length = 4;
  ColumnDesc data;
  data.type = jet::ColumnType::Text;
  data.number = 1;
  data.flags = 0x02;
  data.extraFlags = 0x01;
  data.length = 100;
  t2.columns = {id, data};
  B row = {0x02, 0x00, 0, 0, 0, 0, 0xFF, 0xFE, 0x66, 0x6F, 0x6F, 0x30, 0x0C, 0x00, 0x06, 0x00, 0x01, 0x00, 0x03};
  auto none = [](const ColumnDesc&, const B&) -> B { throw jet::Error("no long values"); };
  EXPECT_EQ(encodeRow(t2, {int32_t(0), std::string("foo0")}, none), row);

  TableDefinition del;
  del.maxColumns = 2;
  del.varColumns = 2;
  ColumnDesc a = data, b = data;
  a.number = 0;
  a.varIndex = 0;
  b.number = 1;
  b.varIndex = 1;
  del.columns = {a, b};
  B zy = {0x02, 0x00, 0x7A, 0x00, 0x79, 0x00, 0x06, 0x00, 0x04, 0x00, 0x02, 0x00, 0x02, 0x00, 0x03};
  EXPECT_EQ(encodeRow(del, {std::string("z"), std::string("y")}, none), zy);

  // Null and empty text differ only in the mask; a row with fewer columns
  // than the table reads the rest as null; slack before the offset table is ignored.
  auto nullRow = encodeRow(del, {jet::Value{}, std::string("")}, none);
  EXPECT_EQ(nullRow.back(), 0x02);
  if (!jettest::haveFixtures()) GTEST_SKIP() << "fixtures absent";
  std::string path = jettest::fixtureDir() + "delTestV2000.mdb";
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  auto& impl = dynamic_cast<DatabaseImpl&>(*db);
  auto v = decodeRow(del, nullRow, impl.file());
  EXPECT_TRUE(std::holds_alternative<std::monostate>(v[0]));
  EXPECT_EQ(std::get<std::string>(v[1]), "");
  B shortRow = {0x01, 0x00, 0x7A, 0x00, 0x04, 0x00, 0x02, 0x00, 0x01, 0x00, 0x01};
  v = decodeRow(del, shortRow, impl.file());
  EXPECT_EQ(std::get<std::string>(v[0]), "z");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(v[1]));
  B slack = {0x02, 0x00, 0x7A, 0x00, 0x79, 0x00, 0x00, 0x00, 0x06, 0x00, 0x04, 0x00, 0x02, 0x00, 0x02, 0x00, 0x03};
  v = decodeRow(del, slack, impl.file());
  EXPECT_EQ(std::get<std::string>(v[1]), "y");
}

// The free-space word of every data page of every fixture follows the formula.
TEST(JetFormat, DataPageFreeSpaceFormula) {
  REQUIRE_FIXTURES();
  for (const char* f : {"empty.mdb", "indexTestV2000.mdb", "compIndexTestV2000.mdb", "delTestV2000.mdb",
                        "overflowTestV2000.mdb", "fixedTextTestV2000.mdb", "test2V2000.mdb"}) {
    std::string bytes = readFile(jettest::fixtureDir() + f);
    for (size_t p = 1; p < bytes.size() / 4096; ++p) {
      Page page(bytes.begin() + long(p * 4096), bytes.begin() + long((p + 1) * 4096));
      if (page[0] != kPageData || page[1] != 0x01) continue;
      size_t used = 0;
      for (size_t i = 0; i < slotCount(page); ++i) used += rowSlot(page, i).length;
      EXPECT_EQ(freeSpace(page), 4096 - 14 - 2 * slotCount(page) - used) << f << " page " << p;
    }
  }
}

TEST(JetFormat, IndexPagesRoundTripThroughTheirBitmap) {
  REQUIRE_FIXTURES();
  std::string bytes = readFile(jettest::fixtureDir() + "indexTestV2000.mdb");
  Page leaf(bytes.begin() + 32 * 4096, bytes.begin() + 33 * 4096);
  IndexNode n = parseIndexPage(leaf, 32);
  ASSERT_EQ(n.entries.size(), 3u);
  EXPECT_EQ(n.entries[0], (B{0x7F, 0x80, 0, 0, 0, 0, 0, 0x3C, 0}));
  Page again = serializeIndexNode(n, le32(leaf.data() + 4));
  EXPECT_EQ(B(again.begin(), again.begin() + 0x1E0 + 27), B(leaf.begin(), leaf.begin() + 0x1E0 + 27));
  // Prefix-compressed leaf 32 of compIndexTestV2000 expands to full keys.
  std::string comp = readFile(jettest::fixtureDir() + "compIndexTestV2000.mdb");
  IndexNode c = parseIndexPage(Page(comp.begin() + 32 * 4096, comp.begin() + 33 * 4096), 32);
  ASSERT_EQ(c.entries.size(), 510u);
  for (const auto& e : c.entries) EXPECT_EQ(B(e.begin(), e.begin() + 3), (B{0x80, 0x7F, 0xFF}));
  // Its intermediate root 29 (one entry, tail 33, level byte 1) comes out as Access wrote it.
  Page root(comp.begin() + 29 * 4096, comp.begin() + 30 * 4096);
  IndexNode r = parseIndexPage(root, 29);
  EXPECT_EQ(r.level, 1);
  Page rootAgain = serializeIndexNode(r, le32(root.data() + 4));
  EXPECT_EQ(B(rootAgain.begin(), rootAgain.begin() + 0x1E0 + 13), B(root.begin(), root.begin() + 0x1E0 + 13));
}

TEST(JetFormat, PropertyBlobsCarryRequiredAndAllowZeroLength) {
  auto blob = buildColumnPropertiesBlob({{"ID", true, false}, {"wymiar X", true, true}, {"Dodatek_wst", false, false}});
  auto props = parsePropertyBlob(blob);
  EXPECT_FALSE(props.count(""));  // no block for the table itself
  EXPECT_FALSE(props.count("Dodatek_wst"));
  ASSERT_TRUE(props["wymiar X"].count("Required"));
  EXPECT_EQ(props["wymiar X"]["Required"].value, B{1});
  EXPECT_TRUE(props["wymiar X"]["Required"].ddl);
  ASSERT_TRUE(props["wymiar X"].count("AllowZeroLength"));
  EXPECT_EQ(props["wymiar X"]["AllowZeroLength"].value, B{1});
  EXPECT_TRUE(props["wymiar X"]["AllowZeroLength"].ddl);
  EXPECT_EQ(props["wymiar X"]["AllowZeroLength"].type, 0x01);
  EXPECT_FALSE(props["ID"].count("AllowZeroLength"));
  // The names block lists only names in use.
  auto onlyRequired = buildColumnPropertiesBlob({{"ID", true, false}});
  EXPECT_EQ(std::string(onlyRequired.begin(), onlyRequired.end()).find("A\0l\0l\0o\0w"), std::string::npos);
  EXPECT_THROW(parsePropertyBlob(B{'M', 'R', '2', 0, 0xFF, 0xFF, 0, 0, 0, 0}), jet::Error);
}

// The system tables of a new file match empty.mdb's definitions field for field.
TEST(JetFormat, SystemTableDefinitionsMatchAccess) {
  REQUIRE_FIXTURES();
  auto db = jet::Database::open(platform::systemEnv(), jettest::fixtureDir() + "empty.mdb", false);
  auto& impl = dynamic_cast<DatabaseImpl&>(*db);
  for (const auto& mine : systemTables().tables) {
    SCOPED_TRACE(mine.page);
    auto access = impl.definition(mine.page);
    auto a = serializeTdef(access), m = serializeTdef(mine);
    EXPECT_EQ(a.size(), m.size());
    EXPECT_EQ(readTdefBytes(impl.file(), mine.page).size(), m.size());
    ASSERT_EQ(access.columns.size(), mine.columns.size());
    for (size_t i = 0; i < mine.columns.size(); ++i) {
      const auto &x = access.columns[i], &y = mine.columns[i];
      EXPECT_EQ(x.name, y.name);
      EXPECT_EQ(x.number, y.number);
      EXPECT_EQ(x.type, y.type);
      EXPECT_EQ(x.flags, y.flags);
      EXPECT_EQ(x.varIndex, y.varIndex) << x.name;
      EXPECT_EQ(x.length, y.length);
      if (x.fixed()) {
        EXPECT_EQ(x.fixedOffset, y.fixedOffset) << x.name;
      }
    }
    ASSERT_EQ(access.realIndexes.size(), mine.realIndexes.size());
    for (size_t i = 0; i < mine.realIndexes.size(); ++i) {
      EXPECT_EQ(access.realIndexes[i].flags, mine.realIndexes[i].flags);
      EXPECT_EQ(access.realIndexes[i].rootPage, mine.realIndexes[i].rootPage);
      EXPECT_EQ(access.realIndexes[i].usageMap, mine.realIndexes[i].usageMap);
    }
    ASSERT_EQ(access.logicalIndexes.size(), mine.logicalIndexes.size());
    for (size_t i = 0; i < mine.logicalIndexes.size(); ++i) {
      EXPECT_EQ(access.logicalIndexes[i].name, mine.logicalIndexes[i].name);
      EXPECT_EQ(access.logicalIndexes[i].realIndex, mine.logicalIndexes[i].realIndex);
      EXPECT_EQ(access.logicalIndexes[i].type, mine.logicalIndexes[i].type);
      EXPECT_EQ(B(access.logicalIndexes[i].fk, access.logicalIndexes[i].fk + 11),
                B(mine.logicalIndexes[i].fk, mine.logicalIndexes[i].fk + 11));
    }
    ASSERT_EQ(access.longValueMaps.size(), mine.longValueMaps.size());
    for (size_t i = 0; i < mine.longValueMaps.size(); ++i) {
      EXPECT_EQ(access.longValueMaps[i].column, mine.longValueMaps[i].column);
      EXPECT_EQ(access.longValueMaps[i].owned, mine.longValueMaps[i].owned);
      EXPECT_EQ(access.longValueMaps[i].free, mine.longValueMaps[i].free);
    }
    EXPECT_EQ(access.ownedMap, mine.ownedMap);
    EXPECT_EQ(access.freeMap, mine.freeMap);
  }
}

}  // namespace

namespace {

// The B-tree alone, with long keys so that a few thousand entries make a tree
// four and five levels deep: every split kind, checked after each batch.
TEST(JetIndexTree, DeepTreesStayValidUnderRandomAndAscendingInserts) {
  test::TempDir dir;
  for (bool ascending : {false, true}) {
    SCOPED_TRACE(ascending ? "ascending" : "random");
    std::string path = dir.path(ascending ? "asc.idx" : "rnd.idx");
    auto file = platform::systemEnv().openFile(path, platform::Access::ReadWrite, platform::Creation::CreateAlways,
                                               platform::Sharing::DenyNone);
    PageFile pages(std::move(file), true);
    pages.append(Page(kPageSize, 0));
    uint32_t root = pages.append(emptyIndexLeaf(0));
    IndexTree tree(pages, 0, root, [&] { return pages.append(Page(kPageSize, 0)); });
    std::mt19937 rng(42);
    std::set<Entry> inserted;
    const int n = 3000;
    for (int i = 0; i < n; ++i) {
      int32_t v = ascending ? i : int32_t(rng() % 1000000);
      B key = encodeLongKey(v);
      key.resize(300, uint8_t(v));  // long keys: about 11 entries a page
      Entry e = makeEntry(key, uint32_t(i / 100 + 1), uint32_t(i % 100));
      if (!inserted.insert(e).second) continue;
      tree.insert(e);
      if (i % 500 == 499 || i == n - 1) {
        tree.flush();  // changed pages are held until then
        std::vector<Entry> entries;
        auto problems = validateIndex(pages, root, &entries);
        ASSERT_EQ(problems, std::vector<std::string>{}) << "after " << i + 1;
        ASSERT_EQ(entries, std::vector<Entry>(inserted.begin(), inserted.end()));
      }
    }
    for (const auto& e : inserted) EXPECT_TRUE(tree.containsKey(B(e.begin(), e.end() - 4)));
    B absent = encodeLongKey(-5);
    absent.resize(300, 0);
    EXPECT_FALSE(tree.containsKey(absent));
    // Depth: descend the first children.
    int depth = 1;
    for (IndexNode nd = parseIndexPage(pages.read(root), root); !nd.leaf; ++depth)
      nd = parseIndexPage(pages.read(nd.children.front()), nd.children.front());
    EXPECT_GE(depth, 4);
  }
}

}  // namespace
