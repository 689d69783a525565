#pragma once
// Page 0 of a Jet file: the database header.
//
// OFFSET  SIZE  MEANING
// 0x00    4     page type 0x00, then 01 00 00
// 0x04    16    engine name "Standard Jet DB", NUL-terminated
// 0x14    1     format version: 0x00 Jet 3, 0x01 Jet 4, 0x02+ Access 2007 and later (ACE)
// 0x18    128   RC4-masked block (key C7 DA 39 6B); decoded offsets below
//   0x18  24    constant 00 01 00 00 01 01 00 00 02 00 00 00 03 00 00 00 04 00 00 00 05 00 00 00
//   0x3C  2     default code page (1252)
//   0x3E  4     database key; non-zero means every page is RC4-encrypted
//   0x42  40    password (UTF-16LE) XORed with a mask taken from the creation date
//   0x6A  4     unknown, varies between files
//   0x6E  4     default sort order: LCID + version (09 04 00 00 = General)
//   0x72  8     creation date (double)
// 0x98    4     plain, 54 06 00 00 in every file seen
// 0x9C    4     "4.0\0"
// 0xE00   512   256 two-byte slots: 01 01, then 00 01 repeated
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace jet::detail {

inline constexpr size_t kPageSize = 4096;
inline constexpr size_t kMaskedOffset = 0x18;
inline constexpr size_t kMaskedSize = 128;
inline constexpr size_t kVersionOffset = 0x14;
inline constexpr uint8_t kVersionJet3 = 0x00;
inline constexpr uint8_t kVersionJet4 = 0x01;
inline constexpr size_t kCodePageOffset = 0x3C;
inline constexpr size_t kDatabaseKeyOffset = 0x3E;
inline constexpr size_t kSortOrderOffset = 0x6E;
inline constexpr size_t kCreationDateOffset = 0x72;

// RC4 keystream of n bytes for a key.
std::vector<uint8_t> rc4Keystream(const std::vector<uint8_t>& key, size_t n);

// XORs the masked block of a header page in place (decode and encode alike).
void toggleHeaderMask(uint8_t* page);

struct HeaderInfo {
  uint8_t version = 0;
  uint16_t codePage = 0;
  uint32_t databaseKey = 0;
  uint16_t sortOrder = 0;
  double creationDate = 0;
};

// Decodes page 0; throws Error for a page that is not a Jet 4 header (Jet 3,
// ACE and encrypted files are refused with a message that says so).
HeaderInfo readHeader(const uint8_t* page);

// The header page of a new database (fields as Access writes them).
std::array<uint8_t, kPageSize> buildHeaderPage();

}  // namespace jet::detail
