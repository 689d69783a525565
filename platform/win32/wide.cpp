#include "platform/win32/wide.h"

#include <vector>

namespace platform::win32 {

std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const wchar_t* utf16, size_t length) {
  if (length == 0) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, utf16, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

std::string narrow(const std::wstring& utf16) { return narrow(utf16.data(), utf16.size()); }

std::string errorMessage(DWORD code) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::string text;
  if (n && buf) {
    text = narrow(buf, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  }
  if (buf) LocalFree(buf);
  if (text.empty()) text = "Windows error " + std::to_string(code);
  return text;
}

std::wstring longPath(const std::string& utf8) {
  std::wstring w = widen(utf8);
  if (w.size() < 240 || w.rfind(L"\\\\?\\", 0) == 0) return w;
  DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return w;
  std::vector<wchar_t> full(n + 1);
  n = GetFullPathNameW(w.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  std::wstring f(full.data(), n);
  if (f.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + f.substr(2);
  return L"\\\\?\\" + f;
}

}  // namespace platform::win32
