// pack build refuses every package the installer would fail on, and warns
// about what installs but not as the producer may expect: one table of
// packages, each with its exit status and message. The bad databases are
// the very ones the installer's own tests install.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/pack/pack_fixture.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/package_databases.h"
#include "tools/pack/commands.h"

namespace pack {
int runBuild(const Args& args);
}  // namespace pack

namespace {

using namespace test::packagedb;

class PackageFolder {
 public:
  PackageFolder() {
    write("install.jpg", test::jpegBytes(1040, 585));
    write("finish.jpg", test::jpegBytes(1040, 585, 20, 90, 200));
    setDatabase(goodPackage());
    write("models/Meble/modele/szafka.max", test::sampleBytes(3000, 1));
    test::writeFile(dir.path("stub.exe"), test::minimalPe());
  }
  void write(const std::string& relative, const std::string& bytes) { test::writeFile(path(relative), bytes); }
  void remove(const std::string& relative) { std::filesystem::remove_all(std::filesystem::u8path(path(relative))); }
  void setDatabase(const PackageSpec& spec) {
    write("models/Meble/dodatki.mdb",
          writeDatabase(platform::systemEnv(), dir, "db" + std::to_string(++made_) + ".mdb", spec));
  }
  std::string path(const std::string& relative) const {
    std::string r = "pkg/" + relative;
    for (char& c : r)
      if (c == '/') c = test::TempDir::sep();
    return dir.path(r);
  }

  // Runs pack build; its exit status and what it wrote to standard error.
  std::pair<int, std::string> build() {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int rc =
        pack::runBuild({"--stub", dir.path("stub.exe"), "--package", dir.path("pkg"), "-o", dir.path("setup.exe")});
    testing::internal::GetCapturedStdout();
    return {rc, testing::internal::GetCapturedStderr()};
  }
  bool wroteInstaller() const { return platform::systemEnv().fileExists(dir.path("setup.exe")); }

  test::TempDir dir;

 private:
  int made_ = 0;
};

struct BuildCase {
  BuildCase(std::string l, std::function<void(PackageFolder&)> c, int e, std::vector<std::string> s, bool w = false)
      : label(std::move(l)), change(std::move(c)), exitStatus(e), said(std::move(s)), mayWarn(w) {}
  std::string label;
  std::function<void(PackageFolder&)> change;
  int exitStatus;
  std::vector<std::string> said;  // parts of what pack writes to standard error
  bool mayWarn = false;           // with nothing said, standard error may still hold warnings
};

PackageSpec spoiled(const std::function<void(PackageSpec&)>& spoil) {
  PackageSpec p = goodPackage();
  spoil(p);
  return p;
}

std::function<void(PackageSpec&)> acceptedCase(const std::string& name) {
  for (const auto& c : kAcceptedCases)
    if (c.name == name) return c.spoil;
  throw std::logic_error("no accepted case " + name);
}

std::vector<BuildCase> buildCases() {
  std::vector<BuildCase> cases = {
      {"good package", [](PackageFolder&) {}, 0, {}},
      {"text file as database",
       [](PackageFolder& f) { f.write("models/Meble/dodatki.mdb", "ID;Nazwa\n1;Uchwyt\n"); },
       1,
       {"dodatki.mdb: not a database the installer can open"}},
      {"no install picture",
       [](PackageFolder& f) { f.remove("install.jpg"); },
       1,
       {"add the JPEG picture install.jpg"}},
      {"text file as install picture",
       [](PackageFolder& f) { f.write("install.jpg", "not a picture"); },
       1,
       {"install.jpg is not a JPEG picture the installer can show"}},
      {"damaged finish picture",
       [](PackageFolder& f) { f.write("finish.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + test::sampleBytes(2000, 9)); },
       1,
       {"finish.jpg is not a JPEG picture the installer can show"}},
      {"odd picture size",
       [](PackageFolder& f) { f.write("install.jpg", test::jpegBytes(800, 600)); },
       0,
       {"warning: ", "install.jpg is 800 x 600 pixels; the installer window is laid out for 1040 x 585"}},
      {"no package folder", [](PackageFolder& f) { f.remove("models/Meble"); }, 1, {"holds 0 folders"}},
      {"two package folders",
       [](PackageFolder& f) {
         f.write("models/Drugi/dodatki.mdb", test::readFile(f.path("models/Meble/dodatki.mdb")));
       },
       1,
       {"holds 2 folders (Drugi, Meble)"}},
      {"upper-case DODATKI.MDB",
       [](PackageFolder& f) {
         const std::string bytes = test::readFile(f.path("models/Meble/dodatki.mdb"));
         f.remove("models/Meble/dodatki.mdb");
         f.write("models/Meble/DODATKI.MDB", bytes);
       },
       1,
       {"rename DODATKI.MDB to dodatki.mdb"}},
      {"duplicate accessory keys",
       [](PackageFolder& f) { f.setDatabase(spoiled(acceptedCase("DuplicateIdsFirstWins"))); },
       0,
       {"warning: ", "table 'Dodatki', row 2 (ID 1) will never be written: an earlier row has the same ID"}},
      {"duplicate producer keys",
       [](PackageFolder& f) { f.setDatabase(spoiled(acceptedCase("DuplicateProducersFirstWins"))); },
       0,
       {"warning: ", "table 'info_producent', row 2 (Producent \"Meble\") will never be written"}},
  };
  for (const auto& c : kFailingCases) {
    const auto spoil = c.spoil;
    cases.push_back({std::string("database: ") + c.name,
                     [spoil](PackageFolder& f) { f.setDatabase(spoiled(spoil)); },
                     1,
                     {"dodatki.mdb: ", c.failure, "nothing was written"}});
  }
  // What the installer installs all the same, pack packs.
  for (const auto& c : kAcceptedCases) {
    const auto spoil = c.spoil;
    cases.push_back({std::string("accepted database: ") + c.name,
                     [spoil](PackageFolder& f) { f.setDatabase(spoiled(spoil)); },
                     0,
                     {},
                     true});
  }
  return cases;
}

TEST(PackRefusal, EveryFaultTheInstallerWouldMeetIsRefusedAndOddThingsWarned) {
  for (const auto& c : buildCases()) {
    SCOPED_TRACE(c.label);
    PackageFolder folder;
    c.change(folder);
    const auto [rc, err] = folder.build();
    EXPECT_EQ(rc, c.exitStatus) << err;
    EXPECT_EQ(folder.wroteInstaller(), c.exitStatus == 0);
    for (const auto& part : c.said) EXPECT_NE(err.find(part), std::string::npos) << "missing: " << part << "\n" << err;
    if (c.exitStatus == 0) {
      EXPECT_EQ(err.find("refused"), std::string::npos) << err;
    }
    if (c.said.empty() && !c.mayWarn) {
      EXPECT_EQ(err, "");
    }
  }
}

// The row key and the value in the message tell the producer what to fix.
TEST(PackRefusal, ADatabaseFaultNamesTableColumnRowAndValue) {
  PackageFolder folder;
  folder.setDatabase(spoiled([](PackageSpec& p) {
    p.dodatki().column("Nazwa").maxChars = 150;
    p.dodatki().rows[1]["Nazwa"] = nChars(101, "n");
  }));
  const auto [rc, err] = folder.build();
  EXPECT_EQ(rc, 1);
  EXPECT_NE(err.find("table 'Dodatki', row 2 (ID 9), column 'Nazwa': text of 101 characters is too long (the "
                     "installed column takes at most 100); value \"nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn...\""),
            std::string::npos)
      << err;
}

}  // namespace
