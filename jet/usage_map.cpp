#include "jet/usage_map.h"

#include "jet/bytes.h"
#include "jet/data_page.h"

namespace jet::detail {
namespace {

std::vector<uint8_t> mapRow(const PageFile& file, uint32_t pointer, uint32_t* pageOut = nullptr,
                            uint32_t* rowOut = nullptr) {
  uint32_t page = pointerPage(pointer), row = pointerRow(pointer);
  Page p = file.read(page);
  if (p[0] != kPageData)
    fail("damaged database: a usage map points at page " + std::to_string(page) + ", not a data page");
  auto bytes = rowBytes(p, row);
  if (bytes.empty()) fail("damaged database: an empty usage map");
  if (pageOut) *pageOut = page;
  if (rowOut) *rowOut = row;
  return bytes;
}

void collectBits(const uint8_t* bits, size_t n, uint32_t base, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < n; ++i)
    if (bits[i])
      for (int j = 0; j < 8; ++j)
        if (bits[i] & (1 << j)) out.push_back(base + uint32_t(8 * i + size_t(j)));
}

}  // namespace

std::vector<uint32_t> readUsageMap(const PageFile& file, uint32_t pointer) {
  auto row = mapRow(file, pointer);
  std::vector<uint32_t> out;
  if (row[0] == kMapInline) {
    if (row.size() < kInlineMapBitmap) fail("damaged database: a usage map is cut short");
    collectBits(row.data() + kInlineMapBitmap, row.size() - kInlineMapBitmap, le32(row.data() + kInlineMapStart), out);
  } else if (row[0] == kMapReference) {
    size_t k = (row.size() - 1) / 4;
    for (size_t m = 0; m < k; ++m) {
      uint32_t bp = le32(row.data() + 1 + 4 * m);
      if (bp == 0) continue;
      Page p = file.read(bp);
      if (p[0] != kPageUsageBitmap) fail("damaged database: page " + std::to_string(bp) + " is not a usage bitmap");
      collectBits(p.data() + kBitmapPageData, kPageSize - kBitmapPageData, uint32_t(m * kBitmapPageBits), out);
    }
  } else {
    fail("damaged database: unknown usage map kind " + std::to_string(row[0]));
  }
  return out;
}

std::vector<uint8_t> emptyInlineMap(uint32_t start) {
  std::vector<uint8_t> row(kInlineMapRowSize, 0);
  row[0] = kMapInline;
  putLe32(row.data() + kInlineMapStart, start);
  return row;
}

void setInlineMapBit(std::vector<uint8_t>& row, size_t bit) {
  row[kInlineMapBitmap + bit / 8] |= uint8_t(1u << (bit % 8));
}

std::vector<uint8_t> emptyReferenceMap() {
  std::vector<uint8_t> row(kInlineMapRowSize, 0);
  row[0] = kMapReference;
  return row;
}

Page emptyBitmapPage() {
  Page p(kPageSize, 0);
  p[0] = kPageUsageBitmap;
  p[1] = 0x01;
  return p;
}

UsageMap UsageMap::load(const PageFile& file, uint32_t pointer) {
  UsageMap m;
  uint32_t row = 0;
  m.row_ = mapRow(file, pointer, &m.mapPage_, &row);
  m.rowStart_ = rowSlot(file.read(m.mapPage_), row).start;
  if (m.row_.size() < kInlineMapBitmap) fail("damaged database: a usage map is cut short");
  m.reference_ = m.row_[0] == kMapReference;
  if (m.reference_)
    for (size_t i = 0; i < (m.row_.size() - 1) / 4; ++i)
      if (uint32_t bp = le32(m.row_.data() + 1 + 4 * i)) m.bitmaps_[i] = file.read(bp);
  auto pages = readUsageMap(file, pointer);
  m.pages_.insert(pages.begin(), pages.end());
  return m;
}

void UsageMap::setBit(uint32_t page, bool on) {
  auto apply = [on](uint8_t& byte, uint32_t bit) {
    if (on)
      byte |= uint8_t(1u << (bit % 8));
    else
      byte &= uint8_t(~(1u << (bit % 8)));
  };
  if (!reference_) {
    uint32_t start = le32(row_.data() + kInlineMapStart);
    uint64_t bits = uint64_t(row_.size() - kInlineMapBitmap) * 8;
    if (page >= start && page - start < bits) {
      uint32_t bit = page - start;
      apply(row_[kInlineMapBitmap + bit / 8], bit);
      rowDirty_.add(kInlineMapBitmap + bit / 8);
    } else if (on) {
      relayout_ = true;
    }
    return;
  }
  size_t m = page / kBitmapPageBits;
  if (m >= (row_.size() - 1) / 4) fail("the database is too large for a table's usage map");
  auto it = bitmaps_.find(m);
  if (it == bitmaps_.end()) {
    if (!on) return;
    it = bitmaps_.emplace(m, emptyBitmapPage()).first;
    newBitmaps_.insert(m);
  }
  uint32_t bit = uint32_t(page - m * kBitmapPageBits);
  apply(it->second[kBitmapPageData + bit / 8], bit);
  if (!newBitmaps_.count(m)) bitmapDirty_[m].add(kBitmapPageData + bit / 8);
}

// Moves the inline window over the pages, or, when no window can hold them,
// turns the row into a reference map in place (a 69-byte row holds 17 bitmap
// page pointers, enough for the whole 2 GiB a file can hold).
void UsageMap::relayout() {
  relayout_ = false;
  uint64_t bits = uint64_t(row_.size() - kInlineMapBitmap) * 8;
  uint32_t lo = *pages_.begin(), hi = *pages_.rbegin();
  std::fill(row_.begin() + 1, row_.end(), 0);
  rowDirty_.add(0, row_.size());
  if (hi - (lo & ~7u) < bits) {
    putLe32(row_.data() + kInlineMapStart, lo & ~7u);
  } else {
    reference_ = true;
    row_[0] = kMapReference;
  }
  for (uint32_t p : pages_) setBit(p, true);
}

void UsageMap::flush(PageFile& file, const Allocate& allocate) {
  if (relayout_ && !pages_.empty()) relayout();
  for (size_t m : newBitmaps_) {
    uint32_t page = allocate();
    file.write(page, bitmaps_[m]);
    putLe32(row_.data() + 1 + 4 * m, page);
    rowDirty_.add(1 + 4 * m, 4);
    bitmapDirty_.erase(m);
  }
  newBitmaps_.clear();
  for (const auto& [m, range] : bitmapDirty_) {
    uint32_t page = le32(row_.data() + 1 + 4 * m);
    file.writeBytes(page, range.lo, bitmaps_[m].data() + range.lo, range.hi - range.lo);
  }
  bitmapDirty_.clear();
  if (!rowDirty_.empty())
    file.writeBytes(mapPage_, rowStart_ + rowDirty_.lo, row_.data() + rowDirty_.lo, rowDirty_.hi - rowDirty_.lo);
  rowDirty_ = {};
}

}  // namespace jet::detail
