#pragma once
// UTF-8 <-> UTF-16 at the Windows boundary, and Win32 error texts.
#include <windows.h>

#include <string>

namespace platform::win32 {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);
std::string narrow(const wchar_t* utf16, size_t length);
// The system's message for a Win32 error code, without the trailing line end.
std::string errorMessage(DWORD code);
// A path Windows accepts past MAX_PATH: long absolute paths get the "\\?\"
// prefix after normalisation (catalogues nest models deeply).
std::wstring longPath(const std::string& utf8);

// Closes a handle on every way out, with the function that releases its kind.
template <BOOL(WINAPI* Close)(HANDLE)>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE h) : h_(h) {}
  ~OwnedHandle() { reset(); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  OwnedHandle(OwnedHandle&& o) noexcept : h_(o.release()) {}
  OwnedHandle& operator=(OwnedHandle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = o.release();
    }
    return *this;
  }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  void reset() {
    if (valid()) Close(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_ = nullptr;
};

// A kernel object: file, process snapshot, event.
using Handle = OwnedHandle<CloseHandle>;
// A folder listing begun by FindFirstFileW.
using FindHandle = OwnedHandle<FindClose>;

}  // namespace platform::win32
