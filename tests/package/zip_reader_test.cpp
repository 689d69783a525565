// The two archive operations on sound archives, and the reader's texts for
// damaged ones.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <set>

#include "package/package.h"
#include "package/progress.h"
#include "package/zip_format.h"
#include "package/zip_reader.h"
#include "platform/env_wrapper.h"
#include "tests/package/fake_reporter.h"
#include "tests/package/zip_builder.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>

#include <ctime>
#endif

namespace test {
extern const std::string k_deflate64_zip;
extern const std::string k_descriptor_zip;
extern const std::string k_infozip_utf8_zip;
extern const std::string k_infozip_trailing_zip;
extern const std::string k_p7zip_cp852_zip;
extern const std::string k_python_zip64_zip;
extern const std::string k_unicode_path_zip;
}  // namespace test

namespace {

using test::FakeReporter;
using test::makeZip;
using test::TestEntry;
namespace zip = package::zip;

// Reads entry names as a Polish Windows does, whatever the system running
// the test.
class PolishOemEnv : public platform::EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  int oemCodePage() override { return 852; }
};

class Archive : public ::testing::Test {
 protected:
  std::string dest() const { return dir.path("out") + test::TempDir::sep(); }
  // Path below the destination, with "\" in `relative` standing for the separator.
  std::string out(std::string relative) const {
    for (char& c : relative)
      if (c == '\\') c = test::TempDir::sep();
    return dest() + relative;
  }
  // Through the Env, since names are UTF-8 (TempDir::read takes them in the
  // Windows ANSI code page). Empty when the file is missing.
  std::string readOut(const std::string& relative) {
    if (!env.fileExists(out(relative))) return {};
    auto f = env.openFile(out(relative), platform::Access::Read, platform::Creation::OpenExisting,
                          platform::Sharing::DenyWrite);
    std::string bytes(static_cast<size_t>(f->size()), '\0');
    bytes.resize(f->readAt(0, bytes.data(), bytes.size()));
    return bytes;
  }
  std::string put(const std::string& bytes, const std::string& name = "a.zip") {
    dir.write(name, bytes);
    return dir.path(name);
  }
  bool extract(const std::string& zipBytes, const std::string& packageName = "") {
    return package::ExtractFilesFromZip(env, reporter, packageName, put(zipBytes), dest());
  }

  test::TempDir dir;
  PolishOemEnv env{platform::systemEnv()};
  FakeReporter reporter;
};

TEST_F(Archive, EmptyArchiveSucceedsWithFullProgress) {
  EXPECT_TRUE(extract(makeZip({})));
  EXPECT_EQ(reporter.lines, (std::vector<FakeReporter::Line>{{2, "maxFiles = -1"}}));
  EXPECT_EQ(reporter.progress, std::vector<int>{100});
}

TEST_F(Archive, OneEntryGivesProgressZeroThenHundred) {
  EXPECT_TRUE(extract(makeZip({{"only.txt", "x"}})));
  EXPECT_EQ(reporter.lines, (std::vector<FakeReporter::Line>{{2, "maxFiles = 0"}, {2, "only.txt"}}));
  EXPECT_EQ(reporter.progress, (std::vector<int>{0, 100}));
  EXPECT_EQ(readOut("only.txt"), "x");
}

TEST(Progress, RoundsHalvesToEven) {
  struct Case {
    int64_t i, maxFiles;
    int expected;
  };
  for (const Case& c : std::vector<Case>{{0, 0, 0},
                                         {0, 8, 0},
                                         {1, 8, 12},
                                         {3, 8, 38},
                                         {5, 8, 62},
                                         {7, 8, 88},
                                         {8, 8, 100},
                                         {1, 3, 33},
                                         {2, 3, 67},
                                         {1, 40, 2},
                                         {3, 40, 8},
                                         {1, 200, 0},
                                         {3, 200, 2},
                                         {1999, 1999, 100}})
    EXPECT_EQ(package::progressPercent(c.i, c.maxFiles), c.expected) << c.i << "/" << c.maxFiles;
}

TEST_F(Archive, ProgressFollowsTheEntryIndex) {
  std::vector<TestEntry> entries;
  for (int i = 0; i < 9; ++i) entries.push_back({std::string("f").append(std::to_string(i)), "data"});
  EXPECT_TRUE(extract(makeZip(entries)));
  EXPECT_EQ(reporter.progress, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88, 100, 100}));
}

TEST_F(Archive, SkipsOnlyThePackageTextAndPictureAtTheTop) {
  const std::vector<TestEntry> entries = {
      {"Pkg.txt", "t"},       {"Pkg\\dodatki.mdb", "m"}, {"Pkg.jpg", "j"},
      {"Pkg\\Pkg.txt", "in"}, {"pkg.txt", "case"},       {"Pkg.txt.bak", "b"},
  };
  EXPECT_TRUE(extract(makeZip(entries), "Pkg"));
  // On a case-insensitive file system "pkg.txt" lands on the name "Pkg.txt".
  EXPECT_NE(readOut("Pkg.txt"), "t");
  EXPECT_FALSE(env.fileExists(out("Pkg.jpg")));
  EXPECT_EQ(readOut("Pkg\\Pkg.txt"), "in");
  EXPECT_EQ(readOut("Pkg\\dodatki.mdb"), "m");
  EXPECT_EQ(readOut("Pkg.txt.bak"), "b");
  EXPECT_EQ(reporter.at(2),
            (std::vector<std::string>{"maxFiles = 5", "Pkg\\dodatki.mdb", "Pkg\\Pkg.txt", "pkg.txt", "Pkg.txt.bak"}));
  // Skipped entries keep their index: 1, 3, 4, 5 of maxFiles 5.
  EXPECT_EQ(reporter.progress, (std::vector<int>{20, 60, 80, 100, 100}));
}

TEST_F(Archive, WithoutPackageNameSkipsOnlyBareExtensions) {
  EXPECT_TRUE(extract(makeZip({{".jpg", "1"}, {".txt", "2"}, {"install.jpg", "3"}})));
  EXPECT_FALSE(env.fileExists(out(".jpg")));
  EXPECT_FALSE(env.fileExists(out(".txt")));
  EXPECT_EQ(readOut("install.jpg"), "3");
}

TEST_F(Archive, CreatesFoldersAndReplacesFiles) {
  dir.write("out/a/b/c.txt", "old and longer");
  EXPECT_TRUE(extract(makeZip({{"a\\b\\c.txt", "new"}, {"empty\\", ""}, {"x/y/z.txt", "slash"}})));
  EXPECT_EQ(readOut("a\\b\\c.txt"), "new");
  EXPECT_TRUE(env.dirExists(out("empty")));
  EXPECT_EQ(readOut("x\\y\\z.txt"), "slash");
}

TEST_F(Archive, ReadsStoredDeflatedAndDeflate64Entries) {
  EXPECT_TRUE(extract(
      makeZip({{"stored.bin", std::string(5000, 's'), test::stored()}, {"deflated.bin", std::string(100000, 'd')}})));
  EXPECT_EQ(readOut("stored.bin"), std::string(5000, 's'));
  EXPECT_EQ(readOut("deflated.bin"), std::string(100000, 'd'));

  // Made by 7-Zip: a block repeated 40,000 bytes later and a long run of
  // zeros use the distance and length codes only Deflate64 has; 2.5 MB of
  // output runs through the inflater's window more than once.
  std::string block;
  uint32_t x = 12345;
  for (int i = 0; i < 40000; ++i) {
    x = (x * 1103515245u + 12345u) & 0x7FFFFFFF;
    block += static_cast<char>((x >> 16) & 0xFF);
  }
  std::string note;
  for (int i = 0; i < 50; ++i) note += "Deflate64 entry\r\n";
  EXPECT_TRUE(extract(test::k_deflate64_zip));
  std::string expected;
  for (int i = 0; i < 60; ++i) expected += block;
  expected += std::string(100000, '\0') + "tail";
  const std::string got = readOut("long.bin");
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);  // 2.5 MB: no byte dump on failure
  EXPECT_EQ(readOut("note.txt"), note);
}

// A flipped byte is caught by the decoder where the stream stops making sense,
// else by the CRC-32 at the end of the entry.
TEST_F(Archive, DamagedDeflate64DataFailsCleanly) {
  const size_t data = 30 + 8;  // long.bin's data follows its local header and name
  const struct {
    size_t at;
    const char* message;
  } cases[] = {
      {data + 1, "Deflate64 data damaged: stored block length check"},
      {data + 100, "Error reading zip file"},
      {data + 5000, "Error reading zip file"},
      {data + 20000, "Error reading zip file"},
      {data + 40000, "Deflate64 data damaged: distance before the start of the data"},
  };
  for (const auto& c : cases) {
    reporter = {};
    std::string bytes = test::k_deflate64_zip;
    bytes[c.at] ^= 0x5A;
    EXPECT_FALSE(extract(bytes)) << c.at;
    EXPECT_EQ(reporter.at(1), std::vector<std::string>{c.message}) << c.at;
    EXPECT_FALSE(env.fileExists(out("long.bin"))) << c.at;
  }
}

TEST_F(Archive, ExtractsPathsLongerThan260Characters) {
  std::string deep;
  for (int i = 0; i < 12; ++i) deep += "Podkatalog numer " + std::to_string(i) + "\\";
  deep += "model o bardzo d\xC5\x82ugiej nazwie.max";
  ASSERT_GT(deep.size() + dest().size(), 300u);
  EXPECT_TRUE(extract(makeZip({{deep, "deep"}})));
  EXPECT_EQ(readOut(deep), "deep");
}

TEST_F(Archive, ReadsEntriesWithDataDescriptors) {
  // Info-ZIP writing to a pipe: sizes and CRC follow the data.
  EXPECT_TRUE(extract(test::k_descriptor_zip));
  EXPECT_EQ(readOut("Pkg\\dodatki.mdb"), "mdb data\n");
  std::string model;
  for (int i = 0; i < 2000; ++i) model += "model ";
  EXPECT_EQ(readOut("Pkg\\model.max"), model);
}

TEST_F(Archive, ReadsZip64Records) {
  zip::EntryOptions z64;
  z64.zip64 = true;
  const std::string bytes = makeZip({{"Pkg\\dodatki.mdb", "mdb", z64}, {"Pkg\\big.bin", std::string(70000, 'z'), z64}});
  ASSERT_NE(bytes.find(std::string("PK\x06\x06", 4)), std::string::npos);
  EXPECT_TRUE(extract(bytes));
  EXPECT_EQ(readOut("Pkg\\big.bin"), std::string(70000, 'z'));
  EXPECT_EQ(package::GetSubFoldersListFromZip(env, reporter, dir.path("a.zip")), std::vector<std::string>{"Pkg"});
}

std::string unicodePathExtra(const std::string& rawName, const std::string& utf8, uint32_t crcDelta = 0) {
  std::string block(9, '\0');
  auto* p = reinterpret_cast<unsigned char*>(block.data());
  zip::putLe16(p, zip::kExtraUnicodePath);
  zip::putLe16(p + 2, static_cast<uint16_t>(5 + utf8.size()));
  p[4] = 1;
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(rawName.data()), static_cast<uInt>(rawName.size())));
  zip::putLe32(p + 5, crc + crcDelta);
  return block + utf8;
}

TEST_F(Archive, UnicodePathFieldNamesTheFileWhenItsCrcMatches) {
  zip::EntryOptions good, stale;
  good.flags = stale.flags = 0;
  good.extra = unicodePathExtra("lodz.txt", "\xC5\x81\xC3\xB3\x64\xC5\xBA.txt");  // Łódź.txt
  stale.extra = unicodePathExtra("stary.txt", "nowy.txt", 1);
  EXPECT_TRUE(extract(makeZip({{"lodz.txt", "L", good}, {"stary.txt", "S", stale}})));
  EXPECT_EQ(readOut("\xC5\x81\xC3\xB3\x64\xC5\xBA.txt"), "L");
  EXPECT_FALSE(env.fileExists(out("lodz.txt")));
  EXPECT_EQ(readOut("stary.txt"), "S");
  EXPECT_FALSE(env.fileExists(out("nowy.txt")));
  // The log shows the names as stored.
  EXPECT_EQ(reporter.at(2), (std::vector<std::string>{"maxFiles = 1", "lodz.txt", "stary.txt"}));
}

TEST_F(Archive, NamesWithoutUtf8FlagAreReadInTheOemCodePage) {
  zip::EntryOptions oem;
  oem.flags = 0;
  // "Żółć.txt" in code page 852, and the same name in UTF-8 with the flag.
  EXPECT_TRUE(
      extract(makeZip({{"\xBD\xA2\x88\x86.txt", "oem", oem}, {"Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87.txt", "utf"}})));
  EXPECT_EQ(readOut("\xC5\xBB\xC3\xB3\xC5\x82\xC4\x87.txt"), "oem");
  EXPECT_EQ(readOut("Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87.txt"), "utf");
  EXPECT_EQ(reporter.at(2)[1], "\xC5\xBB\xC3\xB3\xC5\x82\xC4\x87.txt");
}

// The OEM code page the system is set to decides; Windows converts any code
// page it knows, the POSIX build carries tables for 437, 850 and 852 and
// reads any other code page as 852.
TEST(ArchiveCodePage, NamesWithoutUtf8FlagFollowTheSystemsOemCodePage) {
  class CodePageEnv : public platform::EnvWrapper {
   public:
    CodePageEnv(platform::Env& target, int codePage) : EnvWrapper(target), codePage_(codePage) {}
    int oemCodePage() override { return codePage_; }

   private:
    int codePage_;
  };
  struct Case {
    int codePage;
    std::string stored, expected;
  };
  const std::string kreslo = "\x8A\xE0\xA5\xE1\xAB\xAE";  // "Кресло" in code page 866
  const std::vector<Case> cases = {
      {852, "\xBD\xA2\x88\x86", "\xC5\xBB\xC3\xB3\xC5\x82\xC4\x87"},  // "Żółć"
#ifdef _WIN32
      {866, kreslo, "\xD0\x9A\xD1\x80\xD0\xB5\xD1\x81\xD0\xBB\xD0\xBE"},
#else
      {866, kreslo, "\xC5\x90\xC3\x93\xC4\x85\xC3\x9F\xC5\xBA\xC2\xAB"},
#endif
      {437, "\x82t\x82", "\xC3\xA9t\xC3\xA9"},  // "été"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    test::TempDir dir;
    zip::EntryOptions oem;
    oem.flags = 0;
    dir.write("a.zip", makeZip({{c.stored + ".txt", "x", oem}}));
    CodePageEnv env(platform::systemEnv(), c.codePage);
    zip::ZipReader reader(env, dir.path("a.zip"));
    ASSERT_EQ(reader.entries().size(), 1u);
    EXPECT_EQ(reader.entries()[0].name, c.expected + ".txt");
  }
}

bool writable(const std::string& path) {
  auto perms = std::filesystem::status(std::filesystem::u8path(path)).permissions();
  return (perms & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
}

TEST_F(Archive, AppliesDosAttributesOnlyFromDosHosts) {
  zip::EntryOptions dosReadOnly, unixReadOnly;
  dosReadOnly.externalAttributes = platform::kAttrReadOnly | platform::kAttrArchive;
  unixReadOnly.versionMadeBy = 3 << 8 | 30;
  unixReadOnly.externalAttributes = 0100444u << 16 | platform::kAttrReadOnly;
  const std::string bytes = makeZip({{"dos.txt", "d", dosReadOnly}, {"unix.txt", "u", unixReadOnly}});
  EXPECT_TRUE(extract(bytes));
  EXPECT_FALSE(writable(out("dos.txt")));
  EXPECT_TRUE(writable(out("unix.txt")));
  // A read-only file from an earlier run is replaced all the same.
  EXPECT_TRUE(extract(bytes));
  EXPECT_EQ(readOut("dos.txt"), "d");
}

#ifndef _WIN32
TEST_F(Archive, SetsTheEntryTime) {
  zip::EntryOptions when;
  when.dosDate = zip::dosDate(2019, 7, 14);
  when.dosTime = zip::dosTime(13, 45, 30);
  EXPECT_TRUE(extract(makeZip({{"t.txt", "t", when}})));
  struct stat st {};
  ASSERT_EQ(::stat(out("t.txt").c_str(), &st), 0);
  std::tm tm{};
  localtime_r(&st.st_mtime, &tm);
  EXPECT_EQ((std::vector<int>{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec}),
            (std::vector<int>{2019, 7, 14, 13, 45, 30}));
}
#endif

TEST_F(Archive, SymbolicLinkEntriesBecomePlainFiles) {
  zip::EntryOptions link;
  link.versionMadeBy = 3 << 8 | 30;
  link.externalAttributes = 0120777u << 16;
  EXPECT_TRUE(extract(makeZip({{"link", "../../outside", link}})));
  EXPECT_FALSE(std::filesystem::is_symlink(std::filesystem::u8path(out("link"))));
  EXPECT_EQ(readOut("link"), "../../outside");
}

// Refuses to create one file, as a full disk or a locked file would.
class RefusingEnv : public PolishOemEnv {
 public:
  RefusingEnv(platform::Env& target, std::string refused) : PolishOemEnv(target), refused_(std::move(refused)) {}
  std::unique_ptr<platform::File> openFile(const std::string& p, platform::Access a, platform::Creation c,
                                           platform::Sharing s) override {
    // The entry's temporary name is refused too.
    if (p.rfind(refused_, 0) == 0 && c != platform::Creation::OpenExisting)
      throw platform::IoError("Cannot open " + p + ": full");
    return PolishOemEnv::openFile(p, a, c, s);
  }

 private:
  std::string refused_;
};

TEST_F(Archive, AFileThatCannotBeCreatedStopsWithItsMessage) {
  RefusingEnv refusing(platform::systemEnv(), out("b.txt"));
  const std::string zipPath = put(makeZip({{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}}));
  EXPECT_FALSE(package::ExtractFilesFromZip(refusing, reporter, "", zipPath, dest()));
  EXPECT_EQ(reporter.at(1), std::vector<std::string>{"Cannot open " + out("b.txt") + ": full"});
  EXPECT_EQ(readOut("a.txt"), "a");  // entries already extracted stay
  EXPECT_FALSE(env.fileExists(out("c.txt")));
  EXPECT_EQ(reporter.progress, std::vector<int>{0});  // the bar keeps its last value
}

TEST_F(Archive, NotAZipIsFalseWithoutALine) {
  EXPECT_FALSE(extract("this is not an archive at all"));
  EXPECT_TRUE(reporter.lines.empty());
  EXPECT_TRUE(reporter.progress.empty());
}

TEST_F(Archive, AMissingArchiveThrows) {
  EXPECT_THROW((void)package::ExtractFilesFromZip(env, reporter, "", dir.path("missing.zip"), dest()),
               platform::IoError);
  EXPECT_THROW(package::GetSubFoldersListFromZip(env, reporter, dir.path("missing.zip")), platform::IoError);
}

struct Damage {
  const char* label;
  void (*apply)(std::string& zip);
  const char* message;
};

TEST_F(Archive, DamagedArchivesGiveTheReadersTexts) {
  const std::vector<Damage> cases = {
      {"CRC-32 mismatch",
       [](std::string& z) {
         auto l = test::layoutOf(z);
         z[l.local[1] + zip::kLocalHeaderSize + 10 + 5] ^= 1;  // a byte of the stored data
       },
       "Error reading zip file"},
      {"central header signature", [](std::string& z) { z[test::layoutOf(z).central[1]] = 'X'; },
       "Invalid Zip Central Header signature"},
      {"local header signature", [](std::string& z) { z[test::layoutOf(z).local[1]] = 'X'; },
       "Invalid Zip Local Header signature"},
      {"central directory offset past its end",
       [](std::string& z) { test::patch32(z, test::layoutOf(z).end + zip::kEndCentralDirOffset, 0x7FFFFFF0); },
       "Error reading zip file"},
  };
  for (const auto& c : cases) {
    reporter = {};
    dir.write("out/second.txt", "from an earlier install");
    std::string bytes = makeZip({{"first.txt", "1"}, {"second.txt", "second entry", test::stored()}});
    c.apply(bytes);
    EXPECT_FALSE(extract(bytes)) << c.label;
    EXPECT_EQ(reporter.at(1), std::vector<std::string>{c.message}) << c.label;
    // The file the failed entry would have replaced is untouched, and nothing
    // half-written stays beside it.
    EXPECT_EQ(readOut("second.txt"), "from an earlier install") << c.label;
    EXPECT_FALSE(env.fileExists(out(std::string("second.txt") + zip::kPartialSuffix))) << c.label;
  }
}

struct FolderCase {
  const char* label;
  std::vector<std::string> names;
  std::vector<std::string> expected;
};

TEST_F(Archive, PackageFoldersAreTopLevelFoldersHoldingDodatkiMdb) {
  const std::vector<FolderCase> cases = {
      {"one package", {"Pkg\\", "Pkg\\dodatki.mdb", "Pkg\\m\\a.max", "Pkg.txt"}, {"Pkg"}},
      {"letter case of the file", {"Pkg\\Dodatki.mdb", "Pkg\\DODATKI.MDB"}, {}},
      {"top-level dodatki.mdb", {"dodatki.mdb"}, {}},
      {"two levels deep", {"Pkg\\sub\\dodatki.mdb"}, {}},
      {"slash separator", {"Pkg/dodatki.mdb"}, {}},
      {"two packages in order", {"B\\dodatki.mdb", "A\\x", "A\\dodatki.mdb"}, {"B", "A"}},
      {"the same entry twice", {"Pkg\\dodatki.mdb", "Pkg\\dodatki.mdb"}, {"Pkg", "Pkg"}},
      {"empty folder name", {"\\dodatki.mdb"}, {}},
      {"colon before the file", {"Pkg:dodatki.mdb"}, {}},
      {"colon in the folder", {"x:Pkg\\dodatki.mdb"}, {"x:Pkg"}},
  };
  for (const auto& c : cases) {
    reporter = {};
    std::vector<TestEntry> entries;
    for (const auto& n : c.names) entries.push_back({n, "x"});
    EXPECT_EQ(package::GetSubFoldersListFromZip(env, reporter, put(makeZip(entries))), c.expected) << c.label;
    std::vector<std::string> lines;
    for (const auto& name : c.expected) lines.push_back("Znaleziono podkatalog w ZIP : `" + name + "`");
    EXPECT_EQ(reporter.at(2), lines) << c.label;
    EXPECT_TRUE(reporter.at(1).empty()) << c.label;
  }
}

TEST_F(Archive, FolderListOfANonArchiveIsEmptyWithAMessage) {
  EXPECT_TRUE(package::GetSubFoldersListFromZip(env, reporter, put("no archive here")).empty());
  EXPECT_EQ(reporter.lines,
            (std::vector<FakeReporter::Line>{{1, "Plik jest uszkodzony lub zawiera b\xC5\x82\xC4\x99\x64y!"}}));
}

TEST_F(Archive, FolderListOfADamagedDirectoryLogsTheError) {
  std::string bytes = makeZip({{"Pkg\\dodatki.mdb", "m"}});
  bytes[test::layoutOf(bytes).central[0]] = 'X';
  EXPECT_TRUE(package::GetSubFoldersListFromZip(env, reporter, put(bytes)).empty());
  EXPECT_EQ(reporter.at(1), std::vector<std::string>{"Invalid Zip Central Header signature"});
}

TEST_F(Archive, BytesAfterTheEndRecordAreAllowed) {
  EXPECT_TRUE(extract(makeZip({{"a.txt", "a"}}) + "\xEF\xBB\xBF"));
  EXPECT_EQ(readOut("a.txt"), "a");
}

TEST_F(Archive, TheEndRecordIsSoughtInTheLast65557Bytes) {
  const std::string zip = makeZip({{"a.txt", "a"}});
  // The 22-byte record and 65,535 bytes after it: found.
  EXPECT_TRUE(extract(zip + std::string(65535, 'x')));
  // One byte more puts the record's signature out of reach: not an archive.
  reporter = {};
  EXPECT_FALSE(extract(zip + std::string(65536, 'x')));
  EXPECT_TRUE(reporter.lines.empty());
}

}  // namespace

namespace {

// Sets the method of entry `index` in both headers to one the reader lacks
// (LZMA, as 7-Zip writes it).
void makeLzma(std::string& z, size_t index) {
  auto l = test::layoutOf(z);
  test::patch16(z, l.local[index] + zip::kLocalMethod, 14);
  test::patch16(z, l.central[index] + zip::kCentralMethod, 14);
}

TEST_F(Archive, EntriesThatAreNotWrittenNeedNotBeReadable) {
  // Skipped by name: the package's own text and picture at the top.
  std::string models = makeZip({{"Meble.txt", "opis"}, {"Meble\\dodatki.mdb", "mdb"}, {"Meble.jpg", "jpg"}});
  makeLzma(models, 0);
  test::patch16(models, test::layoutOf(models).central[2] + zip::kCentralFlags, zip::kFlagUtf8 | zip::kFlagEncrypted);
  EXPECT_TRUE(extract(models, "Meble")) << reporter.at(1).front();
  EXPECT_EQ(readOut("Meble\\dodatki.mdb"), "mdb");

  // Not among the files the caller uses: passed over without a line.
  const std::vector<std::string> used = {"install.jpg", "models.zip"};
  std::string package = makeZip({{"install.jpg", "pic"}, {"Czytaj.txt", "lzma"}, {"MODELS.ZIP", "zip"}});
  makeLzma(package, 1);
  reporter = {};
  EXPECT_TRUE(package::ExtractFilesFromZip(env, reporter, "", put(package), dest(), used));
  EXPECT_EQ(reporter.at(2), (std::vector<std::string>{"maxFiles = 2", "install.jpg", "MODELS.ZIP"}));
  EXPECT_FALSE(env.fileExists(out("Czytaj.txt")));

  // A file the caller uses must be readable.
  std::string unreadable = makeZip({{"install.jpg", "pic"}, {"models.zip", "zip"}});
  makeLzma(unreadable, 1);
  reporter = {};
  EXPECT_FALSE(package::ExtractFilesFromZip(env, reporter, "", put(unreadable), dest(), used));
  ASSERT_EQ(reporter.at(1).size(), 1u);
  EXPECT_NE(reporter.at(1)[0].find("unsupported compression method 14"), std::string::npos);
}

TEST_F(Archive, TemporaryFilesMeetNoEntryAndNoFileOfTheUser) {
  dir.write("out/b.txt.~part", "the user's own file");
  EXPECT_TRUE(extract(makeZip({{"a.txt", "A"}, {"a.txt.~part", "entry"}, {"b.txt", "B"}})));
  EXPECT_EQ(readOut("a.txt"), "A");
  EXPECT_EQ(readOut("a.txt.~part"), "entry");
  EXPECT_EQ(readOut("b.txt"), "B");
  EXPECT_EQ(readOut("b.txt.~part"), "the user's own file");
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::u8path(dest())))
    files += e.is_regular_file();
  EXPECT_EQ(files, 4u);  // no temporary file stays
}

// An archive of n empty stored entries as Python's zipfile writes it: with
// 65,535 entries the end record holds 0xFFFF and there is no Zip64 record;
// with more there is one (as our writer makes it).
std::string manyEntries(size_t n, bool withoutZip64) {
  std::vector<TestEntry> entries;
  entries.reserve(n);
  for (size_t i = 0; i < n; ++i) entries.push_back({"f" + std::to_string(i), "", test::stored()});
  std::string z = makeZip(entries);
  if (!withoutZip64) return z;
  const size_t zip64End = z.rfind(std::string("PK\x06\x06", 4));
  const size_t end = z.rfind(std::string("PK\x05\x06", 4));
  const auto* u = reinterpret_cast<const unsigned char*>(z.data());
  const uint64_t cdStart = zip::le64(u + zip64End + zip::kZip64EndCentralDirOffset);
  std::string classic = z.substr(end);
  z = z.substr(0, zip64End) + classic;
  const size_t at = zip64End;
  test::patch16(z, at + zip::kEndEntriesOnDisk, 0xFFFF);
  test::patch16(z, at + zip::kEndEntriesTotal, 0xFFFF);
  test::patch32(z, at + zip::kEndCentralDirSize, static_cast<uint32_t>(zip64End - cdStart));
  test::patch32(z, at + zip::kEndCentralDirOffset, static_cast<uint32_t>(cdStart));
  return z;
}

TEST(ManyEntries, CountsOf65535And65536AreRead) {
  platform::Env& env = platform::systemEnv();
  for (auto [n, withoutZip64] : {std::pair<size_t, bool>{65535, true}, {65536, false}}) {
    std::string bytes = manyEntries(n, withoutZip64);
    EXPECT_EQ(bytes.find(std::string("PK\x06\x06", 4)) == std::string::npos, withoutZip64) << n;
    zip::ZipReader reader(env, std::make_unique<test::MemoryFile>(bytes));
    ASSERT_EQ(reader.entries().size(), n);
    EXPECT_EQ(reader.entries().back().name, "f" + std::to_string(n - 1));
    reader.validateForExtraction();
  }
  // 0xFFFF over a directory that holds fewer entries is a damaged archive.
  std::string few = manyEntries(3, false);
  const size_t end = test::layoutOf(few).end;
  test::patch16(few, end + zip::kEndEntriesOnDisk, 0xFFFF);
  test::patch16(few, end + zip::kEndEntriesTotal, 0xFFFF);
  EXPECT_THROW(zip::ZipReader(env, std::make_unique<test::MemoryFile>(few)), zip::ZipError);
}

}  // namespace

namespace {

// Archives made by the tools producers use (fixtures/make_producers.sh), and
// the files each must give, "\\" standing for the separator.
struct ProducerArchive {
  const char* label;
  const std::string& bytes;
  std::vector<std::pair<std::string, std::string>> files;
  std::vector<std::string> absent;
};

TEST_F(Archive, ArchivesOfProducersToolsLandAsWindowsPutsThem) {
  const std::string kuchnia = "Kuchnia \xC5\xBB\xC3\xB3\xC5\x82ta";  // Kuchnia Żółta
  const std::vector<ProducerArchive> cases = {
      {"Info-ZIP, UTF-8 names without the flag",
       test::k_infozip_utf8_zip,
       {{kuchnia + "\\szafka g\xC3\xB3rna.txt", "szafka"}, {"plain.txt", "plain"}},
       {}},
      {"Info-ZIP, names ending in dots and blanks",
       test::k_infozip_trailing_zip,
       {{"notatka", "dot"}, {"spacja", "blank"}, {"folder\\plik.txt", "inside"}, {"blank\\razem", "both"}},
       {"notatka.", "spacja ", "folder."}},
      {"7-Zip, code page 852 names without the flag",
       test::k_p7zip_cp852_zip,
       {{"\xC5\xBB\xC3\xB3\xC5\x82\xC4\x87.txt", "oem"}},  // Żółć.txt
       {}},
      {"Python, Zip64 local headers",
       test::k_python_zip64_zip,
       {{"Meble\\dodatki.mdb",
         [] {
           std::string s;
           for (int i = 0; i < 300; ++i) s += "mdb";
           return s;
         }()},
        {"Meble\\model.max", "model"}},
       {}},
      {"Unicode Path fields, matching and stale",
       test::k_unicode_path_zip,
       {{"\xC5\x81\xC3\xB3\x64\xC5\xBA.txt", "L"}, {"stary.txt", "S"}},  // Łódź.txt
       {"lodz.txt", "nowy.txt"}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(std::filesystem::u8path(dest()));
    reporter = {};
    EXPECT_TRUE(extract(c.bytes)) << c.label << ": " << (reporter.at(1).empty() ? "" : reporter.at(1)[0]);
    for (const auto& [name, data] : c.files) EXPECT_EQ(readOut(name), data) << c.label << ": " << name;
    // Listed, not asked for: Windows would find "notatka." under "notatka".
    std::set<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(std::filesystem::u8path(dest()))) {
      const auto n = e.path().filename().u8string();
      names.insert(std::string(n.begin(), n.end()));
    }
    for (const auto& name : c.absent) EXPECT_EQ(names.count(name), 0u) << c.label << ": " << name;
  }
}

}  // namespace
