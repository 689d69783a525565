// Program entry on Windows: one installer window and its message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "accessorydb/jet_engine.h"
#include "app/command_line.h"
#include "app/exit_code.h"
#include "app/form1.h"
#include "app/log_file.h"
#include "app/run_host.h"
#include "app/silent_run.h"
#include "platform/win32/wide.h"
#include "ui/win32/folder_picker_win32.h"
#include "ui/win32/win32_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything else: DLLs only from the system folder. Installers are
  // started from download folders full of other files.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  // The installation search probes every drive letter: an empty card reader
  // or optical drive must read as a drive without the folder, not stop the
  // program with the system's "no disk" box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // System code loads some DLLs later, on demand (themes, pictures, the file
  // dialog), and not every such load honours the setting above: loaded now
  // from the system folder, they are found by name and never looked for
  // beside the installer.
  for (const wchar_t* name : {L"uxtheme.dll", L"dwmapi.dll", L"msimg32.dll", L"windowscodecs.dll", L"propsys.dll",
                              L"oleacc.dll", L"userenv.dll", L"cryptbase.dll", L"clbcatq.dll", L"version.dll"})
    LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);

  const Switches switches = parseSwitches(argumentsOf(platform::win32::narrow(GetCommandLineW())));
  platform::Env& env = platform::systemEnv();
  std::unique_ptr<LogFile> log;
  if (switches.logFile) {
    try {
      log = std::make_unique<LogFile>(env, *switches.logFile);
    } catch (const std::exception&) {
      return kWrongCommandLine;
    }
  }
  if (!switches.wrong.empty()) {
    if (log) log->write("Błędny parametr wiersza poleceń: " + switches.wrong);
    return kWrongCommandLine;
  }

  std::vector<std::string> args;
  int argc = 0;
  if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    for (int i = 1; i < argc; ++i) args.push_back(platform::win32::narrow(argv[i]));
    LocalFree(argv);
  }

  ui::win32::Win32Host system;
  RunHost host(system, switches.silent);
  const std::unique_ptr<accessorydb::Engine> engine = accessorydb::makeJetEngine(env);
  TForm1 form(env, *engine, host, args);
  form.givenDestination = switches.destination;
  if (log) form.logSink = [&log](const std::string& line) { log->write(line); };
  // A silent run creates no window at all, so nothing can wait for a click.
  if (switches.silent) return runSilently(form, host);

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  {
    ui::win32::Win32Window window(form.window(), instance);
    system.setOwner(window.hwnd());
    ui::win32::Win32FolderPicker picker;
    picker.setOwner(window.hwnd());
    form.setFolderPicker(&picker);
    form.window().dispatch([&] { form.FormCreate(); });
    window.show();
    window.runMessageLoop();
    form.setFolderPicker(nullptr);
  }
  CoUninitialize();
  return exitCodeOf(form, host.errorShown());
}
