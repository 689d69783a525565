#include <gtest/gtest.h>

#include <algorithm>

#include "platform/env.h"
#include "platform/env_wrapper.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::Access;
using platform::Creation;
using platform::Sharing;

TEST(Env, RenameNoReplaceRefusesAnExistingTarget) {
  test::TempDir dir;
  auto& env = platform::systemEnv();
  dir.write("a.txt", "a");
  dir.write("b.txt", "b");
  EXPECT_FALSE(env.renameNoReplace(dir.path("a.txt"), dir.path("b.txt")));
  EXPECT_EQ(dir.read("b.txt"), "b");
  EXPECT_TRUE(env.renameNoReplace(dir.path("a.txt"), dir.path("c.txt")));
  EXPECT_FALSE(env.fileExists(dir.path("a.txt")));
  EXPECT_EQ(dir.read("c.txt"), "a");
}

TEST(Env, FilesAndFoldersAreTellApart) {
  test::TempDir dir;
  auto& env = platform::systemEnv();
  dir.write("f", "x");
  EXPECT_TRUE(env.fileExists(dir.path("f")));
  EXPECT_FALSE(env.dirExists(dir.path("f")));
  EXPECT_TRUE(env.createDir(dir.path("d")));
  EXPECT_TRUE(env.dirExists(dir.path("d")));
  EXPECT_FALSE(env.fileExists(dir.path("d")));
  EXPECT_FALSE(env.deleteFile(dir.path("d")));
  dir.write("d" + std::string(1, env.separator()) + "inner", "y");
  EXPECT_FALSE(env.removeDir(dir.path("d")));  // not empty
}

TEST(Env, CreateDirsMakesEveryLevel) {
  test::TempDir dir;
  auto& env = platform::systemEnv();
  const char s = env.separator();
  std::string deep = dir.path(std::string("a") + s + "b" + s + "c" + s);
  EXPECT_TRUE(platform::createDirs(env, deep));
  EXPECT_TRUE(env.dirExists(deep));
}

TEST(Env, FileReadsAndWritesAtOffsets) {
  test::TempDir dir;
  auto& env = platform::systemEnv();
  auto f = env.openFile(dir.path("x.bin"), Access::ReadWrite, Creation::CreateAlways, Sharing::DenyNone);
  f->writeAt(10, "abc", 3);
  EXPECT_EQ(f->size(), 13u);
  char buf[8] = {};
  EXPECT_EQ(f->readAt(10, buf, 8), 3u);
  EXPECT_EQ(std::string(buf, 3), "abc");
  EXPECT_THROW(env.openFile(dir.path("missing"), Access::Read, Creation::OpenExisting, Sharing::DenyWrite),
               platform::IoError);
}

TEST(Env, ListDirSkipsDotEntriesAndMarksFolders) {
  test::TempDir dir;
  auto& env = platform::systemEnv();
  dir.write("file", "");
  env.createDir(dir.path("sub"));
  auto entries = env.listDir(dir.root());
  ASSERT_EQ(entries.size(), 2u);
  for (const auto& e : entries) EXPECT_EQ(e.isDir, e.name == "sub");
  EXPECT_TRUE(env.listDir(dir.path("nope")).empty());
}

TEST(Env, ProcessListHoldsThisTestProgram) {
  auto names = platform::systemEnv().processNames();
  ASSERT_FALSE(names.empty());
  bool found = false;
  for (const auto& n : names) found = found || n.find("platform_tests") != std::string::npos;
  EXPECT_TRUE(found);
}

}  // namespace

namespace {

// Folders exist only once created; every creation is recorded.
class FolderRecorder : public platform::EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  bool dirExists(const std::string& p) override {
    return std::find(created.begin(), created.end(), p) != created.end();
  }
  bool createDir(const std::string& p) override {
    created.push_back(p);
    return true;
  }
  std::vector<std::string> created;
};

TEST(Env, CreateDirsStartsBelowTheVolume) {
  struct Case {
    const char* path;
    size_t volume;
    std::vector<std::string> created;
  };
  const std::vector<Case> cases = {
      {"C:\\CAD\\dodatki\\", 2, {"C:\\CAD", "C:\\CAD\\dodatki"}},
      {"d:/CAD", 2, {"d:/CAD"}},
      {"\\\\server\\share\\CAD\\dodatki\\", 14, {"\\\\server\\share\\CAD", "\\\\server\\share\\CAD\\dodatki"}},
      {"\\\\server\\share", 14, {}},
      {"\\\\?\\C:\\CAD\\x", 6, {"\\\\?\\C:\\CAD", "\\\\?\\C:\\CAD\\x"}},
      {"\\\\?\\unc\\server\\share\\CAD\\", 20, {"\\\\?\\unc\\server\\share\\CAD"}},
      {"\\\\?\\Volume{1234}\\CAD", 16, {"\\\\?\\Volume{1234}\\CAD"}},
      {"/home/u/CAD", 0, {"/home", "/home/u", "/home/u/CAD"}},
      {"rel/CAD", 0, {"rel", "rel/CAD"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(platform::volumePrefixLength(c.path), c.volume);
    FolderRecorder env(platform::systemEnv());
    EXPECT_TRUE(platform::createDirs(env, c.path));
    EXPECT_EQ(env.created, c.created);
  }
}

}  // namespace
