#include "jet/global_map.h"

#include "jet/bytes.h"
#include "jet/data_page.h"

namespace jet::detail {
namespace {
constexpr uint32_t kGlobalMapPage = 1;
constexpr size_t kGrowth = 64;  // bitmap bytes added when the file outgrows the window

bool bitSet(const uint8_t* bits, size_t bit) { return bits[bit / 8] & (1u << (bit % 8)); }
void setBit(uint8_t* bits, size_t bit, bool on) {
  if (on)
    bits[bit / 8] |= uint8_t(1u << (bit % 8));
  else
    bits[bit / 8] &= uint8_t(~(1u << (bit % 8)));
}
}  // namespace

void GlobalMap::load(const PageFile& file) {
  Page p = file.read(kGlobalMapPage);
  if (p[0] != kPageData) fail("damaged database: page 1 is not the global usage map");
  row_ = rowBytes(p, 0);
  rowStart_ = rowSlot(p, 0).start;
  if (row_.size() <= kInlineMapBitmap) fail("damaged database: the global usage map is cut short");
  reference_ = row_[0] == kMapReference;
  if (!reference_ && row_[0] != kMapInline) fail("damaged database: unknown kind of global usage map");
  if (!reference_ && le32(row_.data() + kInlineMapStart) != 0)
    fail("databases whose global usage map does not start at page 0 cannot be written by this engine");
  if (reference_)
    for (size_t m = 0; m < (row_.size() - 1) / 4; ++m)
      if (uint32_t bp = le32(row_.data() + 1 + 4 * m)) {
        Page b = file.read(bp);
        if (b[0] != kPageUsageBitmap) fail("damaged database: page " + std::to_string(bp) + " is not a usage bitmap");
        bitmaps_[m] = std::move(b);
      }
  loaded_ = true;
}

void GlobalMap::markUsed(PageFile& file, uint32_t page) {
  if (reference_) {
    clearBit(file, page);
    return;
  }
  size_t bytes = row_.size() - kInlineMapBitmap;
  if (page >= bytes * 8) {
    size_t grown = (page / 8 + 1 + kGrowth - 1) / kGrowth * kGrowth;
    Page p = file.read(kGlobalMapPage);
    size_t others = 0;
    for (size_t i = 1; i < slotCount(p); ++i) others += rowSlot(p, i).length;
    size_t needed = kDataSlots + 2 * size_t(slotCount(p)) + others + kInlineMapBitmap + grown;
    if (grown > inlineLimit_ || needed > kPageSize) {
      toReference(file, page);
      return;
    }
    row_.resize(kInlineMapBitmap + grown, 0xFF);  // pages beyond the file are free
    rewritePage_ = true;
  }
  setBit(row_.data() + kInlineMapBitmap, page, false);
  rowDirty_.add(kInlineMapBitmap + page / 8);
}

void GlobalMap::clearBit(PageFile& file, uint32_t page) {
  size_t m = page / kBitmapPageBits;
  if (m >= (row_.size() - 1) / 4) fail("the database is too large for its global usage map");
  uint32_t bit = uint32_t(page - m * kBitmapPageBits);
  auto it = bitmaps_.find(m);
  if (it != bitmaps_.end()) {
    setBit(it->second.data() + kBitmapPageData, bit, false);
    bitmapDirty_[m].add(kBitmapPageData + bit / 8);
    return;
  }
  // A new range: its pages in the file are in use, the rest free. The bitmap
  // page goes at the end of the file and is itself in use.
  Page b = emptyBitmapPage();
  std::fill(b.begin() + kBitmapPageData, b.end(), 0xFF);
  uint32_t first = uint32_t(m * kBitmapPageBits);
  for (uint32_t p = first; p < file.pageCount() && p - first < kBitmapPageBits; ++p)
    setBit(b.data() + kBitmapPageData, p - first, false);
  uint32_t own = file.pageCount();
  bool ownInRange = own / kBitmapPageBits == m;
  if (ownInRange) setBit(b.data() + kBitmapPageData, own - first, false);
  bitmaps_[m] = b;
  file.append(b);
  putLe32(row_.data() + 1 + 4 * m, own);
  rowDirty_.add(1 + 4 * m, 4);
  if (!ownInRange) clearBit(file, own);
}

void GlobalMap::toReference(PageFile& file, uint32_t usedPage) {
  std::vector<uint8_t> old = row_;
  size_t oldBits = (old.size() - kInlineMapBitmap) * 8;
  reference_ = true;
  row_ = emptyReferenceMap();
  rewritePage_ = true;
  rowDirty_ = {};
  uint32_t count = file.pageCount();
  for (size_t m = 0; m * kBitmapPageBits < count; ++m) {
    Page b = emptyBitmapPage();
    std::fill(b.begin() + kBitmapPageData, b.end(), 0xFF);
    for (uint32_t bit = 0; bit < kBitmapPageBits; ++bit) {
      uint32_t p = uint32_t(m * kBitmapPageBits + bit);
      if (p >= count) break;
      bool free = p < oldBits && p != usedPage && bitSet(old.data() + kInlineMapBitmap, p);
      if (!free) setBit(b.data() + kBitmapPageData, bit, false);
    }
    bitmaps_[m] = std::move(b);
  }
  // The bitmap pages themselves, appended now and written whole at the flush.
  size_t ranges = bitmaps_.size();
  for (size_t m = 0; m < ranges; ++m) {
    uint32_t own = file.append(bitmaps_[m]);
    putLe32(row_.data() + 1 + 4 * m, own);
    clearBit(file, own);
    bitmapDirty_[m].add(0, kPageSize);
  }
}

void GlobalMap::flush(PageFile& file) {
  // Bitmap pages first: page 1 names them only once they hold the truth.
  for (const auto& [m, range] : bitmapDirty_)
    file.writeBytes(le32(row_.data() + 1 + 4 * m), range.lo, bitmaps_[m].data() + range.lo, range.hi - range.lo);
  bitmapDirty_.clear();
  if (rewritePage_) {
    Page p = file.read(kGlobalMapPage);
    Page rebuilt = newDataPage(le32(p.data() + kDataOwner));
    std::vector<std::vector<uint8_t>> rows = {row_};
    for (size_t i = 1; i < slotCount(p); ++i) rows.push_back(rowBytes(p, i));
    for (const auto& r : rows) {
      if (!rowFits(rebuilt, r.size())) fail("the database is too large for its global usage map");
      addRow(rebuilt, r);
    }
    file.write(kGlobalMapPage, rebuilt);
    rowStart_ = rowSlot(rebuilt, 0).start;
    rewritePage_ = false;
  } else if (!rowDirty_.empty()) {
    file.writeBytes(kGlobalMapPage, rowStart_ + rowDirty_.lo, row_.data() + rowDirty_.lo, rowDirty_.hi - rowDirty_.lo);
  }
  rowDirty_ = {};
}

}  // namespace jet::detail
