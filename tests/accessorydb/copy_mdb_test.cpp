// Merging the package database and the installed one into the destination.
#include <algorithm>
#include <functional>

#include "base/utf.h"
#include "tests/accessorydb/adb_test_base.h"

using namespace accessorydb;

namespace test {
namespace {

struct MergeCase {
  const char* name;
  bool installedExists;
  std::vector<Row> installed;
  std::vector<Row> package;
  bool ok;
  std::vector<std::string> expected;  // key/tag of the destination rows, in order
};

class Merge : public AdbTest {
 protected:
  std::string nw() const { return path("dodatki_new.mdb"); }
  std::string od() const { return path("dodatki_old.mdb"); }
  std::string dn() const { return path("dodatki.mdb"); }

  // Runs one case of one table at the given log level; the other table is
  // empty on both sides.
  void runCase(const MergeCase& c, const char* table, int level) {
    SCOPED_TRACE(std::string(c.name) + " at log level " + std::to_string(level));
    test::TempDir scratch;
    const auto in = [&](const char* name) { return scratch.path(name); };
    const bool dodatki = std::string(table) == kTableDodatki;
    const std::vector<Row> none;
    // Installed databases come without the primary key, as older ones may, so
    // they can hold an ID twice.
    const auto noKey = [](TableObject& t) { t.keys.clear(); };
    if (c.installedExists)
      makeDatabaseWith(engine(), env(), in("old.mdb"), noKey, dodatki ? none : c.installed,
                       dodatki ? c.installed : none);
    makeDatabase(engine(), env(), in("new.mdb"), dodatki ? none : c.package, dodatki ? c.package : none);

    RecordingReporter log(level);
    AccessoryDb db(log, env(), engine());
    const bool ok = db.CopyMdb(in("new.mdb"), in("old.mdb"), in("out.mdb"));
    EXPECT_EQ(ok, c.ok);
    if (c.ok) {
      EXPECT_TRUE(log.texts(1).empty());
      if (level == 1) {
        EXPECT_TRUE(log.lines.empty());
      }
      // mdbtools reads the result once per case.
      const auto rows = level == 2 ? rowsOf(in("out.mdb"), table) : readRows(engine(), in("out.mdb"), table);
      EXPECT_EQ(keyTags(rows), c.expected);
      EXPECT_TRUE(readRows(engine(), in("out.mdb"), dodatki ? kTableProducent : kTableDodatki).empty());
    } else {
      EXPECT_EQ(log.texts(1).size(), 1u);
      EXPECT_FALSE(env().fileExists(in("out.mdb")));
    }
    // The inputs are only read.
    if (c.installedExists) {
      EXPECT_EQ(readRows(engine(), in("old.mdb"), table), c.installed);
    }
    EXPECT_EQ(readRows(engine(), in("new.mdb"), table), c.package);
  }
};

Row P(const std::string& key, const std::string& tag, const std::string& nazwa = "Firma") {
  return producer(key, nazwa, tag);
}
Row A(int32_t id, const std::string& tag, const std::string& nazwa = "Krzesło") { return accessory(id, nazwa, tag); }

TEST_P(Merge, ProducerOutcomes) {
  const std::vector<MergeCase> cases = {
      {"only installed", true, {P("A", "i")}, {}, true, {"A/i"}},
      {"only in package", true, {}, {P("A", "p")}, true, {"A/p"}},
      {"in both, package wins", true, {P("A", "i")}, {P("A", "p")}, true, {"A/p"}},
      {"marked in package removes the key", true, {P("A", "i")}, {P("A", "p", "DELETE")}, true, {}},
      {"marked only in installed is copied", true, {P("A", "i", "DELETE")}, {}, true, {"A/i"}},
      {"marked in package, not installed", true, {}, {P("A", "p", "DELETE")}, true, {}},
      {"keys differing in case are different", true, {P("A", "i")}, {P("a", "p")}, true, {"A/i", "a/p"}},
      {"two installed, one package key", true, {P("A", "i1"), P("A", "i2")}, {P("A", "p")}, true, {"A/p", "A/p"}},
      {"two installed, no package key", true, {P("A", "i1"), P("A", "i2")}, {}, true, {"A/i1", "A/i2"}},
      {"first pass in installed order, then package order",
       true,
       {P("C", "i"), P("A", "i")},
       {P("B", "p"), P("A", "p"), P("D", "p")},
       true,
       {"C/i", "A/p", "B/p", "D/p"}},
      {"first package record of a key wins", true, {P("A", "i")}, {P("A", "p1"), P("A", "p2")}, true, {"A/p1"}},
      {"near markers are not markers",
       true,
       {P("A", "i"), P("B", "i")},
       {P("A", "p", "delete"), P("B", "p", " DELETE")},
       true,
       {"A/p", "B/p"}},
      {"installed absent",
       false,
       {},
       {P("B", "p"), P("A", "p", "DELETE"), P("B", "p2"), P("C", "p")},
       true,
       {"B/p", "C/p"}},
  };
  for (const auto& c : cases)
    for (int level : {1, 2}) runCase(c, kTableProducent, level);
}

TEST_P(Merge, AccessoryOutcomes) {
  const std::vector<MergeCase> cases = {
      {"only installed", true, {A(5, "i")}, {}, true, {"5/i"}},
      {"only in package", true, {}, {A(9, "p")}, true, {"9/p"}},
      {"in both, package wins", true, {A(5, "i")}, {A(5, "p", "Krzesło nowe")}, true, {"5/p"}},
      {"marked in package removes the key", true, {A(5, "i")}, {A(5, "p", "DELETE")}, true, {}},
      {"marked only in installed is dropped", true, {A(6, "i", "DELETE")}, {}, true, {}},
      {"marked in package, not installed", true, {}, {A(7, "p", "DELETE")}, true, {}},
      {"two installed, one package key: duplicate ID", true, {A(5, "i1"), A(5, "i2")}, {A(5, "p")}, false, {}},
      {"two installed, no package key: duplicate ID", true, {A(5, "i1"), A(5, "i2")}, {}, false, {}},
      {"first pass in installed order, then package order",
       true,
       {A(3, "i"), A(1, "i")},
       {A(9, "p"), A(1, "p"), A(2, "p")},
       true,
       {"3/i", "1/p", "9/p", "2/p"}},
      {"near markers are not markers",
       true,
       {A(1, "i")},
       {A(1, "p", "Delete"), A(2, "p", "DELETE ")},
       true,
       {"1/p", "2/p"}},
      {"installed absent", false, {}, {A(9, "p"), A(5, "p", "DELETE"), A(3, "p")}, true, {"9/p", "3/p"}},
  };
  for (const auto& c : cases)
    for (int level : {1, 2}) runCase(c, kTableDodatki, level);
}

// Every column holds a value of its own, texts at their full defined size
// with letters outside ASCII.
Row fullAccessory(int32_t id, bool flag) {
  Row r;
  int n = 0;
  for (const auto& c : dodatkiColumns()) {
    ++n;
    if (c.type == adInteger) {
      r.push_back(id);
    } else if (c.type == adBoolean) {
      r.push_back(flag);
    } else {
      std::string s = std::to_string(n) + "ąę";
      while (base::utf16Units(s) < static_cast<size_t>(c.definedSize)) s += "ż";
      r.push_back(s);
    }
  }
  return r;
}

TEST_P(Merge, AllColumnsOfAnAccessoryAreCopiedEqual) {
  const Row installedOnly = fullAccessory(-2147483647 - 1, true);
  const Row packageOnly = fullAccessory(2147483647, false);
  const Row packageOnly2 = fullAccessory(0, true);
  makeDatabase(engine(), env(), od(), {}, {installedOnly});
  makeDatabase(engine(), env(), nw(), {}, {packageOnly, packageOnly2});
  RecordingReporter log(1);
  AccessoryDb db(log, env(), engine());
  ASSERT_TRUE(db.CopyMdb(nw(), od(), dn()));
  EXPECT_EQ(rowsOf(dn(), kTableDodatki), (std::vector<Row>{installedOnly, packageOnly, packageOnly2}));
}

// Rows of a table laid out otherwise than the destination's (an installed
// database made elsewhere, a package with wider columns) cannot be copied as
// stored: they must arrive value by value, equal.
TEST_P(Merge, TablesLaidOutOtherwiseAreCopiedEqual) {
  const Row installedOnly = fullAccessory(1, true);
  const Row packageOnly = fullAccessory(2, false);
  const std::vector<std::pair<const char*, std::function<void(TableObject&)>>> layouts = {
      {"columns in reverse order", [](TableObject& t) { std::reverse(t.columns.begin(), t.columns.end()); }},
      {"every text column wider",
       [](TableObject& t) {
         for (auto& c : t.columns)
           if (c.type == adVarWChar) c.definedSize = 255;
       }},
  };
  for (const auto& [name, layout] : layouts) {
    for (const bool installedDiffers : {true, false}) {
      SCOPED_TRACE(std::string(name) + (installedDiffers ? ", installed database" : ", package"));
      for (const auto& f : {nw(), od(), dn()}) (void)env().deleteFile(f);
      const auto same = [](TableObject&) {};
      makeDatabaseWith(engine(), env(), od(), installedDiffers ? layout : same, {}, {installedOnly});
      makeDatabaseWith(engine(), env(), nw(), installedDiffers ? same : layout, {}, {packageOnly});
      RecordingReporter log(1);
      AccessoryDb db(log, env(), engine());
      ASSERT_TRUE(db.CopyMdb(nw(), od(), dn())) << (log.texts(1).empty() ? "" : log.texts(1)[0]);
      EXPECT_EQ(rowsOf(dn(), kTableDodatki), (std::vector<Row>{installedOnly, packageOnly}));
    }
  }
}

TEST_P(Merge, AllColumnsOfAProducerAreCopiedEqual) {
  const Row a{"Ąćęłńóśźż", "Nazwa", "Ulica 1", "Miasto", "00-950", "+48 1", "+48 2", "a@b.pl", "Osoba"};
  const Row b{std::string(50, 'B'), std::string(50, 'n'), "u", "m", std::string(10, 'k'), "t", "f", "e", "o"};
  makeDatabase(engine(), env(), od(), {a}, {});
  makeDatabase(engine(), env(), nw(), {b}, {});
  RecordingReporter log(1);
  AccessoryDb db(log, env(), engine());
  ASSERT_TRUE(db.CopyMdb(nw(), od(), dn()));
  EXPECT_EQ(rowsOf(dn(), kTableProducent), (std::vector<Row>{a, b}));
}

TEST_P(Merge, ExistingDestinationIsAddedToAndItsKeysAreFound) {
  makeDatabase(engine(), env(), dn(), {P("A", "d")}, {A(3, "d")});
  makeDatabase(engine(), env(), nw(), {P("A", "p"), P("B", "p")}, {A(3, "p"), A(4, "p")});
  RecordingReporter log(1);
  AccessoryDb db(log, env(), engine());
  ASSERT_TRUE(db.CopyMdb(nw(), od(), dn()));
  EXPECT_EQ(keyTags(rowsOf(dn(), kTableProducent)), (std::vector<std::string>{"A/d", "B/p"}));
  EXPECT_EQ(keyTags(rowsOf(dn(), kTableDodatki)), (std::vector<std::string>{"3/d", "4/p"}));
}

INSTANTIATE_TEST_SUITE_P(Engines, Merge, testing::ValuesIn(kEnginesUnderTest), engineParamName);

}  // namespace
}  // namespace test
