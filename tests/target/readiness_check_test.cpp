#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#ifdef _WIN32
#include <process.h>
#endif

#include "tests/target/target_form.h"

namespace {

using Lines = std::vector<std::string>;
using test::TargetForm;

const char S = test::TempDir::sep();
const std::string kCloseCad = "Wyłącz program CAD VIREL i spróbuj ponownie.";

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}
std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Keeps the database busy the way the CAD program does while it runs. On
// Windows another process holds the file open without delete sharing; on
// POSIX, where an open file can still be renamed, the Jet lock file beside
// the database says so.
class HeldOpen {
 public:
  explicit HeldOpen(const std::string& database) : database_(database) {
#ifdef _WIN32
    std::string exe = platform::systemEnv().executablePath();
    exe = exe.substr(0, exe.find_last_of("\\/") + 1) + "hold_open_helper.exe";
    const std::string quoted = "\"" + database + "\"";
    child_ = _spawnl(_P_NOWAIT, exe.c_str(), "hold_open_helper", quoted.c_str(), nullptr);
    EXPECT_NE(child_, -1) << "cannot start " << exe;
    for (int i = 0; i < 500 && child_ != -1 && !platform::systemEnv().fileExists(database + ".held"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(platform::systemEnv().fileExists(database + ".held")) << "the helper did not open the database";
#else
    lock_ = database.substr(0, database.size() - 4) + ".ldb";
    writeFile(lock_, "");
#endif
  }
  ~HeldOpen() {
#ifdef _WIN32
    writeFile(database_ + ".release", "");
    if (child_ != -1) _cwait(nullptr, child_, _WAIT_CHILD);
    (void)platform::systemEnv().deleteFile(database_ + ".held");
    (void)platform::systemEnv().deleteFile(database_ + ".release");
#else
    (void)platform::systemEnv().deleteFile(lock_);
#endif
  }
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;

 private:
  std::string database_;
#ifdef _WIN32
  intptr_t child_ = -1;
#else
  std::string lock_;
#endif
};

// A window after start-up found a package and an installation: the
// destination root holds dodatki\<package>\.
struct Readiness {
  explicit Readiness(const std::string& package = "Pakiet", std::vector<std::string> args = {"/d"}) : f(args) {
    root = f.dir.path("CAD Virel") + S;
    dd = root + "dodatki" + S;
    EXPECT_TRUE(platform::createDirs(f.env, dd + package + S));
    f.form.Edit1.setText(root);  // pack is still false, so this runs no rename
    f.form.pack = true;
    f.form.packageName = package;
    f.form.fileModelsZip = "models.zip";
    F = dd + package + S + "dodatki.mdb";
    O = F + ".old";
    f.form.bnInstallSetDisable();
  }
  Lines run() {
    const size_t before = f.memo().size();
    f.form.CheckInstallationEnabled();
    return f.linesSince(before);
  }

  TargetForm f;
  std::string root, dd, F, O;
};

const Lines kScanPasses = {"Sprawdzamy uruchomienie applikacji CAD.", "Znaleziona w pamięci aplikację: init : 0",
                           "Znaleziona w pamięci aplikację: bash : 0", "Nie znaleziono uruchomionej applikacji CAD.",
                           "Odblokowywujemy klawisz INSTALL"};

Lines concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(ReadinessCheck, DatabaseStatesDecideTheAccessTest) {
  const char* absent = nullptr;
  struct Case {
    const char* what;
    const char* database;  // content of dodatki.mdb before, or absent
    const char* aside;     // content of dodatki.mdb.old before, or absent
    bool failDelete;
    bool heldOpen;
    bool passes;
    Lines trace;  // lines between "Sprawdzamy dostęp..." and the process scan
    const char* databaseAfter;
    const char* asideAfter;
    const char* backup = nullptr;  // content of the install's dodatki_old.mdb before, or absent
    const char* backupAfter = nullptr;
  } cases[] = {
      // clang-format off
      {"database absent", absent, absent, false, false, true, {"Dostęp do MDB poprawny"}, absent, absent},
      {"database present", "installed", absent, false, false, true, {"Dostęp do MDB poprawny"}, "installed", absent},
      {"stale copy beside the database is deleted", "installed", "stale", false, false, true,
       {"Kasujemy poprzednią kopię pliku dodatki.mdb", "Dostęp do MDB poprawny"}, "installed", absent},
      {"copy alone is the installed database, renamed back", absent, "installed", false, false, true,
       {"Przywracamy plik dodatki.mdb z kopii dodatki.mdb.old", "Dostęp do MDB poprawny"}, "installed", absent},
      {"copy alone that cannot be deleted is renamed back", absent, "installed", true, false, true,
       {"Przywracamy plik dodatki.mdb z kopii dodatki.mdb.old", "Dostęp do MDB poprawny"}, "installed", absent},
      {"stale copy that cannot be deleted blocks the rename", "installed", "stale", true, false, false,
       {"Kasujemy poprzednią kopię pliku dodatki.mdb", kCloseCad}, "installed", "stale"},
      {"database held open", "installed", absent, false, true, false, {kCloseCad}, "installed", absent},
      {"backup alone after an interrupted update is put back", absent, absent, false, false, true,
       {"Przywracamy plik dodatki.mdb z kopii dodatki_old.mdb", "Dostęp do MDB poprawny"}, "installed", absent,
       "installed", absent},
      {"backup beside the database stays for the install", "merged", absent, false, false, true,
       {"Dostęp do MDB poprawny"}, "merged", absent, "installed", "installed"},
      // clang-format on
  };
  for (const Case& c : cases) {
    Readiness r;
    if (c.database) writeFile(r.F, c.database);
    if (c.aside) writeFile(r.O, c.aside);
    const std::string backup = r.dd + "Pakiet" + S + "dodatki_old.mdb";
    if (c.backup) writeFile(backup, c.backup);
    r.f.env.failDelete = c.failDelete;
    Lines lines;
    {
      std::unique_ptr<HeldOpen> held;
      if (c.heldOpen) held = std::make_unique<HeldOpen>(r.F);
      lines = r.run();
    }
    const Lines head = {"Kontrola możliwości instalacji.", "Sprawdzamy dostęp do pliku: " + r.F};
    EXPECT_EQ(lines, concat(concat(head, c.trace), c.passes ? kScanPasses : Lines{})) << c.what;
    EXPECT_EQ(r.f.form.ready, c.passes) << c.what;
    EXPECT_EQ(r.f.installOffered(), c.passes) << c.what;
    EXPECT_EQ(r.f.form.bnInstallDisable.visible(), !c.passes) << c.what;  // a failing run leaves the button
    if (!c.passes) {
      EXPECT_EQ(r.f.form.InfoLabel.text(), kCloseCad) << c.what;
    }
    EXPECT_EQ(r.f.env.fileExists(r.F), c.databaseAfter != nullptr) << c.what;
    if (c.databaseAfter) {
      EXPECT_EQ(readFile(r.F), c.databaseAfter) << c.what;
    }
    EXPECT_EQ(r.f.env.fileExists(r.O), c.asideAfter != nullptr) << c.what;
    if (c.asideAfter) {
      EXPECT_EQ(readFile(r.O), c.asideAfter) << c.what;
    }
    EXPECT_EQ(r.f.env.fileExists(backup), c.backupAfter != nullptr) << c.what;
    if (c.backupAfter) {
      EXPECT_EQ(readFile(backup), c.backupAfter) << c.what;
    }
  }
}

TEST(ReadinessCheck, WithoutAPackageOnlyTheFirstLineIsWritten) {
  Readiness r;
  r.f.form.pack = false;
  writeFile(r.F, "installed");
  EXPECT_EQ(r.run(), (Lines{"Kontrola możliwości instalacji."}));
  EXPECT_FALSE(r.f.form.ready);
  EXPECT_FALSE(r.f.installOffered());
}

TEST(ReadinessCheck, EmptyPackageNameWithoutModelsExaminesTheAccessoryFolder) {
  Readiness r("");
  // The doubled separator after "dodatki" reads as one.
  EXPECT_EQ(r.F, r.dd + S + "dodatki.mdb");
  writeFile(r.dd + "dodatki.mdb", "installed");
  writeFile(r.dd + "dodatki.mdb.old", "stale");
  const Lines lines = r.run();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], "Sprawdzamy dostęp do pliku: " + r.dd + S + "dodatki.mdb");
  EXPECT_EQ(lines[2], "Kasujemy poprzednią kopię pliku dodatki.mdb");
  EXPECT_FALSE(r.f.env.fileExists(r.dd + "dodatki.mdb.old"));
  EXPECT_EQ(readFile(r.dd + "dodatki.mdb"), "installed");
  EXPECT_TRUE(r.f.installOffered());  // a materials-only package still installs
}

TEST(ReadinessCheck, MalformedModelsArchiveNeverOffersInstall) {
  for (const std::string package : {"", "Pakiet"}) {
    Readiness r(package);
    writeFile(r.f.form.tmpDir + "models.zip", "archive");
    writeFile(r.dd + "dodatki.mdb.old", "left alone");
    const Lines lines = r.run();
    if (package.empty()) {
      EXPECT_EQ(lines,
                (Lines{"Kontrola możliwości instalacji.", "Błędna zawartość pliku ZIP! Instalacja niemożliwa."}));
      EXPECT_FALSE(r.f.installOffered());
      EXPECT_FALSE(r.f.form.ready);
      EXPECT_EQ(readFile(r.dd + "dodatki.mdb.old"), "left alone");
    } else {
      EXPECT_TRUE(r.f.installOffered()) << "one package folder: the archive is fine";
    }
  }
}

TEST(ReadinessCheck, DestinationIsTrimmedBeforeUse) {
  Readiness r;
  r.f.form.pack = false;
  r.f.form.Edit1.setText(" \t" + r.root + "  ");
  r.f.form.pack = true;
  const Lines lines = r.run();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "Sprawdzamy dostęp do pliku: " + r.F);
  EXPECT_TRUE(r.f.installOffered());
}

TEST(ReadinessCheck, ConflictingProcesses) {
  struct Case {
    Lines processes;
    Lines scan;  // lines of the process scan, from its first
    std::string label;
  } cases[] = {
      {{"System", "CADVirelPro.exe"},
       {"Znaleziona w pamięci aplikację: System : 0", "Znaleziona w pamięci aplikację: CADVirelPro.exe : 1",
        "Wykryto konfliktową aplikację: CADVirelPro.exe"},
       "Wyłącz program CADVirelPro.exe i spróbuj ponownie."},
      {{"VORNCAD.EXE"},
       {"Znaleziona w pamięci aplikację: VORNCAD.EXE : 5", "Wykryto konfliktową aplikację: VORNCAD.EXE"},
       "Wyłącz program VORNCAD.EXE i spróbuj ponownie."},
      {{"autocad.exe"},
       {"Znaleziona w pamięci aplikację: autocad.exe : 5", "Wykryto konfliktową aplikację: autocad.exe"},
       "Wyłącz program autocad.exe i spróbuj ponownie."},
      {{"vorncad.exe"}, {"Znaleziona w pamięci aplikację: vorncad.exe : 5"}, ""},
      {{"acad.exe", "explorer.exe", "MyCad.exe"},
       {"Znaleziona w pamięci aplikację: acad.exe : 2", "Wykryto konfliktową aplikację: acad.exe",
        "Znaleziona w pamięci aplikację: explorer.exe : 0", "Znaleziona w pamięci aplikację: MyCad.exe : 3",
        "Wykryto konfliktową aplikację: MyCad.exe"},
       "Wyłącz program MyCad.exe i spróbuj ponownie."},
      // Positions count characters, not bytes.
      {{"ŁódźCAD.exe"},
       {"Znaleziona w pamięci aplikację: ŁódźCAD.exe : 5", "Wykryto konfliktową aplikację: ŁódźCAD.exe"},
       "Wyłącz program ŁódźCAD.exe i spróbuj ponownie."},
      {{"c a d.exe", "CA.exe", "D"},
       {"Znaleziona w pamięci aplikację: c a d.exe : 0", "Znaleziona w pamięci aplikację: CA.exe : 0",
        "Znaleziona w pamięci aplikację: D : 0"},
       ""},
      {{}, {}, ""},  // no snapshot: nothing examined, no conflict
  };
  for (const Case& c : cases) {
    Readiness r;
    r.f.env.processes = c.processes;
    const Lines lines = r.run();
    const bool passes = c.label.empty();
    Lines expected = concat(Lines{"Kontrola możliwości instalacji.", "Sprawdzamy dostęp do pliku: " + r.F,
                                  "Dostęp do MDB poprawny", "Sprawdzamy uruchomienie applikacji CAD."},
                            c.scan);
    expected = concat(expected,
                      passes ? Lines{"Nie znaleziono uruchomionej applikacji CAD.", "Odblokowywujemy klawisz INSTALL"}
                             : Lines{c.label});
    const std::string what = c.processes.empty() ? "no processes" : c.processes.back();
    EXPECT_EQ(lines, expected) << what;
    EXPECT_EQ(r.f.installOffered(), passes) << what;
    EXPECT_EQ(r.f.form.ready, passes) << what;
    if (!passes) {
      EXPECT_EQ(r.f.form.InfoLabel.text(), c.label) << what;
    }
  }
}

TEST(ReadinessCheck, AProcessListErrorIsReportedAndBlocksInstall) {
  Readiness r("Pakiet", {});
  r.f.env.processError = "Brak dostępu";
  r.run();
  EXPECT_EQ(r.f.form.InfoLabel.text(), "[BŁAD]Brak dostępu");
  EXPECT_EQ(r.f.memo(), (Lines{"[BŁAD]Brak dostępu"}));  // at level 1 only the user's line
  EXPECT_FALSE(r.f.installOffered());
  EXPECT_FALSE(r.f.form.ready);
}

}  // namespace
