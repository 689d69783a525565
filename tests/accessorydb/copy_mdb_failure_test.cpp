// What a failing merge reports and leaves behind.
#include <functional>

#include "tests/accessorydb/adb_test_base.h"

using namespace accessorydb;

namespace test {
namespace {

class MergeFailure : public AdbTest {
 public:
  std::string nw() const { return path("dodatki_new.mdb"); }
  std::string od() const { return path("dodatki_old.mdb"); }
  std::string dn() const { return path("dodatki.mdb"); }
  const LogLine kNoDestination{2, "Brak pliku docelowego. Tworzymy nowy."};
  const std::vector<LogLine> kCreation = {{2, "Tworzenie pliku bazy danych."},
                                          {2, "Tworzenie tabeli `info_roducent`"},
                                          {2, "Tworzenie tabeli `Dodatki`"},
                                          {2, "Utworzono pustą bazę danych."}};
  std::vector<LogLine> creationThen(std::vector<LogLine> rest) const {
    std::vector<LogLine> all{kNoDestination};
    all.insert(all.end(), kCreation.begin(), kCreation.end());
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
  }
};

TEST_P(MergeFailure, PackageMissingLeavesTheEmptyDestination) {
  makeDatabase(engine(), env(), od(), {producer("A", "n", "i")}, {});
  RecordingReporter log;
  AccessoryDb db(log, env(), engine());
  EXPECT_FALSE(db.CopyMdb(nw(), od(), dn()));
  expectLines(log.lines, creationThen({{1, "Brak pliku: " + nw()}}));
  ASSERT_TRUE(exists(dn()));
  EXPECT_TRUE(rowsOf(dn(), kTableProducent).empty());
  EXPECT_TRUE(rowsOf(dn(), kTableDodatki).empty());
}

TEST_P(MergeFailure, InstalledFileThatIsNoDatabaseStopsBeforeThePackageIsOpened) {
  dir_.write("dodatki_old.mdb", std::string(4096, 'x'));
  makeDatabase(engine(), env(), nw(), {producer("A", "n", "p")}, {accessory(1, "n", "p")});
  RecordingReporter log;
  AccessoryDb db(log, env(), engine());
  EXPECT_FALSE(db.CopyMdb(nw(), od(), dn()));
  expectLines(log.lines, creationThen({{2, "Znaleniono oba istniejące pliki z dazą danych."},
                                       {2, "Tworzymy połączenie do " + dn()},
                                       {2, "Tworzymy połączenie do " + od()},
                                       {1, "*"}}));
  EXPECT_FALSE(exists(dn()));
  EXPECT_EQ(dir_.read("dodatki_old.mdb"), std::string(4096, 'x'));
}

TEST_P(MergeFailure, DestinationThatCannotBeCreated) {
  makeDatabase(engine(), env(), nw(), {}, {});
  const auto missing = path("brak") + TempDir::sep() + "dodatki.mdb";
  RecordingReporter log;
  AccessoryDb db(log, env(), engine());
  EXPECT_FALSE(db.CopyMdb(nw(), od(), missing));
  expectLines(log.lines, {kNoDestination,
                          {2, "Tworzenie pliku bazy danych."},
                          {1, "[Błąd tworzenia bazy danych MDB.] *"},
                          {1, "Błąd tworzenia pliku docelowego: " + missing}});
}

// Each case ends with a false result, one level-1 line (the engine's
// message) and no destination file, whatever had been written into it.
TEST_P(MergeFailure, FailuresDeleteTheDestination) {
  struct Case {
    const char* name;
    std::function<void(MergeFailure&)> prepare;
  };
  const std::vector<Case> cases = {
      {"duplicate ID in the installed database",
       [](MergeFailure& t) {
         makeDatabaseWith(t.engine(), t.env(), t.od(), [](TableObject& table) { table.keys.clear(); },
                          {producer("A", "n", "i")}, {accessory(4, "n", "i"), accessory(4, "n", "i2")});
         makeDatabase(t.engine(), t.env(), t.nw(), {}, {});
       }},
      {"destination already holds an installed ID",
       [](MergeFailure& t) {
         makeDatabase(t.engine(), t.env(), t.dn(), {}, {accessory(4, "n", "d")});
         makeDatabase(t.engine(), t.env(), t.od(), {}, {accessory(4, "n", "i")});
         makeDatabase(t.engine(), t.env(), t.nw(), {}, {});
       }},
      {"package lacks the accessory table, after the producers were merged",
       [](MergeFailure& t) {
         makeDatabase(t.engine(), t.env(), t.od(), {producer("A", "n", "i")}, {});
         makeDatabaseWith(t.engine(), t.env(), t.nw(),
                          [](TableObject& table) {
                            if (table.name == kTableDodatki) table.name = "Inne";
                          },
                          {producer("B", "n", "p")}, {});
       }},
      {"package text longer than the destination column",
       [](MergeFailure& t) {
         makeDatabaseWith(t.engine(), t.env(), t.nw(),
                          [](TableObject& table) {
                            if (table.name == kTableProducent) table.columns[0].definedSize = 60;
                          },
                          {producer(std::string(51, 'P'), "n", "p")}, {});
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& f : {nw(), od(), dn()}) (void)env().deleteFile(f);
    c.prepare(*this);
    RecordingReporter log(1);
    AccessoryDb db(log, env(), engine());
    EXPECT_FALSE(db.CopyMdb(nw(), od(), dn()));
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_FALSE(exists(dn()));
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, MergeFailure, testing::ValuesIn(kEnginesUnderTest), engineParamName);

}  // namespace
}  // namespace test
