#include "tests/e2e/driver.h"

#include <shlobj.h>

#include <thread>

#include "platform/win32/wide.h"
#include "ui/win32/control_id.h"

namespace e2e {

using platform::win32::narrow;
using platform::win32::widen;

std::wstring windowsPath(const std::string& unixPath) {
  std::wstring w = L"Z:" + widen(unixPath);
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  return w;
}

std::string unixPath(const std::wstring& windowsPath) {
  std::string s = narrow(windowsPath);
  if (s.size() >= 2 && (s[0] == 'Z' || s[0] == 'z') && s[1] == ':') s = s.substr(2);
  for (auto& c : s)
    if (c == '\\') c = '/';
  return s;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (true) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

Installer::~Installer() {
  if (pi_.hProcess) {
    if (running()) kill();
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
}

bool Installer::start(const std::wstring& exe, const std::wstring& args, const std::wstring& workingFolder) {
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  return CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &si, &pi_);
}

namespace {
struct FindCtx {
  DWORD pid;
  HWND found;
};
BOOL CALLBACK findTop(HWND h, LPARAM lp) {
  auto* ctx = reinterpret_cast<FindCtx*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(h, cls, 64);
  if (pid == ctx->pid && std::wstring(cls) == ui::win32::kWindowClass && IsWindowVisible(h)) {
    ctx->found = h;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND Installer::window(std::chrono::milliseconds timeout) {
  if (window_ && IsWindow(window_)) return window_;
  FindCtx ctx{pi_.dwProcessId, nullptr};
  waitUntil(
      [&] {
        EnumWindows(findTop, reinterpret_cast<LPARAM>(&ctx));
        return ctx.found != nullptr;
      },
      timeout);
  window_ = ctx.found;
  return window_;
}

HWND Installer::control(const std::string& name) {
  HWND w = window();
  return w ? GetDlgItem(w, ui::win32::controlIdFor(name)) : nullptr;
}

bool Installer::visible(const std::string& name) {
  HWND h = control(name);
  return h && (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE);
}

bool Installer::takesInput(const std::string& name) {
  HWND h = control(name);
  return h && GetPropW(h, ui::win32::kInputProperty) != nullptr;
}

int Installer::pointer(const std::string& name) {
  HWND h = control(name);
  return h ? static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(h, ui::win32::kPointerProperty))) : 0;
}

std::string Installer::text(const std::string& name) {
  HWND h = control(name);
  if (!h) return {};
  DWORD_PTR len = 0;
  SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len);
  std::wstring buf(len + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(h, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG, 5000, &got);
  buf.resize(got);
  return narrow(buf);
}

std::vector<std::string> Installer::memoLines() {
  std::vector<std::string> lines;
  const std::string all = text("infoBox");
  size_t start = 0;
  if (all.empty()) return lines;
  while (true) {
    size_t end = all.find("\r\n", start);
    lines.push_back(all.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

RECT Installer::screenRect(const std::string& name) {
  RECT r{};
  if (HWND h = control(name)) GetWindowRect(h, &r);
  return r;
}

void Installer::pointAt(int x, int y) {
  SetCursorPos(x, y);
  // A small move after the jump, so the window under the pointer sees it move.
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_MOVE;
  in.mi.dx = 1;
  SendInput(1, &in, sizeof in);
  in.mi.dx = -1;
  SendInput(1, &in, sizeof in);
}

void Installer::pointAt(const std::string& name) {
  RECT r = screenRect(name);
  pointAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void Installer::click(const std::string& name) {
  pointAt(name);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

void Installer::type(const std::string& name, const std::wstring& text) {
  click(name);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  for (wchar_t ch : text) {
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wScan = in[1].ki.wScan = ch;
    in[0].ki.dwFlags = KEYEVENTF_UNICODE;
    in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool Installer::pointUntilShown(const std::string& name, const std::string& shown) {
  return waitUntil([&] {
    pointAt(name);
    return waitUntil([&] { return visible(shown); }, std::chrono::seconds(1));
  });
}

void Installer::retype(const std::string& name, const std::wstring& text) {
  HWND edit = control(name);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, WM_CLEAR, 0, 0);
  for (wchar_t ch : text) SendMessageW(edit, WM_CHAR, ch, 0);
}

int Installer::waitExit(std::chrono::milliseconds timeout) {
  if (!pi_.hProcess) return -1;
  if (WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(pi_.hProcess, &code);
  return static_cast<int>(code);
}

bool Installer::running() { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

void Installer::kill() {
  if (pi_.hProcess) {
    TerminateProcess(pi_.hProcess, 99);
    WaitForSingleObject(pi_.hProcess, 5000);
  }
}

std::string screenshot(const std::string& name) {
  // Wine starts a Unix program given by its Unix path; ImageMagick's import
  // takes the X screen, layered (colour-keyed) windows included.
  const std::string dir = std::string(ARTIFACTS_DIR);
  SHCreateDirectoryExW(nullptr, windowsPath(dir).c_str(), nullptr);
  const std::string out = dir + "/" + name + ".png";
  const std::wstring outW = windowsPath(out);
  DeleteFileW(outW.c_str());
  std::wstring cmd = L"/usr/bin/import -window root " + widen(out);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  // The handle of a Unix process does not tell when it ends: wait for the
  // picture to be written whole (its size stops changing).
  LONGLONG last = -1;
  int stable = 0;
  const bool done = waitUntil(
      [&] {
        WIN32_FILE_ATTRIBUTE_DATA fa{};
        if (!GetFileAttributesExW(outW.c_str(), GetFileExInfoStandard, &fa)) return false;
        const LONGLONG size = (LONGLONG(fa.nFileSizeHigh) << 32) | fa.nFileSizeLow;
        stable = (size > 0 && size == last) ? stable + 1 : 0;
        last = size;
        return stable >= 3;
      },
      std::chrono::seconds(15));
  return done ? out : std::string();
}

}  // namespace e2e
