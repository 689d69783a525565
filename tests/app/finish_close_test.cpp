#include <gtest/gtest.h>

#include "tests/support/headless_form.h"

namespace {

struct CloseCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<std::string> files;  // in the working folder before Close
  std::vector<std::string> left;   // what remains; empty with folderGone
  bool folderGone;
};

TEST(CloseClick, TidiesTheWorkingFolderOnlyWhenAllowed) {
  const std::vector<std::string> package = {"cover.jpg", "install.jpg", "finish.jpg", "packages.zip"};
  const CloseCase cases[] = {
      {"level 1 deletes pictures and package", {}, package, {}, true},
      {"a leftover models.zip keeps the folder",
       {},
       {"install.jpg", "finish.jpg", "packages.zip", "models.zip"},
       {"models.zip"},
       false},
      {"diagnostic mode deletes nothing", {"/d"}, package, package, false},
      {"NODELETE deletes nothing",
       {},
       {"install.jpg", "packages.zip", "NODELETE"},
       {"install.jpg", "packages.zip", "NODELETE"},
       false},
      {"an empty folder is removed", {}, {}, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::HeadlessForm f(c.args);
    f.form.FormCreate();
    for (const auto& name : c.files) f.dir.write("tmp/" + name, "x");
    f.form.bnCloseSetEnable();
    f.form.bnCloseNormal.onClick();
    EXPECT_TRUE(f.form.window().closed());
    EXPECT_EQ(f.env.dirExists(f.form.tmpDir), !c.folderGone);
    for (const auto& name : c.files) {
      const bool kept = std::find(c.left.begin(), c.left.end(), name) != c.left.end();
      EXPECT_EQ(f.env.fileExists(f.tmp(name)), kept) << name;
    }
  }
}

TEST(CloseClick, ClosesAlsoWithoutAWorkingFolder) {
  test::HeadlessForm f;
  f.form.FormCreate();
  ASSERT_TRUE(f.env.removeDir(f.form.tmpDir));
  f.form.CloseClick();
  EXPECT_TRUE(f.form.window().closed());
}

}  // namespace
