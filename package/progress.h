#pragma once
#include <cstdint>

namespace package {

// i / maxFiles * 100 rounded to the nearest integer, halves to the even
// neighbour, computed exactly; 0 when maxFiles is 0 (a one-entry archive).
inline int progressPercent(int64_t i, int64_t maxFiles) {
  if (maxFiles <= 0) return 0;
  const int64_t num = i * 100;
  int64_t q = num / maxFiles;
  const int64_t twiceRest = 2 * (num % maxFiles);
  if (twiceRest > maxFiles || (twiceRest == maxFiles && q % 2 != 0)) ++q;
  return static_cast<int>(q);
}

}  // namespace package
