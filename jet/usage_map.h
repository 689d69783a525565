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
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "jet/page_file.h"

namespace jet::detail {

inline constexpr uint8_t kMapInline = 0x00;
inline constexpr uint8_t kMapReference = 0x01;
inline constexpr size_t kInlineMapRowSize = 69;  // what Access writes: 64 bitmap bytes
inline constexpr size_t kBitmapPageBits = (kPageSize - 4) * 8;

// Pages set in the map at a page/row pointer, ascending; Error when damaged.
std::vector<uint32_t> readUsageMap(const PageFile& file, uint32_t pointer);

// An all-zero inline map row of Access's size, covering from page `start`.
std::vector<uint8_t> emptyInlineMap(uint32_t start = 0);
std::vector<uint8_t> emptyReferenceMap();

// A usage map being kept up to date by the writer.
class UsageMap {
 public:
  using Allocate = std::function<uint32_t()>;  // takes a new page into use, returns its number

  static UsageMap load(const PageFile& file, uint32_t pointer);
  bool contains(uint32_t page) const { return pages_.count(page) != 0; }
  const std::set<uint32_t>& pages() const { return pages_; }
  void add(uint32_t page) {
    if (pages_.insert(page).second) touch(page);
  }
  void remove(uint32_t page) {
    if (pages_.erase(page) != 0) touch(page);
  }
  // Writes what changed: the map row and any bitmap pages.
  void flush(PageFile& file, const Allocate& allocate);

 private:
  uint32_t mapPage_ = 0;
  uint32_t mapRow_ = 0;
  size_t rowLength_ = 0;
  bool reference_ = false;
  uint32_t start_ = 0;
  std::vector<uint32_t> bitmapPages_;
  void touch(uint32_t page) {
    changed_ = true;
    touched_.insert(page / kBitmapPageBits);
  }
  std::set<uint32_t> pages_;
  std::set<size_t> touched_;  // bitmap pages (reference form) that need rewriting
  bool changed_ = false;
};

}  // namespace jet::detail
