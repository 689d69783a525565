#pragma once
// Reading a ZIP archive through platform::Env: its entries, a check of the
// whole archive before anything is written, and extraction of one entry.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "package/deflate64.h"
#include "package/entry_name_check.h"
#include "package/zip_central_directory.h"
#include "package/zip_entry.h"
#include "package/zip_entry_data.h"
#include "platform/env.h"

namespace package::zip {

using package::kPartialSuffix;

class ZipReader {
 public:
  // Opens the archive for reading (denying writers) and reads its central
  // directory. Throws ZipError for a damaged archive, platform::IoError when
  // the file cannot be opened.
  ZipReader(platform::Env& env, const std::string& path);
  // Reads the archive that `file` holds (for archives inside other files).
  ZipReader(platform::Env& env, std::unique_ptr<platform::File> file);

  const std::vector<ZipEntry>& entries() const { return dir_.entries; }

  // Checks every entry before the first is written: a name safe to use under
  // the destination, a method the reader knows, no encryption, data that lies
  // before the central directory and overlaps no other entry, and a local
  // header that agrees with the central one. Entries for which `passedOver`
  // is true will not be written: only their name, place and local header are
  // checked. Throws ZipError naming the entry.
  void validateForExtraction(const std::function<bool(const ZipEntry&)>& passedOver = {});

  // Extracts entry `index` below destDir (which ends with the separator),
  // under the name Windows gives it (windowsName): folders on the way created, data checked against its CRC-32 while it
  // is written under the name plus kPartialSuffix, then renamed over any existing file; time and DOS attributes
  // applied. A file that fails half-way is removed again. Throws ZipError or platform::IoError.
  void extract(size_t index, const std::string& destDir);

  // Decodes entry `index` and hands its data to `output` (CRC and size checked).
  void decode(size_t index, const OutputFn& output);
  // Decodes entry `index` without keeping its data.
  void test(size_t index) {
    decode(index, [](const unsigned char*, size_t) {});
  }

 private:
  // Offset of the entry's data, after checking its local header.
  uint64_t dataOffset(size_t index);
  std::string targetPath(const ZipEntry& e, const std::string& destDir) const;
  void makeFolders(const std::string& folder);
  void putInPlace(const std::string& partial, const std::string& target);

  platform::Env& env_;
  std::unique_ptr<platform::File> file_;
  CentralDirectory dir_;
  std::vector<uint64_t> dataOffsets_;  // 0 until the local header was read
  std::string lastFolder_;             // the folder made for the previous entry
  EntryDecoder decoder_;
};

}  // namespace package::zip
