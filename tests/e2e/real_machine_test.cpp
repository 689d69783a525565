// What real users' machines add to the test world: network destinations,
// diagnostic runs of large packages, installs long enough for Windows to
// wonder whether the window still answers.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/e2e/driver.h"
#include "tests/e2e/scenario.h"
#include "tests/e2e/world.h"

namespace {

using e2e::kInstallation;

const std::wstring kPackageFolder = kInstallation + L"dodatki\\Meble Testowe\\";

class RealMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) GTEST_SKIP() << "needs an X display (run under Xvfb)";
  }
  static void clickInstall(e2e::Installer& app) {
    ASSERT_TRUE(e2e::waitUntil([&] { return app.visible("bnInstallNormal") && !app.visible("ActivityIndicator"); }))
        << app.text("InfoLabel");
    ASSERT_TRUE(app.pointUntilShown("bnInstallNormal", "bnInstallHover"));
    app.click("bnInstallHover");
  }
  static bool finished(e2e::Installer& app) {
    return !app.visible("bnInstallActive") && !app.visible("bnInstallHover") && app.visible("bnCloseNormal") &&
           !app.visible("gauge");
  }
  static std::vector<e2e::Accessory> accessories(int from, int count, const std::string& name) {
    std::vector<e2e::Accessory> rows;
    for (int i = 0; i < count; ++i) rows.push_back({from + i, name + " " + std::to_string(from + i)});
    return rows;
  }
};

// The test session serves the folder behind drive D: also as the share
// \\localhost\cad, through Wine's own mapping of UNC paths.
TEST_F(RealMachine, InstallsIntoANetworkShareTypedAsTheDestination) {
  e2e::makeInstallation();
  const std::wstring share = L"\\\\localhost\\cad\\Orvanta\\CAD Virel\\";
  if (GetFileAttributesW((share + L"dodatki").c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "this Wine session serves no share \\\\localhost\\cad (see scripts/with-wine-session.sh)";
  e2e::PackageSpec spec;
  spec.accessories = {{4, "Listwa"}};
  const std::wstring exe = e2e::buildInstaller("network", spec);
  ASSERT_FALSE(exe.empty());
  e2e::Scenario s("network-share");
  ASSERT_TRUE(s.startInstaller(L"", exe));
  ASSERT_TRUE(e2e::waitUntil([&] { return s.app.visible("bnInstallNormal") && !s.app.visible("ActivityIndicator"); }));
  s.app.retype("Edit1", share);
  ASSERT_EQ(s.app.text("Edit1"), "\\\\localhost\\cad\\Orvanta\\CAD Virel\\");
  clickInstall(s.app);
  ASSERT_TRUE(e2e::waitUntil([&] { return finished(s.app); }));
  EXPECT_EQ(s.app.text("InfoLabel"), "");
  EXPECT_TRUE(e2e::exists(share + L"dodatki\\Meble Testowe\\modele\\szafka.mdl"));
  EXPECT_TRUE(e2e::exists(share + L"DB_MATERIALS\\Vodezidoz Azu Virel\\Drewno\\dab.txt"));
  EXPECT_EQ(e2e::readAccessories(share + L"dodatki\\Meble Testowe\\dodatki.mdb"),
            (std::map<int, std::string>{{4, "Listwa"}}));
  s.app.click("bnCloseNormal");
  EXPECT_EQ(s.app.waitExit(), 0);
}

// The memo of a diagnostic install holds every line, however many: the
// failure lines support asks for come last.
TEST_F(RealMachine, ADiagnosticInstallOfThousandsOfFilesShowsEveryLine) {
  e2e::makeInstallation();
  e2e::PackageSpec spec;
  spec.accessories = {{1, "Uchwyt"}};
  spec.extraModels = 2000;
  spec.materials = false;
  const std::wstring exe = e2e::buildInstaller("many-files", spec);
  ASSERT_FALSE(exe.empty());
  e2e::Scenario s("diagnostic-many-files");
  ASSERT_TRUE(s.startInstaller(L"/d", exe));
  clickInstall(s.app);
  ASSERT_TRUE(e2e::waitUntil([&] { return finished(s.app); }, std::chrono::minutes(5)));
  // The install's last line, written by its final steps, follows the end of
  // the models phase; it reaches the memo once the command has returned.
  std::vector<std::string> lines;
  auto lastLineShown = [&] {
    lines = s.app.memoLines();
    const auto phaseEnd = std::find(lines.begin(), lines.end(), "FINALLY kończymy instalację modeli.");
    return std::find(phaseEnd, lines.end(), "Blokujemy klawisz INSTALL") != lines.end();
  };
  EXPECT_TRUE(e2e::waitUntil(lastLineShown)) << (lines.empty() ? "" : lines.back());
  size_t modelLines = 0;
  for (const auto& l : lines) modelLines += l.rfind("Meble Testowe\\modele\\m", 0) == 0;
  EXPECT_EQ(modelLines, 2000u);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Poprawnie zakończono instalację modeli."), lines.end());
  size_t chars = 0;
  for (const auto& l : lines) chars += l.size() + 2;
  EXPECT_GT(chars, 48000u);  // well past the edit control's default limit of 32,767
}

// While a long install runs, the window answers the system (so Windows never
// calls it hung) but handles no click until the command has ended.
TEST_F(RealMachine, ALongInstallKeepsAnsweringAndHandlesNoClickUntilItEnds) {
  e2e::makeInstallation();
  e2e::makeDatabase(kPackageFolder, "dodatki.mdb", accessories(1, 3000, "Stary"), {"Meble Testowe"});
  e2e::PackageSpec spec;
  spec.accessories = accessories(1501, 3000, "Nowy");
  spec.extraModels = 500;
  const std::wstring exe = e2e::buildInstaller("long", spec);
  ASSERT_FALSE(exe.empty());
  e2e::Scenario s("long-install");
  ASSERT_TRUE(s.startInstaller(L"", exe));
  clickInstall(s.app);
  HWND window = s.app.window();
  ASSERT_TRUE(e2e::waitUntil([&] { return s.app.visible("gauge"); }));
  // A click on the Close button while the install runs.
  s.app.click("bnCloseDisable");
  int answered = 0, unanswered = 0;
  while (s.app.visible("gauge")) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result))
      ++answered;
    else
      ++unanswered;
    Sleep(100);
  }
  EXPECT_GT(answered, 3);
  EXPECT_EQ(unanswered, 0);
  ASSERT_TRUE(e2e::waitUntil([&] { return finished(s.app) || !s.app.running(); }, std::chrono::minutes(3)));
  // The click came before the install had ended: the install ran to its end.
  auto rows = e2e::readAccessories(kPackageFolder + L"dodatki.mdb");
  EXPECT_EQ(rows.size(), 4500u);
  EXPECT_EQ(rows[1], "Stary 1");
  EXPECT_EQ(rows[1501], "Nowy 1501");
  EXPECT_EQ(rows[4500], "Nowy 4500");
  EXPECT_TRUE(e2e::exists(kPackageFolder + L"modele\\m10499.mdl"));
  EXPECT_FALSE(e2e::exists(kPackageFolder + L"dodatki_old.mdb"));
  if (s.app.running()) s.app.click("bnCloseNormal");
  EXPECT_EQ(s.app.waitExit(), 0);
}

}  // namespace
