#include "package/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "package/zip_entry.h"
#include "package/zip_extra.h"

namespace package::zip {
namespace {

constexpr size_t kChunk = 256 * 1024;

std::string extraZip64(std::initializer_list<uint64_t> values) {
  std::string data(8 * values.size(), '\0');
  auto* p = reinterpret_cast<unsigned char*>(data.data());
  for (uint64_t v : values) {
    putLe64(p, v);
    p += 8;
  }
  return makeExtraBlock(kExtraZip64, data);
}

uint32_t narrow32(uint64_t v, bool zip64) { return zip64 ? kZip64Marker32 : static_cast<uint32_t>(v); }

}  // namespace

uint16_t dosDate(int year, int month, int day) {
  return static_cast<uint16_t>(((std::clamp(year, 1980, 2107) - 1980) << 9) | (month << 5) | day);
}
uint16_t dosTime(int hour, int minute, int second) {
  return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

void ZipWriter::write(const void* data, size_t n) {
  out_.writeAt(base_ + pos_, data, n);
  pos_ += n;
}

void ZipWriter::addBytes(std::string_view name, std::string_view data, const EntryOptions& options) {
  size_t at = 0;
  addEntry(name, data.size(),
           [&](char* buf, size_t n) {
             n = std::min(n, data.size() - at);
             std::memcpy(buf, data.data() + at, n);
             at += n;
             return n;
           },
           options, {});
}

void ZipWriter::addFile(std::string_view name, platform::Env& env, const std::string& path, const EntryOptions& options,
                        const WriteProgressFn& progress) {
  auto in = env.openFile(path, platform::Access::Read, platform::Creation::OpenExisting, platform::Sharing::DenyWrite);
  uint64_t at = 0;
  addEntry(
      name, in->size(),
      [&](char* buf, size_t n) {
        n = in->readAt(at, buf, n);
        at += n;
        return n;
      },
      options, progress);
}

void ZipWriter::addEntry(std::string_view name, uint64_t sizeHint, const ReadFn& read, const EntryOptions& options,
                         const WriteProgressFn& progress) {
  if (name.size() > 0xFFFF) throw std::runtime_error("name too long for a zip entry: " + std::string(name));
  const uint64_t headerAt = pos_;
  // Whether the local header carries Zip64 sizes is decided before the data
  // is known; deflate never grows data by more than a little.
  const bool localZip64 = options.zip64 || sizeHint >= kZip64Marker32 - (sizeHint >> 8) - 1024;
  std::string localExtra = options.extra;
  if (localZip64) localExtra = extraZip64({0, 0}) + localExtra;
  if (localExtra.size() > 0xFFFF) throw std::runtime_error("extra field too long");

  unsigned char h[kLocalHeaderSize] = {};
  putLe32(h, kLocalHeaderSignature);
  putLe16(h + kLocalVersionNeeded, localZip64 ? kVersionZip64 : options.versionNeeded);
  putLe16(h + kLocalFlags, options.flags);
  putLe16(h + kLocalMethod, options.method);
  putLe16(h + kLocalTime, options.dosTime);
  putLe16(h + kLocalDate, options.dosDate);
  putLe16(h + kLocalNameLength, static_cast<uint16_t>(name.size()));
  putLe16(h + kLocalExtraLength, static_cast<uint16_t>(localExtra.size()));
  write(h, sizeof h);
  write(name.data(), name.size());
  write(localExtra.data(), localExtra.size());

  // The data, compressed on the way.
  // A catalogue holds thousands of small files: small buffers for them.
  const size_t chunk = static_cast<size_t>(std::clamp<uint64_t>(sizeHint, 4096, kChunk));
  std::vector<char> in(chunk);
  std::vector<unsigned char> outBuf(chunk);
  uLong crc = crc32(0, nullptr, 0);
  uint64_t size = 0;
  const uint64_t dataAt = pos_;
  if (options.method == kMethodStored) {
    while (size_t n = read(in.data(), in.size())) {
      crc = crc32(crc, reinterpret_cast<const Bytef*>(in.data()), static_cast<uInt>(n));
      write(in.data(), n);
      size += n;
      if (progress) progress(size);
    }
  } else if (options.method == kMethodDeflate) {
    z_stream z{};
    if (deflateInit2(&z, options.level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw std::runtime_error("zlib could not start deflating");
    std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&z, deflateEnd);
    int flush = Z_NO_FLUSH;
    do {
      const size_t n = read(in.data(), in.size());
      crc = crc32(crc, reinterpret_cast<const Bytef*>(in.data()), static_cast<uInt>(n));
      size += n;
      flush = n == 0 ? Z_FINISH : Z_NO_FLUSH;
      z.next_in = reinterpret_cast<Bytef*>(in.data());
      z.avail_in = static_cast<uInt>(n);
      do {
        z.next_out = outBuf.data();
        z.avail_out = static_cast<uInt>(outBuf.size());
        deflate(&z, flush);
        write(outBuf.data(), outBuf.size() - z.avail_out);
      } while (z.avail_out == 0);
      if (progress && n) progress(size);
    } while (flush != Z_FINISH);
  } else {
    throw std::runtime_error("the writer stores or deflates only");
  }
  const uint64_t compressed = pos_ - dataAt;
  if (!localZip64 && (compressed >= kZip64Marker32 || size >= kZip64Marker32))
    throw std::runtime_error("entry grew past 4 GiB: " + std::string(name));

  // Now that they are known, CRC and sizes go into the local header.
  unsigned char fix[12];
  putLe32(fix, static_cast<uint32_t>(crc));
  putLe32(fix + 4, narrow32(compressed, localZip64));
  putLe32(fix + 8, narrow32(size, localZip64));
  out_.writeAt(base_ + headerAt + kLocalCrc, fix, sizeof fix);
  if (localZip64) {
    unsigned char sizes[16];
    putLe64(sizes, size);
    putLe64(sizes + 8, compressed);
    out_.writeAt(base_ + headerAt + kLocalHeaderSize + name.size() + kExtraBlockHeaderSize, sizes, sizeof sizes);
  }

  const bool centralZip64 =
      options.zip64 || size >= kZip64Marker32 || compressed >= kZip64Marker32 || headerAt >= kZip64Marker32;
  anyZip64_ = anyZip64_ || centralZip64;
  std::string centralExtra = options.extra;
  if (centralZip64) centralExtra = extraZip64({size, compressed, headerAt}) + centralExtra;
  unsigned char c[kCentralHeaderSize] = {};
  putLe32(c, kCentralHeaderSignature);
  putLe16(c + kCentralVersionMadeBy, options.versionMadeBy);
  putLe16(c + kCentralVersionNeeded, centralZip64 ? kVersionZip64 : options.versionNeeded);
  putLe16(c + kCentralFlags, options.flags);
  putLe16(c + kCentralMethod, options.method);
  putLe16(c + kCentralTime, options.dosTime);
  putLe16(c + kCentralDate, options.dosDate);
  putLe32(c + kCentralCrc, static_cast<uint32_t>(crc));
  putLe32(c + kCentralCompressedSize, narrow32(compressed, centralZip64));
  putLe32(c + kCentralUncompressedSize, narrow32(size, centralZip64));
  putLe16(c + kCentralNameLength, static_cast<uint16_t>(name.size()));
  putLe16(c + kCentralExtraLength, static_cast<uint16_t>(centralExtra.size()));
  putLe32(c + kCentralExternalAttributes, options.externalAttributes);
  putLe32(c + kCentralLocalHeaderOffset, narrow32(headerAt, centralZip64));
  central_.append(reinterpret_cast<const char*>(c), sizeof c);
  central_.append(name);
  central_.append(centralExtra);
  ++count_;
}

uint64_t ZipWriter::finish() {
  const uint64_t cdOffset = pos_;
  write(central_.data(), central_.size());
  const uint64_t cdSize = central_.size();
  const bool zip64 = anyZip64_ || count_ >= kZip64Marker16 || cdOffset >= kZip64Marker32 || cdSize >= kZip64Marker32;
  if (zip64) {
    const uint64_t recordAt = pos_;
    unsigned char r[kZip64EndRecordSize] = {};
    putLe32(r, kZip64EndOfCentralDirSignature);
    putLe64(r + kZip64EndRestSize, kZip64EndRecordSize - 12);
    putLe16(r + kZip64EndVersionMadeBy, kVersionZip64);
    putLe16(r + kZip64EndVersionNeeded, kVersionZip64);
    putLe64(r + kZip64EndEntriesOnDisk, count_);
    putLe64(r + kZip64EndEntriesTotal, count_);
    putLe64(r + kZip64EndCentralDirSize, cdSize);
    putLe64(r + kZip64EndCentralDirOffset, cdOffset);
    write(r, sizeof r);
    unsigned char l[kZip64LocatorSize] = {};
    putLe32(l, kZip64LocatorSignature);
    putLe64(l + kZip64LocatorEndOffset, recordAt);
    putLe32(l + kZip64LocatorDisks, 1);
    write(l, sizeof l);
  }
  unsigned char e[kEndRecordSize] = {};
  putLe32(e, kEndOfCentralDirSignature);
  const uint16_t count16 = zip64 ? kZip64Marker16 : static_cast<uint16_t>(count_);
  putLe16(e + kEndEntriesOnDisk, count16);
  putLe16(e + kEndEntriesTotal, count16);
  putLe32(e + kEndCentralDirSize, narrow32(cdSize, zip64));
  putLe32(e + kEndCentralDirOffset, narrow32(cdOffset, zip64));
  write(e, sizeof e);
  return pos_;
}

}  // namespace package::zip
