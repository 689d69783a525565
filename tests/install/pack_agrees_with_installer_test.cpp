// A package database that pack refuses is refused by the installer for the
// same reason: the installer's failure line appears word for word in what
// pack says. Both run one check, and this keeps it that way.
#include <gtest/gtest.h>

#include "tests/pack/pack_fixture.h"
#include "tests/support/package_databases.h"
#include "tests/support/package_install_run.h"
#include "tools/pack/commands.h"

namespace pack {
int runBuild(const Args& args);
}  // namespace pack

namespace {

using namespace test::packagedb;

const char* const kModelsFailed = "Wystąpił błąd instalacji modeli. Spróbuj ponownie.";

// What pack build says on standard error about a package with this database.
std::pair<int, std::string> packBuild(const test::TempDir& dir, const std::string& mdb) {
  const char s = test::TempDir::sep();
  test::writeFile(dir.path("pkg") + s + "install.jpg", test::jpegBytes(1040, 585));
  test::writeFile(dir.path("pkg") + s + "finish.jpg", test::jpegBytes(1040, 585));
  test::writeFile(dir.path("pkg") + s + "models" + s + "Meble" + s + "dodatki.mdb", mdb);
  test::writeFile(dir.path("stub.exe"), test::minimalPe());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int rc =
      pack::runBuild({"--stub", dir.path("stub.exe"), "--package", dir.path("pkg"), "-o", dir.path("a.exe")});
  testing::internal::GetCapturedStdout();
  return {rc, testing::internal::GetCapturedStderr()};
}

// The line the installer's merge failed with, on a first install.
std::string installerFailure(const test::TempDir& dir, const std::string& mdb) {
  const char s = test::TempDir::sep();
  const std::string root = dir.path("CAD") + s;
  EXPECT_TRUE(platform::createDirs(platform::systemEnv(), root + "dodatki" + s + "Meble" + s));
  test::InstallerRun run(root, mdb);
  run.install();
  return test::failureLine(run, kModelsFailed);
}

TEST(PackAgreesWithInstaller, RefusesEachBadDatabaseForTheInstallersReason) {
  std::vector<std::pair<std::string, std::function<std::string(const test::TempDir&)>>> databases = {
      {"text file", [](const test::TempDir&) { return std::string("ID;Nazwa\n1;Uchwyt\n"); }}};
  for (const auto& c : kFailingCases) {
    const auto spoil = c.spoil;
    databases.push_back({c.name, [spoil](const test::TempDir& dir) {
                           PackageSpec p = goodPackage();
                           spoil(p);
                           return writeDatabase(platform::systemEnv(), dir, "package.mdb", p);
                         }});
  }
  for (const auto& [name, make] : databases) {
    SCOPED_TRACE(name);
    test::TempDir dir;
    const std::string mdb = make(dir);
    const std::string installer = installerFailure(dir, mdb);
    ASSERT_FALSE(installer.empty());
    const auto [rc, said] = packBuild(dir, mdb);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(said.find(installer), std::string::npos) << "installer: " << installer << "\npack: " << said;
  }
}

}  // namespace
