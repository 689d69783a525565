#include "package/zip_central_directory.h"

#include <algorithm>

#include "base/utf.h"
#include "package/zip_extra.h"
#include "package/zip_format.h"
#include "package/zip_names.h"

namespace package::zip {
namespace {

// A central directory larger than this is taken for a damaged archive rather
// than read into memory (a catalogue of 2,000 files needs about 200 KiB).
constexpr uint64_t kMaxCentralDirSize = 512ull << 20;

[[noreturn]] void damaged() { throw ZipError(kErrorReading); }

void readExact(platform::File& file, uint64_t offset, void* buffer, size_t n) {
  if (file.readAt(offset, buffer, n) != n) damaged();
}

// Replaces the header values marked as all ones by those of the Zip64 extra
// block, in the order the format gives them.
void applyZip64Extra(std::string_view extra, ZipEntry& e, bool uncompressedMarked, bool compressedMarked,
                     bool offsetMarked) {
  const auto block = findExtraBlock(extra, kExtraZip64);
  if (!block) {
    if (uncompressedMarked || compressedMarked || offsetMarked) damaged();
    return;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(block->data());
  size_t at = 0;
  auto take = [&](uint64_t& value) {
    if (at + 8 > block->size()) damaged();
    value = le64(p + at);
    at += 8;
  };
  if (uncompressedMarked) take(e.uncompressedSize);
  if (compressedMarked) take(e.compressedSize);
  if (offsetMarked) take(e.localHeaderOffset);
}

// Info-ZIP and other tools on Linux and macOS store the system's UTF-8 names
// without the flag; an OEM reading would change every Polish letter.
bool namedInUtf8OnUnix(const ZipEntry& e) {
  const int host = e.versionMadeBy >> 8;
  if (host != kHostUnix && host != kHostMacOsX) return false;
  bool ascii = true;
  for (char c : e.rawName) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  return !ascii && base::isValidUtf8(e.rawName);
}

}  // namespace

std::optional<uint64_t> findEndRecord(platform::File& file) {
  const uint64_t size = file.size();
  const size_t span = static_cast<size_t>(std::min<uint64_t>(size, kEndRecordSearchSpan));
  if (span < 4) return std::nullopt;
  std::vector<unsigned char> tail(span);
  readExact(file, size - span, tail.data(), span);
  for (size_t i = span - 4 + 1; i-- > 0;)
    if (le32(tail.data() + i) == kEndOfCentralDirSignature) return size - span + i;
  return std::nullopt;
}

bool isZipArchive(platform::Env& env, const std::string& path) {
  auto file =
      env.openFile(path, platform::Access::Read, platform::Creation::OpenExisting, platform::Sharing::DenyWrite);
  return findEndRecord(*file).has_value();
}

CentralDirectory readCentralDirectory(platform::File& file, platform::Env& env) {
  const int oemCodePage = env.oemCodePage();
  // The system knows every code page it is set to; the built-in tables stand
  // in where it has no conversion.
  auto decodeOem = [&](std::string_view raw) {
    if (auto name = env.decodeCodePage(raw, oemCodePage)) return *name;
    return decodeOemName(raw, oemCodePage);
  };
  const auto endOffset = findEndRecord(file);
  if (!endOffset) damaged();
  unsigned char end[kEndRecordSize];
  readExact(file, *endOffset, end, sizeof end);

  uint64_t entryCount = le16(end + kEndEntriesTotal);
  uint64_t cdSize = le32(end + kEndCentralDirSize);
  uint64_t cdOffset = le32(end + kEndCentralDirOffset);
  uint64_t limit = *endOffset;  // the central directory must end before this
  const bool marked = entryCount == kZip64Marker16 || le16(end + kEndEntriesOnDisk) == kZip64Marker16 ||
                      cdSize == kZip64Marker32 || cdOffset == kZip64Marker32;

  bool zip64 = false;
  if (*endOffset >= kZip64LocatorSize) {
    unsigned char locator[kZip64LocatorSize];
    readExact(file, *endOffset - kZip64LocatorSize, locator, sizeof locator);
    if (le32(locator) == kZip64LocatorSignature) {
      const uint64_t at = le64(locator + kZip64LocatorEndOffset);
      if (at > *endOffset - kZip64LocatorSize || *endOffset - kZip64LocatorSize - at < kZip64EndRecordSize) damaged();
      unsigned char rec[kZip64EndRecordSize];
      readExact(file, at, rec, sizeof rec);
      if (le32(rec) != kZip64EndOfCentralDirSignature) damaged();
      if (le32(rec + kZip64EndDiskNumber) != 0 || le32(rec + kZip64EndCentralDirDisk) != 0)
        throw ZipError("Multi-volume zip files are not supported");
      entryCount = le64(rec + kZip64EndEntriesTotal);
      cdSize = le64(rec + kZip64EndCentralDirSize);
      cdOffset = le64(rec + kZip64EndCentralDirOffset);
      limit = at;
      zip64 = true;
    }
  }
  // Writers that know no Zip64 (Python's zipfile among them) put 0xFFFF
  // into the counts of an archive of 65,535 entries: the directory is then
  // read over its stated size, and must hold at least that many.
  const bool countUnknown = !zip64 && marked && cdSize != kZip64Marker32 && cdOffset != kZip64Marker32;
  if (marked && !zip64 && !countUnknown) damaged();
  if (!zip64 && (le16(end + kEndDiskNumber) != 0 || le16(end + kEndCentralDirDisk) != 0))
    throw ZipError("Multi-volume zip files are not supported");
  if (cdOffset > limit || cdSize > limit - cdOffset || cdSize > kMaxCentralDirSize) damaged();
  if (!countUnknown && entryCount > cdSize / kCentralHeaderSize) damaged();

  CentralDirectory dir;
  dir.offset = cdOffset;
  dir.size = cdSize;
  std::vector<unsigned char> buf(static_cast<size_t>(cdSize));
  if (!buf.empty()) readExact(file, cdOffset, buf.data(), buf.size());
  dir.entries.reserve(static_cast<size_t>(countUnknown ? kZip64Marker16 : entryCount));

  size_t pos = 0;
  for (uint64_t i = 0; countUnknown ? pos < buf.size() : i < entryCount; ++i) {
    if (buf.size() - pos < kCentralHeaderSize) damaged();
    const unsigned char* h = buf.data() + pos;
    if (le32(h) != kCentralHeaderSignature) throw ZipError(kErrorCentralSignature);
    ZipEntry e;
    e.versionMadeBy = le16(h + kCentralVersionMadeBy);
    e.versionNeeded = le16(h + kCentralVersionNeeded);
    e.flags = le16(h + kCentralFlags);
    e.method = le16(h + kCentralMethod);
    e.dosTime = le16(h + kCentralTime);
    e.dosDate = le16(h + kCentralDate);
    e.crc32 = le32(h + kCentralCrc);
    e.compressedSize = le32(h + kCentralCompressedSize);
    e.uncompressedSize = le32(h + kCentralUncompressedSize);
    e.externalAttributes = le32(h + kCentralExternalAttributes);
    e.localHeaderOffset = le32(h + kCentralLocalHeaderOffset);
    const size_t nameLength = le16(h + kCentralNameLength);
    const size_t extraLength = le16(h + kCentralExtraLength);
    const size_t commentLength = le16(h + kCentralCommentLength);
    const size_t recordSize = kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (buf.size() - pos < recordSize) damaged();

    e.rawName.assign(reinterpret_cast<const char*>(h + kCentralHeaderSize), nameLength);
    const std::string_view extra(reinterpret_cast<const char*>(h + kCentralHeaderSize + nameLength), extraLength);
    applyZip64Extra(extra, e, e.uncompressedSize == kZip64Marker32, e.compressedSize == kZip64Marker32,
                    e.localHeaderOffset == kZip64Marker32);
    e.name = (e.flags & kFlagUtf8) || namedInUtf8OnUnix(e) ? decodeUtf8Name(e.rawName) : decodeOem(e.rawName);
    if (auto unicode = unicodePathName(extra, e.rawName)) e.unicodePath = std::move(*unicode);
    dir.entries.push_back(std::move(e));
    pos += recordSize;
  }
  if (countUnknown && dir.entries.size() < kZip64Marker16) damaged();
  return dir;
}

}  // namespace package::zip
