#include <windows.h>
#include <tlhelp32.h>

#include <cstring>
#include <vector>

#include "platform/env.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

using win32::errorMessage;
using win32::FindHandle;
using win32::Handle;
using win32::longPath;
using win32::narrow;

[[noreturn]] void fail(const std::string& what, const std::string& path) {
  throw IoError(what + " " + path + ": " + errorMessage(GetLastError()));
}

bool utcFromDosTime(uint16_t dosDate, uint16_t dosTime, FILETIME& utc) {
  FILETIME local;
  return DosDateTimeToFileTime(dosDate, dosTime, &local) && LocalFileTimeToFileTime(&local, &utc);
}

// The DOS attributes a file may carry; none at all is "normal".
DWORD windowsAttributes(uint32_t attributes) {
  const DWORD keep =
      attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  return keep ? keep : FILE_ATTRIBUTE_NORMAL;
}

class Win32File : public File {
 public:
  Win32File(Handle h, std::string path) : h_(std::move(h)), path_(std::move(path)) {}

  uint64_t size() override {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(h_.get(), &s)) fail("Cannot read the size of", path_);
    return static_cast<uint64_t>(s.QuadPart);
  }
  size_t readAt(uint64_t offset, void* buffer, size_t n) override {
    moveTo(offset);
    size_t done = 0;
    while (done < n) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(h_.get(), static_cast<char*>(buffer) + done, chunk, &got, nullptr)) {
        at_ = kUnknown;
        fail("Cannot read", path_);
      }
      if (got == 0) break;
      done += got;
    }
    at_ = offset + done;
    return done;
  }
  void writeAt(uint64_t offset, const void* data, size_t n) override {
    moveTo(offset);
    size_t done = 0;
    while (done < n) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
      DWORD put = 0;
      if (!WriteFile(h_.get(), static_cast<const char*>(data) + done, chunk, &put, nullptr)) {
        at_ = kUnknown;
        fail("Cannot write", path_);
      }
      done += put;
    }
    at_ = offset + done;
  }
  void truncate(uint64_t size) override {
    FILE_END_OF_FILE_INFO info{};
    info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(h_.get(), FileEndOfFileInfo, &info, sizeof info)) fail("Cannot truncate", path_);
  }
  void sync() override {
    if (!FlushFileBuffers(h_.get())) fail("Cannot flush", path_);
  }
  bool setDosTimeAndAttributes(uint16_t dosDate, uint16_t dosTime, std::optional<uint32_t> attributes) override {
    FILE_BASIC_INFO info{};  // zero leaves a time or the attributes as they are
    FILETIME utc;
    if (!utcFromDosTime(dosDate, dosTime, utc)) return false;
    info.CreationTime = info.LastWriteTime = LARGE_INTEGER{{utc.dwLowDateTime, static_cast<LONG>(utc.dwHighDateTime)}};
    if (attributes) info.FileAttributes = windowsAttributes(*attributes);
    // One call for both; times set on the handle are not moved by its closing.
    return SetFileInformationByHandle(h_.get(), FileBasicInfo, &info, sizeof info);
  }
  bool renameOpenFile(const std::string& target) override {
    const std::wstring to = longPath(target);
    const DWORD nameBytes = static_cast<DWORD>(to.size() * sizeof(wchar_t));
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = nameBytes;
    std::memcpy(info->FileName, to.c_str(), nameBytes);
    if (!SetFileInformationByHandle(h_.get(), FileRenameInfo, info, static_cast<DWORD>(buffer.size()))) return false;
    path_ = target;
    return true;
  }

 private:
  static constexpr uint64_t kUnknown = ~uint64_t{0};

  // Reads and writes go through the file pointer rather than an OVERLAPPED
  // offset: under Wine each OVERLAPPED call costs one more round trip to the
  // server, and an unpacked file is mostly written in order, so the pointer
  // seldom has to move. A File is used by one thread at a time.
  void moveTo(uint64_t offset) {
    if (offset == at_) return;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(h_.get(), to, nullptr, FILE_BEGIN)) {
      at_ = kUnknown;
      fail("Cannot seek in", path_);
    }
    at_ = offset;
  }

  Handle h_;
  std::string path_;
  uint64_t at_ = 0;  // where the file pointer stands; a new handle's is at 0
};

DWORD attributesOf(const std::string& path) { return GetFileAttributesW(longPath(path).c_str()); }

class Win32Env : public Env {
 public:
  char separator() const override { return '\\'; }

  std::unique_ptr<File> openFile(const std::string& path, Access access, Creation creation, Sharing sharing) override {
    DWORD want = GENERIC_READ | (access == Access::ReadWrite || creation != Creation::OpenExisting ? GENERIC_WRITE : 0);
    if (sharing == Sharing::Private) want |= DELETE;  // for renameOpenFile
    DWORD share = FILE_SHARE_READ | (sharing == Sharing::DenyNone ? FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0);
    DWORD disp = creation == Creation::OpenExisting ? OPEN_EXISTING
                 : creation == Creation::CreateNew  ? CREATE_NEW
                                                    : CREATE_ALWAYS;
    Handle h(CreateFileW(longPath(path).c_str(), want, share, nullptr, disp, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) fail("Cannot open", path);
    return std::make_unique<Win32File>(std::move(h), path);
  }

  bool fileExists(const std::string& path) override {
    DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool dirExists(const std::string& path) override {
    DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool createDir(const std::string& path) override { return CreateDirectoryW(longPath(path).c_str(), nullptr); }
  bool removeDir(const std::string& path) override { return RemoveDirectoryW(longPath(path).c_str()); }
  bool deleteFile(const std::string& path) override {
    std::wstring p = longPath(path);
    if (DeleteFileW(p.c_str())) return true;
    // A read-only file (the archive attribute set from a ZIP entry) is still ours to replace.
    DWORD a = GetFileAttributesW(p.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) && !(a & FILE_ATTRIBUTE_DIRECTORY)) {
      SetFileAttributesW(p.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
      return DeleteFileW(p.c_str());
    }
    return false;
  }
  bool renameNoReplace(const std::string& from, const std::string& to) override {
    return MoveFileW(longPath(from).c_str(), longPath(to).c_str());
  }
  bool renameReplace(const std::string& from, const std::string& to) override {
    return MoveFileExW(longPath(from).c_str(), longPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }

  std::vector<DirEntry> listDir(const std::string& path) override {
    std::vector<DirEntry> out;
    std::string pattern = path;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAW fd;
    const FindHandle h(FindFirstFileW(longPath(pattern).c_str(), &fd));
    if (!h.valid()) return out;
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      out.push_back({narrow(name), (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(h.get(), &fd));
    return out;
  }

  std::vector<std::string> driveRoots() override {
    std::vector<std::string> roots;
    wchar_t buf[512];
    DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buf)), buf);
    if (n == 0 || n > std::size(buf)) return roots;
    for (const wchar_t* p = buf; *p; p += wcslen(p) + 1) roots.push_back(narrow(p));
    return roots;
  }

  std::string currentDir() override {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring buf(n, L'\0');
    n = GetCurrentDirectoryW(n, buf.data());
    buf.resize(n);
    return narrow(buf);
  }

  std::string executablePath() override {
    std::wstring buf(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    buf.resize(n);
    return narrow(buf);
  }

  std::vector<std::string> processNames() override {
    std::vector<std::string> names;
    Handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.valid()) return names;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32FirstW(snap.get(), &pe); ok; ok = Process32NextW(snap.get(), &pe))
      names.push_back(narrow(pe.szExeFile));
    return names;
  }

  int oemCodePage() override { return static_cast<int>(GetOEMCP()); }

  std::optional<std::string> decodeCodePage(std::string_view bytes, int codePage) override {
    if (bytes.empty()) return std::string();
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(static_cast<UINT>(codePage), 0, bytes.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(static_cast<UINT>(codePage), 0, bytes.data(), size, wide.data(), n) != n)
      return std::nullopt;
    return narrow(wide);
  }

  bool setFileDosTime(const std::string& path, uint16_t dosDate, uint16_t dosTime) override {
    FILETIME utc;
    if (!utcFromDosTime(dosDate, dosTime, utc)) return false;
    Handle h(CreateFileW(longPath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.valid()) return false;
    return SetFileTime(h.get(), &utc, nullptr, &utc);
  }

  bool setFileAttributes(const std::string& path, uint32_t attributes) override {
    return SetFileAttributesW(longPath(path).c_str(), windowsAttributes(attributes));
  }
};

}  // namespace

Env& systemEnv() {
  static Win32Env env;
  return env;
}

}  // namespace platform
