#pragma once
// Little-endian reads and writes of the fixed-size fields of file formats
// (ZIP records, PE headers, Jet pages). The caller checks the bounds.
#include <cstdint>

namespace base {

inline uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t le64(const unsigned char* p) { return le32(p) | (static_cast<uint64_t>(le32(p + 4)) << 32); }

inline void putLe16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void putLe32(unsigned char* p, uint32_t v) {
  putLe16(p, static_cast<uint16_t>(v));
  putLe16(p + 2, static_cast<uint16_t>(v >> 16));
}
inline void putLe64(unsigned char* p, uint64_t v) {
  putLe32(p, static_cast<uint32_t>(v));
  putLe32(p + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace base
