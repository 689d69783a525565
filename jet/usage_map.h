#pragma once
// Usage maps: bitmaps of page numbers, stored as a row on a data page and
// named by a page/row pointer.
//
// Inline map (first byte 0x00):
// OFFSET  SIZE  MEANING
// 0       1     0x00
// 1       4     first page covered (a multiple of 8)
// 5       rest  bitmap, LSB first: bit j of byte i = page start + 8i + j
//
// Reference map (first byte 0x01):
// 0       1     0x01
// 1       4*k   pages of bitmap pages, 0 = none; bitmap page m covers pages
//               m*32736 ... m*32736+32735
//
// Bitmap page (type 0x05):
// 0x00    1     0x05
// 0x01    1     0x01
// 0x02    2     0
// 0x04    4092  bitmap, LSB first
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "jet/page_file.h"

namespace jet::detail {

inline constexpr uint8_t kMapInline = 0x00;
inline constexpr uint8_t kMapReference = 0x01;
inline constexpr size_t kInlineMapStart = 1;
inline constexpr size_t kInlineMapBitmap = 5;
inline constexpr size_t kInlineMapRowSize = 69;  // what Access writes: 64 bitmap bytes
inline constexpr size_t kBitmapPageBits = (kPageSize - 4) * 8;
inline constexpr size_t kBitmapPageData = 4;

// Bytes [lo, hi) of a row or page that changed since they were last written.
struct DirtyRange {
  size_t lo = SIZE_MAX, hi = 0;
  void add(size_t at, size_t n = 1) {
    lo = std::min(lo, at);
    hi = std::max(hi, at + n);
  }
  bool empty() const { return lo >= hi; }
};

// A new, all-clear bitmap page.
Page emptyBitmapPage();

// Pages set in the map at a page/row pointer, ascending; Error when damaged.
std::vector<uint32_t> readUsageMap(const PageFile& file, uint32_t pointer);

// An all-zero inline map row of Access's size, covering from page `start`.
std::vector<uint8_t> emptyInlineMap(uint32_t start = 0);
std::vector<uint8_t> emptyReferenceMap();
// Sets bit `bit` (pages counted from the row's first page) of an inline map row.
void setInlineMapBit(std::vector<uint8_t>& row, size_t bit);

// A usage map being kept up to date by the writer. Changes are made in
// memory and flush() writes only the bytes that changed (a new bitmap page in
// full), so keeping a map costs the same in a small and in a large file.
class UsageMap {
 public:
  using Allocate = std::function<uint32_t()>;  // takes a new page into use, returns its number

  static UsageMap load(const PageFile& file, uint32_t pointer);
  bool contains(uint32_t page) const { return pages_.count(page) != 0; }
  const std::set<uint32_t>& pages() const { return pages_; }
  bool reference() const { return reference_; }
  void add(uint32_t page) {
    if (pages_.insert(page).second) setBit(page, true);
  }
  void remove(uint32_t page) {
    if (pages_.erase(page) != 0) setBit(page, false);
  }
  // Writes what changed: bitmap pages first, then the map row. An inline map
  // whose window cannot hold its pages turns into a reference map here.
  void flush(PageFile& file, const Allocate& allocate);

 private:
  void setBit(uint32_t page, bool on);
  void relayout();

  uint32_t mapPage_ = 0;
  size_t rowStart_ = 0;  // the row's offset in its page
  std::vector<uint8_t> row_;
  bool reference_ = false;
  std::set<uint32_t> pages_;
  std::map<size_t, Page> bitmaps_;  // reference form: bitmap page contents by range
  // Pending writes.
  DirtyRange rowDirty_;
  std::map<size_t, DirtyRange> bitmapDirty_;
  std::set<size_t> newBitmaps_;  // ranges whose bitmap page is still to be allocated
  bool relayout_ = false;        // a page fell outside the inline window
};

}  // namespace jet::detail
