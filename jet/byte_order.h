#pragma once
// Little- and big-endian access to byte buffers, bounds-checked so that a
// damaged file becomes a jet::Error instead of a read past a buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "jet/jet.h"

namespace jet::detail {

[[noreturn]] inline void fail(const std::string& message) { throw Error(message); }

inline void require(bool ok, const char* message) {
  if (!ok) fail(message);
}

inline void checkRange(size_t size, size_t offset, size_t n, const char* what) {
  if (offset > size || n > size - offset) fail(std::string("damaged database: ") + what + " lies outside its page");
}

inline uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t le24(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16); }
inline uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t le64(const uint8_t* p) { return uint64_t(le32(p)) | (uint64_t(le32(p + 4)) << 32); }
inline uint32_t be24(const uint8_t* p) { return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[2]); }
inline uint32_t be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline void put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void put64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void putBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * (3 - i)));
}

// Bounds-checked reads from a byte string.
inline uint16_t le16At(const std::vector<uint8_t>& b, size_t off) {
  checkRange(b.size(), off, 2, "a field");
  return le16(b.data() + off);
}
inline uint32_t le32At(const std::vector<uint8_t>& b, size_t off) {
  checkRange(b.size(), off, 4, "a field");
  return le32(b.data() + off);
}

// Appending writer for building byte strings.
struct ByteWriter {
  std::vector<uint8_t> out;
  void u8(uint32_t v) { out.push_back(uint8_t(v)); }
  void u16(uint32_t v) {
    u8(v);
    u8(v >> 8);
  }
  void u32(uint32_t v) {
    u16(v);
    u16(v >> 16);
  }
  void bytes(const std::vector<uint8_t>& b) { out.insert(out.end(), b.begin(), b.end()); }
  void zeros(size_t n) { out.insert(out.end(), n, 0); }
};

// "page/row pointer" in its little-endian form.
inline uint32_t pointerPage(uint32_t ptr) { return ptr >> 8; }
inline uint32_t pointerRow(uint32_t ptr) { return ptr & 0xFF; }
inline uint32_t makePointer(uint32_t page, uint32_t row) { return (page << 8) | (row & 0xFF); }

}  // namespace jet::detail
