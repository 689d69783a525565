#pragma once
// Jet's byte strings: the errors of a damaged file, bounds-checked reads,
// the 24-bit and big-endian fields (index entries, page numbers), an
// appending writer and page/row pointers. Little-endian fields are base's.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "jet/jet.h"

namespace jet::detail {

using base::le16;
using base::le32;
using base::le64;
using base::putLe16;
using base::putLe32;
using base::putLe64;

[[noreturn]] inline void fail(const std::string& message) { throw Error(message); }

inline void require(bool ok, const char* message) {
  if (!ok) fail(message);
}

inline void checkRange(size_t size, size_t offset, size_t n, const char* what) {
  if (offset > size || n > size - offset) fail(std::string("damaged database: ") + what + " lies outside its page");
}

inline uint32_t le24(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16); }
inline uint32_t be24(const uint8_t* p) { return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[2]); }
inline uint32_t be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
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
