// Merge keys: the lookup the merges use instead of scanning must find exactly
// the record that a scan from the first record would stop at. Each case is
// merged for real and compared, rows and log lines, with the nested scans
// written out below as the merge rules give them.
#include <map>

#include "accessorydb/accessory_db.h"
#include "accessorydb/first_positions.h"
#include "accessorydb/schema.h"
#include "tests/accessorydb/adb_test_base.h"

using namespace accessorydb;

namespace test {
namespace {

// Value equality of the merge rules, on its own.
bool sameValue(const FieldValue& a, const FieldValue& b) {
  const bool aNull = std::holds_alternative<std::monostate>(a), bNull = std::holds_alternative<std::monostate>(b);
  if (aNull || bNull) return aNull && bNull;
  if (const auto* s = std::get_if<std::string>(&a))
    return std::holds_alternative<std::string>(b) && *s == std::get<std::string>(b);
  if (const auto* i = std::get_if<int32_t>(&a)) return std::holds_alternative<int32_t>(b) && *i == std::get<int32_t>(b);
  return false;
}

std::string text(const FieldValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
  return "";
}

TEST(LookupKey, EqualExactlyForEqualValues) {
  const std::vector<FieldValue> values = {
      FieldValue{},
      FieldValue{std::string()},
      FieldValue{std::string("A")},
      FieldValue{std::string(" A")},
      FieldValue{std::string("A ")},
      FieldValue{std::string("a")},
      FieldValue{std::string("\xC5\xBB\xC3\xB3\xC5\x82w")},     // Żółw
      FieldValue{std::string("\xC5\xBC\xC3\xB3\xC5\x82w")},     // żółw
      FieldValue{std::string("\xC5\x81\xC3\x93\x44\xC5\xB9")},  // ŁÓDŹ
      FieldValue{std::string("\xC5\x82\xC3\xB3\x64\xC5\xBA")},  // łódź
      FieldValue{std::string("Zolw")},
      FieldValue{std::string("0")},
      FieldValue{int32_t{0}},
      FieldValue{int32_t{5}},
      FieldValue{int32_t{-5}},
  };
  for (const auto& a : values)
    for (const auto& b : values)
      EXPECT_EQ(lookupKey(a) == lookupKey(b), sameValue(a, b)) << "\"" << text(a) << "\" and \"" << text(b) << "\"";
}

// The table the merges match in keeps the first position of every key, whole
// numbers and texts apart, as a map of lookup texts would, through its growth.
TEST(FirstPositions, KeepTheFirstPositionOfEveryKey) {
  std::vector<FieldValue> keys = {FieldValue{int32_t{-2147483647 - 1}},
                                  FieldValue{int32_t{2147483647}},
                                  FieldValue{int32_t{0}},
                                  FieldValue{int32_t{-1}},
                                  FieldValue{std::string("5")},
                                  FieldValue{std::string()},
                                  FieldValue{}};
  uint32_t x = 12345;
  for (int i = 0; i < 5000; ++i) {
    x = x * 1103515245u + 12345u;
    keys.emplace_back(std::in_place_type<int32_t>, int32_t((x >> 8) % 3000) * 65536);  // repeats, alike in low bits
    if (i % 100 == 0) keys.emplace_back(std::in_place_type<std::string>, std::to_string(i % 700));
  }
  FirstPositions positions;
  std::map<std::string, size_t> expected;
  for (size_t i = 0; i < keys.size(); ++i) {
    const bool isNew = expected.emplace(lookupKey(keys[i]), i).second;
    EXPECT_EQ(positions.add(keys[i], i), isNew) << i;
  }
  for (const auto& k : keys) EXPECT_EQ(positions.find(k), expected.at(lookupKey(k)));
  const std::vector<FieldValue> absent = {FieldValue{int32_t{65537}}, FieldValue{std::string("6")}, FieldValue{true}};
  for (const auto& k : absent) EXPECT_EQ(positions.find(k), std::nullopt);
}

struct Outcome {
  std::vector<std::string> rows;   // key/tag of the destination rows
  std::vector<std::string> lines;  // the merge's diagnostic lines
};

// One table merged by nested scans, step by step as the rules say.
void nestedScan(const std::vector<Row>& installed, const std::vector<Row>& package, bool dodatki, Outcome& out) {
  const size_t nazwa = dodatki ? 4 : 1;
  auto marked = [&](const Row& r) { return text(r[nazwa]) == "DELETE"; };
  std::vector<Row> dest;
  for (const auto& r : installed) {
    out.lines.push_back("[" + text(r[0]) + "] : " + text(r[nazwa]));
    const Row* found = nullptr;
    for (const auto& p : package) {
      out.lines.push_back(text(p[0]) + " : " + text(r[0]));
      if (sameValue(p[0], r[0])) {
        found = &p;
        break;
      }
    }
    if (found) {
      if (!marked(*found)) dest.push_back(*found);
    } else if (!(dodatki && marked(r))) {
      dest.push_back(r);
    }
  }
  out.lines.push_back(dodatki ? "Przenosimy dodatki z dodatki_new.mdb" : "Przenosimy z dodatki_new.mdb");
  for (const auto& p : package) {
    if (!dodatki) out.lines.push_back("[NW] " + text(p[0]));
    if (marked(p)) continue;
    if (dodatki) out.lines.push_back("[NW] " + text(p[0]) + " : " + text(p[nazwa]) + " - dopisano");
    bool found = false;
    for (const auto& d : dest) {
      out.lines.push_back("[DN] " + text(d[0]));
      if (sameValue(d[0], p[0])) {
        found = true;
        break;
      }
    }
    if (!found) dest.push_back(p);
  }
  for (const auto& k : keyTags(dest)) out.rows.push_back(k);
}

struct KeyCase {
  const char* name;
  std::vector<Row> installedProducers, packageProducers;
  std::vector<Row> installedAccessories, packageAccessories;
};

Row P(const std::string& key, const std::string& tag, const std::string& nazwa = "Firma") {
  return producer(key, nazwa, tag);
}
Row A(int32_t id, const std::string& tag, const std::string& nazwa = "Krzes\xC5\x82o") {
  return accessory(id, nazwa, tag);
}

using MergeKeys = AdbTest;

TEST_P(MergeKeys, LookupsFindWhatNestedScansFind) {
  const std::vector<KeyCase> cases = {
      {"leading and trailing blanks",
       {P(" A", "i1"), P("A ", "i2"), P("A", "i3")},
       {P("A", "p1"), P(" A ", "p2"), P("A ", "p3")},
       {},
       {}},
      {"letter case, Polish letters included",
       {P("\xC5\xBB\xC3\xB3\xC5\x82w", "i1"), P("\xC5\x82\xC3\xB3\x64\xC5\xBA", "i2")},
       {P("\xC5\xBC\xC3\xB3\xC5\x82w", "p1"), P("\xC5\x81\xC3\x93\x44\xC5\xB9", "p2"),
        P("\xC5\x82\xC3\xB3\x64\xC5\xBA", "p3")},
       {},
       {}},
      {"empty text keys", {P("", "i1"), P("B", "i2")}, {P("B", "p1"), P("", "p2")}, {}, {}},
      {"marked, then unmarked under one key",
       {P("A", "i")},
       {P("A", "p1", "DELETE"), P("A", "p2")},
       {A(5, "i"), A(6, "i")},
       {A(5, "p1", "DELETE"), A(5, "p2"), A(6, "p1"), A(6, "p2", "DELETE")}},
      {"marked, then unmarked, nothing installed",
       {},
       {P("A", "p1", "DELETE"), P("A", "p2")},
       {},
       {A(7, "p1", "DELETE"), A(7, "p2")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir scratch;
    // Installed databases come without the primary key, as older ones may.
    const auto noKey = [](TableObject& t) { t.keys.clear(); };
    makeDatabaseWith(engine(), env(), scratch.path("old.mdb"), noKey, c.installedProducers, c.installedAccessories);
    makeDatabaseWith(engine(), env(), scratch.path("new.mdb"), noKey, c.packageProducers, c.packageAccessories);
    RecordingReporter log(2);
    AccessoryDb db(log, env(), engine());
    const bool merged = db.CopyMdb(scratch.path("new.mdb"), scratch.path("old.mdb"), scratch.path("out.mdb"));

    Outcome producers, accessories;
    nestedScan(c.installedProducers, c.packageProducers, false, producers);
    nestedScan(c.installedAccessories, c.packageAccessories, true, accessories);
    // The second pass never posts an ID twice; a first pass may.
    ASSERT_TRUE(merged) << (log.texts(1).empty() ? "" : log.texts(1)[0]);
    EXPECT_EQ(keyTags(readRows(engine(), scratch.path("out.mdb"), kTableProducent)), producers.rows);
    EXPECT_EQ(keyTags(readRows(engine(), scratch.path("out.mdb"), kTableDodatki)), accessories.rows);

    // The merge's own lines lie between the last connection line and the closing line.
    const auto all = log.texts(2);
    const auto from = std::find(all.begin(), all.end(),
                                "Tworzymy po\xC5\x82\xC4\x85"
                                "czenie do " +
                                    scratch.path("new.mdb"));
    const auto to = std::find(all.begin(), all.end(), "Poprawnie przeniesiono dane.");
    ASSERT_TRUE(from != all.end() && to != all.end());
    std::vector<std::string> expected = producers.lines;
    expected.insert(expected.end(), accessories.lines.begin(), accessories.lines.end());
    EXPECT_EQ(std::vector<std::string>(from + 1, to), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, MergeKeys, testing::ValuesIn(kEnginesUnderTest), engineParamName);

}  // namespace
}  // namespace test
