// The footer of the installer file and the copy of the package out of it.
#include <gtest/gtest.h>

#include "package/installer_footer.h"
#include "package/package.h"
#include "tests/package/fake_reporter.h"
#include "tests/support/fault_env.h"
#include "tests/support/temp_dir.h"

namespace {

using test::FakeReporter;

struct FooterCase {
  const char* label;
  std::string text;
  std::optional<int64_t> expected;
};

TEST(InstallerFooter, ParsesOnlyWholeNumbers) {
  const std::string bom = "\xEF\xBB\xBF";
  const std::vector<FooterCase> cases = {
      {"twelve spaces and the digits", std::string(12, ' ') + "15822434", 15822434},
      {"twelve zeros in place of the spaces", std::string(12, '0') + "15822434", 15822434},
      {"byte-order mark and 17 characters", bom + std::string(9, ' ') + "15822434", 15822434},
      {"digits followed by CR LF", std::string(10, ' ') + "15822434\r\n", std::nullopt},
      {"digits followed by a space", std::string(11, ' ') + "15822434 ", std::nullopt},
      {"twenty spaces", std::string(20, ' '), std::nullopt},
      {"nineteen spaces and 0", std::string(19, ' ') + "0", 0},
      {"a minus sign", std::string(17, ' ') + "-42", -42},
      {"a plus sign", std::string(17, ' ') + "+42", 42},
      {"a sign without digits", std::string(19, ' ') + "-", std::nullopt},
      {"a space between sign and digits", std::string(16, ' ') + "- 42", std::nullopt},
      {"a tab before the digits", std::string(17, ' ') + "\t42", std::nullopt},
      {"a space inside the digits", std::string(15, ' ') + "12 34", std::nullopt},
      {"the largest 64-bit value", " 9223372036854775807", INT64_MAX},
      {"the smallest 64-bit value", "-9223372036854775808", INT64_MIN},
      {"one past the largest", " 9223372036854775808", std::nullopt},
      {"twenty nines", std::string(20, '9'), std::nullopt},
      {"a byte-order mark in the middle", "  " + bom + "123", std::nullopt},
      {"nothing", "", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(package::parseFooter(c.text), c.expected) << c.label;
}

TEST(InstallerFooter, MakeFooterRightAlignsTheOffset) {
  EXPECT_EQ(package::makeFooter(15822434), std::string(12, ' ') + "15822434");
  EXPECT_EQ(package::parseFooter(package::makeFooter(1)), 1);
}

// An installer file: `stubSize` bytes of image, the archive, EF BB BF, footer.
std::string installer(size_t stubSize, const std::string& archive, const std::string& footer) {
  std::string stub(stubSize, '\0');
  for (size_t i = 0; i < stubSize; ++i) stub[i] = static_cast<char>('A' + i % 23);
  return stub + archive + "\xEF\xBB\xBF" + footer;
}

class PackageCopy : public ::testing::Test {
 protected:
  std::string exe() const { return dir.path("setup.exe"); }
  std::string tmp() const { return dir.path("tmp") + test::TempDir::sep(); }
  bool tmpHas(const std::string& name) const { return env.fileExists(tmp() + name); }
  int64_t copy(platform::Env& e) { return package::copyPackageOut(e, reporter, exe(), tmp()); }

  void SetUp() override { ASSERT_TRUE(env.createDir(dir.path("tmp"))); }

  test::TempDir dir;
  platform::Env& env = platform::systemEnv();
  FakeReporter reporter;
};

TEST_F(PackageCopy, CopiesFromTheOffsetUpToTheFooter) {
  const std::string archive = "PK\x03\x04 pretend archive";
  const std::string file = installer(3682, archive, package::makeFooter(3682));
  dir.write("setup.exe", file);
  EXPECT_EQ(copy(env), 3682);
  const std::string out = dir.read("tmp/packages.zip");
  EXPECT_EQ(out.size(), file.size() - 3682 - 20);
  EXPECT_EQ(out, archive + "\xEF\xBB\xBF");
  EXPECT_EQ(reporter.lines, (std::vector<FakeReporter::Line>{{2, "Offset EXE: 3682"}}));
  EXPECT_FALSE(tmpHas("zip-offset.txt"));
}

TEST_F(PackageCopy, CopiesArchivesLargerThanOneBlock) {
  std::string archive(2 * 1048576 + 12345, '\0');
  for (size_t i = 0; i < archive.size(); ++i) archive[i] = static_cast<char>(i * 7 + i / 1000);
  dir.write("setup.exe", installer(1000, archive, package::makeFooter(1000)));
  EXPECT_EQ(copy(env), 1000);
  EXPECT_EQ(dir.read("tmp/packages.zip"), archive + "\xEF\xBB\xBF");
}

struct UnusableFooter {
  const char* label;
  std::string footer;
  std::vector<FakeReporter::Line> lines;
};

TEST_F(PackageCopy, UnusableFootersCopyNothing) {
  const std::vector<UnusableFooter> cases = {
      {"CR LF after the digits", std::string(14, ' ') + "1000\r\n", {{1, "Brak zawartego pakietu!"}}},
      {"twenty spaces", std::string(20, ' '), {{1, "Brak zawartego pakietu!"}}},
      {"zero", std::string(19, ' ') + "0", {{2, "Offset EXE: 0"}}},
      {"negative", std::string(15, ' ') + "-1000", {{2, "Offset EXE: -1000"}}},
  };
  for (const auto& c : cases) {
    reporter.lines.clear();
    dir.write("setup.exe", installer(1000, "archive", c.footer));
    const int64_t got = copy(env);
    EXPECT_EQ(got, c.lines[0].level == 1 ? 0 : *package::parseFooter(c.footer)) << c.label;
    EXPECT_EQ(reporter.lines, c.lines) << c.label;
    EXPECT_FALSE(tmpHas("packages.zip")) << c.label;
    EXPECT_FALSE(tmpHas("zip-offset.txt")) << c.label;
  }
}

TEST_F(PackageCopy, OffsetAtOrPastTheFooterGivesAnEmptyArchive) {
  const std::string body = installer(100, "archive", "");
  for (uint64_t offset : {body.size(), body.size() + 500}) {
    dir.write("setup.exe", body + package::makeFooter(offset));
    EXPECT_EQ(copy(env), static_cast<int64_t>(offset));
    EXPECT_TRUE(tmpHas("packages.zip"));
    EXPECT_EQ(dir.read("tmp/packages.zip"), "");
  }
}

TEST_F(PackageCopy, AFileShorterThanAFooterHasNoPackage) {
  dir.write("setup.exe", "short");
  EXPECT_EQ(copy(env), 0);
  EXPECT_EQ(reporter.at(1), std::vector<std::string>{"Brak zawartego pakietu!"});
  EXPECT_FALSE(tmpHas("zip-offset.txt"));
}

TEST_F(PackageCopy, AnEarlierPackageStaysWhenTheFooterIsUnusable) {
  dir.write("tmp/packages.zip", "from an earlier run");
  dir.write("setup.exe", installer(100, "new", std::string(20, ' ')));
  EXPECT_EQ(copy(env), 0);
  EXPECT_EQ(dir.read("tmp/packages.zip"), "from an earlier run");
}

TEST_F(PackageCopy, AMissingExecutableThrowsAndLeavesNoFooterFile) {
  EXPECT_THROW(copy(env), platform::IoError);
  EXPECT_FALSE(tmpHas("zip-offset.txt"));
}

// Fails the opens of one file in one access mode, to see that the footer
// file goes in every case.
test::FaultEnv failingOpen(platform::Env& env, const std::string& path, platform::Access access) {
  test::FaultEnv failing(env);
  failing.failOpens([path, access](const std::string& p, platform::Access a) { return p == path && a == access; });
  return failing;
}

TEST_F(PackageCopy, AnArchiveThatCannotBeCreatedThrowsAndLeavesNoFooterFile) {
  dir.write("setup.exe", installer(100, "archive", package::makeFooter(100)));
  auto failing = failingOpen(env, tmp() + "packages.zip", platform::Access::ReadWrite);
  EXPECT_THROW(copy(failing), platform::IoError);
  EXPECT_FALSE(tmpHas("zip-offset.txt"));
}

TEST_F(PackageCopy, AFooterFileThatCannotBeReadBackIsNoNumber) {
  dir.write("setup.exe", installer(100, "archive", package::makeFooter(100)));
  auto failing = failingOpen(env, tmp() + "zip-offset.txt", platform::Access::Read);
  EXPECT_EQ(copy(failing), 0);
  EXPECT_EQ(reporter.at(1), std::vector<std::string>{"Brak zawartego pakietu!"});
  EXPECT_FALSE(tmpHas("zip-offset.txt"));
  EXPECT_FALSE(tmpHas("packages.zip"));
}

TEST_F(PackageCopy, AFooterFileThatCannotBeWrittenThrowsAndCopiesNothing) {
  dir.write("setup.exe", installer(100, "archive", package::makeFooter(100)));
  auto failing = failingOpen(env, tmp() + "zip-offset.txt", platform::Access::ReadWrite);
  EXPECT_THROW(copy(failing), platform::IoError);
  EXPECT_FALSE(tmpHas("packages.zip"));
}

}  // namespace
