// Whole runs of the installer on the headless window: start-up from an
// installer file, then the pointer onto Install and a click. The complete
// log of each run is compared, line by line and with its level, to the
// transcript written out here. A diagnostic run shows every line; a normal
// run shows only the level-1 lines in its (hidden) memo.
#include <gtest/gtest.h>

#include <functional>

#include "accessorydb/jet_engine.h"
#include "package/installer_footer.h"
#include "package/zip_format.h"
#include "package/zip_writer.h"
#include "tests/accessorydb/adb_fixture.h"
#include "tests/package/zip_builder.h"
#include "tests/support/headless_form.h"
#include "tests/support/jpeg_writer.h"

namespace {

struct Line {
  int level;
  std::string text;
};
using Transcript = std::vector<Line>;
using Lines = std::vector<std::string>;

const char S = test::TempDir::sep();
// A line whose text the database engine words (its failure message).
const std::string kEngineMessage = "<the engine's failure message>";

// The world of one run: the installer file, the drives, the processes.
struct World {
  bool installation = true;        // C:\Orvanta\CAD Virel\ exists
  bool installedDatabase = false;  // the package was installed before
  bool packageDatabaseDamaged = false;
  bool modelsZip = true;
  bool modelsZipDamaged = false;  // its CRC-32 does not match
  bool modelDamaged = false;      // a model in models.zip does not match its CRC-32
  bool materialsZip = true;
  std::vector<std::string> processes = {"init", "bash"};
};

class Transcripts : public ::testing::Test {
 protected:
  // Runs start-up, and the install when the Install button is offered.
  Lines run(const World& w, bool diagnostic) {
    test::HeadlessForm f(diagnostic ? Lines{"/d"} : Lines{});
    tmp = f.form.tmpDir;
    c = f.dir.path("C") + S;
    dest = c + "Orvanta" + S + "CAD Virel" + S;
    dd = dest + "dodatki" + S;
    pkg = dd + "Meble" + S;
    EXPECT_TRUE(platform::createDirs(f.env, c));
    if (w.installation) {
      EXPECT_TRUE(platform::createDirs(f.env, dd));
    }
    auto engine = accessorydb::makeJetEngine(f.env);
    if (w.installedDatabase) {
      EXPECT_TRUE(platform::createDirs(f.env, pkg));
      test::makeDatabase(*engine, f.env, pkg + "dodatki.mdb", {test::producer("Meble", "Meble sp. j.", "old")},
                         {test::accessory(1, "Stary", "old"), test::accessory(5, "N\xC3\xB3\xC5\xBCka", "old")});
    }
    exe = f.dir.path("setup.exe");
    writeInstaller(f, *engine, w);
    f.env.exe = exe;
    f.env.roots = {c};
    f.env.processes = w.processes;

    f.form.FormCreate();
    f.form.window().onTimer();
    EXPECT_TRUE(f.host.errors.empty());
    if (f.form.bnInstallNormal.visible()) {
      f.form.bnInstallNormal.onEnter();
      f.form.bnInstallHover.onClick();
    }
    return f.memo();
  }

  void writeInstaller(test::HeadlessForm& f, accessorydb::Engine& engine, const World& w) {
    test::writeJpeg(f.dir.path("install.jpg"), 1040, 585);
    test::writeJpeg(f.dir.path("finish.jpg"), 1040, 585);
    std::vector<test::TestEntry> entries = {{"install.jpg", f.dir.read("install.jpg")},
                                            {"finish.jpg", f.dir.read("finish.jpg")}};
    if (w.modelsZip) {
      std::string mdb;
      if (w.packageDatabaseDamaged) {
        mdb = std::string(8192, 'x');
      } else {
        test::makeDatabase(engine, f.env, f.dir.path("package.mdb"), {test::producer("Meble", "Meble sp. j.", "new")},
                           {test::accessory(1, "Nowy", "new"), test::accessory(2, "DELETE", "new"),
                            test::accessory(9, "Listwa", "new")});
        mdb = f.dir.read("package.mdb");
      }
      std::string models = test::makeZip({{"Meble\\dodatki.mdb", mdb}, {"Meble\\modele\\szafka.mdl", "szafka"}});
      if (w.modelDamaged) models[models.find("Meble\\modele") + 30] ^= 1;
      entries.push_back({"models.zip", models, test::stored()});
    }
    if (w.materialsZip)
      entries.push_back({"db_materials.zip", test::makeZip({{"Drewno\\dab.txt",
                                                             "d\xC4\x85"
                                                             "b"}})});
    std::string archive = test::makeZip(entries);
    if (w.modelsZipDamaged) archive[archive.find("Meble\\modele") + 30] ^= 1;

    const std::string stub(4096, 'S');
    f.dir.write("setup.exe", stub + archive + "\xEF\xBB\xBF" + package::makeFooter(stub.size()));
  }

  // Paths of the run, known once it has started.
  std::string tmp, c, dest, dd, pkg, exe;
};

// The stretches of log that every run repeats.
Transcript formCreate() {
  return {{2, "Ustawiono parametr DEBUG"},
          {2, "Sprawdzamy folder instalacji : C:\\dodatki"},
          {2,
           "B\xC5\x82\xC4\x99"
           "dny folder instalacji : C:\\dodatki"},
          {2, "Inicjalizacja."},
          {2, "Screen [1920 x 1080 ]"},
          {2, "Centrujemy  [ 440 - 247 ]"}};
}

// A 1040 x 585 picture in the window of that client size: no resizing, no centring.
Transcript cover() {
  return {{2, "JPG: [1040x585]"}, {2, "FormBorder: [0x0]"}, {2, "Pic  [1040 x 585]"}, {2, "BG.Picture  [1040 x 585]"}};
}

Transcript operator+(Transcript a, const Transcript& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Lines texts(const Transcript& t, int maxLevel) {
  Lines out;
  for (const auto& l : t)
    if (l.level <= maxLevel) out.push_back(l.text);
  return out;
}

// Compares a log with a transcript; kEngineMessage stands for any non-empty line.
void expectLog(const Lines& log, const Lines& expected, const std::string& label) {
  const size_t n = std::max(log.size(), expected.size());
  for (size_t i = 0; i < n; ++i) {
    const std::string got = i < log.size() ? log[i] : "<no line>";
    const std::string want = i < expected.size() ? expected[i] : "<no line>";
    if (want == kEngineMessage && i < log.size() && !got.empty()) continue;
    if (got != want) {
      ADD_FAILURE() << label << ": line " << i + 1 << "\n  expected: " << want << "\n  logged:   " << got;
      return;
    }
  }
}

class Scenario : public Transcripts {
 protected:
  // `transcript` is written once the run has made its folders.
  void expectTranscript(const World& w, const std::function<Transcript()>& transcript) {
    const Lines diagnostic = run(w, true);
    expectLog(diagnostic, texts(transcript(), 2), "diagnostic run");
    const Lines normal = run(w, false);
    expectLog(normal, texts(transcript(), 1), "normal run");
  }

  Transcript startUp(int entries, const Lines& names) {
    Transcript t = formCreate() + Transcript{{2, "Plik EXE z archiwum: " + exe},
                                             {2, "Offset EXE: 4096"},
                                             {2, "Znaleziono: `packages.zip`"},
                                             {2, "maxFiles = " + std::to_string(entries - 1)}};
    for (const auto& n : names) t.push_back({2, n});
    return t;
  }
  Transcript discovery(const Lines& folders) {
    Transcript t = {{2, "Wyszukiwanie paczek instalacyjnych."}, {2, "Blokujemy klawisz INSTALL"}};
    for (const auto& name : folders) t.push_back({2, "Znaleziono podkatalog w ZIP : `" + name + "`"});
    return t;
  }
  Transcript searchStart() {
    return {{2, "Wyszukiwanie zainstalowanego oprogramowania CAD VIREL."}, {2, "HDD: [" + c + "]"}};
  }
  // The readiness check for the package folder `name`, up to the process scan.
  Transcript readiness(const std::string& name, const Lines& processes) {
    Transcript t = {{2,
                     "Kontrola mo\xC5\xBCliwo\xC5\x9B"
                     "ci instalacji."},
                    {2, "Sprawdzamy dost\xC4\x99p do pliku: " + dd + name + S + "dodatki.mdb"},
                    {2, "Dost\xC4\x99p do MDB poprawny"},
                    {2, "Sprawdzamy uruchomienie applikacji CAD."}};
    for (const auto& p : processes) {
      const bool cad = p.find("CAD") != std::string::npos;
      t.push_back({2,
                   "Znaleziona w pami\xC4\x99"
                   "ci aplikacj\xC4\x99: " +
                       p + " : " + (cad ? "1" : "0")});
      if (cad) t.push_back({2, "Wykryto konfliktow\xC4\x85 aplikacj\xC4\x99: " + p});
    }
    return t;
  }
  Transcript passes() {
    return Transcript{{2, "Nie znaleziono uruchomionej applikacji CAD."}, {2, "Odblokowywujemy klawisz INSTALL"}} +
           cover();
  }
  // The installation found, the destination check its change runs, the
  // readiness check, the search's closing lines, and the readiness check of
  // the start-up sequence.
  Transcript found(const Transcript& ready) {
    return searchStart() +
           Transcript{{2, "Szukamy instalacjy oprogramowania CAD VIREL: " + c + "Orvanta" + S},
                      {2, "Znaleziono 1 instalacji oprogramowania CAD."},
                      {2, "Sprawdzamy folder instalacji : " + dest + "dodatki"},
                      {2, "Folder instalacji poprawny : " + dest + "dodatki"}} +
           ready +
           Transcript{{2, "Znaleziono jedn\xC4\x85 instalacj\xC4\x99 oprogramowania CAD VIREL: " + dest},
                      {2,
                       "Znaleziono instalacj\xC4\x99. Mo\xC5\xBC"
                       "esz wskaza\xC4\x87 inny katalog."}} +
           ready;
  }
  Transcript click() {
    return {{2, "SET bnInstallEnter na klawiszu INSTALL"},
            {2, "SET HOVER na klawiszu INSTALL"},
            {2, "SET ACTIVE na klawiszu INSTALL"}};
  }
  Transcript setFinish() { return {{2, "SET FINISH na objektach"}, {2, "Blokujemy klawisz INSTALL"}}; }
  Transcript modelsStart(bool installed) {
    Transcript t = {{2, "Trwa instalowanie modeli z pakietu..."}, {2, "MDB: " + pkg + "dodatki.mdb"}};
    if (installed) t.push_back({2, "zmieniamy " + pkg + "dodatki.mdb na dodatki_old.mdb"});
    return t + Transcript{{2, "Zaczynamy rozpakowywanie pliku ZIP do: " + dd},
                          {2, "maxFiles = 1"},
                          {2, "Meble\\dodatki.mdb"},
                          {2, "Meble\\modele\\szafka.mdl"},
                          {2, "Zaczynamy obs\xC5\x82ug\xC4\x99 bazy dodatki.mdb"},
                          {2, "Brak pliku docelowego. Tworzymy nowy."},
                          {2, "Tworzenie pliku bazy danych."},
                          {2, "Tworzenie tabeli `info_roducent`"},
                          {2, "Tworzenie tabeli `Dodatki`"},
                          {2, "Utworzono pust\xC4\x85 baz\xC4\x99 danych."},
                          {2,
                           "Znaleniono oba istniej\xC4\x85"
                           "ce pliki z daz\xC4\x85 danych."},
                          {2,
                           "Tworzymy po\xC5\x82\xC4\x85"
                           "czenie do " +
                               pkg + "dodatki.mdb"}};
  }
  Transcript connectTo(const std::string& file) {
    return {{2,
             "Tworzymy po\xC5\x82\xC4\x85"
             "czenie do " +
                 pkg + file}};
  }
  Transcript modelsDone(bool backup) {
    Transcript t = {{2, "Poprawnie przeniesiono dane."},
                    {2,
                     "Poprawnie zako\xC5\x84"
                     "czono instalacj\xC4\x99 modeli."},
                    {2,
                     "FINALLY ko\xC5\x84"
                     "czymy instalacj\xC4\x99 modeli."}};
    t = t + setFinish();
    if (backup) t.push_back({2, "Kasujemy niepotrzebny plik dodatki_old.mdb"});
    return t;
  }
  Transcript materials() {
    return Transcript{
               {2, "Trwa instalowanie materia\xC5\x82\xC3\xB3w z pakietu..."},
               {2, "Zaczynamy rozpakowywanie pliku ZIP do: " + dest + "DB_MATERIALS" + S + "Vodezidoz Azu Virel" + S},
               {2, "maxFiles = 0"},
               {2, "Drewno\\dab.txt"},
               {2,
                "Poprawnie zako\xC5\x84"
                "czono instalacj\xC4\x99 materia\xC5\x82\xC3\xB3w."},
               {2,
                "FINALLY ko\xC5\x84"
                "czymy instalacj\xC4\x99."}} +
           setFinish();
  }
  Transcript finalSteps() { return setFinish() + cover() + Transcript{{2, "Blokujemy klawisz INSTALL"}}; }

  const Lines kAllEntries = {"install.jpg", "finish.jpg", "models.zip", "db_materials.zip"};
  const Lines kProcesses = {"init", "bash"};
};

TEST_F(Scenario, FirstInstall) {
  World w;
  // Producer and accessories of the package alone; the marked accessory 2 is left out.
  expectTranscript(w, [&] {
    return startUp(4, kAllEntries) + cover() + discovery({"Meble"}) + found(readiness("Meble", kProcesses) + passes()) +
           click() + modelsStart(false) + connectTo("dodatki_new.mdb") +
           Transcript{{2, "Przenosimy z dodatki_new.mdb"},         {2, "[NW] Meble"},
                      {2, "Przenosimy dodatki z dodatki_new.mdb"}, {2, "[NW] 1 : Nowy - dopisano"},
                      {2, "[NW] 9 : Listwa - dopisano"},           {2, "[DN] 1"}} +
           modelsDone(false) + materials() + finalSteps();
  });
}

TEST_F(Scenario, Update) {
  World w;
  w.installedDatabase = true;
  w.materialsZip = false;
  expectTranscript(w, [&] {
    return startUp(3, {"install.jpg", "finish.jpg", "models.zip"}) + cover() + discovery({"Meble"}) +
           found(readiness("Meble", kProcesses) + passes()) + click() + modelsStart(true) +
           connectTo("dodatki_old.mdb") + connectTo("dodatki_new.mdb") +
           Transcript{{2, "[Meble] : Meble sp. j."},
                      {2, "Meble : Meble"},
                      {2, "Przenosimy z dodatki_new.mdb"},
                      {2, "[NW] Meble"},
                      {2, "[DN] Meble"},
                      {2, "[1] : Stary"},
                      {2, "1 : 1"},
                      {2, "[5] : N\xC3\xB3\xC5\xBCka"},
                      {2, "1 : 5"},
                      {2, "2 : 5"},
                      {2, "9 : 5"},
                      {2, "Przenosimy dodatki z dodatki_new.mdb"},
                      {2, "[NW] 1 : Nowy - dopisano"},
                      {2, "[DN] 1"},
                      {2, "[NW] 9 : Listwa - dopisano"},
                      {2, "[DN] 1"},
                      {2, "[DN] 5"}} +
           modelsDone(true) + finalSteps();
  });
}

TEST_F(Scenario, UpdateWhoseMergeFails) {
  World w;
  w.installedDatabase = true;
  w.packageDatabaseDamaged = true;
  w.materialsZip = false;
  expectTranscript(w, [&] {
    return startUp(3, {"install.jpg", "finish.jpg", "models.zip"}) + cover() + discovery({"Meble"}) +
           found(readiness("Meble", kProcesses) + passes()) + click() + modelsStart(true) +
           connectTo("dodatki_old.mdb") + connectTo("dodatki_new.mdb") +
           Transcript{{1, kEngineMessage},
                      {1,
                       "Wyst\xC4\x85pi\xC5\x82 b\xC5\x82\xC4\x85"
                       "d instalacji modeli. Spr\xC3\xB3"
                       "buj ponownie."},
                      {2, "Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb"},
                      {2,
                       "FINALLY ko\xC5\x84"
                       "czymy instalacj\xC4\x99 modeli."}} +
           // A failed install keeps the install picture and its failure line
           // in sight instead of showing the finish picture.
           setFinish() + Transcript{{2, "Blokujemy klawisz INSTALL"}};
  });
}

TEST_F(Scenario, UpdateWhoseUnpackingFails) {
  World w;
  w.installedDatabase = true;
  w.modelDamaged = true;
  w.materialsZip = false;
  expectTranscript(w, [&] {
    return startUp(3, {"install.jpg", "finish.jpg", "models.zip"}) + cover() + discovery({"Meble"}) +
           found(readiness("Meble", kProcesses) + passes()) + click() +
           Transcript{{2, "Trwa instalowanie modeli z pakietu..."},
                      {2, "MDB: " + pkg + "dodatki.mdb"},
                      {2, "zmieniamy " + pkg + "dodatki.mdb na dodatki_old.mdb"},
                      {2, "Zaczynamy rozpakowywanie pliku ZIP do: " + dd},
                      {2, "maxFiles = 1"},
                      {2, "Meble\\dodatki.mdb"},
                      {1, "Error reading zip file"},
                      {1,
                       "Wyst\xC4\x85pi\xC5\x82 b\xC5\x82\xC4\x85"
                       "d instalacji modeli. Spr\xC3\xB3"
                       "buj ponownie."},
                      {2, "Kasujemy uszkodzony plik dodatki.mdb"},
                      {2, "Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb"},
                      {2,
                       "FINALLY ko\xC5\x84"
                       "czymy instalacj\xC4\x99 modeli."}} +
           // As after a failed merge: the install picture and the failure line stay.
           setFinish() + Transcript{{2, "Blokujemy klawisz INSTALL"}};
  });
}

TEST_F(Scenario, NoInstallationFound) {
  World w;
  w.installation = false;
  expectTranscript(w, [&] {
    return startUp(4, kAllEntries) + cover() + discovery({"Meble"}) + searchStart() +
           Transcript{{2, "Znaleziono 0 instalacji oprogramowania CAD."},
                      {1, "Nie znaleziono oprogramowania CAD. Wska\xC5\xBC poprawny katalog."}};
  });
}

TEST_F(Scenario, CadProgramRunning) {
  World w;
  w.processes = {"init", "CADVirelPro.exe", "bash"};
  expectTranscript(w, [&] {
    const Transcript busy = readiness("Meble", w.processes) + Transcript{{1,
                                                                          "Wy\xC5\x82\xC4\x85"
                                                                          "cz program CADVirelPro.exe i spr\xC3\xB3"
                                                                          "buj ponownie."}};
    return startUp(4, kAllEntries) + cover() + discovery({"Meble"}) + found(busy);
  });
}

TEST_F(Scenario, PackageWithoutModels) {
  World w;
  w.modelsZip = false;
  // No package name: the readiness check looks at dodatki\\dodatki.mdb.
  expectTranscript(w, [&] {
    return startUp(3, {"install.jpg", "finish.jpg", "db_materials.zip"}) + cover() + discovery({}) +
           found(readiness("", kProcesses) + passes()) + click() + materials() + finalSteps();
  });
}

TEST_F(Scenario, DamagedPackage) {
  World w;
  w.modelsZipDamaged = true;
  // Unpacking stops at models.zip; what came before stays and start-up goes on.
  expectTranscript(w, [&] {
    return startUp(4, {"install.jpg", "finish.jpg"}) + Transcript{{1, "Error reading zip file"}} + cover() +
           discovery({}) + found(readiness("", kProcesses) + passes()) + click() + finalSteps();
  });
}

// Package discovery alone, on what start-up would have left in the working folder.
struct DiscoveryCase {
  const char* label;
  bool packages;
  std::vector<std::string> modelsEntries;  // empty: no models.zip; {"?"}: not an archive
  Transcript lines;                        // after the two opening lines
  bool pack;
  std::string packageName;
};

TEST(Discovery, PackFlagAndLinesForZeroOneAndTwoPackageFolders) {
  const std::vector<DiscoveryCase> cases = {
      {"no packages.zip", false, {}, {{1, "Brak pliku paczki : `<tmp>packages.zip`"}}, false, ""},
      {"no models.zip", true, {}, {}, true, ""},
      {"models.zip not an archive",
       true,
       {"?"},
       {{1,
         "Plik jest uszkodzony lub zawiera b\xC5\x82\xC4\x99"
         "dy!"},
        {1,
         "B\xC5\x82\xC4\x99"
         "dna zawarto\xC5\x9B\xC4\x87 pliku ZIP! (0 katalog\xC3\xB3w)"}},
       true,
       ""},
      {"no package folder",
       true,
       {"Meble/dodatki.mdb"},
       {{1,
         "B\xC5\x82\xC4\x99"
         "dna zawarto\xC5\x9B\xC4\x87 pliku ZIP! (0 katalog\xC3\xB3w)"}},
       true,
       ""},
      {"one package folder",
       true,
       {"Meble\\dodatki.mdb"},
       {{2, "Znaleziono podkatalog w ZIP : `Meble`"}},
       true,
       "Meble"},
      {"two package folders",
       true,
       {"A\\dodatki.mdb", "B\\dodatki.mdb"},
       {{2, "Znaleziono podkatalog w ZIP : `A`"},
        {2, "Znaleziono podkatalog w ZIP : `B`"},
        {1,
         "B\xC5\x82\xC4\x99"
         "dna zawarto\xC5\x9B\xC4\x87 pliku ZIP! (2 katalog\xC3\xB3w)"},
        {2, "[ A ] - PAKIET"},
        {2, "[ B ] - PAKIET"}},
       true,
       ""},
  };
  for (const auto& c : cases) {
    for (bool diagnostic : {true, false}) {
      test::HeadlessForm f(diagnostic ? Lines{"/d"} : Lines{});
      f.form.FormCreate();
      f.form.fileModelsZip = "models.zip";
      if (c.packages) f.dir.write("tmp/packages.zip", "the package archive");
      if (c.modelsEntries == Lines{"?"}) {
        f.dir.write("tmp/models.zip", "not an archive");
      } else if (!c.modelsEntries.empty()) {
        std::vector<test::TestEntry> entries;
        for (const auto& name : c.modelsEntries) entries.push_back({name, "mdb"});
        f.dir.write("tmp/models.zip", test::makeZip(entries));
      }
      const size_t before = f.memo().size();
      EXPECT_EQ(f.form.searchPackages(), c.pack) << c.label;
      EXPECT_EQ(f.form.pack, c.pack) << c.label;
      EXPECT_EQ(f.form.packageName, c.packageName) << c.label;
      Transcript t = Transcript{{2, "Wyszukiwanie paczek instalacyjnych."}, {2, "Blokujemy klawisz INSTALL"}} + c.lines;
      for (auto& l : t)
        if (size_t at = l.text.find("<tmp>"); at != std::string::npos) l.text.replace(at, 5, f.form.tmpDir);
      const Lines log(f.memo().begin() + static_cast<std::ptrdiff_t>(before), f.memo().end());
      expectLog(log, texts(t, diagnostic ? 2 : 1), std::string(c.label) + (diagnostic ? ", diagnostic" : ", normal"));
    }
  }
}

}  // namespace
