// Disk full during the install. The installation sits on a small tmpfs where a
// filler file leaves exactly enough room for the disk to fill at one chosen
// step: unpacking a model, the package's dodatki.mdb or the materials, or
// building the merged dodatki.mdb. Each failure must say so at level 1, keep
// the installed database under its own name, and leave no side file or
// temporary file behind; once the filler is gone the next install must give
// the right merged database.
//
// The tmpfs mounts live in a mount namespace of this test process's own, so
// nothing outside sees them and they vanish with the process.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

#include "accessorydb/jet_engine.h"
#include "package/zip_reader.h"
#include "package/zip_writer.h"
#include "tests/accessorydb/adb_fixture.h"
#include "tests/support/headless_form.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<test::Row>;

// tmpfs counts its room in pages of this size; Jet pages are the same size.
constexpr uint64_t kPage = 4096;
constexpr uint64_t kDiskKib = 8192;
constexpr uint64_t kModelPages = 64;      // the large model, the first entry of models.zip
constexpr uint64_t kMaterialPages = 128;  // the one picture of db_materials.zip
constexpr int kPackageRows = 150;         // enough that copying them takes many pages

const std::string kModelsFailed = "Wystąpił błąd instalacji modeli. Spróbuj ponownie.";
const std::string kMaterialsFailed = "Wystąpił błąd instalacji materiałów z pakietu. Spróbuj ponownie.";
const std::string kCreateFailed = "[Błąd tworzenia bazy danych MDB.] ";

uint64_t pagesOf(uint64_t bytes) { return (bytes + kPage - 1) / kPage; }

bool writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  return static_cast<bool>(out.flush());
}

// Moves this process into a mount namespace of its own, once; the reason when
// that is impossible.
std::optional<std::string> privateMounts() {
  static const std::optional<std::string> reason = []() -> std::optional<std::string> {
    if (::unshare(CLONE_NEWNS) != 0) {
      if (errno != EPERM) return "unshare(CLONE_NEWNS): " + std::string(std::strerror(errno));
      // Not root: a user namespace of our own grants the mount.
      const uid_t uid = ::getuid();
      const gid_t gid = ::getgid();
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return "no privilege to mount (unshare: " + std::string(std::strerror(errno)) + ")";
      (void)writeText("/proc/self/setgroups", "deny");
      if (!writeText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
          !writeText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
        return std::string("cannot map the user into its own namespace");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      return "cannot make the mounts private: " + std::string(std::strerror(errno));
    return std::nullopt;
  }();
  return reason;
}

// A small tmpfs on a fresh folder, and a filler file that leaves an exact room.
class SmallDisk {
 public:
  SmallDisk() = default;
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  ~SmallDisk() {
    if (mounted_) ::umount2(dir_.root().c_str(), MNT_DETACH);
  }

  // Empty when mounted; otherwise why not.
  std::optional<std::string> mount() {
    if (auto why = privateMounts()) return why;
    const std::string options = "size=" + std::to_string(kDiskKib) + "k,mode=0755";
    if (::mount("tmpfs", dir_.root().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
      return "cannot mount a tmpfs: " + std::string(std::strerror(errno));
    mounted_ = true;
    return std::nullopt;
  }
  std::string path(const std::string& relative) const { return dir_.path(relative); }
  const std::string& root() const { return dir_.root(); }
  uint64_t freePages() const {
    struct statvfs s {};
    if (::statvfs(dir_.root().c_str(), &s) != 0) return 0;
    return s.f_bavail * s.f_frsize / kPage;
  }
  // Fills the disk until `pages` pages stay free; false when it cannot.
  bool leaveRoom(uint64_t pages) {
    const uint64_t free = freePages();
    if (free < pages) return false;
    std::ofstream out(filler(), std::ios::binary);
    const std::string chunk(kPage, '\0');
    for (uint64_t i = 0; i < free - pages; ++i) out.write(chunk.data(), chunk.size());
    out.close();
    return out.good() && freePages() == pages;
  }
  void freeRoom() { fs::remove(filler()); }

 private:
  std::string filler() const { return dir_.path("filler"); }

  test::TempDir dir_;  // removed after the unmount
  bool mounted_ = false;
};

std::string patterned(uint64_t size, unsigned seed) {
  std::string s(size, '\0');
  for (uint64_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + seed + i / 997) % 251);
  return s;
}

// The package and the database installed before it.
struct Package {
  std::string installed;
  std::string database;
  std::string modelsZip;
  std::string materialsZip;
};

std::string zipOf(const std::vector<std::pair<std::string, std::string>>& entries) {
  test::TempDir dir;
  const std::string path = dir.path("a.zip");
  {
    auto out = platform::systemEnv().openFile(path, platform::Access::ReadWrite, platform::Creation::CreateAlways,
                                              platform::Sharing::DenyWrite);
    package::zip::ZipWriter zip(*out);
    for (const auto& [name, data] : entries) zip.addBytes(name, data);
    zip.finish();
  }
  return dir.read("a.zip");
}

Package makePackage(accessorydb::Engine& engine) {
  test::TempDir dir;
  auto& env = platform::systemEnv();
  const test::Row meble = test::producer("Meble", "Meble sp. j.", "p");
  test::makeDatabase(engine, env, dir.path("old.mdb"), {meble},
                     {test::accessory(1, "Stary", "old"), test::accessory(5, "Nóżka", "old")});
  Rows accessories{test::accessory(1, "Nowy", "new"), test::accessory(9, "Listwa", "new")};
  for (int id = 100; id < 100 + kPackageRows; ++id)
    accessories.push_back(
        test::accessory(id, "Uchwyt meblowy numer " + std::to_string(id) + std::string(60, 'x'), "new"));
  test::makeDatabase(engine, env, dir.path("new.mdb"), {meble}, accessories);
  Package p;
  p.installed = dir.read("old.mdb");
  p.database = dir.read("new.mdb");
  p.modelsZip =
      zipOf({{"Meble\\modele\\duzy.mdl", patterned(kModelPages * kPage, 1)}, {"Meble\\dodatki.mdb", p.database}});
  p.materialsZip = zipOf({{"Tekstury\\dab.jpg", patterned(kMaterialPages * kPage, 2)}});
  return p;
}

// What the window showed after an install.
struct Outcome {
  std::vector<std::string> memo;  // at log level 1: the lines meant for the user
  bool labelShown = false;
  std::string label;
};

// One installer run, from a fresh working folder, into `root` (ending with
// the separator).
Outcome install(const Package& p, const std::string& root) {
  test::HeadlessForm f;
  f.form.FormCreate();
  f.readyToInstall(root);
  f.dir.write("tmp/packages.zip", "the package archive");
  f.dir.write("tmp/models.zip", p.modelsZip);
  f.dir.write("tmp/db_materials.zip", p.materialsZip);
  f.form.ButtonInstallClick();
  return {f.memo(), f.form.InfoLabel.visible(), f.form.InfoLabel.text()};
}

// Both tables, rows sorted: a merge done twice may store them in another order.
Rows contents(accessorydb::Engine& engine, const std::string& mdb) {
  Rows all;
  for (const char* table : {accessorydb::kTableProducent, accessorydb::kTableDodatki}) {
    Rows rows = test::readRows(engine, mdb, table);
    std::sort(rows.begin(), rows.end());
    all.insert(all.end(), rows.begin(), rows.end());
  }
  return all;
}

// Side files of the merge and temporary files of the unpacking anywhere on the disk.
std::vector<std::string> leftovers(const std::string& root) {
  std::vector<std::string> found;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string name = e.path().filename().string();
    const bool partial =
        name.size() > std::strlen(package::zip::kPartialSuffix) && name.ends_with(package::zip::kPartialSuffix);
    if (partial || name == "dodatki_old.mdb" || name == "dodatki_new.mdb" || name.ends_with(".~merge") ||
        name.ends_with(".ldb"))
      found.push_back(e.path().string());
  }
  return found;
}

// What an uninterrupted install gives, for the room computations and the
// expected database.
struct Reference {
  uint64_t merged = 0;  // pages of the merged dodatki.mdb
  Rows rows;
};

Reference reference(accessorydb::Engine& engine, const Package& p, bool update) {
  test::TempDir dir;
  const char s = dir.sep();
  if (update)
    dir.write("CAD/dodatki/Meble/dodatki.mdb", p.installed);
  else
    fs::create_directories(dir.path("CAD/dodatki"));
  const Outcome o = install(p, dir.path("CAD") + s);
  EXPECT_TRUE(o.memo.empty()) << o.memo.front();
  const std::string mdb = dir.path("CAD/dodatki/Meble/dodatki.mdb");
  return {pagesOf(fs::file_size(mdb)), contents(engine, mdb)};
}

enum class FillsWhile { AlreadyFull, Model, PackageDatabase, CreatingDestination, CopyingRows, Materials };

struct Case {
  const char* name;
  bool update;  // an installed dodatki.mdb is there before
  FillsWhile when;
};

const Case kCases[] = {
    {"update, disk full before the backup rename", true, FillsWhile::AlreadyFull},
    {"update, unpacking a model", true, FillsWhile::Model},
    {"update, unpacking the package's dodatki.mdb", true, FillsWhile::PackageDatabase},
    {"update, merge creating dodatki.mdb", true, FillsWhile::CreatingDestination},
    {"update, merge copying rows into dodatki.mdb", true, FillsWhile::CopyingRows},
    {"update, unpacking the materials", true, FillsWhile::Materials},
    {"first install, disk full before the install", false, FillsWhile::AlreadyFull},
    {"first install, unpacking a model", false, FillsWhile::Model},
    {"first install, unpacking the package's dodatki.mdb", false, FillsWhile::PackageDatabase},
    {"first install, merge creating dodatki.mdb", false, FillsWhile::CreatingDestination},
    {"first install, merge copying rows into dodatki.mdb", false, FillsWhile::CopyingRows},
    {"first install, unpacking the materials", false, FillsWhile::Materials},
};

int failedParts() {
  const auto* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
  int n = 0;
  for (int i = 0; i < result->total_part_count(); ++i) n += result->GetTestPartResult(i).failed() ? 1 : 0;
  return n;
}

class DiskFull : public ::testing::Test {
 protected:
  // Free pages to leave when the install starts so that the disk fills at
  // the case's step. Until the merge ends, the installed database (now the
  // backup) and the package database stay; after it both go.
  uint64_t room(const Case& c, const Reference& ref) const {
    const uint64_t packagePages = pagesOf(package.database.size());
    const uint64_t installedPages = c.update ? pagesOf(package.installed.size()) : 0;
    const uint64_t unpacked = kModelPages + packagePages;
    switch (c.when) {
      case FillsWhile::AlreadyFull: return 0;
      case FillsWhile::Model: return kModelPages / 2;
      case FillsWhile::PackageDatabase: return kModelPages + packagePages / 2;
      case FillsWhile::CreatingDestination: return unpacked + emptyPages / 2;
      case FillsWhile::CopyingRows: return unpacked + (emptyPages + ref.merged) / 2;
      case FillsWhile::Materials: return unpacked + ref.merged + (kMaterialPages - packagePages - installedPages) / 2;
    }
    return 0;
  }

  // The start of the level-1 line that names the cause.
  std::string cause(const Case& c, const std::string& root) const {
    const char s = platform::systemEnv().separator();
    const std::string packageFolder = root + "dodatki" + s + "Meble" + s;
    switch (c.when) {
      case FillsWhile::AlreadyFull:
      case FillsWhile::Model: return "Cannot write " + packageFolder + "modele" + s + "duzy.mdl:";
      case FillsWhile::PackageDatabase: return "Cannot write " + packageFolder + "dodatki.mdb:";
      case FillsWhile::CreatingDestination: return kCreateFailed;
      case FillsWhile::CopyingRows: return "cannot write the database: ";
      case FillsWhile::Materials:
        return "Cannot write " + root + "DB_MATERIALS" + s + "Vodezidoz Azu Virel" + s + "Tekstury" + s + "dab.jpg:";
    }
    return {};
  }

  void run(const Case& c, const Reference& ref) {
    SmallDisk disk;
    if (auto why = disk.mount()) GTEST_SKIP() << "no tmpfs for the disk-full cases: " << *why;
    const char s = platform::systemEnv().separator();
    const std::string root = disk.path("CAD") + s;
    const std::string mdb = disk.path("CAD/dodatki/Meble/dodatki.mdb");
    if (c.update) {
      fs::create_directories(disk.path("CAD/dodatki/Meble"));
      std::ofstream(mdb, std::ios::binary) << package.installed;
    } else {
      fs::create_directories(disk.path("CAD/dodatki"));
    }
    const uint64_t pages = room(c, ref);
    ASSERT_TRUE(disk.leaveRoom(pages)) << "cannot leave " << pages << " pages free";

    const Outcome failed = install(package, root);
    const std::string& phaseLine = c.when == FillsWhile::Materials ? kMaterialsFailed : kModelsFailed;
    EXPECT_NE(std::find(failed.memo.begin(), failed.memo.end(), phaseLine), failed.memo.end());
    if (c.when == FillsWhile::Materials) {
      EXPECT_EQ(std::find(failed.memo.begin(), failed.memo.end(), kModelsFailed), failed.memo.end());
    }
    if (c.when == FillsWhile::CopyingRows) {
      for (const auto& line : failed.memo) EXPECT_FALSE(line.starts_with(kCreateFailed)) << line;
    }
    // The cause, with the real file name and the system's reason.
    const std::string because = cause(c, root);
    const std::string noSpace = std::strerror(ENOSPC);
    EXPECT_TRUE(std::any_of(
        failed.memo.begin(), failed.memo.end(),
        [&](const std::string& line) { return line.starts_with(because) && line.find(noSpace) != std::string::npos; }))
        << "no line starting \"" << because << "\" with \"" << noSpace << "\" in:\n"
        << testing::PrintToString(failed.memo);
    // The window keeps showing the failure of the phase that failed first:
    // when the models did not fit, the materials usually do not either.
    EXPECT_TRUE(failed.labelShown);
    EXPECT_EQ(failed.label, phaseLine);

    if (c.when == FillsWhile::Materials) {
      EXPECT_EQ(contents(*engine, mdb), ref.rows);  // the models phase had finished
    } else if (c.update) {
      std::ifstream in(mdb, std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), package.installed)
          << "the installed database is not back under its own name unchanged";
    } else {
      EXPECT_FALSE(fs::exists(mdb));
    }
    EXPECT_EQ(leftovers(disk.root()), std::vector<std::string>{});

    disk.freeRoom();
    const Outcome again = install(package, root);
    EXPECT_EQ(again.memo, std::vector<std::string>{});
    EXPECT_FALSE(again.labelShown);
    EXPECT_EQ(contents(*engine, mdb), ref.rows);
    EXPECT_EQ(fs::file_size(disk.path("CAD/dodatki/Meble/modele/duzy.mdl")), kModelPages * kPage);
    EXPECT_EQ(fs::file_size(disk.path("CAD/DB_MATERIALS/Vodezidoz Azu Virel/Tekstury/dab.jpg")),
              kMaterialPages * kPage);
    EXPECT_EQ(leftovers(disk.root()), std::vector<std::string>{});
  }

  std::unique_ptr<accessorydb::Engine> engine = accessorydb::makeJetEngine(platform::systemEnv());
  Package package = makePackage(*engine);
  uint64_t emptyPages = 0;
};

TEST_F(DiskFull, EachFillPointFailsCleanlyAndTheNextInstallMerges) {
  if (auto why = privateMounts()) GTEST_SKIP() << "no private mount namespace for the disk-full cases: " << *why;
  {
    test::TempDir dir;
    test::makeDatabase(*engine, platform::systemEnv(), dir.path("empty.mdb"), {}, {});
    emptyPages = pagesOf(fs::file_size(dir.path("empty.mdb")));
  }
  const Reference update = reference(*engine, package, true);
  const Reference first = reference(*engine, package, false);
  ASSERT_GT(kMaterialPages, pagesOf(package.database.size()) + pagesOf(package.installed.size()) + 2);
  ASSERT_GT(update.merged, emptyPages + 2);

  int passed = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const int before = failedParts();
    const Reference& ref = c.update ? update : first;
    run(c, ref);
    if (IsSkipped()) return;
    const bool ok = failedParts() == before;
    passed += ok ? 1 : 0;
    std::cout << "disk-full case: " << c.name << " (" << room(c, ref) << " pages free): " << (ok ? "passed" : "FAILED")
              << "\n";
  }
  const size_t total = std::size(kCases);
  std::cout << "disk-full cases: " << passed << " passed of " << total << "\n";
  // Read by scripts/reliability-figures.sh.
  RecordProperty("cases", static_cast<int>(total));
  RecordProperty("passed", passed);
}

}  // namespace
