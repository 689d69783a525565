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
  // Back and forth after a short read, and a second handle keeping its own place.
  f->writeAt(0, "0123456789", 10);
  f->writeAt(13, "XY", 2);
  f->writeAt(5, "-", 1);
  auto g = env.openFile(dir.path("x.bin"), Access::Read, Creation::OpenExisting, Sharing::DenyNone);
  std::string all(16, '?');
  EXPECT_EQ(g->readAt(0, all.data(), all.size()), 15u);
  EXPECT_EQ(all.substr(0, 15), "01234-6789abcXY");
  EXPECT_EQ(f->readAt(12, buf, 8), 3u);
  EXPECT_EQ(std::string(buf, 3), "cXY");
  EXPECT_EQ(g->readAt(4, buf, 3), 3u);
  EXPECT_EQ(std::string(buf, 3), "4-6");
  EXPECT_THROW(env.openFile(dir.path("missing"), Access::Read, Creation::OpenExisting, Sharing::DenyWrite),
               platform::IoError);
}

// A new file, and one over a file left by a killed run: empty either way; a
// folder in the way is still an error.
TEST(Env, CreateReplacingMakesAnEmptyFileWhateverWasThere) {
  test::TempDir dir;
  auto& env = platform::systemEnv();
  dir.write("left.~part", "half of an earlier file");
  for (const char* name : {"new.bin", "left.~part"}) {
    SCOPED_TRACE(name);
    auto f = platform::createReplacing(env, dir.path(name), Sharing::DenyWrite);
    EXPECT_EQ(f->size(), 0u);
    f->writeAt(0, "new", 3);
    f.reset();
    EXPECT_EQ(dir.read(name), "new");
  }
  ASSERT_TRUE(env.createDir(dir.path("folder")));
  EXPECT_THROW((void)platform::createReplacing(env, dir.path("folder"), Sharing::DenyWrite), platform::IoError);
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

// Where the system cannot, renameOpenFile says so and the caller renames by
// path; either way the made file ends under the target, replacing what was there.
TEST(Env, AFileBeingMadeIsRenamedThroughItsHandleWhereTheSystemCan) {
  test::TempDir dir;
  auto& env = platform::systemEnv();
  dir.write("old.txt", "old");
  for (const char* target : {"new.txt", "old.txt"}) {
    SCOPED_TRACE(target);
    auto f = env.openFile(dir.path("part"), Access::ReadWrite, Creation::CreateAlways, Sharing::Private);
    f->writeAt(0, "made", 4);
    const bool renamed = f->renameOpenFile(dir.path(target));
#ifdef _WIN32
    EXPECT_TRUE(renamed);
#endif
    f.reset();
    if (!renamed) {
      ASSERT_TRUE(env.renameReplace(dir.path("part"), dir.path(target)));
    }
    EXPECT_EQ(dir.read(target), "made");
    EXPECT_FALSE(env.fileExists(dir.path("part")));
  }
}

}  // namespace
