// Installers signed after packing: the certificate table follows the footer,
// and the installer and pack still find the package.
#include <gtest/gtest.h>

#include <cstdlib>

#include "package/installer_footer.h"
#include "package/package.h"
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

#ifndef _WIN32
class SignedInstaller : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v osslsigncode >/dev/null && command -v openssl >/dev/null") != 0)
      GTEST_SKIP() << "osslsigncode or openssl is not installed";
    writeFile(dir.path("stub.exe"), test::minimalPe());
    writeFile(dir.path("pkg/install.jpg"), test::jpegBytes(1040, 585));
    writeFile(dir.path("pkg/finish.jpg"), test::jpegBytes(1040, 585, 30, 60, 90));
    writeFile(dir.path("pkg/models/Pakiet/dodatki.mdb"),
              test::packagedb::writeDatabase(env, dir, "good.mdb", test::packagedb::goodPackage()));
    writeFile(dir.path("pkg/models/Pakiet/model.max"), test::sampleBytes(50000, 4));
    testing::internal::CaptureStdout();
    ASSERT_EQ(
        pack::runBuild({"--stub", dir.path("stub.exe"), "--package", dir.path("pkg"), "-o", dir.path("setup.exe")}), 0);
    testing::internal::GetCapturedStdout();
    // A self-signed code-signing certificate made for this test alone.
    const std::string q = "'" + dir.root() + "/";
    ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Test Producer' -keyout " + q +
                           "key.pem' -out " + q + "cert.pem' >/dev/null 2>&1")
                              .c_str()),
              0);
    ASSERT_EQ(std::system(("osslsigncode sign -certs " + q + "cert.pem' -key " + q + "key.pem' -in " + q +
                           "setup.exe' -out " + q + "signed.exe' >/dev/null 2>&1")
                              .c_str()),
              0);
    ASSERT_TRUE(env.createDir(dir.path("tmp")));
  }
  std::string tmp() const { return dir.path("tmp") + test::TempDir::sep(); }

  test::TempDir dir;
  platform::Env& env = platform::systemEnv();
  test::FakeReporter reporter;
};

TEST_F(SignedInstaller, IsReadAndUnpacked) {
  const std::string signedFile = readFile(dir.path("signed.exe"));
  const std::string unsignedFile = readFile(dir.path("setup.exe"));
  ASSERT_GT(signedFile.size(), unsignedFile.size());
  ASSERT_FALSE(package::parseFooter(signedFile.substr(signedFile.size() - 20)));

  EXPECT_EQ(package::copyPackageOut(env, reporter, dir.path("signed.exe"), tmp()), 0x400);
  EXPECT_EQ(reporter.lines, (std::vector<test::FakeReporter::Line>{{2, "Offset EXE: 1024"}}));
  EXPECT_EQ(readFile(tmp() + "packages.zip"), unsignedFile.substr(0x400, unsignedFile.size() - 0x400 - 20));
  EXPECT_FALSE(env.fileExists(tmp() + "zip-offset.txt"));
  ASSERT_TRUE(package::ExtractFilesFromZip(env, reporter, "", tmp() + "packages.zip", tmp()));
  ASSERT_TRUE(package::ExtractFilesFromZip(env, reporter, "Pakiet", tmp() + "models.zip", dir.path("out") + "/"));
  EXPECT_EQ(readFile(dir.path("out/Pakiet/model.max")), test::sampleBytes(50000, 4));
}

TEST_F(SignedInstaller, PackListsAndChecksIt) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(pack::runList({dir.path("signed.exe")}), 0);
  EXPECT_EQ(pack::runCheck({dir.path("signed.exe")}), 0);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("footer before an Authenticode signature"), std::string::npos) << out;
  EXPECT_NE(out.find("ok, package \"Pakiet\""), std::string::npos) << out;
}

// The signature covers the package: it verifies, and fails once a byte of the
// package changes.
TEST_F(SignedInstaller, TheSignatureVerifiesAndCoversThePackage) {
  const std::string q = "'" + dir.root() + "/";
  const auto verify = [&](const std::string& file) {
    return std::system(
        ("osslsigncode verify -CAfile " + q + "cert.pem' -in " + q + file + "' >/dev/null 2>&1").c_str());
  };
  EXPECT_EQ(verify("signed.exe"), 0);
  std::string bytes = readFile(dir.path("signed.exe"));
  bytes[0x400 + 40] ^= 0x01;  // inside packages.zip
  writeFile(dir.path("tampered.exe"), bytes);
  EXPECT_NE(verify("tampered.exe"), 0);
}

TEST_F(SignedInstaller, BytesAfterTheSignatureHideThePackage) {
  // The certificate table no longer ends the file: no footer is looked for before it.
  writeFile(dir.path("appended.exe"), readFile(dir.path("signed.exe")) + "trailing bytes");
  EXPECT_EQ(package::copyPackageOut(env, reporter, dir.path("appended.exe"), tmp()), 0);
  EXPECT_EQ(reporter.at(1), std::vector<std::string>{"Brak zawartego pakietu!"});
}
#endif

TEST(UnsignedInstaller, ABrokenFooterStillMeansNoPackage) {
  test::TempDir dir;
  test::FakeReporter reporter;
  auto& env = platform::systemEnv();
  // A Windows program without a certificate table, then an archive and a footer with a line end.
  writeFile(dir.path("setup.exe"), test::minimalPe() + "PK\x05\x06" + std::string(18, '\0') + "\xEF\xBB\xBF" +
                                       std::string(14, ' ') + "1024\r\n");
  ASSERT_TRUE(env.createDir(dir.path("tmp")));
  EXPECT_EQ(package::copyPackageOut(env, reporter, dir.path("setup.exe"), dir.path("tmp") + test::TempDir::sep()), 0);
  EXPECT_EQ(reporter.lines, (std::vector<test::FakeReporter::Line>{{1, "Brak zawartego pakietu!"}}));
  EXPECT_FALSE(env.fileExists(dir.path("tmp") + test::TempDir::sep() + "packages.zip"));
}

}  // namespace
