#pragma once
// Index keys: per indexed column a flag byte, then (when not null) the value
// bytes. Keys compare as plain byte strings.
//
// FLAG  MEANING
// 0x7F  ascending, value follows        0x00  ascending, null (sorts first)
// 0x80  descending, value follows (value bytes inverted)
// 0xFF  descending, null (sorts last)
//
// Long values: 32-bit big-endian with the top bit inverted. Text ("General"
// sort order): one or two code bytes per character (case-insensitive), then
// 01 00; trailing spaces are dropped.
#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet.h"
#include "jet/table_def.h"

namespace jet::detail {

inline constexpr uint8_t kKeyAscending = 0x7F;
inline constexpr uint8_t kKeyAscendingNull = 0x00;
inline constexpr uint8_t kKeyDescending = 0x80;
inline constexpr uint8_t kKeyDescendingNull = 0xFF;

std::vector<uint8_t> encodeLongKey(int32_t v, bool ascending = true);
// Error for characters outside the supported General-sort table.
std::vector<uint8_t> encodeTextKey(const std::string& utf8, bool ascending = true);

// The key of a row for one real index (values in descriptor order).
std::vector<uint8_t> indexKey(const TableDefinition& def, const RealIndex& index, const std::vector<Value>& values);

}  // namespace jet::detail
