#pragma once
// One entry of a ZIP archive as its central directory header describes it.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace package::zip {

// A damaged or unsupported archive; the message is what the window logs.
class ZipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The reader's texts for the common failures, as the window shows them.
inline constexpr const char* kErrorReading = "Error reading zip file";
inline constexpr const char* kErrorCentralSignature = "Invalid Zip Central Header signature";
inline constexpr const char* kErrorLocalSignature = "Invalid Zip Local Header signature";

struct ZipEntry {
  std::string rawName;      // the name bytes as stored
  std::string name;         // decoded: UTF-8 with flag bit 11, else the OEM code page
  std::string unicodePath;  // the Unicode Path extra field when its CRC matched, else empty
  uint16_t versionMadeBy = 0;
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc32 = 0;
  uint32_t externalAttributes = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  uint64_t localHeaderOffset = 0;

  // The name the entry is extracted under ("/" not yet translated).
  const std::string& relativeName() const { return unicodePath.empty() ? name : unicodePath; }
};

}  // namespace package::zip
