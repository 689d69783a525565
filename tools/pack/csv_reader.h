#pragma once
// Reading the CSV files (RFC 4180, UTF-8, optional byte-order mark) from which
// pack builds an accessory database.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pack {

class CsvError : public std::runtime_error {
 public:
  CsvError(size_t line, const std::string& reason)
      : std::runtime_error("line " + std::to_string(line) + ": " + reason), line_(line) {}
  size_t line() const { return line_; }

 private:
  size_t line_;
};

struct CsvRecord {
  size_t line;  // where the record begins, counting from 1
  std::vector<std::string> fields;
};

// All records, the header row first. Blank lines are skipped. Fields may be
// quoted ("" inside quotes is one quote) and may then hold separators and line
// breaks. Throws CsvError for an unclosed quote or a quote inside an unquoted
// field.
std::vector<CsvRecord> parseCsv(std::string_view text);

}  // namespace pack
