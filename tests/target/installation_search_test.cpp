#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/target/target_form.h"

namespace {

using Lines = std::vector<std::string>;
using test::native;
using test::TargetForm;

const char S = test::TempDir::sep();

// A folder standing in for a drive root, "<temp>\<letter>\".
std::string driveRoot(TargetForm& f, const std::string& letter) {
  const std::string root = f.dir.path(letter) + S;
  EXPECT_TRUE(platform::createDirs(f.env, root));
  return root;
}

void makeInstallation(TargetForm& f, const std::string& relative) {
  EXPECT_TRUE(platform::createDirs(f.env, f.dir.path(native(relative)) + S + "dodatki" + S));
}

TEST(InstallationSearch, MaskTakesFoldersNamedCadSpaceAnything) {
  struct Case {
    const char* name;
    bool folder;
    uint32_t attributes;
    bool found;
  } cases[] = {
      {"CAD Virel v. 2.0", true, 0, true},
      {"cad 3", true, 0, true},
      {"cAd x", true, 0, true},
      {"CAD Ukryty", true, platform::kAttrHidden | platform::kAttrSystem, true},
      {"CADVirel", true, 0, false},
      {"Moje CAD 2", true, 0, false},
      {"CAD_2", true, 0, false},
      {"CAD x", false, 0, false},  // a file is not an installation
  };
  for (const Case& c : cases) {
    TargetForm f;
    f.env.roots = {driveRoot(f, "C")};
    const std::string entry = f.dir.path(native("C\\Orvanta\\")) + c.name;
    if (c.folder) {
      ASSERT_TRUE(platform::createDirs(f.env, entry)) << c.name;
    } else {
      f.dir.write(native("C\\Orvanta\\") + c.name, "not a folder");
    }
    if (c.attributes) {
      ASSERT_TRUE(f.env.setFileAttributes(entry, c.attributes)) << c.name;
    }

    EXPECT_EQ(f.form.searchInstallationPath(), c.found) << c.name;
    EXPECT_EQ(f.count(std::string("Znaleziono ") + (c.found ? "1" : "0") + " instalacji"), 1u) << c.name;
    EXPECT_EQ(f.form.Edit1.text(), c.found ? entry + S : std::string("C:\\")) << c.name;
  }
}

TEST(InstallationSearch, OfTwoInstallationsOnTwoDrivesProposesTheFirstDrives) {
  TargetForm f;
  const std::string c = driveRoot(f, "C"), d = driveRoot(f, "D"), e = driveRoot(f, "E");
  makeInstallation(f, "C\\Orvanta\\CAD Virel");
  makeInstallation(f, "D\\Orvanta\\CAD Pro");
  // A drive that is not ready lists like one without the folder.
  const std::string notReady = f.dir.path("F") + S;
  f.env.roots = {c, d, e, notReady};
  const size_t before = f.memo().size();

  EXPECT_TRUE(f.form.searchInstallationPath());

  const std::string first = c + "Orvanta" + S + "CAD Virel";
  EXPECT_EQ(f.linesSince(before),
            (Lines{"Wyszukiwanie zainstalowanego oprogramowania CAD VIREL.", "HDD: [" + c + "]",
                   "Szukamy instalacjy oprogramowania CAD VIREL: " + c + "Orvanta" + S, "HDD: [" + d + "]",
                   "Szukamy instalacjy oprogramowania CAD VIREL: " + d + "Orvanta" + S, "HDD: [" + e + "]",
                   "HDD: [" + notReady + "]", "Znaleziono 2 instalacji oprogramowania CAD.",
                   "Znaleziono instalację oprogramowania CAD VIREL: " + first,
                   "Znaleziono instalację oprogramowania CAD VIREL: " + d + "Orvanta" + S + "CAD Pro",
                   // Setting the proposal runs the destination check at once.
                   "Sprawdzamy folder instalacji : " + first + S + "dodatki",
                   "Folder instalacji poprawny : " + first + S + "dodatki", "Kontrola możliwości instalacji.",
                   "Wybrano pierwszą z 2 znalezionych instalacji. Możesz zmienić."}));
  EXPECT_EQ(f.form.Edit1.text(), first + S);
  EXPECT_EQ(f.form.InfoLabel.text(), "Wybrano pierwszą z 2 znalezionych instalacji. Możesz zmienić.");
  EXPECT_TRUE(f.form.destination);
  EXPECT_TRUE(f.form.Edit1.visible());
  EXPECT_TRUE(f.form.StaticText1.visible());
}

TEST(InstallationSearch, AtLogLevelOneOnlyTheUserLinesShow) {
  struct Case {
    const char* what;
    std::vector<const char*> installations;
    Lines memo;
  } cases[] = {
      {"one installation", {"C\\Orvanta\\CAD Virel"}, {}},
      {"two installations",
       {"C\\Orvanta\\CAD Virel", "D\\Orvanta\\CAD Pro"},
       {"Wybrano pierwszą z 2 znalezionych instalacji. Możesz zmienić."}},
      {"none", {}, {"Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog."}},
  };
  for (const Case& c : cases) {
    TargetForm f(std::vector<std::string>{});
    f.env.roots = {driveRoot(f, "C"), driveRoot(f, "D")};
    for (const char* i : c.installations) makeInstallation(f, i);
    f.form.searchInstallationPath();
    EXPECT_EQ(f.memo(), c.memo) << c.what;
    EXPECT_EQ(f.form.InfoLabel.text(), c.memo.empty() ? "" : c.memo.back()) << c.what;
    EXPECT_TRUE(f.form.Edit1.visible() && f.form.StaticText1.visible()) << c.what;
  }
}

TEST(InstallationSearch, OneInstallationIsProposedWithItsTraceLines) {
  TargetForm f;
  f.env.roots = {driveRoot(f, "C")};
  makeInstallation(f, "C\\Orvanta\\CAD Virel");
  EXPECT_TRUE(f.form.searchInstallationPath());
  const std::string root = f.dir.path(native("C\\Orvanta\\CAD Virel\\"));
  const Lines& m = f.memo();
  ASSERT_GE(m.size(), 2u);
  EXPECT_EQ(Lines(m.end() - 2, m.end()), (Lines{"Znaleziono jedną instalację oprogramowania CAD VIREL: " + root,
                                                "Znaleziono instalację. Możesz wskazać inny katalog."}));
  EXPECT_EQ(f.form.Edit1.text(), root);
  EXPECT_EQ(f.form.InfoLabel.text(), "");
}

TEST(InstallationSearch, NothingFoundKeepsTheTextAndLeavesDestinationFalse) {
  TargetForm f;
  f.env.roots = {driveRoot(f, "C")};
  f.dir.write(native("C\\Orvanta\\CAD x"), "a file");  // only a file matches the mask
  f.form.destination = true;                           // the search starts from false whatever came before
  EXPECT_FALSE(f.form.searchInstallationPath());
  EXPECT_FALSE(f.form.destination);
  EXPECT_EQ(f.form.Edit1.text(), "C:\\");
  EXPECT_EQ(f.form.InfoLabel.text(), "Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog.");
  EXPECT_TRUE(f.form.Edit1.visible() && f.form.StaticText1.visible());
}

TEST(InstallationSearch, ProposalIsTrimmedAndEndsWithOneSeparator) {
  struct Case {
    std::string listed;  // the name as the folder listing gives it
    std::string proposed;
  } cases[] = {
      {"CAD Virel", "CAD Virel\\"},      {"CAD Virel  ", "CAD Virel\\"},   {"CAD Virel\\\\\\", "CAD Virel\\"},
      {"CAD Virel\\ \t", "CAD Virel\\"}, {"CAD Virel \\", "CAD Virel \\"},  // blanks go first, then separators
  };
  for (const Case& c : cases) {
    TargetForm f;
    const std::string root = driveRoot(f, "C");
    ASSERT_TRUE(f.env.createDir(root + "Orvanta"));
    f.env.listings[root + "Orvanta" + S] = {{native(c.listed), true}};
    f.env.roots = {root};
    f.form.searchInstallationPath();
    EXPECT_EQ(f.form.Edit1.text(), root + "Orvanta" + S + native(c.proposed)) << c.listed;
  }
}

TEST(InstallationSearch, ProposalEqualToTheTextRaisesNoChange) {
  for (bool same : {true, false}) {
    TargetForm f;
    f.env.roots = {driveRoot(f, "C")};
    makeInstallation(f, "C\\Orvanta\\CAD Virel");
    const std::string root = f.dir.path(native("C\\Orvanta\\CAD Virel\\"));
    if (same) f.form.Edit1.setText(root);
    const size_t before = f.memo().size();
    f.form.searchInstallationPath();
    EXPECT_EQ(f.count("Sprawdzamy folder instalacji : ", before), same ? 0u : 1u) << same;
    EXPECT_EQ(f.form.Edit1.text(), root);
    EXPECT_TRUE(f.form.destination);
  }
}

// The system's own drive list and folder listing: under Wine, GetLogicalDriveStringsW
// and FindFirstFileW on the prefix's drive C:.
TEST(InstallationSearch, FindsAnInstallationOnTheSystemsDriveC) {
  if (S != '\\' || !std::getenv("WINEPREFIX")) GTEST_SKIP() << "needs the Windows build running under Wine";
  TargetForm f;
  f.env.systemDrives = true;
  const std::string orvanta = "C:\\Orvanta\\";
  const bool madeOrvanta = !f.env.dirExists(orvanta);
  const std::string name = "CAD Test " + f.dir.root().substr(f.dir.root().find_last_of('-') + 1);
  ASSERT_TRUE(platform::createDirs(f.env, orvanta + name + "\\dodatki\\"));

  f.form.searchInstallationPath();
  const std::vector<std::string> drives = f.env.driveRoots();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives.front(), "C:\\");
  EXPECT_EQ(f.count("HDD: [C:\\]"), 1u);
  EXPECT_EQ(f.count("Szukamy instalacjy oprogramowania CAD VIREL: C:\\Orvanta\\"), 1u);
  const bool alone = f.count("Znaleziono 1 instalacji") == 1;
  // Other installations may lie on the prefix's drive C: too.
  const std::string foundLine = alone ? "Znaleziono jedną instalację oprogramowania CAD VIREL: " + orvanta + name + "\\"
                                      : "Znaleziono instalację oprogramowania CAD VIREL: " + orvanta + name;
  EXPECT_EQ(f.count(foundLine), 1u);

  (void)f.env.removeDir(orvanta + name + "\\dodatki");
  (void)f.env.removeDir(orvanta + name);
  if (madeOrvanta) (void)f.env.removeDir(orvanta);
}

}  // namespace
