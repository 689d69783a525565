// pack mdb check, and the JSON documents of list, check and mdb check: what a
// producer's build pipeline gates on.
#include <gtest/gtest.h>

#include <cstdlib>

#include "jet/database_impl.h"
#include "jet/header_page.h"
#include "package/installer_footer.h"
#include "package/zip_writer.h"
#include "tests/pack/pack_fixture.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/package_databases.h"
#include "tools/pack/commands.h"

namespace pack {
int runBuild(const Args& args);
int runList(const Args& args);
int runCheck(const Args& args);
int runMdb(const Args& args);
}  // namespace pack

namespace {

using namespace test::packagedb;

struct Output {
  int rc;
  std::string out, err;
};

Output capture(int (*command)(const pack::Args&), const pack::Args& args) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int rc = command(args);
  std::string out = testing::internal::GetCapturedStdout();
  return {rc, out, testing::internal::GetCapturedStderr()};
}

class MachineOutput : public ::testing::Test {
 protected:
  std::string goodDatabase() {
    PackageSpec p = goodPackage();
    p.dodatki().rows.push_back(p.dodatki().rows[0]);
    p.dodatki().rows.back()["ID"] = int32_t{4};
    p.dodatki().rows.back()["Nazwa"] = std::string("DELETE");
    p.dodatki().primaryKeyColumn = "ID";
    return writeDatabase(platform::systemEnv(), dir, "good" + std::to_string(++made_) + ".mdb", p);
  }
  // An installer of a package with that database, two model files and materials.
  std::string buildInstaller() {
    const char s = test::TempDir::sep();
    const std::string pkg = dir.path("pkg") + s;
    test::writeFile(pkg + "install.jpg", test::jpegBytes(1040, 585));
    test::writeFile(pkg + "finish.jpg", test::jpegBytes(1040, 585));
    test::writeFile(pkg + "models" + s + "Meble" + s + "dodatki.mdb", goodDatabase());
    test::writeFile(pkg + "models" + s + "Meble" + s + "a.max", "a");
    test::writeFile(pkg + "models" + s + "Meble" + s + "b" + s + "b.max", "b");
    test::writeFile(pkg + "materials" + s + "dab.jpg", "d");
    test::writeFile(dir.path("stub.exe"), test::minimalPe());
    const auto r = capture(pack::runBuild,
                           {"--stub", dir.path("stub.exe"), "--package", dir.path("pkg"), "-o", dir.path("setup.exe")});
    EXPECT_EQ(r.rc, 0) << r.err;
    return dir.path("setup.exe");
  }
#ifndef _WIN32
  // Whether Python's JSON parser takes the text as one document.
  bool isJson(const std::string& text) {
    test::writeFile(dir.path("doc.json"), text);
    return std::system(("python3 -m json.tool '" + dir.path("doc.json") + "' >/dev/null 2>&1").c_str()) == 0;
  }
#endif

  test::TempDir dir;
  int made_ = 0;
};

TEST_F(MachineOutput, MdbCheckPassesASoundFileAndListsFindingsOfADamagedOne) {
  test::writeFile(dir.path("sound.mdb"), goodDatabase());
  auto r = capture(pack::runMdb, {"check", dir.path("sound.mdb")});
  EXPECT_EQ(r.rc, 0) << r.out;
  EXPECT_NE(r.out.find(": sound"), std::string::npos) << r.out;

  // The Dodatki definition claims a row more than the table holds.
  std::string bytes = goodDatabase();
  uint32_t tdef = 0;
  {
    auto db = jet::Database::open(platform::systemEnv(), dir.path("sound.mdb"), false);
    tdef = dynamic_cast<jet::detail::DatabaseImpl&>(*db).findTable("Dodatki").page();
  }
  constexpr size_t kRowCountInDefinition = 0x10;
  bytes[tdef * jet::detail::kPageSize + kRowCountInDefinition] += 1;
  test::writeFile(dir.path("miscounted.mdb"), bytes);
  r = capture(pack::runMdb, {"check", dir.path("miscounted.mdb")});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.out.find("Dodatki: 3 rows but the definition says 4"), std::string::npos) << r.out;

  test::writeFile(dir.path("text.mdb"), "ID;Nazwa\n");
  r = capture(pack::runMdb, {"check", dir.path("text.mdb")});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.out.find("1 findings"), std::string::npos) << r.out;
  EXPECT_EQ(capture(pack::runMdb, {"check"}).rc, 2);
}

TEST_F(MachineOutput, CheckSaysWhatTheInstallerWillDo) {
  const auto r = capture(pack::runCheck, {buildInstaller()});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(
      r.out.find(
          "package \"Meble\": 2 model files and dodatki.mdb into dodatki\\Meble\\; dodatki.mdb: 1 producer rows (0 "
          "\"DELETE\" markers, 1 written), 3 accessory rows (1 \"DELETE\" markers, 2 written)"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("db_materials.zip: 1 files into DB_MATERIALS\\Vodezidoz Azu Virel\\"), std::string::npos)
      << r.out;
}

// A ZIP archive of these entries, as pack would write it.
std::string zipOf(const test::TempDir& dir, const std::vector<std::pair<std::string, std::string>>& entries) {
  {
    auto f = platform::systemEnv().openFile(dir.path("part.zip"), platform::Access::ReadWrite,
                                            platform::Creation::CreateAlways, platform::Sharing::DenyWrite);
    package::zip::ZipWriter w(*f);
    for (const auto& [name, bytes] : entries) w.addBytes(name, bytes);
    w.finish();
  }
  return test::readFile(dir.path("part.zip"));
}

// An installer made by hand around a database pack build would refuse: pack
// check refuses it for the reason pack build gives, and names the row.
TEST_F(MachineOutput, CheckRefusesABadDatabaseInsideAnInstaller) {
  PackageSpec bad = goodPackage();
  bad.dodatki().setNull(1, "Kolor");
  const std::string models = zipOf(
      dir, {{"Meble\\dodatki.mdb", writeDatabase(platform::systemEnv(), dir, "bad.mdb", bad)}, {"Meble\\a.max", "a"}});
  const std::string packages = zipOf(
      dir,
      {{"install.jpg", test::jpegBytes(1040, 585)}, {"finish.jpg", test::jpegBytes(640, 480)}, {"models.zip", models}});
  const std::string stub = test::minimalPe();
  test::writeFile(dir.path("bad.exe"),
                  stub + packages + std::string(package::kByteOrderMark) + package::makeFooter(stub.size()));
  const auto r = capture(pack::runCheck, {dir.path("bad.exe")});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("check failed: Meble\\dodatki.mdb: table 'Dodatki', row 2 (ID 9), column 'Kolor': the "
                       "installed column requires a value; value empty (null)"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("warning: finish.jpg is 640 x 480 pixels"), std::string::npos) << r.err;
}

#ifndef _WIN32
TEST_F(MachineOutput, JsonDocumentsParseAndCarryTheFigures) {
  const std::string installer = buildInstaller();
  auto r = capture(pack::runList, {installer, "--json"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_TRUE(isJson(r.out)) << r.out;
  EXPECT_NE(r.out.find("\"archiveOffset\":1024"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"package\":\"Meble\""), std::string::npos) << r.out;

  r = capture(pack::runCheck, {installer, "--json"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_TRUE(isJson(r.out)) << r.out;
  EXPECT_NE(r.out.find("\"ok\":true"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"modelFiles\":2,\"database\":{\"usable\":true,\"producers\":{\"rows\":1,\"deleteMarkers\":0,"
                       "\"written\":1},\"accessories\":{\"rows\":3,\"deleteMarkers\":1,\"written\":2}}"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.err, "");

  test::writeFile(dir.path("nothing.bin"), std::string(100, 'x'));
  r = capture(pack::runCheck, {dir.path("nothing.bin"), "--json"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(isJson(r.out)) << r.out;
  EXPECT_NE(r.out.find("\"ok\":false"), std::string::npos) << r.out;

  test::writeFile(dir.path("sound.mdb"), goodDatabase());
  r = capture(pack::runMdb, {"check", dir.path("sound.mdb"), "--json"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_TRUE(isJson(r.out)) << r.out;
  EXPECT_NE(r.out.find("\"sound\":true,\"findings\":[]"), std::string::npos) << r.out;
}
#endif

}  // namespace
