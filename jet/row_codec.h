#pragma once
// Rows of a Jet 4 table.
//
// OFFSET        SIZE   MEANING
// 0             2      number of columns the row carries (TDEF 0x29 when written)
// 2             F      fixed area: fixed columns at their fixed offsets, always in full
// 2+F           V      values of the variable columns, in variable-index order
// ...           2      end of the variable data (offset from the row start)
// ...           2*n    start offset of each variable column, last index first
// end-mask-2    2      n = number of variable columns the row carries
// end-mask      ceil(count/8)  null mask: bit per column number, 1 = value present;
//                      for Yes/No columns the bit is the value
// Tables without variable columns have neither end-of-data, offsets nor n.
#include <functional>
#include <vector>

#include "jet/jet.h"
#include "jet/page_file.h"
#include "jet/table_def.h"

namespace jet::detail {

// Where a stored row keeps each column's value, read from its header and
// tail once, so single columns can be decoded without the others.
class RowLayout {
 public:
  // Checks the row's structure; fails on a damaged row.
  RowLayout(const TableDefinition& def, const std::vector<uint8_t>& row);
  // Where the column at `index` (descriptor order) lies in the row, checked
  // to lie inside it. Null columns, and columns the row predates, are not
  // present; a Yes/No column's value is whether it is present.
  struct Stored {
    bool present = false;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
  };
  Stored stored(size_t index) const;
  // The value of the column at `index` in descriptor order.
  Value column(size_t index, const PageFile& file) const;
  // Its shape: a text is measured, not decoded.
  ValueShape shape(size_t index, const PageFile& file) const;
  const std::vector<uint8_t>& bytes() const { return row_; }

 private:
  bool present(uint16_t number) const;
  size_t varOffset(size_t varIndex) const;

  const TableDefinition& def_;
  const std::vector<uint8_t>& row_;
  size_t columnCount_ = 0, maskStart_ = 0, varCount_ = 0, eod_ = 0;
};

// Values in the TDEF's descriptor order.
std::vector<Value> decodeRow(const TableDefinition& def, const std::vector<uint8_t>& row, const PageFile& file);

// Stores a Memo/OLE value and returns the bytes for the row (12-byte header and
// inline data, if any).
using LongValueStore = std::function<std::vector<uint8_t>(const ColumnDesc&, const std::vector<uint8_t>&)>;

// Values in descriptor order, already checked against the column types.
std::vector<uint8_t> encodeRow(const TableDefinition& def, const std::vector<Value>& values,
                               const LongValueStore& storeLongValue);

std::string formatGuid(const uint8_t* p);

}  // namespace jet::detail
