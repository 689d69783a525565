// The diagnostic lines of whole merges, line for line.
#include "tests/accessorydb/adb_test_base.h"

using namespace accessorydb;

namespace test {
namespace {

class MergeLog : public AdbTest {
 protected:
  std::string nw() const { return path("dodatki_new.mdb"); }
  std::string od() const { return path("dodatki_old.mdb"); }
  std::string dn() const { return path("dodatki.mdb"); }

  std::vector<LogLine> run(bool withInstalled) {
    RecordingReporter log(2);
    AccessoryDb db(log, env(), engine());
    EXPECT_TRUE(db.CopyMdb(nw(), withInstalled ? od() : path("brak.mdb"), dn()));
    return log.lines;
  }
  static std::vector<LogLine> trace(const std::vector<std::string>& texts) {
    std::vector<LogLine> lines;
    for (const auto& t : texts) lines.push_back({2, t});
    return lines;
  }
};

TEST_P(MergeLog, ProducersAndAccessoriesWithInstalledDatabase) {
  makeDatabase(engine(), env(), od(), {producer("A", "Stara", "i")},
               {accessory(5, "Krzesło", "i"), accessory(6, "DELETE", "i")});
  makeDatabase(engine(), env(), nw(),
               {producer("B", "Nowa B", "p"), producer("A", "Nowa A", "p"), producer("C", "DELETE", "p")},
               {accessory(9, "Stół", "p"), accessory(5, "Krzesło nowe", "p"), accessory(7, "DELETE", "p")});
  expectLines(run(true), trace({
                             "Brak pliku docelowego. Tworzymy nowy.",
                             "Tworzenie pliku bazy danych.",
                             "Tworzenie tabeli `info_roducent`",
                             "Tworzenie tabeli `Dodatki`",
                             "Utworzono pustą bazę danych.",
                             "Znaleniono oba istniejące pliki z dazą danych.",
                             "Tworzymy połączenie do " + dn(),
                             "Tworzymy połączenie do " + od(),
                             "Tworzymy połączenie do " + nw(),
                             "[A] : Stara",
                             "B : A",
                             "A : A",
                             "Przenosimy z dodatki_new.mdb",
                             "[NW] B",
                             "[DN] A",
                             "[NW] A",
                             "[DN] A",
                             "[NW] C",
                             "[5] : Krzesło",
                             "9 : 5",
                             "5 : 5",
                             "[6] : DELETE",
                             "9 : 6",
                             "5 : 6",
                             "7 : 6",
                             "Przenosimy dodatki z dodatki_new.mdb",
                             "[NW] 9 : Stół - dopisano",
                             "[DN] 5",
                             "[NW] 5 : Krzesło nowe - dopisano",
                             "[DN] 5",
                             "Poprawnie przeniesiono dane.",
                         }));
  EXPECT_EQ(keyTags(rowsOf(dn(), kTableProducent)), (std::vector<std::string>{"A/p", "B/p"}));
  EXPECT_EQ(keyTags(rowsOf(dn(), kTableDodatki)), (std::vector<std::string>{"5/p", "9/p"}));
}

TEST_P(MergeLog, SecondPassSearchesRecordsPostedEarlierWithoutInstalledDatabase) {
  makeDatabase(engine(), env(), dn(), {}, {});
  makeDatabase(engine(), env(), nw(), {producer("A", "n", "p1"), producer("B", "n", "p"), producer("A", "n", "p2")},
               {accessory(2, "Szafa", "p"), accessory(1, "Półka", "p")});
  expectLines(run(false), trace({
                              "Znaleniono oba istniejące pliki z dazą danych.",
                              "Tworzymy połączenie do " + dn(),
                              "Tworzymy połączenie do " + nw(),
                              "Przenosimy z dodatki_new.mdb",
                              "[NW] A",
                              "[NW] B",
                              "[DN] A",
                              "[NW] A",
                              "[DN] A",
                              "Przenosimy dodatki z dodatki_new.mdb",
                              "[NW] 2 : Szafa - dopisano",
                              "[NW] 1 : Półka - dopisano",
                              "[DN] 2",
                              "Poprawnie przeniesiono dane.",
                          }));
}

INSTANTIATE_TEST_SUITE_P(Engines, MergeLog, testing::ValuesIn(kEnginesUnderTest), engineParamName);

}  // namespace
}  // namespace test
