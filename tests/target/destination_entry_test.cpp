#include <gtest/gtest.h>

#include "target/directory.h"
#include "tests/target/target_form.h"

namespace {

using Lines = std::vector<std::string>;
using test::native;
using test::ScriptedPicker;
using test::TargetForm;

const char S = test::TempDir::sep();
const std::string kCheck = "Sprawdzamy folder instalacji : ";
const std::string kReadiness = "Kontrola możliwości instalacji.";

// An installation below the test's folder; returns its root with the separator.
std::string makeInstallation(TargetForm& f, const std::string& relative) {
  const std::string root = f.dir.path(native(relative)) + S;
  EXPECT_TRUE(platform::createDirs(f.env, root + "dodatki" + S));
  return root;
}

TEST(CheckDestination, TextFollowedByDodatkiMustBeAnExistingFolder) {
  TargetForm f;
  const std::string root = makeInstallation(f, "CAD Virel");
  f.dir.write(native("Plik\\dodatki"), "a file of that name");
  struct Case {
    const char* what;
    std::string text;
    bool valid;
  } cases[] = {
      {"root with its separator", root, true},
      {"root without its final separator", root.substr(0, root.size() - 1), false},
      {"root with a blank at its end", root + " ", false},
      {"a file named dodatki", f.dir.path("Plik") + S, false},
      {"missing folder", f.dir.path("Brak") + S, false},
  };
  for (const Case& c : cases) {
    f.form.pack = false;
    f.form.Edit1.setText("");
    const size_t before = f.memo().size();
    f.form.Edit1.setText(c.text);
    const std::string folder = c.text + "dodatki";
    Lines expected = {kCheck + folder,
                      (c.valid ? "Folder instalacji poprawny : " : "Błędny folder instalacji : ") + folder};
    if (c.valid) expected.push_back(kReadiness);
    EXPECT_EQ(f.linesSince(before), expected) << c.what;
    EXPECT_EQ(f.form.CheckDestination(), c.valid) << c.what;
  }
}

TEST(CheckEdit, TypingKeyByKeyRunsTheCheckAfterEveryKey) {
  TargetForm f;
  const std::string base = f.dir.root();
  makeInstallation(f, "D");
  makeInstallation(f, "D\\Cad");
  f.form.Edit1.setText(base);
  const std::string typed = native("\\D\\Cad\\");
  const size_t before = f.memo().size();
  std::string text = base;
  std::vector<std::string> passed;
  for (char key : typed) {
    text += key;
    const size_t at = f.memo().size();
    f.form.Edit1.userEditedText(text);
    EXPECT_EQ(f.count(kCheck, at), 1u) << text;
    if (f.count("Folder instalacji poprawny : ", at)) passed.push_back(text);
  }
  EXPECT_EQ(f.count(kCheck, before), typed.size());
  EXPECT_EQ(passed, (std::vector<std::string>{base + native("\\D\\"), base + native("\\D\\Cad\\")}));
  EXPECT_EQ(f.count(kReadiness, before), 2u);  // only accepted texts reach the readiness check
  EXPECT_TRUE(f.form.destination);
}

// A failed check must not leave Install offered for a folder it rejected.
TEST(CheckEdit, FailedCheckWithdrawsAnOfferedInstall) {
  TargetForm f;
  const std::string root = makeInstallation(f, "CAD Virel");
  f.form.bnInstallSetDisable();  // as package discovery leaves it
  f.form.pack = true;
  f.form.packageName = "Pakiet";
  f.form.Edit1.setText(root);
  ASSERT_TRUE(f.installOffered());
  ASSERT_TRUE(f.form.ready);

  f.form.Edit1.userEditedText(root + "x");
  EXPECT_FALSE(f.installOffered());
  EXPECT_TRUE(f.form.bnInstallDisable.visible());
  EXPECT_FALSE(f.form.ready);
  EXPECT_TRUE(f.form.destination);  // nothing here sets it false

  const size_t before = f.memo().size();
  f.form.Edit1.userEditedText(root + "xy");  // already withdrawn: nothing more to do
  EXPECT_EQ(f.count("Blokujemy klawisz INSTALL", before), 0u);

  f.form.Edit1.userEditedText(root);
  EXPECT_TRUE(f.installOffered());
}

TEST(CheckEdit, FailedCheckBeforeStartUpShowsNoInstallButton) {
  TargetForm f;  // FormCreate already set "C:\" and ran the check
  for (ui::Control* c :
       {&f.form.bnInstallNormal, &f.form.bnInstallHover, &f.form.bnInstallActive, &f.form.bnInstallDisable})
    EXPECT_FALSE(c->visible()) << c->name();
  EXPECT_EQ(f.count("Błędny folder instalacji : C:\\dodatki"), 1u);
}

TEST(Edit1Click, PickedFolderBecomesTheDestinationRoot) {
  struct Case {
    const char* what;
    std::string returned;  // what the dialog returns
    std::string text;      // Edit1 afterwards
  } cases[] = {
      {"inside dodatki", "D:\\Orvanta\\CAD Virel\\dodatki\\Meble\\*.", "D:\\Orvanta\\CAD Virel\\"},
      {"dodatki itself", "D:\\Orvanta\\CAD Virel\\dodatki\\*.", "D:\\Orvanta\\CAD Virel\\"},
      {"Dodatki is not cut", "D:\\Orvanta\\CAD Virel\\Dodatki\\Meble\\*.", "D:\\Orvanta\\CAD Virel\\Dodatki\\Meble\\"},
      {"dodatki twice cuts at the first", "D:\\a\\dodatki\\b\\dodatki\\c\\*.", "D:\\a\\"},
      {"a drive root stays a root", "C:\\*.", "C:\\"},
      {"network path keeps its double separator", "\\\\server\\share\\CAD\\*.", "\\\\server\\share\\CAD\\"},
      {"blanks around are trimmed", "  D:\\CAD Virel\\*.", "D:\\CAD Virel\\"},
  };
  for (const Case& c : cases) {
    TargetForm f;
    ScriptedPicker picker;
    picker.answer = native(c.returned);
    f.form.setFolderPicker(&picker);
    const size_t before = f.memo().size();
    f.form.Edit1.onClick();
    const std::string expected = native(c.text);
    EXPECT_EQ(f.form.Edit1.text(), expected) << c.what;
    ASSERT_GT(f.memo().size(), before) << c.what;
    EXPECT_EQ(f.memo()[before], "Ustalono docelowy folder na: " + expected) << c.what;
    // The picker's folder is kept as picked, so the next pick opens there.
    EXPECT_EQ(f.form.strFolder, native(c.returned.substr(0, c.returned.size() - 2))) << c.what;
    EXPECT_EQ(picker.titles, (Lines{"Wybierz folder instalacji biblioteki"})) << c.what;
    EXPECT_EQ(picker.startFolders, (Lines{"C:\\"})) << c.what;
  }
}

TEST(Edit1Click, LaterPicksOpenAtTheLastPickedFolder) {
  TargetForm f;
  ScriptedPicker picker;
  f.form.setFolderPicker(&picker);
  picker.answer = native("D:\\CAD Virel\\dodatki\\Meble\\*.");
  f.form.Edit1.onClick();
  picker.answer = native("E:\\*.");
  f.form.Edit1.onClick();
  EXPECT_EQ(picker.startFolders, (Lines{"C:\\", native("D:\\CAD Virel\\dodatki\\Meble\\")}));
}

TEST(Edit1Click, CancelChangesNothingAndWritesNothing) {
  TargetForm f;
  ScriptedPicker picker;  // answers as a cancelled dialog
  f.form.setFolderPicker(&picker);
  f.form.Edit1.setText(native("D:\\CAD\\"));
  const size_t before = f.memo().size();
  f.form.Edit1.onClick();
  EXPECT_EQ(f.memo().size(), before);
  EXPECT_EQ(f.form.Edit1.text(), native("D:\\CAD\\"));
  EXPECT_EQ(f.form.strFolder, "C:\\");
  EXPECT_EQ(picker.titles.size(), 1u);
}

TEST(Edit1Click, SameFolderChecksOnceADifferentValidOneTwice) {
  TargetForm f;
  const std::string first = makeInstallation(f, "CAD Virel");
  const std::string second = makeInstallation(f, "CAD Pro");
  f.form.pack = true;
  f.form.packageName = "Pakiet";
  ScriptedPicker picker;
  f.form.setFolderPicker(&picker);
  f.form.Edit1.setText(first);
  struct Step {
    std::string picked;
    size_t checks;
  } steps[] = {{first + "dodatki" + S + "Pakiet" + S + "*.", 1}, {second + "*.", 2}};
  for (const Step& s : steps) {
    picker.answer = s.picked;
    const size_t before = f.memo().size();
    f.form.Edit1.onClick();
    EXPECT_EQ(f.count(kCheck, before), s.checks) << s.picked;
    EXPECT_EQ(f.count(kReadiness, before), s.checks) << s.picked;
    EXPECT_EQ(f.count("Odblokowywujemy klawisz INSTALL", before), s.checks) << s.picked;
  }
  EXPECT_EQ(f.form.Edit1.text(), second);
  EXPECT_TRUE(f.installOffered());
}

TEST(Edit1Click, WithoutAPickerAClickDoesNothing) {
  TargetForm f;
  const size_t before = f.memo().size();
  f.form.Edit1.onClick();
  EXPECT_EQ(f.memo().size(), before);
  EXPECT_EQ(f.form.strFolder, "C:\\");
}

TEST(GimmeDir, KeepsTheFolderPartOfWhatTheDialogReturned) {
  struct Case {
    std::string returned;
    std::string dir;
  } cases[] = {
      {"C:\\X\\Y\\*.", "C:\\X\\Y\\"},
      {"C:\\X\\Y\\", "C:\\X\\Y\\"},
      {"\\\\server\\share\\*.", "\\\\server\\share\\"},
  };
  for (const Case& c : cases) {
    ScriptedPicker picker;
    picker.answer = native(c.returned);
    std::string dir = "start";
    EXPECT_TRUE(Directory::GimmeDir(picker, S, dir));
    EXPECT_EQ(dir, native(c.dir)) << c.returned;
    EXPECT_EQ(picker.startFolders, (Lines{"start"}));
  }
  // On Windows a drive colon also ends the folder part.
  ScriptedPicker drive;
  drive.answer = "C:*.";
  std::string dir;
  EXPECT_TRUE(Directory::GimmeDir(drive, '\\', dir));
  EXPECT_EQ(dir, "C:");
  ScriptedPicker cancelled;
  dir = "kept";
  EXPECT_FALSE(Directory::GimmeDir(cancelled, S, dir));
  EXPECT_EQ(dir, "kept");
}

}  // namespace
