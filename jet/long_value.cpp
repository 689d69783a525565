#include "jet/long_value.h"

#include <set>

#include "jet/bytes.h"
#include "jet/data_page.h"

namespace jet::detail {
namespace {
constexpr size_t kChainPointer = 4;

std::vector<uint8_t> lvalRow(const PageFile& file, uint32_t pointer) {
  Page p = file.read(pointerPage(pointer));
  if (p[0] != kPageData || le32(p.data() + kDataOwner) != kLvalMarker)
    fail("damaged database: a long value points at a page that holds no long values");
  return rowBytes(p, pointerRow(pointer));
}
}  // namespace

std::vector<uint8_t> readLongValue(const PageFile& file, const uint8_t* field, size_t n) {
  if (n < kLongValueHeader) fail("damaged database: a Memo/OLE field is cut short");
  uint32_t word = le32(field);
  size_t length = word & kLongValueLengthMask;
  uint32_t pointer = le32(field + 4);
  if (word & kLongValueInline) {
    if (length > n - kLongValueHeader) fail("damaged database: an inline Memo/OLE value is cut short");
    return std::vector<uint8_t>(field + kLongValueHeader, field + kLongValueHeader + length);
  }
  // A value can never be larger than the file that holds it.
  if (length > uint64_t(file.pageCount()) * kPageSize)
    fail("damaged database: a Memo/OLE value is larger than the file");
  if (word & kLongValueSingle) {
    auto row = lvalRow(file, pointer);
    if (row.size() < length) fail("damaged database: a Memo/OLE value is cut short");
    row.resize(length);
    return row;
  }
  std::vector<uint8_t> out;
  std::set<uint32_t> seen;
  while (out.size() < length) {
    if (pointer == 0) fail("damaged database: a Memo/OLE value chain ends early");
    if (!seen.insert(pointer).second) fail("damaged database: a Memo/OLE value chain forms a cycle");
    auto row = lvalRow(file, pointer);
    if (row.size() < kChainPointer) fail("damaged database: a Memo/OLE value chain row is cut short");
    pointer = le32(row.data());
    size_t take = std::min(row.size() - kChainPointer, length - out.size());
    out.insert(out.end(), row.begin() + kChainPointer, row.begin() + long(kChainPointer + take));
  }
  return out;
}

}  // namespace jet::detail
