#pragma once
// Finding the end record and reading the central directory.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/zip_entry.h"
#include "platform/env.h"

namespace package::zip {

struct CentralDirectory {
  std::vector<ZipEntry> entries;  // in the archive's order
  uint64_t offset = 0;            // of the first central header
  uint64_t size = 0;
};

// Offset of the last end-of-central-directory signature within the last
// 65,557 bytes of the file, or nothing.
std::optional<uint64_t> findEndRecord(platform::File& file);

// The validity test: opens the file for reading (denying writers) and looks
// for the end record. A file that cannot be opened throws platform::IoError.
bool isZipArchive(platform::Env& env, const std::string& path);

// Reads the whole central directory (Zip64 understood). Names without the
// UTF-8 flag are read in env's OEM code page. Throws ZipError.
CentralDirectory readCentralDirectory(platform::File& file, platform::Env& env);

}  // namespace package::zip
