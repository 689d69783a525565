#pragma once
// Archives for tests, built in memory with the project's writer so that a
// test can damage exactly the bytes it is about.
#include <cstring>
#include <string>
#include <vector>

#include "package/zip_format.h"
#include "package/zip_writer.h"
#include "platform/env.h"

namespace test {

// A platform::File over a string.
class MemoryFile : public platform::File {
 public:
  explicit MemoryFile(std::string& bytes) : bytes_(bytes) {}
  uint64_t size() override { return bytes_.size(); }
  size_t readAt(uint64_t offset, void* buffer, size_t n) override {
    if (offset >= bytes_.size()) return 0;
    n = std::min<size_t>(n, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
  }
  void writeAt(uint64_t offset, const void* data, size_t n) override {
    if (bytes_.size() < offset + n) bytes_.resize(offset + n);
    std::memcpy(bytes_.data() + offset, data, n);
  }
  void truncate(uint64_t size) override { bytes_.resize(size); }
  void sync() override {}

 private:
  std::string& bytes_;
};

struct TestEntry {
  std::string name;
  std::string data;
  package::zip::EntryOptions options = {};
};

inline std::string makeZip(const std::vector<TestEntry>& entries) {
  std::string bytes;
  MemoryFile file(bytes);
  package::zip::ZipWriter writer(file);
  for (const auto& e : entries) writer.addBytes(e.name, e.data, e.options);
  writer.finish();
  return bytes;
}

inline package::zip::EntryOptions stored() {
  package::zip::EntryOptions o;
  o.method = package::zip::kMethodStored;
  return o;
}

// Offsets of the records of an archive made by makeZip, for patching.
struct ZipLayout {
  std::vector<size_t> local;    // local header of each entry
  std::vector<size_t> central;  // central header of each entry
  size_t end = 0;               // end record
};

inline ZipLayout layoutOf(const std::string& zip) {
  using namespace package::zip;
  ZipLayout out;
  auto u = [&](size_t at) { return reinterpret_cast<const unsigned char*>(zip.data()) + at; };
  out.end = zip.rfind(std::string("PK\x05\x06", 4));
  size_t at = le32(u(out.end + kEndCentralDirOffset));
  const size_t count = le16(u(out.end + kEndEntriesTotal));
  for (size_t i = 0; i < count; ++i) {
    out.central.push_back(at);
    out.local.push_back(le32(u(at + kCentralLocalHeaderOffset)));
    at += kCentralHeaderSize + le16(u(at + kCentralNameLength)) + le16(u(at + kCentralExtraLength)) +
          le16(u(at + kCentralCommentLength));
  }
  return out;
}

inline void patch16(std::string& zip, size_t at, uint16_t v) {
  package::zip::putLe16(reinterpret_cast<unsigned char*>(zip.data()) + at, v);
}
inline void patch32(std::string& zip, size_t at, uint32_t v) {
  package::zip::putLe32(reinterpret_cast<unsigned char*>(zip.data()) + at, v);
}

}  // namespace test
