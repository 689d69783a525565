#include "jet/header_page.h"

#include <cstring>
#include <string>

#include "jet/bytes.h"

namespace jet::detail {
namespace {

constexpr uint8_t kMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr char kEngineName[] = "Standard Jet DB";
constexpr size_t kEngineNameOffset = 0x04;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kUnknown6AOffset = 0x6A;
constexpr size_t kPlain98Offset = 0x98;
constexpr size_t kVersionTextOffset = 0x9C;
constexpr size_t kSlotAreaOffset = 0xE00;
constexpr size_t kSlotCount = 256;
constexpr uint8_t kConstant18[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                     0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
// The security identifiers the catalogue holds belong to this creation date
// and these fields, so a new file takes them unchanged from one real file.
constexpr uint8_t kPasswordMask[4] = {0xFF, 0x94, 0x00, 0x00};
constexpr uint8_t kUnknown6A[4] = {0xAA, 0x21, 0x00, 0x00};
constexpr uint8_t kCreationDate[8] = {0xBC, 0x72, 0x1F, 0x7D, 0xF1, 0x9F, 0xE2, 0x40};
constexpr uint16_t kCodePage1252 = 1252;
constexpr uint16_t kSortGeneral = 0x0409;
constexpr uint8_t kPlain98[4] = {0x54, 0x06, 0x00, 0x00};
constexpr char kVersionText[4] = {'4', '.', '0', 0};

}  // namespace

std::vector<uint8_t> rc4Keystream(const std::vector<uint8_t>& key, size_t n) {
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[size_t(i) % key.size()]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::vector<uint8_t> out(n);
  for (size_t k = 0, i = 0, j = 0; k < n; ++k) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out[k] = s[(s[i] + s[j]) & 0xFF];
  }
  return out;
}

void toggleHeaderMask(uint8_t* page) {
  static const std::vector<uint8_t> stream = rc4Keystream(std::vector<uint8_t>(kMaskKey, kMaskKey + 4), kMaskedSize);
  for (size_t i = 0; i < kMaskedSize; ++i) page[kMaskedOffset + i] ^= stream[i];
}

HeaderInfo readHeader(const uint8_t* raw) {
  if (raw[0] != 0x00 || std::memcmp(raw + kEngineNameOffset, kEngineName, sizeof kEngineName) != 0) {
    if (std::memcmp(raw + kEngineNameOffset, "Standard ACE DB", 15) == 0)
      fail("Access 2007 or later (ACE, .accdb) databases are not supported; only Jet 4.0 (.mdb)");
    fail("not a Jet database: the header page is missing");
  }
  std::array<uint8_t, kPageSize> page;
  std::memcpy(page.data(), raw, kPageSize);
  toggleHeaderMask(page.data());
  HeaderInfo h;
  h.version = page[kVersionOffset];
  if (h.version == kVersionJet3) fail("Jet 3 (Access 97) databases are not supported; only Jet 4.0");
  if (h.version != kVersionJet4)
    fail("Access 2007 or later (ACE) databases are not supported; only Jet 4.0 (version byte " +
         std::to_string(h.version) + ")");
  h.codePage = le16(page.data() + kCodePageOffset);
  h.databaseKey = le32(page.data() + kDatabaseKeyOffset);
  h.sortOrder = le16(page.data() + kSortOrderOffset);
  std::memcpy(&h.creationDate, page.data() + kCreationDateOffset, 8);
  if (h.databaseKey != 0) fail("encrypted (encoded) Jet databases are not supported");
  return h;
}

std::array<uint8_t, kPageSize> buildHeaderPage() {
  std::array<uint8_t, kPageSize> p{};
  p[1] = 0x01;
  std::memcpy(p.data() + kEngineNameOffset, kEngineName, sizeof kEngineName);
  p[kVersionOffset] = kVersionJet4;
  std::memcpy(p.data() + kMaskedOffset, kConstant18, sizeof kConstant18);
  putLe16(p.data() + kCodePageOffset, kCodePage1252);
  for (int i = 0; i < 10; ++i) std::memcpy(p.data() + kPasswordOffset + 4 * i, kPasswordMask, 4);
  std::memcpy(p.data() + kUnknown6AOffset, kUnknown6A, 4);
  putLe16(p.data() + kSortOrderOffset, kSortGeneral);
  std::memcpy(p.data() + kCreationDateOffset, kCreationDate, 8);
  toggleHeaderMask(p.data());
  std::memcpy(p.data() + kPlain98Offset, kPlain98, 4);
  std::memcpy(p.data() + kVersionTextOffset, kVersionText, 4);
  for (size_t i = 0; i < kSlotCount; ++i) {
    p[kSlotAreaOffset + 2 * i] = i == 0 ? 0x01 : 0x00;
    p[kSlotAreaOffset + 2 * i + 1] = 0x01;
  }
  return p;
}

}  // namespace jet::detail
