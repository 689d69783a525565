// Runs without a window, as deployment tools start the installer: the whole
// program from its installer file to the exit code, on the headless window.
#include <gtest/gtest.h>

#include "accessorydb/jet_engine.h"
#include "accessorydb/schema.h"
#include "app/exit_code.h"
#include "app/run_host.h"
#include "app/silent_run.h"
#include "package/installer_footer.h"
#include "package/zip_writer.h"
#include "tests/accessorydb/adb_fixture.h"
#include "tests/support/headless_form.h"
#include "tests/support/jpeg_writer.h"

namespace {

using Keys = std::vector<std::string>;
using Entries = std::vector<std::pair<std::string, std::string>>;

// What one program run left.
struct Outcome {
  ExitCode code;
  std::vector<std::string> memo;
  std::vector<std::string> errorBoxes;
  bool workFolderLeft;

  bool said(const std::string& line) const { return std::find(memo.begin(), memo.end(), line) != memo.end(); }
};

// One program as the entry builds it: a fresh current folder, the headless
// window on a host that records error boxes, behind the run's host.
struct Program {
  Program(std::vector<std::string> args, bool silent, std::string cwd = "")
      : env(platform::systemEnv(), cwd.empty() ? dir.root() : cwd),
        host(system, silent),
        engine(accessorydb::makeJetEngine(env)),
        form(env, *engine, host, std::move(args)) {}
  const std::vector<std::string>& memo() const { return form.infoBox.lines(); }

  test::TempDir dir;
  test::FolderEnv env;
  ui::HeadlessHost system;
  RunHost host;
  std::unique_ptr<accessorydb::Engine> engine;
  TForm1 form;
};

// A CAD installation under drive/Orvanta/ and an installer file.
class Unattended : public ::testing::Test {
 protected:
  void SetUp() override {
    engine = accessorydb::makeJetEngine(env);
    installation = world.path("drive") + s + "Orvanta" + s + "CAD Virel" + s;
    packageFolder = installation + "dodatki" + s + "Meble" + s;
    ASSERT_TRUE(platform::createDirs(env, installation + "dodatki" + s));
  }

  std::string zipOf(const Entries& entries) {
    {
      auto f = env.openFile(scratch.path("part.zip"), platform::Access::ReadWrite, platform::Creation::CreateAlways,
                            platform::Sharing::DenyWrite);
      package::zip::ZipWriter zip(*f);
      for (const auto& [name, data] : entries) zip.addBytes(name, data);
      zip.finish();
    }
    return scratch.read("part.zip");
  }

  std::string database(const std::vector<test::Row>& accessories, const std::string& tag) {
    const std::string path = scratch.path("db.mdb");
    (void)env.deleteFile(path);
    test::makeDatabase(*engine, env, path, {test::producer("Meble", "Meble sp. j.", tag)}, accessories);
    return scratch.read("db.mdb");
  }

  // stub, packages.zip, EF BB BF, footer
  void makeInstaller(const std::string& packageMdb) {
    test::writeJpeg(scratch.path("pic.jpg"), 64, 36);
    const std::string pic = scratch.read("pic.jpg");
    const std::string models = zipOf({{"Meble\\dodatki.mdb", packageMdb}, {"Meble\\modele\\szafka.mdl", "szafka"}});
    const std::string materials = zipOf({{"Drewno\\dab.txt", "dąb"}});
    const std::string pkg =
        zipOf({{"install.jpg", pic}, {"finish.jpg", pic}, {"models.zip", models}, {"db_materials.zip", materials}});
    const std::string stub(4096, 'S');
    world.write("setup.exe", stub + pkg + "\xEF\xBB\xBF" + package::makeFooter(stub.size()));
  }

  // One program run with /S (and /d when diagnostic).
  Outcome run(std::optional<std::string> destination = std::nullopt,
              std::vector<std::string> processes = {"explorer.exe"}, bool diagnostic = false) {
    Program p(diagnostic ? std::vector<std::string>{"/d", "/S"} : std::vector<std::string>{"/S"}, true);
    p.env.roots = {world.path("drive") + s};
    p.env.exe = world.path("setup.exe");
    p.env.processes = std::move(processes);
    p.form.givenDestination = std::move(destination);
    const ExitCode code = runSilently(p.form, p.host);
    return {code, p.memo(), p.system.errors, p.env.dirExists(p.form.tmpDir)};
  }

  Keys installedKeys() {
    return test::keyTags(test::readRows(*engine, packageFolder + "dodatki.mdb", accessorydb::kTableDodatki));
  }

  const char s = platform::systemEnv().separator();
  platform::Env& env = platform::systemEnv();
  test::TempDir world, scratch;
  std::unique_ptr<accessorydb::Engine> engine;
  std::string installation, packageFolder;
};

TEST_F(Unattended, FirstInstallAndUpdateWithTheSearchOrAGivenDestination) {
  const std::string update = database(
      {test::accessory(1, "Uchwyt", "new"), test::accessory(9, "Listwa", "new"), test::accessory(7, "DELETE", "new")},
      "new");
  const std::string installed = database(
      {test::accessory(1, "Uchwyt", "old"), test::accessory(5, "Gałka", "old"), test::accessory(7, "Nóżka", "old")},
      "old");
  makeInstaller(update);
  struct Case {
    const char* name;
    bool installedBefore;
    bool given;
    Keys expected;
  } cases[] = {
      {"first, searched", false, false, {"1/new", "9/new"}},
      {"first, given", false, true, {"1/new", "9/new"}},
      {"update, searched", true, false, {"1/new", "5/old", "9/new"}},
      {"update, given", true, true, {"1/new", "5/old", "9/new"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    (void)env.deleteFile(packageFolder + "dodatki.mdb");
    if (c.installedBefore) {
      ASSERT_TRUE(platform::createDirs(env, packageFolder));
      world.write("drive/Orvanta/CAD Virel/dodatki/Meble/dodatki.mdb", installed);
    }
    const Outcome o = run(c.given ? std::optional(installation) : std::nullopt);
    EXPECT_EQ(o.code, kInstalled);
    Keys keys = installedKeys();
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, c.expected);
    EXPECT_TRUE(env.fileExists(packageFolder + "modele" + s + "szafka.mdl"));
    EXPECT_TRUE(
        env.fileExists(installation + "DB_MATERIALS" + s + "Vodezidoz Azu Virel" + s + "Drewno" + s + "dab.txt"));
    EXPECT_FALSE(env.fileExists(packageFolder + "dodatki_old.mdb") ||
                 env.fileExists(packageFolder + "dodatki_new.mdb"));
    EXPECT_FALSE(o.workFolderLeft);  // Close tidied it
    EXPECT_TRUE(o.errorBoxes.empty());
  }
}

TEST_F(Unattended, EachOutcomeHasItsCodeAndItsLine) {
  makeInstaller(database({test::accessory(1, "Uchwyt", "new")}, "new"));
  {
    SCOPED_TRACE("a given destination without dodatki");
    const std::string wrong = world.path("drive") + s + "Inny" + s;
    const Outcome o = run(wrong);
    EXPECT_EQ(o.code, kNoDestination);
    EXPECT_TRUE(o.said("Podany folder instalacji jest błędny: " + wrong));
  }
  {
    SCOPED_TRACE("a given destination without its final separator");
    EXPECT_EQ(run(installation.substr(0, installation.size() - 1)).code, kNoDestination);
  }
  {
    SCOPED_TRACE("the CAD program running");
    const Outcome o = run(std::nullopt, {"explorer.exe", "CADVirelPro.exe"});
    EXPECT_EQ(o.code, kCadBusy);
    EXPECT_TRUE(o.said("Wyłącz program CADVirelPro.exe i spróbuj ponownie."));
    EXPECT_FALSE(env.fileExists(packageFolder + "dodatki.mdb"));
  }
  {
    SCOPED_TRACE("the companion process is no conflict");
    EXPECT_EQ(run(std::nullopt, {"vorncad.exe"}).code, kInstalled);
  }
  {
    SCOPED_TRACE("no installation on any drive");
    std::filesystem::rename(world.path("drive") + s + "Orvanta", world.path("drive") + s + "Inne");
    const Outcome o = run();
    EXPECT_EQ(o.code, kNoDestination);
    EXPECT_TRUE(o.said("Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog."));
    std::filesystem::rename(world.path("drive") + s + "Inne", world.path("drive") + s + "Orvanta");
  }
  {
    SCOPED_TRACE("an installer without its package");
    const std::string whole = world.read("setup.exe");
    world.write("setup.exe", whole.substr(0, whole.size() - 1000));
    const Outcome o = run();
    EXPECT_EQ(o.code, kPackageDamaged);
    EXPECT_TRUE(o.said("Brak danych pakietu ! [packages.zip]"));
    EXPECT_TRUE(o.errorBoxes.empty());
    world.write("setup.exe", whole);
  }
  {
    SCOPED_TRACE("bytes missing from the middle of the package");
    const std::string whole = world.read("setup.exe");
    world.write("setup.exe", whole.substr(0, 5000) + whole.substr(5500));
    const Outcome o = run();
    EXPECT_EQ(o.code, kPackageDamaged);
    // The reader's line is the only one: the run stops before any install step.
    EXPECT_EQ(o.memo, std::vector<std::string>{"Error reading zip file"});
    EXPECT_TRUE(o.errorBoxes.empty());
    world.write("setup.exe", whole);
  }
}

TEST_F(Unattended, AFailedMergeEndsWithOneAndKeepsTheInstalledDatabase) {
  ASSERT_TRUE(platform::createDirs(env, packageFolder));
  world.write("drive/Orvanta/CAD Virel/dodatki/Meble/dodatki.mdb",
              database({test::accessory(1, "Uchwyt", "old")}, "old"));
  const std::string before = world.read("drive/Orvanta/CAD Virel/dodatki/Meble/dodatki.mdb");
  makeInstaller(std::string(8192, 'x'));  // no database at all
  const Outcome o = run();
  EXPECT_EQ(o.code, kInstallFailed);
  EXPECT_TRUE(o.said("Wystąpił błąd instalacji modeli. Spróbuj ponownie."));
  EXPECT_EQ(world.read("drive/Orvanta/CAD Virel/dodatki/Meble/dodatki.mdb"), before);
  EXPECT_TRUE(o.errorBoxes.empty());
}

TEST_F(Unattended, AWorkingFolderThatCannotBeCreatedEndsWithFourAndNamesIt) {
  makeInstaller(database({test::accessory(1, "Uchwyt", "new")}, "new"));
  // The current folder is a file: nothing can be created below it.
  world.write("plik", "not a folder");
  Program p({"/S"}, true, world.path("plik"));
  p.env.exe = world.path("setup.exe");
  p.env.roots = {world.path("drive") + s};
  EXPECT_EQ(runSilently(p.form, p.host), kPackageDamaged);
  EXPECT_NE(std::find(p.memo().begin(), p.memo().end(), "Nie można utworzyć folderu roboczego: " + p.form.tmpDir),
            p.memo().end());
  EXPECT_TRUE(p.system.errors.empty());
  EXPECT_FALSE(env.fileExists(packageFolder + "dodatki.mdb"));
}

TEST_F(Unattended, AnUnexpectedErrorBecomesALineInsteadOfAnErrorBox) {
  // An executable that cannot be opened fails start-up with an error.
  Program p({"/S"}, true);
  p.env.exe = world.path("missing.exe");
  EXPECT_EQ(runSilently(p.form, p.host), kPackageDamaged);
  EXPECT_TRUE(p.system.errors.empty());
  EXPECT_TRUE(p.host.errorShown());
  ASSERT_FALSE(p.memo().empty());
  EXPECT_NE(p.memo().back().find("missing.exe"), std::string::npos);
}

TEST_F(Unattended, AWindowedRunEndsWithTheCodeOfWhatItShows) {
  makeInstaller(database({test::accessory(1, "Uchwyt", "new")}, "new"));
  struct Case {
    const char* name;
    bool clickInstall;
    std::vector<std::string> processes;
    ExitCode expected;
  } cases[] = {
      {"installed", true, {"explorer.exe"}, kInstalled},
      {"closed without installing", false, {"explorer.exe"}, kInstallFailed},
      {"CAD program running", false, {"CADVirelPro.exe"}, kCadBusy},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    (void)env.deleteFile(packageFolder + "dodatki.mdb");
    Program p({}, false);
    p.env.roots = {world.path("drive") + s};
    p.env.exe = world.path("setup.exe");
    p.env.processes = c.processes;
    p.form.window().dispatch([&] { p.form.FormCreate(); });
    p.form.window().dispatch([&] { p.form.Timer1Timer(); });
    if (c.clickInstall) {
      p.form.window().dispatch(p.form.bnInstallNormal.onEnter);
      p.form.window().dispatch(p.form.bnInstallHover.onClick);
    }
    p.form.window().dispatch([&] { p.form.CloseClick(); });
    EXPECT_TRUE(p.system.errors.empty());
    EXPECT_EQ(exitCodeOf(p.form, p.host.errorShown()), c.expected);
  }
}

TEST_F(Unattended, AnErrorBoxOfAWindowedRunStillShows) {
  Program p({}, false);
  p.form.window().dispatch([] { throw std::runtime_error("Błąd"); });
  EXPECT_EQ(p.system.errors, (std::vector<std::string>{"Instalator pakietów CAD: Błąd"}));
  EXPECT_TRUE(p.host.errorShown());
}

}  // namespace
