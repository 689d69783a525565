#pragma once
// Writing ZIP archives: the archives pack puts into an installer, and the
// crafted archives of the tests. Records are laid out as zip_format.h shows.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "package/zip_format.h"
#include "platform/env.h"

namespace package::zip {

struct EntryOptions {
  uint16_t method = kMethodDeflate;  // stored or deflate
  uint16_t flags = kFlagUtf8;
  uint16_t versionMadeBy = kHostMsDos << 8 | kVersion20;
  uint16_t versionNeeded = kVersion20;
  uint32_t externalAttributes = platform::kAttrArchive;
  uint16_t dosDate = 0x0021;  // 1980-01-01
  uint16_t dosTime = 0;
  std::string extra;   // written into both headers
  bool zip64 = false;  // Zip64 records even where the numbers would fit
  int level = -1;      // zlib's compression level; -1 its default
};

// Called with the bytes of the current entry read so far.
using WriteProgressFn = std::function<void(uint64_t done)>;

class ZipWriter {
 public:
  // Writes the archive into `out` starting at `base`; offsets inside the
  // archive count from `base`, so the archive stands on its own.
  explicit ZipWriter(platform::File& out, uint64_t base = 0) : out_(out), base_(base) {}

  // Adds an entry named `name` (bytes as stored) holding `data`.
  void addBytes(std::string_view name, std::string_view data, const EntryOptions& options = {});
  // Adds an entry holding the whole file at `path`, read in pieces.
  void addFile(std::string_view name, platform::Env& env, const std::string& path, const EntryOptions& options = {},
               const WriteProgressFn& progress = {});
  // Writes the central directory and the end records; returns the size of
  // the whole archive.
  uint64_t finish();

 private:
  using ReadFn = std::function<size_t(char* buffer, size_t n)>;
  void addEntry(std::string_view name, uint64_t sizeHint, const ReadFn& read, const EntryOptions& options,
                const WriteProgressFn& progress);
  void write(const void* data, size_t n);

  platform::File& out_;
  const uint64_t base_;
  uint64_t pos_ = 0;  // archive offset of the next byte
  std::string central_;
  uint64_t count_ = 0;
  bool anyZip64_ = false;
};

// The MS-DOS date and time of a moment given as local calendar fields.
uint16_t dosDate(int year, int month, int day);
uint16_t dosTime(int hour, int minute, int second);

}  // namespace package::zip
