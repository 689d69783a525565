// pack build: what it writes, what the installer reads back, and what it refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <zlib.h>

#include "package/package.h"
#include "package/zip_format.h"
#include "package/zip_reader.h"
#include "package/zip_writer.h"
#include "tests/pack/pack_fixture.h"
#include "tests/package/fake_reporter.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/package_databases.h"
#include "tests/support/temp_dir.h"
#include "tools/pack/commands.h"

namespace pack {
int runBuild(const Args& args);
int runList(const Args& args);
int runCheck(const Args& args);
}  // namespace pack

namespace {

using test::readFile;
using test::writeFile;
namespace zip = package::zip;

const std::string kPackage = "Kuchnie \xC5\xBB\xC3\xB3\xC5\x82te";  // Kuchnie Żółte

class PackBuild : public ::testing::Test {
 public:
  PackBuild() {
    files["models/" + kPackage + "/dodatki.mdb"] =
        test::packagedb::writeDatabase(env, dir, "good.mdb", test::packagedb::goodPackage());
  }
  std::string p(const std::string& relative) const {
    std::string r = relative;
    for (char& c : r)
      if (c == '/') c = test::TempDir::sep();
    return dir.path(r);
  }
  // The files of a package folder, by path below it ("/"-separated).
  std::map<std::string, std::string> files = {
      {"install.jpg", test::jpegBytes(1040, 585)},
      {"finish.jpg", test::jpegBytes(1040, 585, 30, 60, 90)},
      {"cover.jpg", test::sampleBytes(100, 3)},
      {"models/" + kPackage + "/Szafki/G\xC3\xB3rne/szafka 60.max", test::sampleBytes(300000, 5)},
      {"models/" + kPackage + "/Szafki/puste.txt", ""},
      {"models/" + kPackage + ".txt", "opis"},
      {"models/" + kPackage + ".jpg", test::sampleBytes(700, 6)},
      {"materials/Drewno/d\xC4\x85\x62.jpg", test::sampleBytes(20000, 7)},
  };
  void writePackage() {
    for (const auto& [name, bytes] : files) writeFile(p("pkg/" + name), bytes);
    ASSERT_TRUE(platform::createDirs(env, p("pkg/models/" + kPackage + "/Puste/")));
    writeFile(p("stub.exe"), test::minimalPe());
  }
  int build(const std::string& out = "setup.exe") {
    return pack::runBuild({"--stub", p("stub.exe"), "--package", p("pkg"), "-o", p(out)});
  }

  test::TempDir dir;
  platform::Env& env = platform::systemEnv();
  test::FakeReporter reporter;
};

TEST_F(PackBuild, TheInstallerReadsBackEveryFile) {
  writePackage();
  ASSERT_EQ(build(), 0);
  const std::string installer = readFile(p("setup.exe"));
  ASSERT_EQ(installer.compare(0, 0x400, test::minimalPe()), 0);
  EXPECT_EQ(installer.substr(installer.size() - 23, 3), "\xEF\xBB\xBF");

  const std::string tmp = p("tmp") + test::TempDir::sep();
  ASSERT_TRUE(env.createDir(p("tmp")));
  EXPECT_EQ(package::copyPackageOut(env, reporter, p("setup.exe"), tmp), 0x400);
  ASSERT_TRUE(package::ExtractFilesFromZip(env, reporter, "", tmp + "packages.zip", tmp));
  for (const char* picture : {"install.jpg", "finish.jpg", "cover.jpg"})
    EXPECT_EQ(readFile(tmp + picture), files[picture]) << picture;

  const auto folders = package::GetSubFoldersListFromZip(env, reporter, tmp + "models.zip");
  ASSERT_EQ(folders, std::vector<std::string>{kPackage});
  const std::string dodatki = p("cad/dodatki") + test::TempDir::sep();
  ASSERT_TRUE(package::ExtractFilesFromZip(env, reporter, kPackage, tmp + "models.zip", dodatki));
  const std::string materials = p("cad/DB_MATERIALS/Vodezidoz Azu Virel") + test::TempDir::sep();
  ASSERT_TRUE(package::ExtractFilesFromZip(env, reporter, kPackage, tmp + "db_materials.zip", materials));

  for (const auto& [name, bytes] : files) {
    if (name.rfind("models/", 0) == 0) {
      const std::string rel = name.substr(7);
      if (rel == kPackage + ".txt" || rel == kPackage + ".jpg")
        EXPECT_FALSE(env.fileExists(p("cad/dodatki/" + rel))) << rel;
      else
        EXPECT_EQ(readFile(p("cad/dodatki/" + rel)), bytes) << rel;
    } else if (name.rfind("materials/", 0) == 0) {
      EXPECT_EQ(readFile(p("cad/DB_MATERIALS/Vodezidoz Azu Virel/" + name.substr(10))), bytes) << name;
    }
  }
  EXPECT_TRUE(env.dirExists(p("cad/dodatki/" + kPackage + "/Puste")));
  EXPECT_TRUE(reporter.at(1).empty());
}

// Every central and local header of an archive pack wrote.
void expectEntryConventions(const std::string& archive, const std::string& label) {
  using namespace zip;
  auto u = [&](size_t at) { return reinterpret_cast<const unsigned char*>(archive.data()) + at; };
  const size_t end = archive.rfind(std::string("PK\x05\x06", 4));
  ASSERT_NE(end, std::string::npos) << label;
  EXPECT_EQ(le16(u(end + kEndCommentLength)), 0) << label;
  EXPECT_EQ(end + kEndRecordSize, archive.size()) << label;
  size_t at = le32(u(end + kEndCentralDirOffset));
  for (unsigned i = 0; i < le16(u(end + kEndEntriesTotal)); ++i) {
    const std::string name(archive, at + kCentralHeaderSize, le16(u(at + kCentralNameLength)));
    SCOPED_TRACE(label + ": " + name);
    EXPECT_EQ(le32(u(at)), kCentralHeaderSignature);
    EXPECT_EQ(le16(u(at + kCentralVersionMadeBy)), 20);
    EXPECT_EQ(le16(u(at + kCentralVersionNeeded)), 20);
    EXPECT_EQ(le16(u(at + kCentralFlags)), kFlagUtf8);
    EXPECT_EQ(le16(u(at + kCentralMethod)), kMethodDeflate);
    EXPECT_EQ(le16(u(at + kCentralExtraLength)), 0);
    EXPECT_EQ(le16(u(at + kCentralCommentLength)), 0);
    EXPECT_EQ(le32(u(at + kCentralExternalAttributes)), 0x20u);
    EXPECT_EQ(name.find('/'), std::string::npos);
    const size_t local = le32(u(at + kCentralLocalHeaderOffset));
    EXPECT_EQ(le16(u(local + kLocalExtraLength)), 0);
    EXPECT_EQ(le16(u(local + kLocalFlags)), kFlagUtf8);
    at += kCentralHeaderSize + name.size();
  }
}

TEST_F(PackBuild, ArchivesFollowTheEntryConventions) {
  writePackage();
  ASSERT_EQ(build(), 0);
  const std::string tmp = p("tmp") + test::TempDir::sep();
  ASSERT_TRUE(env.createDir(p("tmp")));
  ASSERT_GT(package::copyPackageOut(env, reporter, p("setup.exe"), tmp), 0);
  std::string packages = readFile(tmp + "packages.zip");
  packages.resize(packages.size() - 3);  // the byte-order mark belongs to the installer file
  expectEntryConventions(packages, "packages.zip");
  ASSERT_TRUE(package::ExtractFilesFromZip(env, reporter, "", tmp + "packages.zip", tmp));
  const std::string models = readFile(tmp + "models.zip");
  expectEntryConventions(models, "models.zip");
  EXPECT_NE(models.find(kPackage + "\\Szafki\\G\xC3\xB3rne\\szafka 60.max"), std::string::npos);
  expectEntryConventions(readFile(tmp + "db_materials.zip"), "db_materials.zip");
}

#ifndef _WIN32
// Runs a shell command; its exit status and what it printed.
std::pair<int, std::string> shell(const std::string& command, const std::string& outputFile) {
  const int rc = std::system((command + " >'" + outputFile + "' 2>&1").c_str());
  std::ifstream in(outputFile);
  return {rc, std::string(std::istreambuf_iterator<char>(in), {})};
}

TEST_F(PackBuild, InfoZipAnd7ZipListTheArchivesWithoutWarnings) {
  if (std::system("command -v unzip >/dev/null && command -v 7z >/dev/null") != 0)
    GTEST_SKIP() << "Info-ZIP unzip or 7-Zip (p7zip-full) is not installed";
  writePackage();
  ASSERT_EQ(build(), 0);
  const std::string tmp = p("tmp") + test::TempDir::sep();
  ASSERT_TRUE(env.createDir(p("tmp")));
  ASSERT_GT(package::copyPackageOut(env, reporter, p("setup.exe"), tmp), 0);
  std::string packages = readFile(tmp + "packages.zip");
  writeFile(p("standalone.zip"), packages.substr(0, packages.size() - 3));
  ASSERT_TRUE(package::ExtractFilesFromZip(env, reporter, "", tmp + "packages.zip", tmp));
  for (const std::string& archive : {p("standalone.zip"), tmp + "models.zip", tmp + "db_materials.zip"}) {
    for (const char* tool : {"unzip -l", "unzip -t", "7z l", "7z t"}) {
      auto [rc, out] = shell(std::string(tool) + " '" + archive + "'", p("tool.txt"));
      EXPECT_EQ(rc, 0) << tool << " " << archive << "\n" << out;
      std::string lower = out;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (auto ok = lower.find("no errors detected"); ok != std::string::npos) lower.erase(ok, 18);
      EXPECT_EQ(lower.find("warning"), std::string::npos) << tool << " " << archive << "\n" << out;
      EXPECT_EQ(lower.find("error"), std::string::npos) << tool << " " << archive << "\n" << out;
    }
  }
}
#endif

struct Refusal {
  const char* label;
  void (*damage)(PackBuild& t);
  const char* hint;  // part of the message that says what to fix
};

TEST_F(PackBuild, RefusesPackagesTheInstallerWouldNotInstall) {
  const std::vector<Refusal> cases = {
      {"no install picture", [](PackBuild& t) { t.env.deleteFile(t.p("pkg/install.jpg")); },
       "add the JPEG picture install.jpg"},
      {"no finish picture", [](PackBuild& t) { t.env.deleteFile(t.p("pkg/finish.jpg")); },
       "add the JPEG picture finish.jpg"},
      {"no models folder",
       [](PackBuild& t) { std::filesystem::remove_all(std::filesystem::u8path(t.p("pkg/models"))); },
       "into a folder named models"},
      {"two package folders", [](PackBuild& t) { writeFile(t.p("pkg/models/Drugi/dodatki.mdb"), "m"); },
       "holds 2 folders"},
      {"no dodatki.mdb", [](PackBuild& t) { t.env.deleteFile(t.p("pkg/models/" + kPackage + "/dodatki.mdb")); },
       "must hold the accessory database"},
      {"dodatki.mdb in other letter case",
       [](PackBuild& t) {
         t.env.deleteFile(t.p("pkg/models/" + kPackage + "/dodatki.mdb"));
         writeFile(t.p("pkg/models/" + kPackage + "/Dodatki.MDB"), "m");
       },
       "rename Dodatki.MDB to dodatki.mdb"},
#ifndef _WIN32
      {"a device name", [](PackBuild& t) { writeFile(t.p("pkg/models/" + kPackage + "/aux.max"), "x"); },
       "reserved device name"},
      {"a name ending in a dot", [](PackBuild& t) { writeFile(t.p("pkg/materials/kropka."), "x"); },
       "Windows would store it as \"kropka\""},
      {"a folder ending in a blank", [](PackBuild& t) { writeFile(t.p("pkg/materials/Drewno /a.jpg"), "x"); },
       "Windows would store it as \"Drewno\\a.jpg\""},
      {"a colon", [](PackBuild& t) { writeFile(t.p("pkg/models/" + kPackage + "/a:b.max"), "x"); }, "\":\""},
      {"a backslash", [](PackBuild& t) { writeFile(t.p("pkg/models/" + kPackage + "/a\\b.max"), "x"); }, "a backslash"},
      {"names differing in case",
       [](PackBuild& t) { writeFile(t.p("pkg/models/" + kPackage + "/Szafki/PUSTE.TXT"), "x"); },
       "differ only in letter case"},
      {"a name not in UTF-8", [](PackBuild& t) { writeFile(t.p("pkg/models/" + kPackage + "/\xB3\xF3.max"), "x"); },
       "not valid UTF-8"},
#endif
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(std::filesystem::u8path(p("pkg")));
    writePackage();
    c.damage(*this);
    testing::internal::CaptureStderr();
    const int rc = build();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rc, 1) << c.label;
    EXPECT_NE(err.find(c.hint), std::string::npos) << c.label << "\n" << err;
    EXPECT_FALSE(env.fileExists(p("setup.exe"))) << c.label;
  }
}

TEST_F(PackBuild, RefusesAStubThatIsNoProgramOrHasAPackage) {
  writePackage();
  writeFile(p("text.exe"), "just text");
  testing::internal::CaptureStderr();
  EXPECT_EQ(pack::runBuild({"--stub", p("text.exe"), "--package", p("pkg"), "-o", p("a.exe")}), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("is not a Windows program"), std::string::npos);
  ASSERT_EQ(build("first.exe"), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(pack::runBuild({"--stub", p("first.exe"), "--package", p("pkg"), "-o", p("b.exe")}), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("already carries a package"), std::string::npos);
}

TEST(PackUsage, ExitCodesForHelpAndWrongUsage) {
  struct Case {
    int (*run)(const pack::Args&);
    pack::Args args;
    int expected;
  };
  const std::vector<Case> cases = {
      {pack::runBuild, {"--help"}, 0},
      {pack::runList, {"--help"}, 0},
      {pack::runCheck, {"-h"}, 0},
      {pack::runBuild, {}, 2},
      {pack::runBuild, {"--stub", "s.exe", "--package", "d"}, 2},
      {pack::runBuild, {"--stub", "s.exe", "--package", "d", "-o", "x.exe", "extra"}, 2},
      {pack::runBuild, {"--stub"}, 2},
      {pack::runBuild, {"--colour", "red"}, 2},
      {pack::runList, {}, 2},
      {pack::runList, {"a", "b"}, 2},
      {pack::runCheck, {"--verbose", "a"}, 2},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(c.run(c.args), c.expected) << testing::PrintToString(c.args);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
  }
}

TEST_F(PackBuild, ListAndCheckReadInstallersAndPlainArchives) {
  writePackage();
  ASSERT_EQ(build(), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(pack::runList({p("setup.exe")}), 0);
  const std::string listing = testing::internal::GetCapturedStdout();
  EXPECT_NE(listing.find("package archive at offset 1024"), std::string::npos) << listing;
  EXPECT_NE(listing.find("models.zip: 6 entries"), std::string::npos) << listing;
  EXPECT_NE(listing.find("package name: " + kPackage), std::string::npos) << listing;

  testing::internal::CaptureStdout();
  EXPECT_EQ(pack::runCheck({p("setup.exe")}), 0);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("ok, package \"" + kPackage + "\""), std::string::npos);

  // The same archive on its own, as packages.zip.
  const std::string tmp = p("tmp") + test::TempDir::sep();
  ASSERT_TRUE(env.createDir(p("tmp")));
  ASSERT_GT(package::copyPackageOut(env, reporter, p("setup.exe"), tmp), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(pack::runCheck({tmp + "packages.zip"}), 0);
  testing::internal::GetCapturedStdout();
}

// The Info-ZIP Unicode Path extra field naming `utf8`, made for `crcOf`.
std::string unicodePathExtra(const std::string& crcOf, const std::string& utf8) {
  std::string block(9, '\0');
  auto* b = reinterpret_cast<unsigned char*>(block.data());
  zip::putLe16(b, zip::kExtraUnicodePath);
  zip::putLe16(b + 2, static_cast<uint16_t>(5 + utf8.size()));
  b[4] = 1;
  zip::putLe32(b + 5, static_cast<uint32_t>(
                          crc32(0, reinterpret_cast<const Bytef*>(crcOf.data()), static_cast<uInt>(crcOf.size()))));
  return block + utf8;
}

TEST_F(PackBuild, ListShowsTheNameEachEntryIsUnpackedUnder) {
  {
    auto out = env.openFile(p("names.zip"), platform::Access::ReadWrite, platform::Creation::CreateAlways,
                            platform::Sharing::DenyWrite);
    zip::ZipWriter writer(*out);
    zip::EntryOptions good, stale;
    good.flags = stale.flags = 0;
    good.extra = unicodePathExtra("lodz.txt", "\xC5\x81\xC3\xB3\x64\xC5\xBA.txt");  // Łódź.txt
    stale.extra = unicodePathExtra("inny.txt", "nowy.txt");
    writer.addBytes("lodz.txt", "L", good);
    writer.addBytes("stary.txt", "S", stale);
    writer.addBytes("Meble\\notatka. ", "N");
    writer.addBytes("Meble\\plain.txt", "P");
    writer.finish();
  }
  testing::internal::CaptureStdout();
  EXPECT_EQ(pack::runList({p("names.zip")}), 0);
  const std::string listing = testing::internal::GetCapturedStdout();
  // The name column follows the sizes, the method and the CRC-32.
  std::vector<std::string> names;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);)
    if (line.size() > 50 && (line.find("  deflate ") == 27 || line.find("  stored ") == 27))
      names.push_back(line.substr(50));
  EXPECT_EQ(names, (std::vector<std::string>{"\xC5\x81\xC3\xB3\x64\xC5\xBA.txt  (stored as \"lodz.txt\")", "stary.txt",
                                             "Meble\\notatka  (stored as \"Meble\\notatka. \")", "Meble\\plain.txt"}))
      << listing;
}

TEST_F(PackBuild, CheckFindsDamagedData) {
  writePackage();
  ASSERT_EQ(build(), 0);
  std::string installer = readFile(p("setup.exe"));
  // A byte in the middle of the stored-by-deflate models.zip, far from any header.
  installer[installer.size() / 2] ^= 0x55;
  writeFile(p("bad.exe"), installer);
  testing::internal::CaptureStderr();
  EXPECT_EQ(pack::runCheck({p("bad.exe")}), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("check failed"), std::string::npos) << err;

  writeFile(p("nothing.bin"), std::string(100, 'x'));
  testing::internal::CaptureStderr();
  EXPECT_EQ(pack::runCheck({p("nothing.bin")}), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("neither an installer"), std::string::npos);
  testing::internal::CaptureStderr();
  EXPECT_EQ(pack::runList({p("nothing.bin")}), 1);
  testing::internal::GetCapturedStderr();
}

}  // namespace
