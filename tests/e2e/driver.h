#pragma once
// Drives a running installer.exe from outside, as a person would: finds its
// window, reads what its controls show, moves the pointer and clicks.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// The Unix path of a file of the build or source tree, as a Windows path.
std::wstring windowsPath(const std::string& unixPath);
std::string unixPath(const std::wstring& windowsPath);

// Waits until the condition holds; false after the timeout.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(20));

class Installer {
 public:
  Installer() = default;
  ~Installer();
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;

  // Starts the program with the given arguments in the working folder.
  bool start(const std::wstring& exe, const std::wstring& args, const std::wstring& workingFolder);
  // The installer window, once it is shown.
  HWND window(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  HWND control(const std::string& name);

  bool visible(const std::string& name);
  bool takesInput(const std::string& name);
  int pointer(const std::string& name);  // 1 arrow, 2 hand, 3 not-allowed
  std::string text(const std::string& name);
  // Memo lines, as the installer shows them.
  std::vector<std::string> memoLines();
  RECT screenRect(const std::string& name);

  // Moves the real pointer to the centre of a control, or to a screen point.
  void pointAt(const std::string& name);
  void pointAt(int x, int y);
  // Points at a control, again and again, until the control `shown` is
  // visible: a pointer that rests on the spot where the window appears, or a
  // move that came before the control took input, is not an entry.
  bool pointUntilShown(const std::string& name, const std::string& shown);
  // A click with the primary button at the centre of a control.
  void click(const std::string& name);
  // Types text into a control through the keyboard path.
  void type(const std::string& name, const std::wstring& text);
  // Empties an edit control and types text into it character by character,
  // so every change is seen, without moving the pointer.
  void retype(const std::string& name, const std::wstring& text);

  // Waits for the process to end; its exit code, or -1 on timeout.
  int waitExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  bool running();
  void kill();
  DWORD processId() const { return pi_.dwProcessId; }

 private:
  PROCESS_INFORMATION pi_{};
  HWND window_ = nullptr;
};

// Saves a picture of the whole screen (PNG) under the artefacts folder; the
// path written, or empty when no picture could be taken.
std::string screenshot(const std::string& name);

}  // namespace e2e
