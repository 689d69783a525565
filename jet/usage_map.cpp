#include "jet/usage_map.h"

#include "jet/byte_order.h"
#include "jet/data_page.h"

namespace jet::detail {
namespace {
constexpr size_t kInlineStart = 1;
constexpr size_t kInlineBitmap = 5;
constexpr size_t kBitmapPageData = 4;

std::vector<uint8_t> mapRow(const PageFile& file, uint32_t pointer, uint32_t* pageOut = nullptr,
                            uint32_t* rowOut = nullptr) {
  uint32_t page = pointerPage(pointer), row = pointerRow(pointer);
  Page p = file.read(page);
  if (p[0] != kPageData) fail("damaged database: a usage map points at page " + std::to_string(page) + ", not a data page");
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
    if (row.size() < kInlineBitmap) fail("damaged database: a usage map is cut short");
    collectBits(row.data() + kInlineBitmap, row.size() - kInlineBitmap, le32(row.data() + kInlineStart), out);
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
  put32(row.data() + kInlineStart, start);
  return row;
}

std::vector<uint8_t> emptyReferenceMap() {
  std::vector<uint8_t> row(kInlineMapRowSize, 0);
  row[0] = kMapReference;
  return row;
}

UsageMap UsageMap::load(const PageFile& file, uint32_t pointer) {
  UsageMap m;
  auto row = mapRow(file, pointer, &m.mapPage_, &m.mapRow_);
  m.rowLength_ = row.size();
  if (m.rowLength_ < kInlineBitmap) fail("damaged database: a usage map is cut short");
  m.reference_ = row[0] == kMapReference;
  if (m.reference_) {
    for (size_t i = 0; i < (row.size() - 1) / 4; ++i) m.bitmapPages_.push_back(le32(row.data() + 1 + 4 * i));
  } else {
    m.start_ = le32(row.data() + kInlineStart);
  }
  auto pages = readUsageMap(file, pointer);
  m.pages_.insert(pages.begin(), pages.end());
  return m;
}

void UsageMap::flush(PageFile& file, const Allocate& allocate) {
  if (!changed_) return;
  size_t bitmapBytes = rowLength_ - kInlineBitmap;
  uint64_t bits = uint64_t(bitmapBytes) * 8;
  if (!reference_ && !pages_.empty()) {
    uint32_t lo = *pages_.begin(), hi = *pages_.rbegin();
    if (lo < start_ || hi >= start_ + bits) {
      uint32_t newStart = lo & ~7u;
      if (hi < newStart + bits) {
        start_ = newStart;
      } else {
        // The window cannot hold the pages: turn the row into a reference map
        // in place (a 69-byte row holds 17 bitmap page pointers).
        reference_ = true;
        bitmapPages_.assign((rowLength_ - 1) / 4, 0);
        for (uint32_t p : pages_) touched_.insert(p / kBitmapPageBits);
      }
    }
  }
  Page mp = file.read(mapPage_);
  RowSlot slot = rowSlot(mp, mapRow_);
  std::vector<uint8_t> row(rowLength_, 0);
  if (!reference_) {
    row[0] = kMapInline;
    put32(row.data() + kInlineStart, start_);
    for (uint32_t p : pages_) {
      uint32_t bit = p - start_;
      row[kInlineBitmap + bit / 8] |= uint8_t(1u << (bit % 8));
    }
  } else {
    // Rewrite only the bitmap pages whose range saw a change.
    for (size_t m : touched_) {
      if (m >= bitmapPages_.size()) fail("the database is too large for a table's usage map");
      Page bp(kPageSize, 0);
      bp[0] = kPageUsageBitmap;
      bp[1] = 0x01;
      uint32_t base = uint32_t(m * kBitmapPageBits);
      for (auto it = pages_.lower_bound(base); it != pages_.end() && *it < base + kBitmapPageBits; ++it) {
        uint32_t bit = *it - base;
        bp[kBitmapPageData + bit / 8] |= uint8_t(1u << (bit % 8));
      }
      if (bitmapPages_[m] == 0) bitmapPages_[m] = allocate();
      file.write(bitmapPages_[m], bp);
    }
    row[0] = kMapReference;
    for (size_t i = 0; i < bitmapPages_.size(); ++i) put32(row.data() + 1 + 4 * i, bitmapPages_[i]);
    mp = file.read(mapPage_);  // allocate() may have written this page
  }
  std::copy(row.begin(), row.end(), mp.begin() + long(slot.start));
  file.writeBytes(mapPage_, slot.start, row.data(), row.size());
  touched_.clear();
  changed_ = false;
}

}  // namespace jet::detail
