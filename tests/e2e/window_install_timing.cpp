// Times an install through the window, as a person makes it: starts the
// installer, clicks Install once the destination is found, and prints the
// seconds from the click until the finish state. Not a test: the install
// benchmark runs it with and without diagnostic mode.
// Usage: window_install_timing INSTALLER.exe WORKING_FOLDER [ARGUMENTS...]
#include <cstdio>
#include <string>

#include "driver.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_install_timing INSTALLER.exe WORKING_FOLDER [ARGUMENTS...]\n");
    return 2;
  }
  std::wstring args;
  for (int i = 3; i < argc; ++i) args += (args.empty() ? L"" : L" ") + std::wstring(argv[i]);
  e2e::Installer app;
  if (!app.start(argv[1], args, argv[2])) return 1;
  const auto ready = [&] { return app.visible("bnInstallNormal") && !app.visible("ActivityIndicator"); };
  if (!e2e::waitUntil(ready, std::chrono::minutes(2)) || !app.pointUntilShown("bnInstallNormal", "bnInstallHover")) {
    std::fprintf(stderr, "the Install button never took input: %s\n", app.text("InfoLabel").c_str());
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  app.click("bnInstallHover");
  const auto finished = [&] {
    return !app.visible("bnInstallActive") && !app.visible("bnInstallHover") && app.visible("bnCloseNormal") &&
           !app.visible("gauge");
  };
  if (!e2e::waitUntil(finished, std::chrono::minutes(30))) {
    std::fprintf(stderr, "the install never finished\n");
    return 1;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  const std::string failure = app.text("InfoLabel");
  app.click("bnCloseNormal");
  if (app.waitExit() != 0 || !failure.empty()) {
    std::fprintf(stderr, "the install failed: %s\n", failure.c_str());
    return 1;
  }
  std::printf("%.3f\n", took.count());
  return 0;
}
