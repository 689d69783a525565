// Packages whose dodatki.mdb does not fit the installed tables: the install
// fails with its message, the installed database is left exactly as it was,
// no side file remains, and the next good package installs. The packages are
// those of tests/support/package_databases.h, which pack's tests run too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "accessorydb/jet_engine.h"
#include "tests/support/package_databases.h"
#include "tests/support/package_install_run.h"

namespace {

using namespace test::packagedb;
using test::InstallerRun;

const char* const kModelsFailed = "Wystąpił błąd instalacji modeli. Spróbuj ponownie.";

enum class Mode { Update, FirstInstall };
void PrintTo(Mode m, std::ostream* os) { *os << (m == Mode::Update ? "update" : "first install"); }

bool sameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// Every value of a written accessory is that of the first package record with
// its ID, unchanged; a number in a Yes/No column stands for Yes when not 0.
void expectCopiedUnchanged(const std::vector<test::Row>& installed, const TableSpec& package) {
  const auto& columns = accessorydb::dodatkiColumns();
  for (const auto& row : installed) {
    if (std::get<std::string>(row[2]) == "old") continue;
    const auto source = std::find_if(package.rows.begin(), package.rows.end(), [&](const Values& r) {
      const auto& id = r.count("ID") ? r.at("ID") : jet::Value{};
      return id == toJet(row[0]);
    });
    ASSERT_NE(source, package.rows.end());
    for (size_t i = 0; i < columns.size(); ++i) {
      jet::Value want;
      for (const auto& [c, v] : *source)
        if (sameName(c, columns[i].name)) want = v;
      if (const auto* n = std::get_if<int32_t>(&want); n && columns[i].type == accessorydb::adBoolean) want = *n != 0;
      EXPECT_EQ(toJet(row[i]), want) << columns[i].name;
    }
  }
}

// A CAD installation with the package folder "Meble", holding an installed
// database for an update and nothing for a first install.
class Installation {
 public:
  explicit Installation(Mode mode) : mode_(mode), engine_(accessorydb::makeJetEngine(platform::systemEnv())) {
    const char s = platform::systemEnv().separator();
    root_ = cad_.path("CAD") + s;
    packageFolder_ = root_ + "dodatki" + s + "Meble" + s;
    EXPECT_TRUE(platform::createDirs(platform::systemEnv(), packageFolder_));
    if (mode == Mode::Update) {
      const std::string path = scratch_.path("installed.mdb");
      test::makeDatabase(*engine_, platform::systemEnv(), path,
                         {test::producer("Meble", "Meble sp. j.", "old"), test::producer("Inny", "Inny", "old")},
                         {test::accessory(1, "Stary", "old"), test::accessory(5, "Nóżka", "old")});
      installed_ = scratch_.read("installed.mdb");
      cad_.write("CAD/dodatki/Meble/dodatki.mdb", installed_);
    }
  }

  // Runs the installer once with a package holding this database.
  std::unique_ptr<InstallerRun> install(const PackageSpec& package) {
    auto run = std::make_unique<InstallerRun>(
        root_, writeDatabase(platform::systemEnv(), scratch_, "package" + std::to_string(++runs_) + ".mdb", package));
    run->install();
    return run;
  }

  // The state after a refused package: the installed database as it was, or
  // none after a first install; no side file.
  void expectUntouched() {
    if (mode_ == Mode::Update) {
      EXPECT_EQ(cad_.read("CAD/dodatki/Meble/dodatki.mdb"), installed_);
      EXPECT_EQ(packageFolderEntries(), (std::set<std::string>{"dodatki.mdb", "modele"}));
    } else {
      EXPECT_EQ(packageFolderEntries(), (std::set<std::string>{"modele"}));
    }
  }
  std::set<std::string> packageFolderEntries() {
    std::set<std::string> names;
    for (const auto& e : platform::systemEnv().listDir(packageFolder_)) names.insert(e.name);
    return names;
  }
  std::vector<test::Row> rows(const std::string& table) {
    return test::readRows(*engine_, packageFolder_ + "dodatki.mdb", table);
  }

 private:
  Mode mode_;
  test::TempDir cad_, scratch_;
  std::string root_, packageFolder_, installed_;
  std::unique_ptr<accessorydb::Engine> engine_;
  int runs_ = 0;
};

class BadPackageDatabase : public ::testing::TestWithParam<Mode> {};

TEST_P(BadPackageDatabase, FailsLeavingTheInstalledDatabaseAsItWas) {
  int rejected = 0;
  for (const auto& c : kFailingCases) {
    SCOPED_TRACE(c.name);
    Installation cad(GetParam());
    PackageSpec package = goodPackage();
    c.spoil(package);
    {
      const int failuresBefore = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
      const auto run = cad.install(package);
      EXPECT_TRUE(run->saidSomethingWith(c.failure));
      EXPECT_TRUE(run->said(kModelsFailed));
      EXPECT_EQ(run->f.form.InfoLabel.text(), kModelsFailed);
      cad.expectUntouched();
      if (::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() == failuresBefore)
        ++rejected;
    }
    const auto again = cad.install(goodPackage());
    EXPECT_TRUE(again->said("Poprawnie zakończono instalację modeli."));
    EXPECT_EQ(test::keyTags(cad.rows(accessorydb::kTableDodatki)),
              GetParam() == Mode::Update ? kGoodUpdate : kGoodFirst);
    EXPECT_EQ(cad.packageFolderEntries(), (std::set<std::string>{"dodatki.mdb", "modele"}));
  }
  // Read by scripts/reliability-figures.sh.
  RecordProperty("inputs_tried", static_cast<int>(kFailingCases.size()));
  RecordProperty("inputs_rejected", rejected);
}

TEST_P(BadPackageDatabase, InstallsWhatTheMergeRulesAllow) {
  for (const auto& c : kAcceptedCases) {
    SCOPED_TRACE(c.name);
    Installation cad(GetParam());
    PackageSpec package = goodPackage();
    c.spoil(package);
    const auto run = cad.install(package);
    EXPECT_TRUE(run->said("Poprawnie zakończono instalację modeli."));
    EXPECT_EQ(cad.packageFolderEntries(), (std::set<std::string>{"dodatki.mdb", "modele"}));
    const auto rows = cad.rows(accessorydb::kTableDodatki);
    EXPECT_EQ(test::keyTags(rows), GetParam() == Mode::Update ? c.updateKeys : c.firstKeys);
    expectCopiedUnchanged(rows, package.tables.back());
    if (GetParam() == Mode::Update) {
      EXPECT_EQ(test::keyTags(cad.rows(accessorydb::kTableProducent)), c.updateProducers);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Installs, BadPackageDatabase, testing::Values(Mode::Update, Mode::FirstInstall),
                         [](const auto& info) { return info.param == Mode::Update ? "Update" : "FirstInstall"; });

}  // namespace
