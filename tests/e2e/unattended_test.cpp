// The installer started by deployment tools: /S without any window, /D= in
// place of the search, exit codes, and the /LOG= file, under Wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/win32/wide.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/file_snapshot.h"
#include "tests/e2e/scenario.h"
#include "tests/e2e/world.h"

namespace {

using e2e::kInstallation;
using platform::win32::narrow;
using platform::win32::widen;

const std::wstring kPackageFolder = kInstallation + L"dodatki\\Meble Testowe\\";

struct WindowSearch {
  DWORD pid;
  std::vector<std::wstring> found;
};

BOOL CALLBACK noteWindow(HWND h, LPARAM lp) {
  auto* search = reinterpret_cast<WindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == search->pid) {
    wchar_t cls[128] = {};
    GetClassNameW(h, cls, 128);
    search->found.push_back(cls);
  }
  return TRUE;
}

// The classes of every window the process owns now: top-level ones, visible
// or not, and message-only ones.
std::vector<std::wstring> windowsOf(DWORD pid) {
  WindowSearch search{pid, {}};
  EnumWindows(noteWindow, reinterpret_cast<LPARAM>(&search));
  for (HWND h = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); h;
       h = FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr))
    noteWindow(h, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct SilentEnd {
  int code = -1;
  std::vector<std::wstring> windowsSeen;
};

// Starts the installer and watches it until it ends, looking for windows
// of its own all the while.
SilentEnd runWatched(e2e::Scenario& s, const std::wstring& args, const std::wstring& exe) {
  SilentEnd end;
  if (!s.startInstaller(args, exe)) return end;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (s.app.running() && std::chrono::steady_clock::now() < until) {
    for (auto& w : windowsOf(s.app.processId())) end.windowsSeen.push_back(std::move(w));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  end.code = s.app.waitExit(std::chrono::seconds(5));
  return end;
}

std::string joined(const std::vector<std::wstring>& v) {
  std::string s;
  for (const auto& x : v) {
    s += ' ';
    s += narrow(x);
  }
  return s;
}

// Everything below the installation: folders, file bytes, and the rows of
// each accessory database (its bytes hold the time it was written).
std::map<std::wstring, std::string> installedState() {
  std::map<std::wstring, std::string> state;
  for (const auto& [path, stamp] : e2e::snapshotFiles({kInstallation})) {
    if (stamp.folder) {
      state[path] = "<folder>";
    } else if (path.size() > 4 && path.substr(path.size() - 4) == L".mdb") {
      std::string rows;
      for (const auto& [id, name] : e2e::readAccessories(path)) rows += std::to_string(id) + "=" + name + ";";
      state[path] = rows;
    } else {
      state[path] = e2e::fileBytes(path);
    }
  }
  return state;
}

class Unattended : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) GTEST_SKIP() << "needs an X display (run under Xvfb)";
  }
  // The installation, with the package installed before when asked.
  void prepare(bool installedBefore) {
    e2e::makeInstallation();
    if (installedBefore)
      e2e::makeDatabase(kPackageFolder, "dodatki.mdb", {{1, "Stary uchwyt"}, {5, "Nóżka"}, {7, "Szafka"}},
                        {"Meble Testowe"});
  }
  // Installs through the window, as a person does.
  void installWindowed(const std::wstring& exe) {
    e2e::Scenario s("unattended-windowed");
    ASSERT_TRUE(s.startInstaller(L"", exe));
    ASSERT_TRUE(e2e::waitUntil([&] { return s.app.visible("bnInstallNormal") && !s.app.visible("ActivityIndicator"); }))
        << s.app.text("InfoLabel");
    // The watch used on silent runs sees the windows of a windowed one.
    EXPECT_FALSE(windowsOf(s.app.processId()).empty());
    ASSERT_TRUE(s.app.pointUntilShown("bnInstallNormal", "bnInstallHover"));
    s.app.click("bnInstallHover");
    ASSERT_TRUE(e2e::waitUntil([&] {
      return !s.app.visible("bnInstallActive") && s.app.visible("bnCloseNormal") && !s.app.visible("gauge") &&
             !s.app.visible("bnInstallHover");
    }));
    s.app.click("bnCloseNormal");
    ASSERT_EQ(s.app.waitExit(), 0);
  }
  std::wstring logPath(const std::string& name) {
    const std::wstring p = e2e::windowsPath(std::string(ARTIFACTS_DIR) + "/" + name + ".log");
    DeleteFileW(p.c_str());
    return p;
  }
  // The log's lines without their time stamps.
  std::vector<std::string> logLines(const std::wstring& path) {
    const std::string all = e2e::fileBytes(path);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < all.size()) {
      const size_t end = all.find("\r\n", start);
      if (end == std::string::npos) {
        ADD_FAILURE() << "a line without CR LF: " << all.substr(start);
        break;
      }
      const std::string line = all.substr(start, end - start);
      EXPECT_EQ(line.size() >= 24 ? line[19] : '?', '.') << line;  // "YYYY-MM-DD HH:MM:SS.mmm "
      EXPECT_EQ(line.size() >= 24 ? line[23] : '?', ' ') << line;
      lines.push_back(line.size() >= 24 ? line.substr(24) : line);
      start = end + 2;
    }
    return lines;
  }
};

TEST_F(Unattended, SilentInstallsLeaveWhatTheWindowedInstallLeaves) {
  e2e::PackageSpec spec;
  spec.accessories = {{1, "Nowy uchwyt"}, {5, "DELETE"}, {9, "Listwa"}};
  const std::wstring exe = e2e::buildInstaller("unattended", spec);
  ASSERT_FALSE(exe.empty());
  for (const bool update : {false, true}) {
    prepare(update);
    installWindowed(exe);
    const auto windowed = installedState();
    ASSERT_TRUE(windowed.count(kPackageFolder + L"dodatki.mdb"));
    for (const wchar_t* args : {L"/S", L"/s /D=D:\\Orvanta\\CAD Virel\\", L"/S /D=\"D:\\Orvanta\\CAD Virel\\\""}) {
      SCOPED_TRACE(std::string(update ? "update " : "first install ") + narrow(args));
      prepare(update);
      e2e::Scenario s("unattended-silent");
      const SilentEnd end = runWatched(s, args, exe);
      EXPECT_EQ(end.code, 0);
      EXPECT_TRUE(end.windowsSeen.empty()) << joined(end.windowsSeen);
      EXPECT_EQ(installedState(), windowed);
      EXPECT_FALSE(s.workFolderExists());
    }
  }
}

TEST_F(Unattended, EachOutcomeEndsWithItsCodeWithoutAWindow) {
  e2e::PackageSpec good;
  good.accessories = {{2, "Gałka"}};
  const std::wstring exe = e2e::buildInstaller("unattended-codes", good);
  ASSERT_FALSE(exe.empty());
  e2e::PackageSpec refused = good;
  refused.damage = e2e::PackageSpec::Damage::RefusedMdb;
  const std::wstring refusedExe = e2e::buildInstaller("unattended-refused", refused);
  ASSERT_FALSE(refusedExe.empty());
  // A download cut short, and one with bytes lost in the middle of the package.
  const std::string whole = e2e::fileBytes(exe);
  const std::wstring truncated = e2e::installerWithFooter("unattended-truncated", "");
  std::ofstream(std::filesystem::path(truncated), std::ios::binary) << whole.substr(0, whole.size() - 3000);
  const std::wstring holed = e2e::installerWithFooter("unattended-holed", "");
  std::ofstream(std::filesystem::path(holed), std::ios::binary)
      << whole.substr(0, whole.size() - 6000) + whole.substr(whole.size() - 5000);

  struct Case {
    const char* name;
    std::wstring exe;
    std::wstring args;
    bool installed;  // a CAD installation on drive D:
    bool cadRunning;
    int code;
    const char* logLine;  // a level-1 line the log must hold; "" for none
  } cases[] = {
      {"no installation", exe, L"/S", false, false, 2, "Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog."},
      {"destination refused", exe, L"/S /D=D:\\Orvanta\\Inny\\", true, false, 2,
       "Podany folder instalacji jest błędny: D:\\Orvanta\\Inny\\"},
      {"CAD program running", exe, L"/S", true, true, 3, "Wyłącz program CADVirelPro.exe i spróbuj ponownie."},
      {"truncated installer", truncated, L"/S", true, false, 4, "Brak danych pakietu ! [packages.zip]"},
      {"package with a hole", holed, L"/S", true, false, 4, "Error reading zip file"},
      {"package database refused", refusedExe, L"/S", true, false, 1,
       "Wystąpił błąd instalacji modeli. Spróbuj ponownie."},
      {"empty /LOG=", exe, L"/S /LOG=", true, false, 5, ""},
      {"empty /D=", exe, L"/S /D=", true, false, 5, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.installed)
      prepare(true);
    else
      e2e::resetDriveD();
    const std::string installedBefore = c.installed ? e2e::fileBytes(kPackageFolder + L"dodatki.mdb") : "";
    e2e::Installer cad;
    const std::wstring dummy = e2e::windowsPath(std::string(ARTIFACTS_DIR) + "/cad-dummy.txt");
    if (c.cadRunning) {
      // Any program named like the CAD program's executable.
      const std::wstring fake = e2e::windowsPath(std::string(ARTIFACTS_DIR) + "/CADVirelPro.exe");
      CopyFileW(e2e::windowsPath(HOLD_OPEN_EXE).c_str(), fake.c_str(), FALSE);
      CloseHandle(CreateFileW(dummy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      ASSERT_TRUE(cad.start(fake, L"\"" + dummy + L"\"", L""));
      ASSERT_TRUE(e2e::waitUntil([&] { return e2e::exists(dummy + L".held"); }));
    }
    const std::wstring log = logPath("unattended-codes");
    // Before the other switches: /D= takes the rest of the line.
    const bool logGiven = c.args.find(L"/LOG=") == std::wstring::npos;
    e2e::Scenario s("unattended-codes");
    const SilentEnd end = runWatched(s, logGiven ? L"/LOG=\"" + log + L"\" " + c.args : c.args, c.exe);
    if (c.cadRunning) cad.kill();
    EXPECT_EQ(end.code, c.code);
    EXPECT_TRUE(end.windowsSeen.empty()) << joined(end.windowsSeen);
    if (c.installed) {
      EXPECT_TRUE(e2e::fileBytes(kPackageFolder + L"dodatki.mdb") == installedBefore);
    }
    EXPECT_FALSE(e2e::exists(kPackageFolder + L"dodatki_old.mdb") || e2e::exists(kPackageFolder + L"dodatki_new.mdb"));
    if (*c.logLine) {
      const auto lines = logLines(log);
      EXPECT_NE(std::find(lines.begin(), lines.end(), c.logLine), lines.end()) << e2e::fileBytes(log);
    }
  }
}

TEST_F(Unattended, AWorkingFolderThatCannotBeCreatedEndsWithFour) {
  e2e::PackageSpec spec;
  spec.accessories = {{2, "Gałka"}};
  const std::wstring exe = e2e::buildInstaller("unattended-readonly", spec);
  ASSERT_FALSE(exe.empty());
  prepare(false);
  e2e::Scenario s("unattended-readonly");
  // A file where the working folder would go: nothing can be created there.
  std::ofstream(std::filesystem::path(s.folder() + L"tmp"), std::ios::binary) << "not a folder";
  const std::wstring log = logPath("unattended-readonly");
  const SilentEnd end = runWatched(s, L"/S /LOG=" + log, exe);
  EXPECT_EQ(end.code, 4);
  EXPECT_TRUE(end.windowsSeen.empty()) << joined(end.windowsSeen);
  const auto lines = logLines(log);
  ASSERT_EQ(lines.size(), 1u) << e2e::fileBytes(log);
  EXPECT_EQ(lines[0], "Nie można utworzyć folderu roboczego: " + narrow(s.folder()) + "tmp\\");
  EXPECT_FALSE(e2e::exists(kPackageFolder + L"dodatki.mdb"));
}

TEST_F(Unattended, TheLogHoldsTheMemoOfADiagnosticWindowedRun) {
  e2e::PackageSpec spec;
  spec.accessories = {{1, "Uchwyt"}, {3, "Gałka"}};
  const std::wstring exe = e2e::buildInstaller("unattended-log", spec);
  ASSERT_FALSE(exe.empty());
  prepare(true);
  const std::wstring log = logPath("unattended-log");
  e2e::Scenario s("unattended-log");
  ASSERT_TRUE(s.startInstaller(L"/d /LOG=\"" + log + L"\"", exe));
  ASSERT_TRUE(e2e::waitUntil([&] { return s.app.visible("bnInstallNormal") && !s.app.visible("ActivityIndicator"); }));
  ASSERT_TRUE(s.app.pointUntilShown("bnInstallNormal", "bnInstallHover"));
  s.app.click("bnInstallHover");
  ASSERT_TRUE(e2e::waitUntil([&] {
    return !s.app.visible("bnInstallActive") && s.app.visible("bnCloseNormal") && !s.app.visible("gauge") &&
           !s.app.visible("bnInstallHover");
  }));
  // The memo takes the lines gathered during a command in one piece once the
  // command has returned: read it when it has stopped growing.
  std::vector<std::string> memo = s.app.memoLines();
  e2e::waitUntil([&] {
    Sleep(400);
    auto now = s.app.memoLines();
    const bool settled = now == memo;
    memo = std::move(now);
    return settled;
  });
  ASSERT_GT(memo.size(), 20u);
  EXPECT_EQ(memo[0], "Ustawiono parametr DEBUG");
  s.app.click("bnCloseNormal");
  EXPECT_EQ(s.app.waitExit(), 0);
  EXPECT_EQ(logLines(log), memo);
}

}  // namespace
