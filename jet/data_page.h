#pragma once
// Data pages: table rows, usage-map rows and long-value (LVAL) rows.
//
// OFFSET  SIZE  MEANING
// 0x00    1     0x01
// 0x01    1     0x01
// 0x02    2     free space = 4096 - 14 - 2 * slots - sum of slot lengths
// 0x04    4     owning table's TDEF page; "LVAL" on long-value pages; 0 on usage-map pages
// 0x08    4     0
// 0x0C    2     number of row slots (deleted ones included)
// 0x0E    2*n   slot words: bits 0-12 start offset of the row in the page,
//               0x4000 overflow (row holds a 4-byte pointer to the real row),
//               0x8000 deleted. Rows are packed from the page end: slot i ends
//               where slot i-1 starts (slot 0 ends at 4096).
#include <cstdint>
#include <optional>
#include <vector>

#include "jet/page_file.h"

namespace jet::detail {

inline constexpr size_t kDataFreeSpace = 0x02;
inline constexpr size_t kDataOwner = 0x04;
inline constexpr size_t kDataSlotCount = 0x0C;
inline constexpr size_t kDataSlots = 0x0E;
inline constexpr uint16_t kSlotOffsetMask = 0x1FFF;
inline constexpr uint16_t kSlotOverflow = 0x4000;
inline constexpr uint16_t kSlotDeleted = 0x8000;
inline constexpr size_t kMaxRowsPerPage = 255;
inline constexpr size_t kEmptyDataFree = kPageSize - kDataSlots;  // 4082
inline constexpr uint32_t kLvalMarker = 0x4C41564C;               // "LVAL" read little-endian
// Largest row the engine writes (what Jackcess allows as well).
inline constexpr size_t kMaxRowSize = 4060;

struct RowSlot {
  uint16_t word = 0;
  size_t start = 0;
  size_t length = 0;
  bool deleted() const { return word & kSlotDeleted; }
  bool overflow() const { return (word & kSlotOverflow) && !(word & kSlotDeleted); }
};

uint16_t slotCount(const Page& p);
// Slot n of a data page with its checked extent; Error when the page is damaged.
RowSlot rowSlot(const Page& p, size_t n);
// Bytes of row n regardless of its flags.
std::vector<uint8_t> rowBytes(const Page& p, size_t n);

Page newDataPage(uint32_t owner);
// Free space as stored on the page.
size_t freeSpace(const Page& p);
bool rowFits(const Page& p, size_t length);
// Appends a row; returns its row number. The caller checked rowFits.
uint32_t addRow(Page& p, const std::vector<uint8_t>& row);
// Replaces a row's bytes with bytes of the same length.
void replaceRow(Page& p, size_t n, const std::vector<uint8_t>& row);

}  // namespace jet::detail
