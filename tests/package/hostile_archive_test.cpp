// Archives made to write outside the destination, or to make the reader
// write without bound: every one fails before anything of it is written.
// Names that are only odd land where Windows would put them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "package/package.h"
#include "package/zip_format.h"
#include "tests/package/fake_reporter.h"
#include "tests/package/zip_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using test::makeZip;
using test::TestEntry;
namespace zip = package::zip;
namespace fs = std::filesystem;

std::set<std::string> tree(const std::string& root) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(fs::u8path(root))) {
    const auto name = e.path().u8string();
    out.insert(std::string(name.begin(), name.end()));
  }
  return out;
}

class HostileArchive : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("outside/keep.txt", "keep");
    ASSERT_TRUE(platform::createDirs(env, dir.path("in/dest")));
  }
  // Runs the extraction and checks that it failed and wrote nothing; returns
  // the error lines it logged.
  std::vector<std::string> expectRefused(const std::string& label, const std::string& bytes,
                                         const std::string& mentioned) {
    dir.write("in/archive.zip", bytes);
    const auto before = tree(dir.root());
    test::FakeReporter reporter;
    const bool extracted = package::ExtractFilesFromZip(env, reporter, "", dir.path("in/archive.zip"),
                                                        dir.path("in/dest") + test::TempDir::sep());
    EXPECT_FALSE(extracted) << label;
    const bool untouched = tree(dir.root()) == before;
    EXPECT_TRUE(untouched) << label;
    ++tried_;
    if (!extracted && untouched) ++rejected_;
    const auto errors = reporter.at(1);
    if (!mentioned.empty()) {
      EXPECT_EQ(errors.size(), 1u) << label;
      for (const auto& e : errors) EXPECT_NE(e.find(mentioned), std::string::npos) << label << ": " << e;
    }
    EXPECT_TRUE(reporter.progress.empty()) << label;
    return errors;
  }

  // Read by scripts/reliability-figures.sh.
  void TearDown() override {
    if (tried_ == 0) return;
    RecordProperty("inputs_tried", tried_);
    RecordProperty("inputs_rejected", rejected_);
  }

  test::TempDir dir;
  platform::Env& env = platform::systemEnv();
  int tried_ = 0, rejected_ = 0;
};

// Each name is either refused before anything is written, or lands where
// Windows puts it (trailing dots and blanks, empty and "." segments dropped),
// always inside the destination.
struct NameCase {
  std::string name;
  std::string landing;  // below the destination, "/" separated; empty: refused
};

TEST_F(HostileArchive, NamesAreRefusedOrLandWhereWindowsPutsThem) {
  const std::vector<NameCase> cases = {
      {"..\\outside\\evil.txt", ""},
      {"sub/../../evil.txt", ""},
      {"sub\\..\\x.txt", ""},
      {"..", ""},
      {"...", ""},
      {"sub\\. .\\x.txt", ""},
      {".", ""},
      {"C:\\evil.txt", ""},
      {"C:evil.txt", ""},
      {"\\\\server\\share\\evil.txt", ""},
      {"\\\\?\\C:\\evil.txt", ""},
      {"//server/share/evil.txt", ""},
      {"file.txt:stream", ""},
      {"dir:x\\file.txt", ""},
      {"CON", ""},
      {"con.txt", ""},
      {"CON.", ""},
      {"aux .txt", ""},
      {"sub\\nul", ""},
      {"Aux.tar.gz", ""},
      {"prn", ""},
      {"COM0", ""},
      {"com9.log", ""},
      {"LPT1", ""},
      {"sub\\lpt9.txt\\x", ""},
      {"COM\xC2\xB9", ""},
      {"conout$.txt", ""},
      {"tab\there", ""},
      {std::string("nul\0byte", 8), ""},
      {"a<b", ""},
      {"a>b", ""},
      {"a\"b", ""},
      {"a|b", ""},
      {"a?b", ""},
      {"a*b", ""},
      {"not text\xEF\xBF\xBF", ""},
      {"", ""},
      {"/etc/evil.txt", "etc/evil.txt"},
      {"\\evil.txt", "evil.txt"},
      {"trailing.\\x.txt", "trailing/x.txt"},
      {"trailing dot.", "trailing dot"},
      {"trailing blank ", "trailing blank"},
      {"dots and blanks. . ", "dots and blanks"},
      {"sub \\x.txt", "sub/x.txt"},
      {"double\\\\separator.txt", "double/separator.txt"},
      {"./here/./x.txt", "here/x.txt"},
      {"del\x7F", "del\x7F"},
      {"modele\\szafka.mdl.~part", "modele/szafka.mdl.~part"},
      {"SZAFKA.MDL.~PART", "SZAFKA.MDL.~PART"},
  };
  for (const auto& c : cases) {
    const std::string bytes = makeZip({{"fine.txt", "fine"}, {c.name, "entry"}, {"later.txt", "later"}});
    const std::string label = "name \"" + c.name + "\"";
    if (c.landing.empty()) {
      expectRefused(label, bytes, "refused: unsafe name");
      continue;
    }
    fs::remove_all(fs::u8path(dir.path("in/dest")));
    ASSERT_TRUE(platform::createDirs(env, dir.path("in/dest")));
    dir.write("in/archive.zip", bytes);
    const auto before = tree(dir.root());
    test::FakeReporter reporter;
    EXPECT_TRUE(package::ExtractFilesFromZip(env, reporter, "", dir.path("in/archive.zip"),
                                             dir.path("in/dest") + test::TempDir::sep()))
        << label;
    EXPECT_EQ(dir.read("in/dest/" + c.landing), "entry") << label;
    EXPECT_EQ(dir.read("in/dest/later.txt"), "later") << label;
    // Besides the destination's new files, nothing changed.
    const char sep = test::TempDir::sep();
    const std::string destPrefix = dir.root() + sep + "in" + sep + "dest" + sep;
    std::set<std::string> outside;
    for (const auto& p : tree(dir.root()))
      if (p.rfind(destPrefix, 0) != 0) outside.insert(p);
    EXPECT_EQ(outside, before) << label;
  }
}

TEST_F(HostileArchive, AnEntryThatWindowsNamesLikeAnEarlierOneReplacesIt) {
  dir.write("in/archive.zip", makeZip({{"sub\\a.txt", "first"}, {"sub.\\a.txt. ", "second"}, {"b.txt", "b"}}));
  test::FakeReporter reporter;
  EXPECT_TRUE(package::ExtractFilesFromZip(env, reporter, "", dir.path("in/archive.zip"),
                                           dir.path("in/dest") + test::TempDir::sep()));
  EXPECT_EQ(dir.read("in/dest/sub/a.txt"), "second");
  EXPECT_EQ(tree(dir.path("in/dest")).size(), 3u);  // sub, sub/a.txt, b.txt
}

TEST_F(HostileArchive, ReservedLookingButHarmlessNamesAreExtracted) {
  const std::string bytes = makeZip(
      {{"CONSOLE.txt", "1"}, {"com10", "2"}, {"lpt.txt", "3"}, {"a.b\\c", "4"}, {".hidden", "5"}, {"sub\\", ""}});
  test::FakeReporter reporter;
  dir.write("in/archive.zip", bytes);
  EXPECT_TRUE(package::ExtractFilesFromZip(env, reporter, "", dir.path("in/archive.zip"),
                                           dir.path("in/dest") + test::TempDir::sep()));
  const struct {
    const char* landing;
    const char* content;
  } landed[] = {{"CONSOLE.txt", "1"}, {"com10", "2"}, {"lpt.txt", "3"}, {"a.b/c", "4"}, {".hidden", "5"}};
  for (const auto& l : landed) EXPECT_EQ(dir.read(std::string("in/dest/") + l.landing), l.content) << l.landing;
  EXPECT_TRUE(env.dirExists(dir.path("in/dest/sub")));
}

// Damages to the records, each applied to an archive of three entries.
struct Damage {
  const char* label;
  void (*apply)(std::string& zip);
  const char* mentioned;  // part of the level-1 line; empty when none is expected
};

TEST_F(HostileArchive, InconsistentRecordsAreRefusedBeforeAnythingIsWritten) {
  using test::layoutOf;
  using test::patch16;
  using test::patch32;
  const std::vector<Damage> cases = {
      {"two central entries share one local header",
       [](std::string& z) {
         auto l = layoutOf(z);
         patch32(z, l.central[2] + zip::kCentralLocalHeaderOffset, static_cast<uint32_t>(l.local[1]));
         z.replace(l.central[2] + zip::kCentralHeaderSize, 10, "second.txt");
       },
       "overlaps"},
      {"data reaches into the central directory",
       [](std::string& z) {
         auto l = layoutOf(z);
         patch32(z, l.local[2] + zip::kLocalCompressedSize, 5000);
         patch32(z, l.local[2] + zip::kLocalUncompressedSize, 5000);
         patch32(z, l.central[2] + zip::kCentralCompressedSize, 5000);
         patch32(z, l.central[2] + zip::kCentralUncompressedSize, 5000);
       },
       "outside the archive's data area"},
      {"local header offset inside the central directory",
       [](std::string& z) {
         patch32(z, layoutOf(z).central[2] + zip::kCentralLocalHeaderOffset,
                 static_cast<uint32_t>(layoutOf(z).central[0]));
       },
       "outside the archive's data area"},
      {"local header names another file", [](std::string& z) { z[layoutOf(z).local[2] + zip::kLocalHeaderSize] = 'X'; },
       "another file"},
      {"local header gives another method",
       [](std::string& z) { patch16(z, layoutOf(z).local[2] + zip::kLocalMethod, zip::kMethodDeflate); },
       "another method"},
      {"local header gives another size",
       [](std::string& z) { patch32(z, layoutOf(z).local[2] + zip::kLocalUncompressedSize, 1); }, "other sizes"},
      {"encrypted entry",
       [](std::string& z) {
         auto l = layoutOf(z);
         patch16(z, l.central[2] + zip::kCentralFlags, zip::kFlagUtf8 | zip::kFlagEncrypted);
       },
       "encrypted"},
      {"unknown method",
       [](std::string& z) {
         auto l = layoutOf(z);
         patch16(z, l.local[2] + zip::kLocalMethod, 14);
         patch16(z, l.central[2] + zip::kCentralMethod, 14);
       },
       "unsupported compression method 14"},
      {"local header signature", [](std::string& z) { z[layoutOf(z).local[2]] = 'X'; },
       "Invalid Zip Local Header signature"},
      {"central header signature", [](std::string& z) { z[layoutOf(z).central[2]] = 'X'; },
       "Invalid Zip Central Header signature"},
      {"more entries than the directory holds",
       [](std::string& z) { patch16(z, layoutOf(z).end + zip::kEndEntriesTotal, 4); }, "Error reading zip file"},
      {"a middle piece cut out", [](std::string& z) { z.erase(layoutOf(z).local[1] + 10, 40); },
       "Error reading zip file"},
  };
  for (const auto& c : cases) {
    std::string bytes = makeZip({{"fine.txt", "fine"},
                                 {"second.txt", std::string(300, 's'), test::stored()},
                                 {"thirds.txt", std::string(300, 's'), test::stored()}});
    c.apply(bytes);
    expectRefused(c.label, bytes, c.mentioned);
  }
}

// A file cut before its end record is no archive at all (nothing to log: the
// caller says the package is missing); one cut inside the end record is a
// damaged archive.
TEST_F(HostileArchive, TruncatedArchivesFail) {
  const std::string whole = makeZip({{"fine.txt", std::string(1000, 'f')}, {"b.bin", std::string(4000, 'b')}});
  const size_t endRecord = whole.size() - zip::kEndRecordSize;
  const struct {
    size_t keep;
    bool damaged;
  } cases[] = {{0, false},
               {3, false},
               {30, false},
               {whole.size() / 2, false},
               {endRecord - 1, false},
               {endRecord + 1, false},
               {whole.size() - 1, true}};
  for (const auto& c : cases) {
    const std::string label = "first " + std::to_string(c.keep) + " bytes";
    const auto errors = expectRefused(label, whole.substr(0, c.keep), c.damaged ? "Error reading zip file" : "");
    if (!c.damaged) {
      EXPECT_TRUE(errors.empty()) << label;
    }
  }
}

TEST_F(HostileArchive, InflatingStopsAtTheDeclaredSize) {
  // A megabyte of zeros that claims to be ten bytes: nothing past the ten
  // bytes is written, and the file is removed again.
  std::string bytes = makeZip({{"bomb.bin", std::string(1 << 20, '\0')}, {"later.txt", "later"}});
  auto l = test::layoutOf(bytes);
  test::patch32(bytes, l.local[0] + zip::kLocalUncompressedSize, 10);
  test::patch32(bytes, l.central[0] + zip::kCentralUncompressedSize, 10);
  expectRefused("deflate bomb", bytes, "Error reading zip file");
}

TEST_F(HostileArchive, ShorterDataThanDeclaredFails) {
  std::string bytes = makeZip({{"short.bin", std::string(1000, 'x')}});
  auto l = test::layoutOf(bytes);
  test::patch32(bytes, l.local[0] + zip::kLocalUncompressedSize, 5000);
  test::patch32(bytes, l.central[0] + zip::kCentralUncompressedSize, 5000);
  expectRefused("short data", bytes, "Error reading zip file");
}

}  // namespace
