#include "tests/e2e/file_snapshot.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace e2e {
namespace {

// The file index alone: Wine gives each drive letter its own volume serial
// even where two letters lead to the same Unix folder.
struct FolderId {
  DWORD high = 0, low = 0;
  bool operator==(const FolderId&) const = default;
};

FolderId folderId(const std::wstring& path) {
  FolderId id;
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return id;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(h, &info)) id = {info.nFileIndexHigh, info.nFileIndexLow};
  CloseHandle(h);
  return id;
}

// Under Wine, Desktop, Documents, Downloads and the like are links to the
// Unix home, which other programs of the machine write to at any time: the
// home folder as Wine's drive Z: shows it, or nothing elsewhere.
FolderId unixHome() {
  wchar_t home[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"HOME", home, MAX_PATH);
  if (n == 0 || n >= MAX_PATH || home[0] != L'/') return {};
  std::wstring path = L"Z:" + std::wstring(home);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return folderId(path);
}

void walk(const std::wstring& folder, const FolderId& skipped, FileSnapshot& out) {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((folder + L"*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + name;
    const bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (!isFolder) {
      out[path] = {false, (uint64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow,
                   (uint64_t(found.ftLastWriteTime.dwHighDateTime) << 32) | found.ftLastWriteTime.dwLowDateTime};
      continue;
    }
    out[path] = {true, 0, 0};
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if ((skipped.high || skipped.low) && folderId(path) == skipped) continue;
    walk(path + L"\\", skipped, out);
  } while (FindNextFileW(h, &found));
  FindClose(h);
}

std::wstring lower(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return wchar_t(std::towlower(c)); });
  return s;
}

}  // namespace

FileSnapshot snapshotFiles(const std::vector<std::wstring>& roots) {
  FileSnapshot out;
  const FolderId home = unixHome();
  for (const auto& root : roots) walk(root, home, out);
  return out;
}

std::vector<std::wstring> changedOutside(const FileSnapshot& before, const FileSnapshot& after,
                                         const std::vector<std::wstring>& allowed) {
  std::vector<std::wstring> lowerAllowed;
  for (const auto& a : allowed) lowerAllowed.push_back(lower(a));
  auto isAllowed = [&](const std::wstring& path) {
    const std::wstring p = lower(path) + L"\\";  // a folder that is itself allowed
    return std::any_of(lowerAllowed.begin(), lowerAllowed.end(),
                       [&](const std::wstring& a) { return p.rfind(a, 0) == 0; });
  };
  std::vector<std::wstring> changed;
  for (const auto& [path, stamp] : after) {
    auto was = before.find(path);
    if ((was == before.end() || !(was->second == stamp)) && !isAllowed(path)) changed.push_back(path);
  }
  for (const auto& [path, stamp] : before)
    if (!after.count(path) && !isAllowed(path)) changed.push_back(path + L" (removed)");
  return changed;
}

}  // namespace e2e
