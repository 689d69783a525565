// The installer as a person first sees it, under Wine.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/e2e/driver.h"
#include "tests/e2e/scenario.h"

namespace {

TEST(Startup, TheBorderlessWindowShowsOnlyTheBusyIndicatorAtFirst) {
  e2e::Scenario s("startup-plain");
  ASSERT_TRUE(s.startInstaller(L""));
  HWND w = s.app.window();
  ASSERT_TRUE(w) << "no installer window";
  // Before the first timer tick: colour key on, only the busy indicator.
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_TRUE(flags & LWA_COLORKEY);
  EXPECT_EQ(key, RGB(255, 255, 255));
  EXPECT_EQ(GetWindowLongW(w, GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_TRUE(s.app.visible("ActivityIndicator"));
  for (const char* hidden :
       {"BG", "bnInstallNormal", "bnCloseNormal", "Edit1", "StaticText1", "infoBox", "gauge", "MasterError"})
    EXPECT_FALSE(s.app.visible(hidden)) << hidden;
  Sleep(200);  // let the first frames paint; the start-up tick comes at one second
  e2e::screenshot("startup-busy-indicator");
  wchar_t title[128] = {};
  GetWindowTextW(w, title, 128);
  EXPECT_EQ(std::wstring(title), L"Instalator bibliotek CAD");
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, 1040);
  EXPECT_EQ(r.bottom - r.top, 585);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 1040) / 2);
  EXPECT_TRUE(s.workFolderExists());
}

TEST(Startup, DiagnosticModeShowsTheMemoWithTheFirstLinesInOrder) {
  e2e::Scenario s("startup-debug");
  ASSERT_TRUE(s.startInstaller(L"/d"));
  ASSERT_TRUE(s.app.window());
  EXPECT_TRUE(s.app.visible("infoBox"));
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  const std::string screen = "Screen [" + std::to_string(sw) + " x " + std::to_string(sh) + " ]";
  const std::string centre =
      "Centrujemy  [ " + std::to_string((sw - 1040) / 2) + " - " + std::to_string((sh - 585) / 2) + " ]";
  std::vector<std::string> lines;
  ASSERT_TRUE(e2e::waitUntil([&] {
    lines = s.app.memoLines();
    return lines.size() >= 4;
  }));
  EXPECT_EQ(lines.front(), "Ustawiono parametr DEBUG");
  auto at = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) - lines.begin(); };
  const auto init = at("Inicjalizacja.");
  ASSERT_LT(size_t(init) + 2, lines.size());
  EXPECT_EQ(lines[size_t(init) + 1], screen);
  EXPECT_EQ(lines[size_t(init) + 2], centre);
  e2e::screenshot("startup-debug-memo");
}

}  // namespace
