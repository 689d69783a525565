#pragma once
// Memo and OLE values ("long values").
//
// In the row (variable column bytes):
// OFFSET  SIZE  MEANING
// 0       4     low 30 bits total length; 0x80000000 data inline; 0x40000000
//               data in one LVAL row; neither: a chain of LVAL rows
// 4       4     page/row pointer of the (first) LVAL row; 0 when inline
// 8       4     0
// 12      n     inline data
//
// LVAL rows sit on data pages with "LVAL" at 0x04. A chained row starts with
// the 4-byte page/row pointer of the next row (0 in the last) before its chunk.
#include <cstdint>
#include <vector>

#include "jet/page_file.h"

namespace jet::detail {

inline constexpr size_t kLongValueHeader = 12;
inline constexpr uint32_t kLongValueInline = 0x80000000;
inline constexpr uint32_t kLongValueSingle = 0x40000000;
inline constexpr uint32_t kLongValueLengthMask = 0x3FFFFFFF;
// Values up to this size are stored inside the row.
inline constexpr size_t kMaxInlineLongValue = 64;

std::vector<uint8_t> readLongValue(const PageFile& file, const uint8_t* field, size_t n);

}  // namespace jet::detail
