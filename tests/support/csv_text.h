#pragma once
// All records of a CSV text, read by pack's CsvReader as it reads a file:
// the source hands out the text a block at a time.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "tools/pack/csv_reader.h"

namespace test {

inline std::vector<pack::CsvRecord> csvRecords(std::string_view text) {
  size_t offset = 0;
  pack::CsvReader reader([&](char* buffer, size_t n) {
    const size_t got = std::min(n, text.size() - offset);
    std::copy_n(text.data() + offset, got, buffer);
    offset += got;
    return got;
  });
  std::vector<pack::CsvRecord> records;
  for (pack::CsvRecord r; reader.next(r);) records.push_back(std::move(r));
  return records;
}

}  // namespace test
