// The installer from start to finish, as a person uses it, under Wine.
#include <gtest/gtest.h>

#include "tests/e2e/driver.h"
#include "platform/win32/wide.h"
#include "tests/e2e/file_snapshot.h"
#include "tests/e2e/scenario.h"
#include "tests/e2e/world.h"
#include "ui/win32/control_id.h"

namespace {

using e2e::kInstallation;

const std::wstring kPackageFolder = kInstallation + L"dodatki\\Meble Testowe\\";

// The colour at the centre of the cover the window shows, 0 when none.
unsigned coverColour(e2e::Installer& app) {
  HWND bg = app.control("BG");
  if (!bg || !(GetWindowLongW(bg, GWL_STYLE) & WS_VISIBLE)) return 0;
  auto v = reinterpret_cast<INT_PTR>(GetPropW(bg, ui::win32::kPictureProperty));
  return v ? unsigned(v - 1) : 0;
}

bool similarColour(unsigned a, unsigned b) {
  for (int s = 0; s < 24; s += 8)
    if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > 12) return false;
  return true;
}

class Install : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) GTEST_SKIP() << "needs an X display (run under Xvfb)";
  }
  // Waits for the ready screen: install picture, destination, Install enabled.
  void expectReady(e2e::Installer& app) {
    // The start-up sequence has ended when the busy indicator is gone.
    ASSERT_TRUE(e2e::waitUntil([&] { return app.visible("bnInstallNormal") && !app.visible("ActivityIndicator"); }))
        << app.text("InfoLabel");
    EXPECT_TRUE(similarColour(coverColour(app), e2e::kInstallColour));
    EXPECT_TRUE(app.visible("Edit1"));
    EXPECT_TRUE(app.visible("StaticText1"));
    EXPECT_EQ(app.text("Edit1"), "D:\\Orvanta\\CAD Virel\\");
    EXPECT_TRUE(app.visible("bnCloseNormal"));
    EXPECT_FALSE(app.visible("ActivityIndicator"));
  }
  // Hover, then click the Install button; waits until the command has ended.
  void install(e2e::Installer& app) {
    ASSERT_TRUE(app.pointUntilShown("bnInstallNormal", "bnInstallHover"));
    EXPECT_EQ(app.pointer("bnInstallHover"), 2);
    app.click("bnInstallHover");
    ASSERT_TRUE(e2e::waitUntil([&] {
      return !app.visible("bnInstallActive") && !app.visible("bnInstallHover") && app.visible("bnCloseNormal") &&
             !app.visible("gauge");
    }));
  }
};

TEST_F(Install, FirstInstallOfAPackage) {
  e2e::makeInstallation();
  e2e::PackageSpec spec;
  spec.accessories = {{1, "Uchwyt"}, {2, "DELETE"}, {3, "Gałka"}};
  const std::wstring exe = e2e::buildInstaller("first", spec);
  ASSERT_FALSE(exe.empty());
  e2e::Scenario s("first-install");
  ASSERT_TRUE(s.startInstaller(L"", exe));
  expectReady(s.app);
  EXPECT_EQ(s.app.text("InfoLabel"), "");
  e2e::screenshot("first-install-ready");
  install(s.app);
  e2e::screenshot("first-install-finished");
  EXPECT_TRUE(similarColour(coverColour(s.app), e2e::kFinishColour));
  EXPECT_FALSE(s.app.visible("InfoLabel"));
  EXPECT_FALSE(s.app.visible("Edit1"));
  for (const char* pic : {"bnInstallNormal", "bnInstallHover", "bnInstallActive", "bnInstallDisable"})
    EXPECT_FALSE(s.app.visible(pic)) << pic;
  EXPECT_TRUE(e2e::exists(kPackageFolder + L"modele\\szafka.mdl"));
  EXPECT_TRUE(e2e::exists(kInstallation + L"DB_MATERIALS\\Vodezidoz Azu Virel\\Drewno\\dab.txt"));
  EXPECT_FALSE(e2e::exists(kPackageFolder + L"dodatki_old.mdb"));
  EXPECT_FALSE(e2e::exists(kPackageFolder + L"dodatki_new.mdb"));
  EXPECT_EQ(e2e::readAccessories(kPackageFolder + L"dodatki.mdb"),
            (std::map<int, std::string>{{1, "Uchwyt"}, {3, "Gałka"}}));
  EXPECT_FALSE(s.workFolderExists());
  s.app.click("bnCloseNormal");
  EXPECT_EQ(s.app.waitExit(), 0);
}

TEST_F(Install, SecondInstallMergesWithTheInstalledDatabase) {
  e2e::makeInstallation();
  e2e::makeDatabase(kPackageFolder, "dodatki.mdb", {{1, "Stary uchwyt"}, {5, "Nóżka"}, {6, "DELETE"}, {7, "Szafka"}},
                    {"Meble Testowe"});
  e2e::PackageSpec spec;
  spec.accessories = {{1, "Nowy uchwyt"}, {5, "DELETE"}, {9, "Listwa"}};
  const std::wstring exe = e2e::buildInstaller("second", spec);
  ASSERT_FALSE(exe.empty());
  e2e::Scenario s("second-install");
  ASSERT_TRUE(s.startInstaller(L"", exe));
  expectReady(s.app);
  install(s.app);
  EXPECT_TRUE(similarColour(coverColour(s.app), e2e::kFinishColour));
  EXPECT_EQ(e2e::readAccessories(kPackageFolder + L"dodatki.mdb"),
            (std::map<int, std::string>{{1, "Nowy uchwyt"}, {7, "Szafka"}, {9, "Listwa"}}));
  EXPECT_FALSE(e2e::exists(kPackageFolder + L"dodatki_old.mdb"));
  EXPECT_FALSE(e2e::exists(kPackageFolder + L"dodatki_new.mdb"));
  s.app.click("bnCloseNormal");
  EXPECT_EQ(s.app.waitExit(), 0);
}

// An installer is run from a Downloads folder on a customer's machine: it may
// write its working folder and the installation, nothing else. Drive C: and
// the test's own folders (drive D:, the installers, every working folder) are
// compared before the installer starts and after it has ended.
TEST_F(Install, WritesOnlyItsWorkingFolderAndTheInstallation) {
  e2e::makeInstallation();
  e2e::makeDatabase(kPackageFolder, "dodatki.mdb", {{1, "Stary uchwyt"}, {6, "DELETE"}}, {"Meble Testowe"});
  e2e::PackageSpec spec;
  spec.accessories = {{1, "Nowy uchwyt"}, {9, "Listwa"}};
  const std::wstring exe = e2e::buildInstaller("footprint", spec);
  ASSERT_FALSE(exe.empty());
  e2e::Scenario s("footprint");
  const std::vector<std::wstring> roots = {L"C:\\", e2e::windowsPath(ARTIFACTS_DIR) + L"\\"};
  // Drive D: is a folder of the test's own, walked through drive Z:.
  const std::wstring installationSeenFromZ =
      e2e::windowsPath(std::string(ARTIFACTS_DIR) + "/drive-d/Orvanta/CAD Virel/");
  const e2e::FileSnapshot before = e2e::snapshotFiles(roots);
  ASSERT_GT(before.size(), 100u);  // drive C: was really walked
  ASSERT_TRUE(s.startInstaller(L"", exe));
  expectReady(s.app);
  install(s.app);
  EXPECT_EQ(e2e::readAccessories(kPackageFolder + L"dodatki.mdb"),
            (std::map<int, std::string>{{1, "Nowy uchwyt"}, {9, "Listwa"}}));
  s.app.click("bnCloseNormal");
  ASSERT_EQ(s.app.waitExit(), 0);
  const auto outside =
      e2e::changedOutside(before, e2e::snapshotFiles(roots), {s.folder() + L"tmp\\", installationSeenFromZ});
  std::string listed;
  for (const auto& p : outside) listed += "\n  " + platform::win32::narrow(p);
  EXPECT_TRUE(outside.empty()) << "written outside the working folder and the installation:" << listed;
}

// Installers are started from download folders full of other files: a DLL
// there named like a system DLL must never be loaded. Wine is told to prefer
// such files to its own, as Windows does for DLLs outside its known list.
// Left out: version.dll and uxtheme.dll, which Wine's own advapi32 and user32
// load while the process starts, before any code of the program runs.
TEST_F(Install, DllsBesideTheInstallerAreNeverLoaded) {
  const std::vector<std::wstring> planted = {L"msimg32", L"windowscodecs", L"dwmapi",     L"propsys",  L"msctf",
                                             L"usp10",   L"winmm",         L"cryptbase",  L"cryptsp",  L"dbghelp",
                                             L"oleacc",  L"riched20",      L"profapi",    L"netapi32", L"wtsapi32",
                                             L"userenv", L"explorerframe", L"textshaping"};
  e2e::makeInstallation();
  e2e::PackageSpec spec;
  spec.accessories = {{1, "Uchwyt"}};
  const std::wstring built = e2e::buildInstaller("planted", spec);
  ASSERT_FALSE(built.empty());
  e2e::Scenario s("planted-dlls");
  const std::wstring exe = s.folder() + L"installer.exe";
  ASSERT_TRUE(CopyFileW(built.c_str(), exe.c_str(), FALSE));
  std::wstring overrides;
  for (const auto& name : planted) {
    ASSERT_TRUE(CopyFileW(e2e::windowsPath(PLANTED_DLL).c_str(), (s.folder() + name + L".dll").c_str(), FALSE));
    overrides += (overrides.empty() ? L"" : L",") + name;
  }
  SetEnvironmentVariableW(L"WINEDLLOVERRIDES", (overrides + L"=n,b").c_str());
  // The trap works: a program beside them that loads a DLL by its bare
  // name gets the planted one.
  const std::wstring bareLoader = s.folder() + L"bare_load_helper.exe";
  ASSERT_TRUE(CopyFileW(e2e::windowsPath(BARE_LOAD_EXE).c_str(), bareLoader.c_str(), FALSE));
  EXPECT_EQ(e2e::run(bareLoader, L"dwmapi.dll"), 0);
  for (const wchar_t* caught : {L"dwmapi.dll.loaded"}) {
    EXPECT_TRUE(e2e::exists(s.folder() + caught)) << platform::win32::narrow(caught);
    DeleteFileW((s.folder() + caught).c_str());
  }
  const bool started = s.startInstaller(L"", exe);
  SetEnvironmentVariableW(L"WINEDLLOVERRIDES", nullptr);
  ASSERT_TRUE(started);
  expectReady(s.app);
  // The folder picker is the common file dialog, the heaviest loader of DLLs.
  s.app.click("Edit1");
  HWND dialog = nullptr;
  ASSERT_TRUE(
      e2e::waitUntil([&] { return (dialog = FindWindowW(L"#32770", L"Wybierz folder instalacji biblioteki")); }));
  DWORD_PTR result = 0;
  SendMessageTimeoutW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0, SMTO_BLOCK, 5000, &result);
  ASSERT_TRUE(e2e::waitUntil([&] { return !IsWindow(dialog); }));
  install(s.app);
  EXPECT_EQ(e2e::readAccessories(kPackageFolder + L"dodatki.mdb"), (std::map<int, std::string>{{1, "Uchwyt"}}));
  s.app.click("bnCloseNormal");
  ASSERT_EQ(s.app.waitExit(), 0);
  for (const auto& name : planted)
    EXPECT_FALSE(e2e::exists(s.folder() + name + L".dll.loaded")) << platform::win32::narrow(name);
}

TEST_F(Install, ADatabaseHeldOpenOrARunningCadProgramKeepsInstallDisabled) {
  e2e::makeInstallation();
  e2e::makeDatabase(kPackageFolder, "dodatki.mdb", {{1, "Uchwyt"}}, {"Meble Testowe"});
  e2e::PackageSpec spec;
  spec.accessories = {{2, "Gałka"}};
  const std::wstring exe = e2e::buildInstaller("held", spec);
  ASSERT_FALSE(exe.empty());
  {
    e2e::Installer holder;
    ASSERT_TRUE(holder.start(e2e::windowsPath(HOLD_OPEN_EXE), L"\"" + kPackageFolder + L"dodatki.mdb\"", L""));
    ASSERT_TRUE(e2e::waitUntil([&] { return e2e::exists(kPackageFolder + L"dodatki.mdb.held"); }));
    e2e::Scenario s("held-open");
    ASSERT_TRUE(s.startInstaller(L"", exe));
    ASSERT_TRUE(e2e::waitUntil([&] { return s.app.visible("bnInstallDisable"); }));
    ASSERT_TRUE(e2e::waitUntil([&] { return !s.app.text("InfoLabel").empty(); }));
    EXPECT_EQ(s.app.text("InfoLabel"), "Wyłącz program CAD VIREL i spróbuj ponownie.");
    EXPECT_FALSE(s.app.visible("bnInstallNormal"));
    e2e::screenshot("held-open");
    holder.kill();
  }
  {
    // Any program named like the CAD program's executable.
    const std::wstring fake = e2e::windowsPath(std::string(ARTIFACTS_DIR) + "/CADVirelPro.exe");
    CopyFileW(e2e::windowsPath(HOLD_OPEN_EXE).c_str(), fake.c_str(), FALSE);
    e2e::Installer cad;
    const std::wstring dummy = e2e::windowsPath(std::string(ARTIFACTS_DIR) + "/cad-dummy.txt");
    CloseHandle(CreateFileW(dummy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(cad.start(fake, L"\"" + dummy + L"\"", L""));
    ASSERT_TRUE(e2e::waitUntil([&] { return e2e::exists(dummy + L".held"); }));
    e2e::Scenario s("cad-running");
    ASSERT_TRUE(s.startInstaller(L"", exe));
    ASSERT_TRUE(e2e::waitUntil([&] { return !s.app.text("InfoLabel").empty(); }));
    EXPECT_EQ(s.app.text("InfoLabel"), "Wyłącz program CADVirelPro.exe i spróbuj ponownie.");
    EXPECT_TRUE(s.app.visible("bnInstallDisable"));
    cad.kill();
  }
}

TEST_F(Install, AnExecutableWithoutAPackageShowsTheFailureScreen) {
  struct Case {
    const char* name;
    std::string footer;  // appended to the stub; empty: the stub as built
    bool noPackageLine;
  } cases[] = {{"no-package", "", true},
               {"footer-zero", std::string("\xEF\xBB\xBF") + std::string(19, ' ') + "0", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    e2e::makeInstallation();
    const std::wstring exe = c.footer.empty() ? L"" : e2e::installerWithFooter(c.name, c.footer);
    e2e::Scenario s(c.name);
    ASSERT_TRUE(s.startInstaller(L"/d", exe));
    ASSERT_TRUE(e2e::waitUntil([&] { return s.app.visible("MasterError"); }));
    EXPECT_EQ(s.app.text("InfoLabel"), "Brak danych pakietu ! [packages.zip]");
    HWND w = s.app.window();
    EXPECT_TRUE(GetWindowLongW(w, GWL_STYLE) & WS_CAPTION);
    EXPECT_FALSE(GetWindowLongW(w, GWL_STYLE) & WS_SYSMENU);
    EXPECT_TRUE(s.app.visible("bnCloseNormal"));
    EXPECT_FALSE(s.app.visible("bnInstallNormal") || s.app.visible("Edit1"));
    // The memo takes its lines in batches, so the screen can show before the
    // last of them: wait for the line where it belongs, and give it a second
    // where it must not come.
    const auto said = [&] {
      const auto lines = s.app.memoLines();
      return std::find(lines.begin(), lines.end(), "Brak zawartego pakietu!") != lines.end();
    };
    EXPECT_EQ(e2e::waitUntil(said, std::chrono::seconds(c.noPackageLine ? 20 : 1)), c.noPackageLine);
    e2e::screenshot(std::string("failure-screen-") + c.name);
    s.app.click("bnCloseNormal");
    EXPECT_EQ(s.app.waitExit(), 4);  // package missing or damaged
  }
}

TEST_F(Install, ADamagedPackageFailsVisiblyAndRestoresTheInstalledDatabase) {
  using Damage = e2e::PackageSpec::Damage;
  for (auto [name, damage] : {std::pair{"damaged-model", Damage::ModelEntry}, {"damaged-mdb", Damage::PackageMdb}}) {
    SCOPED_TRACE(name);
    e2e::makeInstallation();
    const std::wstring installed = e2e::makeDatabase(kPackageFolder, "dodatki.mdb", {{1, "Uchwyt"}}, {"Meble Testowe"});
    const std::string before = e2e::fileBytes(installed);
    ASSERT_FALSE(before.empty());
    e2e::PackageSpec spec;
    spec.accessories = {{2, "Gałka"}};
    spec.damage = damage;
    const std::wstring exe = e2e::buildInstaller(name, spec);
    ASSERT_FALSE(exe.empty());
    e2e::Scenario s(name);
    ASSERT_TRUE(s.startInstaller(L"", exe));
    expectReady(s.app);
    install(s.app);
    e2e::screenshot(std::string(name) + "-failed");
    EXPECT_TRUE(s.app.visible("InfoLabel"));
    EXPECT_EQ(s.app.text("InfoLabel"), "Wystąpił błąd instalacji modeli. Spróbuj ponownie.");
    EXPECT_TRUE(similarColour(coverColour(s.app), e2e::kInstallColour));  // no finish picture
    EXPECT_EQ(e2e::fileBytes(installed), before);
    EXPECT_FALSE(e2e::exists(kPackageFolder + L"dodatki_old.mdb"));
    EXPECT_FALSE(e2e::exists(kPackageFolder + L"dodatki_new.mdb"));
    s.app.click("bnCloseNormal");
    EXPECT_EQ(s.app.waitExit(), 1);  // install failed, database restored
  }
}

TEST_F(Install, NoInstallationFoundThenATypedDestination) {
  e2e::resetDriveD();
  e2e::PackageSpec spec;
  spec.accessories = {{4, "Listwa"}};
  spec.materials = false;
  const std::wstring exe = e2e::buildInstaller("typed", spec);
  ASSERT_FALSE(exe.empty());
  e2e::Scenario s("typed-destination");
  ASSERT_TRUE(s.startInstaller(L"", exe));
  ASSERT_TRUE(e2e::waitUntil([&] { return s.app.visible("Edit1"); }));
  EXPECT_EQ(s.app.text("InfoLabel"), "Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog.");
  EXPECT_FALSE(s.app.visible("bnInstallNormal"));
  // Another installation, typed by hand.
  CreateDirectoryW(L"D:\\Inne", nullptr);
  CreateDirectoryW(L"D:\\Inne\\CAD\\", nullptr);
  CreateDirectoryW(L"D:\\Inne\\CAD\\dodatki", nullptr);
  // Typed key by key: every change is checked.
  s.app.retype("Edit1", L"D:\\Inne\\CAD\\");
  ASSERT_TRUE(e2e::waitUntil([&] { return s.app.visible("bnInstallNormal"); }));
  install(s.app);
  EXPECT_EQ(e2e::readAccessories(L"D:\\Inne\\CAD\\dodatki\\Meble Testowe\\dodatki.mdb"),
            (std::map<int, std::string>{{4, "Listwa"}}));
}

TEST_F(Install, DiagnosticModeKeepsTheWorkingFolderOnClose) {
  e2e::makeInstallation();
  e2e::PackageSpec spec;
  spec.accessories = {{1, "Uchwyt"}};
  const std::wstring exe = e2e::buildInstaller("debug", spec);
  ASSERT_FALSE(exe.empty());
  e2e::Scenario s("debug-close");
  ASSERT_TRUE(s.startInstaller(L"/d", exe));
  expectReady(s.app);
  std::vector<std::string> lines;  // the memo takes its lines in batches
  ASSERT_TRUE(e2e::waitUntil([&] {
    lines = s.app.memoLines();
    return lines.size() >= 3;
  }));
  EXPECT_EQ(lines[0], "Ustawiono parametr DEBUG");
  s.app.click("bnCloseNormal");
  EXPECT_EQ(s.app.waitExit(), 1);  // closed before Install
  EXPECT_TRUE(e2e::exists(s.folder() + L"tmp\\packages.zip"));
  EXPECT_TRUE(e2e::exists(s.folder() + L"tmp\\install.jpg"));
}

TEST_F(Install, ASmallScreenShrinksTheWindow) {
  if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 768)
    GTEST_SKIP() << "needs a 1024 x 768 screen (the small-screen run)";
  e2e::makeInstallation();
  e2e::PackageSpec spec;
  spec.accessories = {{1, "Uchwyt"}};
  const std::wstring exe = e2e::buildInstaller("small", spec);
  e2e::Scenario s("small-screen");
  ASSERT_TRUE(s.startInstaller(L"", exe));
  expectReady(s.app);
  RECT r;
  GetWindowRect(s.app.window(), &r);
  EXPECT_EQ(r.right - r.left, 666);
  EXPECT_EQ(r.bottom - r.top, 375);
  EXPECT_EQ(r.left, 179);
  EXPECT_EQ(r.top, 196);
  RECT b = s.app.screenRect("bnInstallNormal");
  EXPECT_EQ(b.left - r.left, 324);
  EXPECT_EQ(b.top - r.top, 317);
  RECT c = s.app.screenRect("bnCloseNormal");
  EXPECT_EQ(c.left - r.left, 500);
  EXPECT_EQ(c.top - r.top, 317);
  e2e::screenshot("small-screen");
}

}  // namespace

namespace {

// Runs a shell command line on the Linux side (Wine starts Linux programs
// like Windows ones) and returns its exit status. Wine does not wait for a
// Linux program to end, so the status comes back through a file.
int runOnLinux(const std::string& command, const std::string& statusFile) {
  const std::wstring status = e2e::windowsPath(statusFile);
  DeleteFileW(status.c_str());
  if (e2e::run(e2e::windowsPath("/bin/sh"),
               platform::win32::widen("-c \"" + command + " >/dev/null 2>&1; echo $? >'" + statusFile + "'\"")) < 0)
    return -1;
  std::string text;
  const bool ended = e2e::waitUntil([&] { return !(text = e2e::fileBytes(status)).empty() && text.back() == '\n'; },
                                    std::chrono::seconds(60));
  return ended ? std::atoi(text.c_str()) : -1;
}

// A producer's steps: pack, sign with a throw-away certificate, verify the
// signature, check the signed file with pack; then the signed installer
// installs as any other.
TEST_F(Install, ASignedInstallerInstalls) {
  for (const char* tool : {"osslsigncode", "openssl"})
    if (!e2e::exists(e2e::windowsPath(std::string("/usr/bin/") + tool))) GTEST_SKIP() << tool << " is not installed";
  e2e::makeInstallation();
  e2e::PackageSpec spec;
  spec.accessories = {{1, "Uchwyt"}, {2, "DELETE"}, {3, "Gałka"}};
  const std::wstring exe = e2e::buildInstaller("signed", spec);
  ASSERT_FALSE(exe.empty());
  const std::string dir = e2e::unixPath(exe.substr(0, exe.rfind(L'\\') + 1));
  const std::string q = "'" + dir, status = dir + "status.txt";
  ASSERT_EQ(runOnLinux("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Producent -keyout " + q +
                           "key.pem' -out " + q + "cert.pem'",
                       status),
            0);
  ASSERT_EQ(runOnLinux("osslsigncode sign -certs " + q + "cert.pem' -key " + q + "key.pem' -n Meble -in " + q +
                           "instalator.exe' -out " + q + "podpisany.exe'",
                       status),
            0);
  EXPECT_EQ(runOnLinux("osslsigncode verify -CAfile " + q + "cert.pem' -in " + q + "podpisany.exe'", status), 0);
  const std::wstring signedExe = e2e::windowsPath(dir + "podpisany.exe");
  EXPECT_EQ(e2e::run(e2e::windowsPath(PACK_EXE), L"check \"" + signedExe + L"\""), 0);

  e2e::Scenario s("signed-install");
  ASSERT_TRUE(s.startInstaller(L"", signedExe));
  expectReady(s.app);
  install(s.app);
  EXPECT_TRUE(similarColour(coverColour(s.app), e2e::kFinishColour));
  EXPECT_EQ(e2e::readAccessories(kPackageFolder + L"dodatki.mdb"),
            (std::map<int, std::string>{{1, "Uchwyt"}, {3, "Gałka"}}));
  s.app.click("bnCloseNormal");
  EXPECT_EQ(s.app.waitExit(), 0);
}

}  // namespace
