#pragma once
// What the file system holds below some folders, so a scenario can show which
// files a program created, changed or removed while it ran.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace e2e {

struct FileStamp {
  bool folder = false;
  uint64_t size = 0;
  uint64_t written = 0;  // last write time; 0 for folders, whose times follow their entries
  bool operator==(const FileStamp&) const = default;
};
using FileSnapshot = std::map<std::wstring, FileStamp>;  // full Windows path -> stamp

// Every file and folder below the given roots (Windows paths ending in "\").
// Links are not followed; under Wine neither are the profile folders that
// lead out of drive C: into the Unix home.
FileSnapshot snapshotFiles(const std::vector<std::wstring>& roots);

// Paths created, changed or removed between two snapshots, except those
// below one of the allowed folders (Windows paths ending in "\", compared
// without regard to case).
std::vector<std::wstring> changedOutside(const FileSnapshot& before, const FileSnapshot& after,
                                         const std::vector<std::wstring>& allowed);

}  // namespace e2e
