#include "jet/data_page.h"

#include <algorithm>

#include "jet/bytes.h"

namespace jet::detail {

uint16_t slotCount(const Page& p) { return le16(p.data() + kDataSlotCount); }

RowSlot rowSlot(const Page& p, size_t n) {
  size_t count = slotCount(p);
  if (n >= count || kDataSlots + 2 * count > kPageSize) fail("damaged database: a row pointer names a missing row");
  RowSlot s;
  s.word = le16(p.data() + kDataSlots + 2 * n);
  s.start = s.word & kSlotOffsetMask;
  size_t end = kPageSize;
  if (n > 0) end = le16(p.data() + kDataSlots + 2 * (n - 1)) & kSlotOffsetMask;
  // 13 offset bits reach past the page end. Such a predecessor leaves this
  // row's end unknown, and reading up to the page end would take in the
  // predecessor's bytes as well.
  if (end > kPageSize) {
    if (!s.deleted()) fail("damaged database: a row lies outside its page");
    s.start = std::min(s.start, kPageSize);
    s.length = 0;
    return s;
  }
  // A slot that starts past its predecessor's start belongs to a damaged page,
  // except for zero-length deleted slots.
  if (s.start < kDataSlots + 2 * count || s.start > end) {
    if (s.deleted()) {
      s.start = std::min(s.start, end);
      s.length = 0;
      return s;
    }
    fail("damaged database: a row lies outside its page");
  }
  s.length = end - s.start;
  return s;
}

std::vector<uint8_t> rowBytes(const Page& p, size_t n) {
  RowSlot s = rowSlot(p, n);
  return std::vector<uint8_t>(p.begin() + long(s.start), p.begin() + long(s.start + s.length));
}

Page newDataPage(uint32_t owner) {
  Page p(kPageSize, 0);
  p[0] = kPageData;
  p[1] = 0x01;
  putLe16(p.data() + kDataFreeSpace, kEmptyDataFree);
  putLe32(p.data() + kDataOwner, owner);
  return p;
}

size_t freeSpace(const Page& p) { return le16(p.data() + kDataFreeSpace); }

bool rowFits(const Page& p, size_t length) { return slotCount(p) < kMaxRowsPerPage && length + 2 <= freeSpace(p); }

uint32_t addRow(Page& p, const std::vector<uint8_t>& row) {
  uint16_t count = slotCount(p);
  size_t end = count == 0 ? kPageSize : (le16(p.data() + kDataSlots + 2 * (count - 1)) & kSlotOffsetMask);
  if (end < kDataSlots + 2 * (count + 1) + row.size()) fail("internal error: row does not fit its page");
  size_t start = end - row.size();
  std::copy(row.begin(), row.end(), p.begin() + long(start));
  putLe16(p.data() + kDataSlots + 2 * count, uint32_t(start));
  putLe16(p.data() + kDataSlotCount, count + 1u);
  putLe16(p.data() + kDataFreeSpace, uint32_t(freeSpace(p) - row.size() - 2));
  return count;
}

void replaceRow(Page& p, size_t n, const std::vector<uint8_t>& row) {
  RowSlot s = rowSlot(p, n);
  if (s.length != row.size()) fail("internal error: a row changed its length");
  std::copy(row.begin(), row.end(), p.begin() + long(s.start));
}

}  // namespace jet::detail
