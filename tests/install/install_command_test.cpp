// The install command on the headless window, on real archives and databases.
#include <gtest/gtest.h>

#include <algorithm>

#include "accessorydb/jet_engine.h"
#include "package/zip_writer.h"
#include "tests/accessorydb/adb_fixture.h"
#include "tests/support/fault_env.h"
#include "tests/support/headless_form.h"
#include "tests/support/jpeg_writer.h"

namespace {

using Keys = std::vector<std::string>;

constexpr unsigned kInstallRed = 200, kFinishRed = 20;

class InstallCommand : public ::testing::Test {
 public:
  void SetUp() override {
    f.form.FormCreate();
    engine = accessorydb::makeJetEngine(f.env);
    const char s = f.env.separator();
    root = f.dir.path("CAD") + s;
    packageFolder = root + "dodatki" + s + "Meble" + s;
    ASSERT_TRUE(platform::createDirs(f.env, root + "dodatki" + s));
    f.readyToInstall("  " + root + " ");  // used trimmed
    test::writeJpeg(f.tmp("install.jpg"), 1040, 585, kInstallRed, 0, 0);
    test::writeJpeg(f.tmp("finish.jpg"), 1040, 585, kFinishRed, 0, 0);
    f.form.setCover(f.tmp("install.jpg"));
    f.dir.write("tmp/packages.zip", "the package archive");
  }

  std::string database(const std::vector<test::Row>& accessories) {
    const std::string path = scratch.path("db" + std::to_string(++made) + ".mdb");
    test::makeDatabase(*engine, f.env, path, {test::producer("Meble", "Meble sp. j.", "p")}, accessories);
    return scratch.read("db" + std::to_string(made) + ".mdb");
  }
  // models.zip holding the package folder with its database and one model.
  void modelsZip(const std::string& mdbBytes, bool corruptModel = false) {
    auto out = f.env.openFile(f.tmp("models.zip"), platform::Access::ReadWrite, platform::Creation::CreateAlways,
                              platform::Sharing::DenyWrite);
    package::zip::ZipWriter zip(*out);
    zip.addBytes("Meble\\dodatki.mdb", mdbBytes);
    package::zip::EntryOptions stored;
    stored.method = 0;
    zip.addBytes("Meble\\modele\\szafka.mdl", corruptModel ? std::string(64, 'm') : "szafka", stored);
    zip.finish();
    out.reset();
    if (corruptModel) {
      // Same length, other bytes: the CRC no longer matches.
      std::string bytes = f.dir.read("tmp/models.zip");
      bytes[bytes.find(std::string(64, 'm'))] = 'X';
      f.dir.write("tmp/models.zip", bytes);
    }
  }
  void materialsZip() {
    auto out = f.env.openFile(f.tmp("db_materials.zip"), platform::Access::ReadWrite, platform::Creation::CreateAlways,
                              platform::Sharing::DenyWrite);
    package::zip::ZipWriter zip(*out);
    zip.addBytes("Drewno\\dab.txt", "dąb");
    zip.finish();
  }
  Keys installedKeys() {
    return test::keyTags(test::readRows(*engine, packageFolder + "dodatki.mdb", accessorydb::kTableDodatki));
  }
  bool inPackage(const std::string& name) { return f.env.fileExists(packageFolder + name); }
  unsigned coverRed() {
    const auto& pic = f.form.BG.picture();
    return (pic->pixels[pic->pixels.size() / 2] >> 16) & 0xFF;
  }
  bool said(const std::string& line) { return std::find(f.memo().begin(), f.memo().end(), line) != f.memo().end(); }

  test::HeadlessForm f{{"/d"}};
  test::TempDir scratch;
  std::unique_ptr<accessorydb::Engine> engine;
  std::string root, packageFolder;
  int made = 0;
};

TEST_F(InstallCommand, FirstInstallBuildsTheDatabaseFromThePackageAlone) {
  modelsZip(database({test::accessory(1, "Uchwyt", "new"), test::accessory(2, "DELETE", "new")}));
  materialsZip();
  f.form.ButtonInstallClick();
  EXPECT_EQ(installedKeys(), (Keys{"1/new"}));
  EXPECT_TRUE(inPackage("modele" + std::string(1, f.env.separator()) + "szafka.mdl"));
  EXPECT_FALSE(inPackage("dodatki_old.mdb") || inPackage("dodatki_new.mdb"));
  const char s = f.env.separator();
  EXPECT_TRUE(f.env.fileExists(root + "DB_MATERIALS" + s + "Vodezidoz Azu Virel" + s + "Drewno" + s + "dab.txt"));
  EXPECT_LT(coverRed(), 100u);  // the finish picture
  EXPECT_FALSE(f.form.InfoLabel.visible());
  EXPECT_FALSE(f.form.gauge.visible());
  EXPECT_TRUE(f.form.bnCloseNormal.visible());
  EXPECT_FALSE(f.form.bnInstallActive.visible() || f.form.bnInstallDisable.visible());
  EXPECT_FALSE(f.env.dirExists(f.form.tmpDir));  // emptied and removed
  EXPECT_TRUE(said("Poprawnie zakończono instalację modeli."));
  EXPECT_TRUE(said("Poprawnie zakończono instalację materiałów."));
}

// Unpacking and the merge tell the window, row by row, that they are still
// at work, so the Win32 window can keep answering the system.
TEST_F(InstallCommand, LongWorkKeepsTellingTheWindowItIsAlive) {
  std::vector<test::Row> rows;
  for (int i = 1; i <= 200; ++i) rows.push_back(test::accessory(i, "Rzecz", "new"));
  modelsZip(database(rows));
  const int before = f.form.window().stillWorkingCalls();
  f.form.ButtonInstallClick();
  EXPECT_EQ(installedKeys().size(), 200u);
  EXPECT_GE(f.form.window().stillWorkingCalls() - before, 400);  // the package rows read, then written
}

TEST_F(InstallCommand, SecondInstallMergesAndDeletesTheBackup) {
  f.dir.write("CAD/dodatki/Meble/dodatki.mdb",
              database({test::accessory(1, "Stary", "old"), test::accessory(5, "Nóżka", "old")}));
  modelsZip(database({test::accessory(1, "Nowy", "new"), test::accessory(9, "Listwa", "new")}));
  f.form.ButtonInstallClick();
  EXPECT_EQ(installedKeys(), (Keys{"1/new", "5/old", "9/new"}));
  EXPECT_FALSE(inPackage("dodatki_old.mdb") || inPackage("dodatki_new.mdb"));
  EXPECT_TRUE(said("Kasujemy niepotrzebny plik dodatki_old.mdb"));
}

// A failed models phase puts the installed database back and keeps saying so.
void expectRestored(InstallCommand& t, bool corruptModel, bool garbageMdb) {
  auto& f = t.f;
  const std::string installed = t.database({test::accessory(1, "Stary", "old")});
  f.dir.write("CAD/dodatki/Meble/dodatki.mdb", installed);
  t.modelsZip(garbageMdb ? std::string(8192, 'x') : t.database({test::accessory(2, "Nowy", "new")}), corruptModel);
  f.form.ButtonInstallClick();
  EXPECT_EQ(f.dir.read("CAD/dodatki/Meble/dodatki.mdb"), installed);
  EXPECT_FALSE(t.inPackage("dodatki_old.mdb") || t.inPackage("dodatki_new.mdb"));
  EXPECT_TRUE(f.form.InfoLabel.visible());
  EXPECT_EQ(f.form.InfoLabel.text(), "Wystąpił błąd instalacji modeli. Spróbuj ponownie.");
  EXPECT_GT(t.coverRed(), 100u);  // the install picture stays
  EXPECT_TRUE(t.said("Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb"));
  EXPECT_TRUE(f.form.bnCloseNormal.visible());
}

TEST_F(InstallCommand, FailedUnpackingRestoresTheInstalledDatabase) { expectRestored(*this, true, false); }

TEST_F(InstallCommand, FailedMergeRestoresTheInstalledDatabase) { expectRestored(*this, false, true); }

TEST_F(InstallCommand, ATakenBackupNameServesAsTheInstalledDatabase) {
  // A backup left by an interrupted install; dodatki.mdb beside it.
  f.dir.write("CAD/dodatki/Meble/dodatki_old.mdb", database({test::accessory(3, "Kopia", "old")}));
  f.dir.write("CAD/dodatki/Meble/dodatki.mdb", database({test::accessory(4, "Inny", "other")}));
  modelsZip(database({test::accessory(7, "Nowy", "new")}));
  f.form.ButtonInstallClick();
  EXPECT_TRUE(said("Błąd zmiany nazwy pliku dodatki.mdb na dodatki_old.mdb"));
  EXPECT_EQ(installedKeys(), (Keys{"3/old", "7/new"}));
  EXPECT_FALSE(inPackage("dodatki_old.mdb") || inPackage("dodatki_new.mdb"));
}

TEST_F(InstallCommand, WithoutArchivesOnlyTheFinalStepsRun) {
  f.form.ButtonInstallClick();
  EXPECT_FALSE(said("Trwa instalowanie modeli z pakietu..."));
  EXPECT_FALSE(f.form.bnCloseDisable.visible());
  EXPECT_TRUE(f.form.bnCloseNormal.visible());
  EXPECT_FALSE(f.form.gauge.visible());
  EXPECT_LT(coverRed(), 100u);
  EXPECT_FALSE(f.env.fileExists(f.tmp("packages.zip")));
}

// What an install killed during the merge leaves behind (the package database
// set aside, the destination half built under its temporary name, the backup
// if there was an installed database, and no dodatki.mdb); the next install
// must merge as if nothing had happened and leave none of it.
void expectRedone(InstallCommand& t, bool backup, const Keys& expected) {
  auto& f = t.f;
  const std::string package = t.database({test::accessory(1, "Nowy", "new"), test::accessory(9, "Listwa", "new")});
  if (backup)
    f.dir.write("CAD/dodatki/Meble/dodatki_old.mdb",
                t.database({test::accessory(1, "Stary", "old"), test::accessory(5, "Nóżka", "old")}));
  f.dir.write("CAD/dodatki/Meble/dodatki_new.mdb", package);
  f.dir.write("CAD/dodatki/Meble/dodatki.mdb.~merge", package.substr(0, 8192));
  t.modelsZip(package);
  f.form.ButtonInstallClick();
  EXPECT_EQ(t.installedKeys(), expected);
  EXPECT_FALSE(t.inPackage("dodatki_old.mdb") || t.inPackage("dodatki_new.mdb") || t.inPackage("dodatki.mdb.~merge"));
  EXPECT_TRUE(t.said("Poprawnie zakończono instalację modeli."));
}

TEST_F(InstallCommand, AnUpdateKilledDuringTheMergeIsRedone) { expectRedone(*this, true, {"1/new", "5/old", "9/new"}); }

TEST_F(InstallCommand, AFirstInstallKilledDuringTheMergeIsRedone) { expectRedone(*this, false, {"1/new", "9/new"}); }

// A package database left beside a good merged database looks like an
// interrupted first install, but it is not one: the next install must merge
// with the installed database, not replace it.
TEST_F(InstallCommand, APackageDatabaseLeftByAGoodUpdateCostsNoInstalledRows) {
  f.dir.write("CAD/dodatki/Meble/dodatki.mdb",
              database({test::accessory(1, "Stary", "old"), test::accessory(5, "Nóżka", "old")}));
  const std::string package = database({test::accessory(1, "Nowy", "new"), test::accessory(9, "Listwa", "new")});
  modelsZip(package);
  {
    // The package database set aside cannot be deleted, as when an antivirus
    // scanner holds the freshly written file on Windows.
    test::FaultEnv held(f.env);
    held.failDeletes(test::pathEndingWith("dodatki_new.mdb"));
    ui::HeadlessHost host;
    const auto engine = accessorydb::makeJetEngine(held);
    TForm1 first(held, *engine, host, {"/d"});
    first.FormCreate();
    first.fileModelsZip = "models.zip";
    first.filePackageZip = "packages.zip";
    first.packageName = "Meble";
    first.Edit1.setText(root);
    first.ButtonInstallClick();
  }
  ASSERT_TRUE(inPackage("dodatki_new.mdb"));
  ASSERT_EQ(installedKeys(), (Keys{"1/new", "5/old", "9/new"}));

  ASSERT_TRUE(f.env.createDir(f.form.tmpDir));
  modelsZip(package);
  f.form.ButtonInstallClick();
  EXPECT_EQ(installedKeys(), (Keys{"1/new", "5/old", "9/new"}));
  EXPECT_FALSE(inPackage("dodatki_old.mdb") || inPackage("dodatki_new.mdb"));
  EXPECT_TRUE(said("Poprawnie zakończono instalację modeli."));
}

// Where the merge's destination lies while it is built: never under the
// name the CAD program reads.
TEST_F(InstallCommand, TheMergedDatabaseTakesItsNameOnlyWhenComplete) {
  f.dir.write("CAD/dodatki/Meble/dodatki.mdb", database({test::accessory(5, "Nóżka", "old")}));
  modelsZip(database({test::accessory(9, "Listwa", "new")}));
  test::FaultEnv watching(f.env);
  ui::HeadlessHost host;
  const auto engine = accessorydb::makeJetEngine(watching);
  TForm1 form(watching, *engine, host, {});
  form.FormCreate();
  form.fileModelsZip = "models.zip";
  form.packageName = "Meble";
  form.Edit1.setText(root);
  form.ButtonInstallClick();
  EXPECT_EQ(installedKeys(), (Keys{"5/old", "9/new"}));
  // The unpacked package database is written under the ZIP reader's own
  // temporary name; every other write goes to the merge's build file.
  for (const auto& p : watching.written) EXPECT_NE(p, packageFolder + "dodatki.mdb");
  EXPECT_NE(std::find(watching.written.begin(), watching.written.end(), packageFolder + "dodatki.mdb.~merge"),
            watching.written.end());
}

}  // namespace
