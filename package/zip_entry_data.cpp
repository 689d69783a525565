#include "package/zip_entry_data.h"

#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "package/zip_format.h"

namespace package::zip {
namespace {

constexpr size_t kChunk = 256 * 1024;

// The entry's compressed bytes, read from the archive piece by piece.
class CompressedInput {
 public:
  CompressedInput(platform::File& file, uint64_t offset, uint64_t size) : file_(file), at_(offset), left_(size) {}
  size_t read(unsigned char* buffer, size_t n) {
    n = static_cast<size_t>(std::min<uint64_t>(n, left_));
    if (n == 0) return 0;
    size_t got = file_.readAt(at_, buffer, n);
    if (got != n) throw ZipError(kErrorReading);
    at_ += n;
    left_ -= n;
    return n;
  }

 private:
  platform::File& file_;
  uint64_t at_;
  uint64_t left_;
};

}  // namespace

struct EntryDecoder::State {
  std::vector<unsigned char> inBuf = std::vector<unsigned char>(kChunk);
  std::vector<unsigned char> outBuf = std::vector<unsigned char>(kChunk);
  z_stream z{};
  bool zReady = false;
};

EntryDecoder::EntryDecoder() : state_(std::make_unique<State>()) {}

EntryDecoder::~EntryDecoder() {
  if (state_->zReady) inflateEnd(&state_->z);
}

namespace {

void inflateWithZlib(CompressedInput& in, const OutputFn& output, uint64_t declared, z_stream& z,
                     std::vector<unsigned char>& inBuf, std::vector<unsigned char>& outBuf) {
  z.avail_in = 0;
  uint64_t produced = 0;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (z.avail_in == 0) {
      z.avail_in = static_cast<uInt>(in.read(inBuf.data(), inBuf.size()));
      z.next_in = inBuf.data();
      if (z.avail_in == 0) throw ZipError(kErrorReading);  // the stream ends early
    }
    z.next_out = outBuf.data();
    z.avail_out = static_cast<uInt>(outBuf.size());
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) throw ZipError(kErrorReading);
    const size_t n = outBuf.size() - z.avail_out;
    if (n > declared - produced) throw ZipError(kErrorReading);
    produced += n;
    if (n) output(outBuf.data(), n);
  }
  if (produced != declared) throw ZipError(kErrorReading);
}

}  // namespace

bool isSupportedMethod(uint16_t method) {
  return method == kMethodStored || method == kMethodDeflate || method == kMethodDeflate64;
}

bool isReadable(const ZipEntry& entry) {
  return isSupportedMethod(entry.method) && !(entry.flags & (kFlagEncrypted | kFlagStrongEncryption));
}

void EntryDecoder::decode(platform::File& file, uint64_t dataOffset, const ZipEntry& entry, const OutputFn& output) {
  CompressedInput in(file, dataOffset, entry.compressedSize);
  State& st = *state_;
  uLong crc = crc32(0, nullptr, 0);
  const OutputFn checked = [&](const unsigned char* data, size_t n) {
    // zlib's crc32 takes an unsigned int length; pieces are far smaller.
    crc = crc32(crc, data, static_cast<uInt>(n));
    output(data, n);
  };
  switch (entry.method) {
    case kMethodStored: {
      if (entry.compressedSize != entry.uncompressedSize) throw ZipError(kErrorReading);
      while (size_t n = in.read(st.inBuf.data(), st.inBuf.size())) checked(st.inBuf.data(), n);
      break;
    }
    case kMethodDeflate:
      if (!st.zReady) {
        if (inflateInit2(&st.z, -MAX_WBITS) != Z_OK) throw ZipError("zlib could not start inflating");
        st.zReady = true;
      } else if (inflateReset(&st.z) != Z_OK) {
        throw ZipError("zlib could not start inflating");
      }
      inflateWithZlib(in, checked, entry.uncompressedSize, st.z, st.inBuf, st.outBuf);
      break;
    case kMethodDeflate64: {
      const InputFn input = [&](unsigned char* b, size_t n) { return in.read(b, n); };
      if (inflateDeflate64(input, checked, entry.uncompressedSize) != entry.uncompressedSize)
        throw ZipError(kErrorReading);
      break;
    }
    default: throw ZipError("Unsupported compression method " + std::to_string(entry.method));
  }
  if (static_cast<uint32_t>(crc) != entry.crc32) throw ZipError(kErrorReading);
}

}  // namespace package::zip
