#include "package/pe_certificate.h"

#include "base/byte_order.h"

namespace package {
namespace {

constexpr uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr uint64_t kDosNewHeaderOffset = 0x3C;
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint64_t kCoffHeaderSize = 20;
constexpr uint64_t kCoffOptionalHeaderSize = 16;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint64_t kPe32DirectoryCount = 92;
constexpr uint64_t kPe32PlusDirectoryCount = 108;
constexpr uint64_t kPe32Directories = 96;
constexpr uint64_t kPe32PlusDirectories = 112;
constexpr uint32_t kCertificateDirectory = 4;
constexpr uint64_t kDirectoryEntrySize = 8;

bool readAt(platform::File& f, uint64_t at, void* buf, size_t n) { return f.readAt(at, buf, n) == n; }

}  // namespace

std::optional<CertificateTable> findCertificateTable(platform::File& file) {
  using base::le16;
  using base::le32;
  const uint64_t size = file.size();
  unsigned char dos[kDosNewHeaderOffset + 4];
  if (!readAt(file, 0, dos, sizeof dos) || le16(dos) != kDosSignature) return std::nullopt;
  const uint64_t pe = le32(dos + kDosNewHeaderOffset);
  unsigned char head[4 + kCoffHeaderSize + 2];
  if (pe > size || !readAt(file, pe, head, sizeof head) || le32(head) != kPeSignature) return std::nullopt;
  const uint64_t optionalSize = le16(head + 4 + kCoffOptionalHeaderSize);
  const uint64_t optional = pe + 4 + kCoffHeaderSize;
  const uint16_t magic = le16(head + 4 + kCoffHeaderSize);
  uint64_t countAt, dirsAt;
  if (magic == kPe32Magic) {
    countAt = kPe32DirectoryCount;
    dirsAt = kPe32Directories;
  } else if (magic == kPe32PlusMagic) {
    countAt = kPe32PlusDirectoryCount;
    dirsAt = kPe32PlusDirectories;
  } else {
    return std::nullopt;
  }
  const uint64_t entryAt = dirsAt + kCertificateDirectory * kDirectoryEntrySize;
  if (entryAt + kDirectoryEntrySize > optionalSize) return std::nullopt;
  unsigned char count[4], entry[kDirectoryEntrySize];
  if (!readAt(file, optional + countAt, count, 4) || le32(count) <= kCertificateDirectory) return std::nullopt;
  if (!readAt(file, optional + entryAt, entry, sizeof entry)) return std::nullopt;
  CertificateTable table{le32(entry), le32(entry + 4)};
  if (table.size == 0 || table.offset == 0 || table.offset > size) return std::nullopt;
  return table;
}

}  // namespace package
