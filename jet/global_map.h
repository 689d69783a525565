#pragma once
// The global usage map: page 1, row 0. A SET bit means the page is free, and
// pages the map does not cover count as free, so it always covers the file.
//
// It starts inline (start page 0) and grows 64 bitmap bytes at a time, as
// Access grows it. When page 1 cannot hold a longer row it becomes a 69-byte
// reference map (first byte 0x01, then 17 bitmap page pointers), which covers
// 17 x 32736 pages: more than the 2 GiB a Jet 4 file may hold.
#include <cstdint>
#include <map>
#include <vector>

#include "jet/page_file.h"
#include "jet/usage_map.h"

namespace jet::detail {

// Largest file Jet 4 allows: 2 GiB.
inline constexpr uint32_t kMaxDatabasePages = uint32_t((uint64_t(2) << 30) / kPageSize);

class GlobalMap {
 public:
  void load(const PageFile& file);
  bool loaded() const { return loaded_; }
  // Marks a page in use; it is the last page of the file. May append bitmap
  // pages, which it marks in use as well.
  void markUsed(PageFile& file, uint32_t page);
  // Writes what changed since the last flush.
  void flush(PageFile& file);
  // Tests turn the map into a reference map at a small size this way.
  void limitInlineBytes(size_t bitmapBytes) { inlineLimit_ = bitmapBytes; }
  bool reference() const { return reference_; }

 private:
  void toReference(PageFile& file, uint32_t usedPage);
  void clearBit(PageFile& file, uint32_t page);

  bool loaded_ = false;
  std::vector<uint8_t> row_;  // row 0 as it is to be stored
  size_t rowStart_ = 0;       // its offset in page 1
  bool reference_ = false;
  std::map<size_t, Page> bitmaps_;  // reference form: bitmap page contents by range
  size_t inlineLimit_ = SIZE_MAX;
  bool rewritePage_ = false;  // the row changed length: page 1 is rebuilt
  DirtyRange rowDirty_;
  std::map<size_t, DirtyRange> bitmapDirty_;
};

}  // namespace jet::detail
