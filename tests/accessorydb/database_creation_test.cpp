// Creating an empty accessory database.
#include <memory>

#include "tests/accessorydb/adb_test_base.h"
#include "tests/support/fault_env.h"

using namespace accessorydb;

namespace test {
namespace {

const std::vector<std::string> kProducentNames = {"Producent", "Nazwa", "Ulica",  "Miasto", "kod",
                                                  "Tel",       "Fax",   "e_mail", "osoba"};
const std::vector<std::string> kDodatkiNames = {"ID",
                                                "Producent",
                                                "Grupa",
                                                "Typ",
                                                "Nazwa",
                                                "JPG",
                                                "Kod_Producenta",
                                                "Dodatek_wst",
                                                "Kod_Wstawiania",
                                                "Kolor",
                                                "DWG",
                                                "Wysokosc",
                                                "Opis_Produktu",
                                                "Kod_Dodatku1",
                                                "Kod_Dodatku2",
                                                "Kod_Dodatku3",
                                                "Kod_Dodatku4",
                                                "Opis_Koloru",
                                                "cena",
                                                "vat",
                                                "marza",
                                                "upust",
                                                "kolorystyka",
                                                "wymiar X",
                                                "wymiar Y",
                                                "wymiar Z",
                                                "typ_standardowy"};

const LogLine kCreating{2, "Tworzenie pliku bazy danych."};
const LogLine kProducentTable{2, "Tworzenie tabeli `info_roducent`"};
const LogLine kDodatkiTable{2, "Tworzenie tabeli `Dodatki`"};
const LogLine kCreated{2, "Utworzono pustą bazę danych."};
const LogLine kFound{2, "Znaleniono istniejący plik z dazą danych."};

// An engine whose catalogue refuses the accessory table.
class RefusingEngine : public Engine {
 public:
  explicit RefusingEngine(Engine& target) : target_(target) {}
  std::unique_ptr<Catalogue> makeCatalogue() override {
    class C : public Catalogue {
     public:
      explicit C(std::unique_ptr<Catalogue> t) : t_(std::move(t)) {}
      void createDatabase(const std::string& p) override { t_->createDatabase(p); }
      void setConnection(const std::string& p) override { t_->setConnection(p); }
      void appendTable(const TableObject& table) override {
        if (table.name == kTableDodatki) throw EngineError("odmowa");
        // Columns must name the catalogue they are added to.
        TableObject copy = table;
        for (auto& c : copy.columns) c.parentCatalog = t_.get();
        t_->appendTable(copy);
      }
      std::unique_ptr<Catalogue> t_;
    };
    return std::make_unique<C>(target_.makeCatalogue());
  }
  std::unique_ptr<Connection> openConnection(const std::string& p, bool w) override {
    return target_.openConnection(p, w);
  }

 private:
  Engine& target_;
};

using DatabaseCreation = AdbTest;

TEST_P(DatabaseCreation, NewPathGetsBothEmptyTablesInColumnOrder) {
  RecordingReporter log;
  AccessoryDb db(log, env(), engine());
  const auto file = path("dodatki.mdb");
  ASSERT_TRUE(db.MDBCreate(file));
  EXPECT_EQ(db.mdbBase, nullptr);
  expectLines(log.lines, {kCreating, kProducentTable, kDodatkiTable, kCreated});
  EXPECT_EQ(eut_->tableNames(file), (std::vector<std::string>{"info_producent", "Dodatki"}));
  EXPECT_EQ(eut_->columnNames(file, kTableProducent), kProducentNames);
  EXPECT_EQ(eut_->columnNames(file, kTableDodatki), kDodatkiNames);
  EXPECT_EQ(eut_->primaryKey(file, kTableDodatki), std::vector<std::string>{"ID"});
  EXPECT_TRUE(eut_->primaryKey(file, kTableProducent).empty());
  EXPECT_TRUE(rowsOf(file, kTableProducent).empty());
  EXPECT_TRUE(rowsOf(file, kTableDodatki).empty());
  if (GetParam() == EngineKind::Jet && haveMdbtools()) {
    EXPECT_EQ(mdbExport(file, kTableProducent).value_or(std::vector<std::vector<std::string>>{{}}).front(),
              kProducentNames);
    EXPECT_EQ(mdbExport(file, kTableDodatki).value_or(std::vector<std::vector<std::string>>{{}}).front(),
              kDodatkiNames);
  }
}

TEST_P(DatabaseCreation, ExistingFileIsReplacedByAnEmptyDatabase) {
  const auto file = path("dodatki.mdb");
  makeDatabase(engine(), env(), file, {producer("A", "n", "u")}, {accessory(1, "n", "g")});
  RecordingReporter log;
  AccessoryDb db(log, env(), engine());
  ASSERT_TRUE(db.MDBCreate(file));
  expectLines(
      log.lines,
      {kFound, {2, "Usunięto istniejący plik z dazą danych."}, kCreating, kProducentTable, kDodatkiTable, kCreated});
  EXPECT_TRUE(rowsOf(file, kTableProducent).empty());
  EXPECT_TRUE(rowsOf(file, kTableDodatki).empty());
}

TEST_P(DatabaseCreation, MissingFolderGivesFalseOneUserLineAndNoFile) {
  RecordingReporter log;
  AccessoryDb db(log, env(), engine());
  const auto file = path("brak") + TempDir::sep() + "dodatki.mdb";
  EXPECT_FALSE(db.MDBCreate(file));
  EXPECT_EQ(db.mdbBase, nullptr);
  expectLines(log.lines, {kCreating, {1, "[Błąd tworzenia bazy danych MDB.] *"}});
  EXPECT_FALSE(exists(file));
}

TEST_P(DatabaseCreation, UndeletableFileIsReportedAndCreationFailsOverIt) {
  const auto file = path("dodatki.mdb");
  dir_.write("dodatki.mdb", "stara zawartość");
  test::FaultEnv stuck(env());  // refuses to delete any file
  stuck.failDeletes(test::anyPath());
  RecordingReporter log;
  AccessoryDb db(log, stuck, engine());
  EXPECT_FALSE(db.MDBCreate(file));
  expectLines(log.lines, {kFound,
                          {1, "Błąd kasowania istniejącego pliku z dazą danych."},
                          kCreating,
                          {1, "[Błąd tworzenia bazy danych MDB.] *"}});
  EXPECT_EQ(dir_.read("dodatki.mdb"), "stara zawartość");
}

TEST_P(DatabaseCreation, RefusedAccessoryTableRemovesTheHalfBuiltFile) {
  RefusingEngine refusing(engine());
  RecordingReporter log;
  AccessoryDb db(log, env(), refusing);
  const auto file = path("dodatki.mdb");
  EXPECT_FALSE(db.MDBCreate(file));
  EXPECT_EQ(db.mdbBase, nullptr);
  expectLines(log.lines, {kCreating,
                          kProducentTable,
                          kDodatkiTable,
                          {1, "[Błąd tworzenia bazy danych MDB.] odmowa"},
                          {1, "Usunięto błędnie utworzony plik z dazą danych."}});
  EXPECT_FALSE(exists(file));
}

INSTANTIATE_TEST_SUITE_P(Engines, DatabaseCreation, testing::ValuesIn(kEnginesUnderTest), engineParamName);

}  // namespace
}  // namespace test
