// The crash-consistency harness: see crash_harness.h.
#include "tests/reliability/crash_harness.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <thread>

#include "accessorydb/jet_engine.h"
#include "accessorydb/schema.h"
#include "jet/jet.h"
#include "package/installer_footer.h"
#include "package/zip_writer.h"
#include "tests/accessorydb/adb_fixture.h"
#include "tests/support/headless_form.h"
#include "tests/support/jpeg_writer.h"

namespace test::crash {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kPackage = "Meble";
// Child exit codes.
constexpr int kInstalled = 0, kNotReady = 2, kInstallFailed = 3, kUnexpectedError = 4;
// Rows in each database: enough that the merge takes a fair share of the run.
// A model file of the package, big enough to be caught half written.
const std::string kModel = std::string("modele") + TempDir::sep() + "szafka.mdl";
std::string modelBytes() { return std::string(200000, 'm'); }
constexpr int kInstalledRows = 300, kPackageRows = 300, kOverlap = 100;

// Dodatki rows as ID -> all columns, info_producent rows as Producent -> all
// columns: what two databases must share to count as equal.
struct Contents {
  std::map<std::string, Row> dodatki, producers;
  bool operator==(const Contents&) const = default;
};

Contents readContents(const std::string& path) {
  auto engine = accessorydb::makeJetEngine(platform::systemEnv());
  auto keyed = [&](const char* table, const char* keyColumn) {
    const auto& columns = std::string(table) == accessorydb::kTableDodatki ? accessorydb::dodatkiColumns()
                                                                           : accessorydb::producentColumns();
    size_t key = 0;
    while (columns[key].name != std::string(keyColumn)) ++key;
    std::map<std::string, Row> out;
    for (auto& r : readRows(*engine, path, table)) out[accessorydb::valueAsText(r[key])] = r;
    return out;
  };
  return {keyed(accessorydb::kTableDodatki, accessorydb::kColumnId),
          keyed(accessorydb::kTableProducent, accessorydb::kColumnProducent)};
}

// Opens with the Jet reader and scans every column of every Dodatki row.
bool readable(const std::string& path) {
  auto& env = platform::systemEnv();
  if (!env.fileExists(path)) return false;
  try {
    auto db = jet::Database::open(env, path, false);
    const auto schema = db->schema(accessorydb::kTableDodatki);
    auto cursor = db->openTable(accessorydb::kTableDodatki, false);
    for (cursor->first(); !cursor->atEnd(); cursor->next())
      for (const auto& c : schema.columns) (void)cursor->get(c.name);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::optional<Contents> contentsIfReadable(const std::string& path) {
  if (!readable(path)) return std::nullopt;
  try {
    return readContents(path);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The fixed inputs of every trial: the installed database and the installer
// file whose package brings the package database.
class Inputs {
 public:
  explicit Inputs(const TempDir& dir) : dir_(dir) {
    auto& env = platform::systemEnv();
    auto engine = accessorydb::makeJetEngine(env);
    std::vector<Row> installed, package;
    for (int i = 1; i <= kInstalledRows; ++i) installed.push_back(accessory(i, "Stary " + std::to_string(i), "old"));
    for (int i = kInstalledRows - kOverlap + 1; i <= kInstalledRows - kOverlap + kPackageRows; ++i)
      package.push_back(accessory(i, "Nowy " + std::to_string(i), "new"));
    package.push_back(accessory(7, "DELETE", "new"));  // a deletion marker for an installed row
    makeDatabase(*engine, env, dir.path("installed.mdb"), {producer(kPackage, "Meble sp. j.", "old")}, installed);
    makeDatabase(*engine, env, dir.path("package.mdb"),
                 {producer(kPackage, "Meble sp. j.", "new"), producer("Okucia", "Okucia S.A.", "new")}, package);
    installedBytes = fileBytes(dir.path("installed.mdb"));
    writeInstaller(fileBytes(dir.path("package.mdb")));
  }

  std::string installer() const { return dir_.path("setup.exe"); }
  std::string installedBytes;

 private:
  void writeInstaller(const std::string& packageMdb) {
    auto& env = platform::systemEnv();
    std::string models;
    {
      auto out = env.openFile(dir_.path("models.zip"), platform::Access::ReadWrite, platform::Creation::CreateAlways,
                              platform::Sharing::DenyWrite);
      package::zip::ZipWriter zip(*out);
      zip.addBytes(std::string(kPackage) + "\\dodatki.mdb", packageMdb);
      zip.addBytes(std::string(kPackage) + "\\modele\\szafka.mdl", modelBytes());
      zip.finish();
    }
    models = fileBytes(dir_.path("models.zip"));
    writeJpeg(dir_.path("install.jpg"), 1040, 585, 200, 0, 0);
    writeJpeg(dir_.path("finish.jpg"), 1040, 585, 20, 0, 0);

    const std::string stub(4096, 'S');
    auto f = env.openFile(installer(), platform::Access::ReadWrite, platform::Creation::CreateAlways,
                          platform::Sharing::DenyWrite);
    f->writeAt(0, stub.data(), stub.size());
    package::zip::ZipWriter zip(*f, stub.size());
    zip.addBytes("install.jpg", fileBytes(dir_.path("install.jpg")));
    zip.addBytes("finish.jpg", fileBytes(dir_.path("finish.jpg")));
    zip.addBytes("models.zip", models);
    const uint64_t end = stub.size() + zip.finish();
    const std::string tail = "\xEF\xBB\xBF" + package::makeFooter(stub.size());
    f->writeAt(end, tail.data(), tail.size());
  }

  const TempDir& dir_;
};

// One trial's folders: a drive root with the CAD installation, and the
// installer's current folder.
struct World {
  std::string drive, cwd, packageFolder;

  World(const TempDir& dir, const std::string& name) {
    const char s = TempDir::sep();
    const std::string base = dir.path(name);
    drive = base + s + "drive" + s;
    cwd = base + s + "cwd";
    packageFolder = drive + "Orvanta" + s + "CAD 1" + s + "dodatki" + s + kPackage + s;
  }
  // installed: the package was installed before, its database is there.
  void reset(const Inputs& in, bool installed) const {
    fs::remove_all(fs::path(drive).parent_path().parent_path());
    fs::create_directories(cwd);
    if (installed)
      writeBytes(packageFolder + "dodatki.mdb", in.installedBytes);
    else
      fs::create_directories(packageFolder);
  }
  std::string file(const std::string& name) const { return packageFolder + name; }
};

// The installer as a customer runs it: start-up, the timer tick that shows
// the window and runs the readiness check, then Install.
// With `installStarts` set, the moment Install is clicked is written there.
int runInstaller(const World& w, const std::string& installer, const std::string& installStarts, bool install) {
  try {
    FolderEnv env(platform::systemEnv(), w.cwd);
    env.roots = {w.drive};
    env.exe = installer;
    ui::HeadlessHost host;
    const auto engine = accessorydb::makeJetEngine(env);
    TForm1 form(env, *engine, host, {});
    form.FormCreate();
    form.window().onTimer();
    if (!form.ready) return kNotReady;
    if (!install) return kInstalled;
    if (!installStarts.empty()) std::ofstream(installStarts) << Clock::now().time_since_epoch().count();
    form.ButtonInstallClick();
    const auto& memo = form.infoBox.lines();
    // Only level-1 lines reach the memo outside diagnostic mode.
    const bool ok =
        std::find(memo.begin(), memo.end(), "Wystąpił błąd instalacji modeli. Spróbuj ponownie.") == memo.end();
    return ok ? kInstalled : kInstallFailed;
  } catch (...) {
    return kUnexpectedError;
  }
}

struct ChildEnd {
  bool killed = false;
  int exitCode = -1;
};

// Runs the installer in a child process, killed after `killAfter` unless it
// finishes first (a negative delay never kills).
ChildEnd runChild(const World& w, const std::string& installer, std::chrono::microseconds killAfter,
                  const std::string& installStarts = {}, bool install = true) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(runInstaller(w, installer, installStarts, install));
  if (killAfter.count() >= 0) {
    std::this_thread::sleep_for(killAfter);
    ::kill(pid, SIGKILL);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ChildEnd end;
  end.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return end;
}

Phase phaseOf(const World& w, const Contents& expected) {
  auto has = [&](const char* n) { return fs::exists(w.file(n)); };
  const bool mdb = has("dodatki.mdb"), old = has("dodatki_old.mdb");
  if (has("dodatki.mdb.old") && !mdb) return Phase::CheckSideName;
  if (has("dodatki.mdb.~merge")) return Phase::Merging;
  if (has("dodatki_new.mdb")) return mdb ? Phase::InPlace : Phase::Merging;
  const auto now = contentsIfReadable(w.file("dodatki.mdb"));
  const bool merged = now && *now == expected;
  if (old) return !mdb ? Phase::BackupMade : merged ? Phase::Cleaning : Phase::Unpacking;
  return merged ? Phase::Finished : Phase::BeforeInstall;
}

std::string describeFolder(const World& w) {
  std::string s;
  for (const auto& e : fs::directory_iterator(w.packageFolder))
    s += " " + e.path().filename().string() + (e.is_regular_file() ? "(" + std::to_string(e.file_size()) + ")" : "/");
  return s;
}

}  // namespace

Figures run(int kills, uint32_t seed) {
  Figures fig;
  TempDir dir;
  const Inputs in(dir);

  // An uninterrupted install gives the expected database and the length of a run.
  const World reference(dir, "reference");
  reference.reset(in, true);
  const auto started = Clock::now();
  const std::string mark = dir.path("install-starts.txt");
  const ChildEnd full = runChild(reference, in.installer(), std::chrono::microseconds(-1), mark);
  const auto fullRun = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
  Clock::rep clicked = 0;
  std::ifstream(mark) >> clicked;
  const auto installStart =
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::time_point(Clock::duration(clicked)) - started);
  fig.fullRunMs = fullRun.count() / 1000.0;
  fig.installMs = (fullRun - installStart).count() / 1000.0;
  if (full.exitCode != kInstalled) {
    fig.findings.push_back("the uninterrupted install failed with code " + std::to_string(full.exitCode));
    return fig;
  }
  const Contents expectedUpdate = readContents(reference.file("dodatki.mdb"));
  const World firstReference(dir, "first");
  firstReference.reset(in, false);
  if (runChild(firstReference, in.installer(), std::chrono::microseconds(-1)).exitCode != kInstalled) {
    fig.findings.push_back("the uninterrupted first install failed");
    return fig;
  }
  const Contents expectedFirst = readContents(firstReference.file("dodatki.mdb"));
  const Contents installed = readContents(dir.path("installed.mdb"));

  std::mt19937 random(seed);
  // Kills reach a little past the end, so the last steps are hit as well.
  // Start-up takes most of a run but touches the package folder only in the
  // check, so every second kill is aimed at the install itself. Runs are
  // timed again as the trials go, and the shortest sets the range, so a slow
  // first measurement on a busy machine does not push the kills past the end.
  int64_t shortest = fullRun.count();
  const double installFrom = fullRun.count() > 0 ? static_cast<double>(installStart.count()) / fullRun.count() : 0;
  auto delay = [&](std::mt19937& r) {
    const int64_t last = shortest * 21 / 20;
    const auto from = std::clamp<int64_t>(static_cast<int64_t>(installFrom * shortest), 0, last);
    return r() % 2 ? std::uniform_int_distribution<int64_t>(0, last)(r)
                   : std::uniform_int_distribution<int64_t>(from, last)(r);
  };
  auto timedRun = [&](const World& world) {
    const auto t0 = Clock::now();
    const ChildEnd end = runChild(world, in.installer(), std::chrono::microseconds(-1));
    if (end.exitCode == kInstalled)
      shortest =
          std::min<int64_t>(shortest, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count());
    return end;
  };
  const World w(dir, "trial");
  for (int trial = 0; fig.kills < kills && trial < kills * 20; ++trial) {
    // Every fourth trial installs the package for the first time.
    const bool first = trial % 4 == 3;
    const Contents& expected = first ? expectedFirst : expectedUpdate;
    w.reset(in, !first);
    const ChildEnd end = runChild(w, in.installer(), std::chrono::microseconds(delay(random)));
    if (!end.killed) {
      ++fig.finishedFirst;
      continue;
    }
    ++fig.kills;
    if (first) ++fig.firstInstallKills;
    const Phase phase = phaseOf(w, expected);
    ++fig.perPhase[phase];
    const std::string where =
        "kill " + std::to_string(fig.kills) + (first ? " of a first install" : "") + " (" + phaseName(phase) + "):";
    // The check's own side name counts: the next check puts it back.
    const bool kept =
        readable(w.file("dodatki.mdb")) || readable(w.file("dodatki_old.mdb")) || readable(w.file("dodatki.mdb.old"));
    bool failed = false;
    if (!kept && !first) {
      ++fig.lost;
      failed = true;
      fig.findings.push_back(where + " no readable database left:" + describeFolder(w));
    }
    // A user who only starts the installer again must find a readable
    // dodatki.mdb: the installed rows, the finished merge, or (killed between
    // unpacking and the merge) the package's database with the installed one
    // still kept as the backup beside it.
    if (!first) {
      const ChildEnd started = runChild(w, in.installer(), std::chrono::microseconds(-1), {}, false);
      const auto now = contentsIfReadable(w.file("dodatki.mdb"));
      const bool backedUp = contentsIfReadable(w.file("dodatki_old.mdb")) == std::optional<Contents>(installed);
      if (started.exitCode != kInstalled || !now || (*now != installed && *now != expected && !backedUp)) {
        if (!failed) ++fig.lost;
        failed = true;
        fig.findings.push_back(where + " a start-up after it left no installed dodatki.mdb:" + describeFolder(w));
      }
    }
    const ChildEnd again = timedRun(w);
    if (again.exitCode != kInstalled) {
      ++fig.wedged;
      failed = true;
      fig.findings.push_back(where + " the install after it ended with code " + std::to_string(again.exitCode) + ":" +
                             describeFolder(w));
    } else if (contentsIfReadable(w.file("dodatki.mdb")) != std::optional<Contents>(expected) ||
               fs::exists(w.file("dodatki_old.mdb")) || fs::exists(w.file("dodatki_new.mdb")) ||
               fileBytes(w.file(kModel)) != modelBytes()) {
      ++fig.wrongMerge;
      failed = true;
      fig.findings.push_back(where + " the install after it left another database:" + describeFolder(w));
    }
    if (!failed) ++fig.survived;
  }
  return fig;
}

}  // namespace test::crash
