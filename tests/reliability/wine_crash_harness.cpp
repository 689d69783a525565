// The crash-consistency harness under Wine: see wine_crash_harness.h.
#include "tests/reliability/wine_crash_harness.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "jet/jet.h"
#include "package/zip_reader.h"
#include "platform/env.h"
#include "platform/win32/wide.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/world.h"
#include "tests/support/jpeg_writer.h"
#include "ui/win32/control_id.h"

namespace test::crash::wine {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using e2e::windowsPath;
using platform::win32::narrow;
using std::chrono::milliseconds;

const std::string kPackage = "Meble";
const std::wstring kPackageFolder = e2e::kInstallation + L"dodatki\\Meble\\";
const std::wstring kModel = kPackageFolder + L"modele\\szafka.mdl";
const std::wstring kMaterial = e2e::kInstallation + L"DB_MATERIALS\\Vodezidoz Azu Virel\\Drewno\\dab.txt";
// Rows in each database: enough that the merge takes a fair share of the
// install, so kills land inside it.
constexpr int kInstalledRows = 600, kPackageRows = 600, kOverlap = 200;
// An installed row the package marks for deletion.
constexpr int kDeletedId = 7;
// Waits of one run: start-up until Install is offered, and the install.
constexpr milliseconds kStartupTimeout{30000}, kInstallTimeout{60000};

std::string artifacts(const std::string& name) { return std::string(ARTIFACTS_DIR) + "/wine-crash/" + name; }
// The installer's current folder, where it keeps its working folder "tmp".
std::wstring workFolder() { return windowsPath(artifacts("work")) + L"\\"; }

// A model file big enough to be caught half written; not all one byte, so
// its deflated form is not tiny either.
std::string modelBytes() {
  std::string s(512 * 1024, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>('a' + (x >> 16) % 16);
  }
  return s;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(fs::path(path), std::ios::binary) << bytes;
}

// Every row of both tables, all columns, in a fixed order: what two
// databases must share to count as equal.
struct Table {
  std::vector<std::string> columns;
  std::vector<std::vector<jet::Value>> rows;
  bool operator==(const Table&) const = default;
};
using Contents = std::map<std::string, Table>;

Contents readContents(const std::wstring& path) {
  auto db = jet::Database::open(platform::systemEnv(), narrow(path), false);
  Contents out;
  for (const char* name : {"Dodatki", "info_producent"}) {
    Table t;
    for (const auto& c : db->schema(name).columns) t.columns.push_back(c.name);
    auto cursor = db->openTable(name, false);
    for (cursor->first(); !cursor->atEnd(); cursor->next()) {
      std::vector<jet::Value> row;
      for (const auto& c : t.columns) row.push_back(cursor->get(c));
      t.rows.push_back(std::move(row));
    }
    std::sort(t.rows.begin(), t.rows.end());
    out[name] = std::move(t);
  }
  return out;
}

// The contents when the file opens and every row of both tables reads.
std::optional<Contents> contentsIfReadable(const std::wstring& path) {
  if (!e2e::exists(path)) return std::nullopt;
  try {
    return readContents(path);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The fixed inputs of every trial: the installed database and the installer
// packed by pack.exe, whose package brings the package database, a model, a
// material and the pictures.
struct Inputs {
  std::string installedBytes;
  std::wstring installer;
};

Inputs makeInputs() {
  const std::string root = artifacts("inputs");
  fs::remove_all(fs::path(windowsPath(root)));
  const std::string pkg = root + "/package";
  const std::wstring models = windowsPath(pkg + "/models/" + kPackage);
  writeFile(models + L"\\modele\\szafka.mdl", modelBytes());
  test::writeJpeg(narrow(windowsPath(pkg + "/install.jpg")), 1040, 585, 0x20, 0x50, 0xC0);
  test::writeJpeg(narrow(windowsPath(pkg + "/finish.jpg")), 1040, 585, 0x20, 0xA0, 0x40);
  writeFile(windowsPath(pkg + "/materials/Drewno/dab.txt"), "dąb\n");

  std::vector<e2e::Accessory> installed, package;
  for (int i = 1; i <= kInstalledRows; ++i) installed.push_back({i, "Stary " + std::to_string(i)});
  for (int i = kInstalledRows - kOverlap + 1; i <= kInstalledRows - kOverlap + kPackageRows; ++i)
    package.push_back({i, "Nowy " + std::to_string(i)});
  package.push_back({kDeletedId, "DELETE"});
  e2e::makeDatabase(models, "dodatki.mdb", package, {kPackage, "Okucia"});
  Inputs in;
  in.installedBytes =
      e2e::fileBytes(e2e::makeDatabase(windowsPath(root), "installed.mdb", installed, {kPackage, "Stolarz"}));
  const std::wstring out = windowsPath(root + "/instalator.exe");
  if (e2e::run(windowsPath(PACK_EXE), L"build --stub \"" + windowsPath(INSTALLER_EXE) + L"\" --package \"" +
                                          windowsPath(pkg) + L"\" -o \"" + out + L"\"") == 0)
    in.installer = out;
  return in;
}

// Drive D: with the CAD installation, the package installed before or not,
// and an empty current folder for the installer.
void resetWorld(const Inputs& in, bool installed) {
  e2e::makeInstallation();
  fs::create_directories(fs::path(kPackageFolder));
  if (installed) writeFile(kPackageFolder + L"dodatki.mdb", in.installedBytes);
  fs::remove_all(fs::path(workFolder()));
  fs::create_directories(fs::path(workFolder()));
}

// The package folder's files with their sizes, for findings.
std::string describeFolder() {
  std::string s;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(fs::path(kPackageFolder), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    s += ' ';
    s += narrow(fs::relative(it->path(), fs::path(kPackageFolder)).wstring());
    std::error_code entryError;
    if (it->is_directory(entryError)) {
      s += '\\';
    } else {
      s += '(';
      s += std::to_string(it->file_size(entryError));
      s += ')';
    }
  }
  return s.empty() ? " (empty)" : s;
}

bool partialFileLeft() {
  std::error_code ec;
  const std::wstring suffix = platform::win32::widen(package::zip::kPartialSuffix);
  for (auto it = fs::recursive_directory_iterator(fs::path(kPackageFolder), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::wstring name = it->path().filename().wstring();
    if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      return true;
  }
  return false;
}

// What the package folder shows: the step the install had reached. Models
// are there only once unpacking has begun, as is a dodatki.mdb in a first
// install until the merge has built it.
Phase phaseOf(const Contents& expected, bool first) {
  auto has = [](const wchar_t* n) { return e2e::exists(kPackageFolder + n); };
  const bool mdb = has(L"dodatki.mdb"), old = has(L"dodatki_old.mdb");
  if (has(L"dodatki.mdb.old") && !mdb) return Phase::CheckSideName;
  if (has(L"dodatki.mdb.~merge")) return Phase::Merging;
  if (has(L"dodatki_new.mdb")) return mdb ? Phase::InPlace : Phase::Merging;
  if (partialFileLeft()) return Phase::Unpacking;
  const bool unpacked = has(L"modele");
  const auto now = contentsIfReadable(kPackageFolder + L"dodatki.mdb");
  const bool merged = now && *now == expected;
  if (old) return !mdb && !unpacked ? Phase::BackupMade : merged ? Phase::Cleaning : Phase::Unpacking;
  if (merged) return Phase::Finished;
  return unpacked || (first && mdb) ? Phase::Unpacking : Phase::BeforeInstall;
}

// The installer's controls read straight from its window, so a process
// killed meanwhile makes a test false at once instead of a wait.
bool shows(HWND w, const char* name) {
  HWND h = GetDlgItem(w, ui::win32::controlIdFor(name));
  return h && (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE);
}

std::string textOf(HWND w, const char* name) {
  HWND h = GetDlgItem(w, ui::win32::controlIdFor(name));
  wchar_t buf[512] = {};
  DWORD_PTR got = 0;
  if (!h || !SendMessageTimeoutW(h, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &got))
    return {};
  return narrow(std::wstring(buf, got));
}

// How far one run of the installer got, times from its start.
struct RunEnd {
  bool ready = false;  // start-up ended with Install offered
  bool clicked = false;
  bool finished = false;     // the install ended: finish state, working folder gone
  bool failed = false;       // the window said the install failed
  std::string status;        // the status line when it stopped short
  const char* stopped = "";  // the wait it stopped in, when it stopped short
  Clock::duration readyAt{}, clickedAt{}, finishedAt{};
};

// Takes a started installer through start-up and the install as a person
// would; returns early when the process ends.
RunEnd drive(e2e::Installer& app, Clock::time_point started) {
  RunEnd end;
  auto waitFor = [&](const std::function<bool()>& cond, milliseconds timeout) {
    return e2e::waitUntil([&] { return !app.running() || cond(); }, timeout) && app.running();
  };
  HWND w = nullptr;
  end.stopped = "waiting for the window";
  if (!waitFor([&] { return (w = app.window(milliseconds(0))) != nullptr; }, kStartupTimeout)) return end;
  // Start-up has ended when the busy indicator is gone and Close is offered.
  end.stopped = "waiting for start-up to end";
  if (!waitFor([&] { return !shows(w, "ActivityIndicator") && shows(w, "bnCloseNormal"); }, kStartupTimeout))
    return end;
  if (!shows(w, "bnInstallNormal")) {
    end.stopped = "Install not offered";
    end.status = textOf(w, "InfoLabel");
    return end;
  }
  end.ready = true;
  end.readyAt = Clock::now() - started;
  RECT r{};
  GetWindowRect(GetDlgItem(w, ui::win32::controlIdFor("bnInstallNormal")), &r);
  // The pointer is moved again now and then: a busy X server may miss one move.
  end.stopped = "waiting for the pointer over Install";
  auto lastMove = Clock::now() - std::chrono::seconds(1);
  if (!waitFor(
          [&] {
            if (shows(w, "bnInstallHover")) return true;
            if (Clock::now() - lastMove >= std::chrono::seconds(1)) {
              app.pointAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
              lastMove = Clock::now();
            }
            return false;
          },
          milliseconds(10000)))
    return end;
  INPUT press[2]{};
  press[0].type = press[1].type = INPUT_MOUSE;
  press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, press, sizeof(INPUT));
  end.clicked = true;
  end.clickedAt = Clock::now() - started;
  const std::wstring tmp = workFolder() + L"tmp";
  end.stopped = "waiting for the install to end";
  if (!waitFor(
          [&] {
            return !shows(w, "bnInstallActive") && !shows(w, "bnInstallHover") && !shows(w, "gauge") &&
                   shows(w, "bnCloseNormal") && !e2e::exists(tmp);
          },
          kInstallTimeout))
    return end;
  end.finished = true;
  end.stopped = "";
  end.finishedAt = Clock::now() - started;
  if (shows(w, "InfoLabel")) {
    end.status = textOf(w, "InfoLabel");
    end.failed = end.status.rfind("Wystąpił błąd", 0) == 0;
  }
  return end;
}

// Waits for a run without a window to end by itself; its exit code tells
// how it ended.
RunEnd driveSilent(e2e::Installer& app, Clock::time_point started) {
  RunEnd end;
  end.stopped = "waiting for the silent run to end";
  if (!e2e::waitUntil([&] { return !app.running(); }, kStartupTimeout + kInstallTimeout)) return end;
  const int code = app.waitExit(milliseconds(5000));
  end.stopped = "";
  end.finished = code == 0;
  end.failed = code != 0;
  end.status = "exit code " + std::to_string(code);
  end.finishedAt = Clock::now() - started;
  return end;
}

// Ends the installer process at a set moment unless stopped before.
class Killer {
 public:
  Killer(e2e::Installer& app, Clock::time_point at)
      : thread_([this, &app, at] {
          std::unique_lock lock(mutex_);
          if (!wake_.wait_until(lock, at, [this] { return stop_; })) {
            app.kill();
            killed_ = true;
          }
        }) {}
  ~Killer() { stop(); }
  // True when the kill was sent.
  bool stop() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    return killed_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool killed_ = false;
  std::thread thread_;
};

// Watches the package folder during a run for the package database set
// aside: the time it is there is the merge.
class MergeWatch {
 public:
  MergeWatch()
      : thread_([this] {
          while (!stop_) {
            if (e2e::exists(kPackageFolder + L"dodatki_new.mdb")) {
              const auto now = Clock::now();
              if (first_ == Clock::time_point{}) first_ = now;
              last_ = now;
            }
            std::this_thread::sleep_for(milliseconds(1));
          }
        }) {}
  ~MergeWatch() { stop(); }
  // How long the package database was seen aside.
  Clock::duration stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return last_ - first_;
  }

 private:
  std::atomic<bool> stop_{false};
  Clock::time_point first_{}, last_{};
  std::thread thread_;
};

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One uninterrupted run; the database it leaves is read by the caller.
RunEnd installToEnd(const Inputs& in) {
  e2e::Installer app;
  const auto started = Clock::now();
  if (!app.start(in.installer, L"", workFolder())) return {};
  return drive(app, started);
}

}  // namespace

Figures run(int kills, uint32_t seed) {
  Figures fig;
  fig.killsAfterClick = 0;
  const auto wallStart = Clock::now();
  const Inputs in = makeInputs();
  if (in.installer.empty()) {
    fig.findings.push_back("pack.exe could not build the test installer");
    return fig;
  }

  // Uninterrupted installs give the expected databases and the length of a run.
  resetWorld(in, true);
  MergeWatch watch;
  const RunEnd full = installToEnd(in);
  fig.mergeMs = ms(watch.stop());
  const auto expectedUpdate = contentsIfReadable(kPackageFolder + L"dodatki.mdb");
  if (!full.finished || full.failed || !expectedUpdate) {
    fig.findings.push_back("the uninterrupted install did not finish (" + std::string(full.stopped) + ") [" +
                           full.status + "]:" + describeFolder());
    return fig;
  }
  fig.fullRunMs = ms(full.finishedAt);
  fig.readyMs = ms(full.readyAt);
  fig.installMs = ms(full.finishedAt - full.clickedAt);
  resetWorld(in, false);
  const RunEnd fullFirst = installToEnd(in);
  const auto expectedFirst = contentsIfReadable(kPackageFolder + L"dodatki.mdb");
  if (!fullFirst.finished || fullFirst.failed || !expectedFirst) {
    fig.findings.push_back("the uninterrupted first install did not finish (" + std::string(fullFirst.stopped) + ") [" +
                           fullFirst.status + "]:" + describeFolder());
    return fig;
  }
  const std::string model = modelBytes();
  // An uninterrupted silent update sets the range of the kills of silent runs.
  resetWorld(in, true);
  RunEnd silentFull;
  {
    e2e::Installer app;
    const auto started = Clock::now();
    if (app.start(in.installer, L"/S", workFolder())) silentFull = driveSilent(app, started);
  }
  if (!silentFull.finished || contentsIfReadable(kPackageFolder + L"dodatki.mdb") != expectedUpdate) {
    fig.findings.push_back("the uninterrupted silent install did not finish right (" + silentFull.status +
                           "):" + describeFolder());
    return fig;
  }
  fig.silentKills = 0;
  fig.silentRunMs = ms(silentFull.finishedAt);

  // Kills reach a little past the end, so the last steps are hit as well.
  // Start-up takes most of a run but touches the package folder only in the
  // check, so every second kill is aimed at the install itself. The shortest
  // run seen sets the range and the click's place in it, so one slow run
  // does not push kills past the end or before the click.
  std::mt19937 random(seed);
  RunEnd shortest = full.finishedAt <= fullFirst.finishedAt ? full : fullFirst;
  auto delay = [&] {
    const int64_t last = std::chrono::duration_cast<std::chrono::microseconds>(shortest.finishedAt).count() * 21 / 20;
    const auto from =
        std::clamp<int64_t>(std::chrono::duration_cast<std::chrono::microseconds>(shortest.clickedAt).count(), 0, last);
    return std::chrono::microseconds(random() % 2 ? std::uniform_int_distribution<int64_t>(0, last)(random)
                                                  : std::uniform_int_distribution<int64_t>(from, last)(random));
  };

  // A silent run has no click to aim at: every second kill goes into its
  // second half, where the install runs.
  auto silentDelay = [&] {
    const int64_t last = std::chrono::duration_cast<std::chrono::microseconds>(silentFull.finishedAt).count() * 21 / 20;
    return std::chrono::microseconds(std::uniform_int_distribution<int64_t>(random() % 2 ? 0 : last / 2, last)(random));
  };

  for (int trial = 0; fig.kills < kills && trial < kills * 4; ++trial) {
    // Every fourth trial installs the package for the first time; every
    // third runs without a window, as deployment tools start it.
    const bool first = trial % 4 == 3;
    const bool silent = trial % 3 == 1;
    const Contents& expected = first ? *expectedFirst : *expectedUpdate;
    resetWorld(in, !first);
    bool killed = false;
    std::chrono::microseconds killAfter{};
    RunEnd end;
    {
      e2e::Installer app;
      const auto started = Clock::now();
      if (!app.start(in.installer, silent ? L"/S" : L"", workFolder())) {
        fig.findings.push_back("installer.exe did not start");
        break;
      }
      killAfter = silent ? silentDelay() : delay();
      Killer killer(app, started + killAfter);
      end = silent ? driveSilent(app, started) : drive(app, started);
      killed = killer.stop();
      if (!killed) app.kill();
    }
    if (!killed && end.finished) {
      ++fig.finishedFirst;
      continue;
    }
    if (!killed) {
      fig.findings.push_back("trial " + std::to_string(trial) + ": the installer stopped short before the kill (" +
                             end.stopped + ") [" + end.status + "]:" + describeFolder());
      continue;
    }
    ++fig.kills;
    if (first) ++fig.firstInstallKills;
    if (silent) ++fig.silentKills;
    if (end.clicked) ++fig.killsAfterClick;
    const Phase phase = phaseOf(expected, first);
    ++fig.perPhase[phase];
    if (std::getenv("WINE_CRASH_TRACE"))
      std::printf("kill at %.0f ms%s, ready at %.0f, clicked at %.0f: %s\n", ms(killAfter), silent ? " (silent)" : "",
                  ms(end.readyAt), ms(end.clickedAt), phaseName(phase));
    const std::string where = "kill " + std::to_string(fig.kills) + (first ? " of a first install" : "") +
                              (silent ? " of a silent run" : "") + " (" + phaseName(phase) +
                              (end.clicked ? ", after the click" : "") + "):";
    // The check's own side name counts: the next check puts it back.
    const bool kept = contentsIfReadable(kPackageFolder + L"dodatki.mdb") ||
                      contentsIfReadable(kPackageFolder + L"dodatki_old.mdb") ||
                      contentsIfReadable(kPackageFolder + L"dodatki.mdb.old");
    bool failed = false;
    if (!kept && !first) {
      ++fig.lost;
      failed = true;
      fig.findings.push_back(where + " no readable database left:" + describeFolder());
    }
    const std::string after = describeFolder();
    const RunEnd again = installToEnd(in);
    if (!again.finished || again.failed) {
      ++fig.wedged;
      failed = true;
      fig.findings.push_back(where + " the install after it stopped short (" +
                             (again.finished ? "failed" : again.stopped) + ") [" + again.status +
                             "]; folder after the kill:" + after + "; now:" + describeFolder());
    } else {
      if (again.finishedAt < shortest.finishedAt) shortest = again;
      if (contentsIfReadable(kPackageFolder + L"dodatki.mdb") != std::optional<Contents>(expected) ||
          e2e::exists(kPackageFolder + L"dodatki_old.mdb") || e2e::exists(kPackageFolder + L"dodatki_new.mdb") ||
          e2e::exists(kPackageFolder + L"dodatki.mdb.old") || partialFileLeft() || e2e::fileBytes(kModel) != model ||
          !e2e::exists(kMaterial)) {
        ++fig.wrongMerge;
        failed = true;
        fig.findings.push_back(where + " the install after it left another result; folder after the kill:" + after +
                               "; now:" + describeFolder());
      }
    }
    if (!failed) ++fig.survived;
  }
  fig.wallSeconds = std::chrono::duration<double>(Clock::now() - wallStart).count();
  return fig;
}

}  // namespace test::crash::wine
