#pragma once
// Reading the CSV files (RFC 4180, UTF-8, optional byte-order mark) from which
// pack builds an accessory database.
#include <cstddef>
#include <functional>
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

// Records one at a time, the header row first, from a source of bytes read a
// block at a time: a file of any size is read in the memory of one record.
// Blank lines are skipped. Fields may be quoted ("" inside quotes is one
// quote) and may then hold separators and line breaks. next() throws CsvError
// for an unclosed quote or a quote inside an unquoted field.
class CsvReader {
 public:
  // Fills the buffer; returns fewer than n bytes only at the end.
  using Source = std::function<size_t(char* buffer, size_t n)>;
  explicit CsvReader(Source source) : source_(std::move(source)) {}
  // The next record; false at the end of the text.
  bool next(CsvRecord& record);

 private:
  int peek() {
    if (pos_ == buffer_.size() && !fill()) return -1;
    return static_cast<unsigned char>(buffer_[pos_]);
  }
  int get() {
    int c = peek();
    if (c != -1) ++pos_;
    return c;
  }
  bool fill();

  Source source_;
  std::string buffer_;
  size_t pos_ = 0;
  bool started_ = false;
  bool ended_ = false;
  size_t line_ = 1;
};

}  // namespace pack
