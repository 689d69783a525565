#include "tools/pack/csv_reader.h"

#include <algorithm>
#include <cstring>

namespace pack {

namespace {
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr size_t kBlock = 64 * 1024;
}  // namespace

bool CsvReader::fill() {
  if (ended_) return false;
  buffer_.resize(kBlock);
  size_t got = source_(buffer_.data(), kBlock);
  buffer_.resize(got);
  pos_ = 0;
  if (got < kBlock) ended_ = true;
  if (!started_) {
    started_ = true;
    if (std::string_view(buffer_).substr(0, kUtf8Bom.size()) == kUtf8Bom) pos_ = kUtf8Bom.size();
  }
  return pos_ < buffer_.size();
}

bool CsvReader::next(CsvRecord& out) {
  while (peek() != -1) {
    CsvRecord record{line_, {}};
    bool recordEnded = false;
    bool quoted = false;
    while (!recordEnded) {
      std::string field;
      if (peek() == '"') {
        const size_t openedAt = line_;
        quoted = true;
        get();
        for (;;) {
          const int c = get();
          if (c == -1) throw CsvError(openedAt, "a quoted field is not closed");
          if (c == '"') {
            if (peek() == '"') {
              field += '"';
              get();
            } else {
              break;
            }
          } else {
            if (c == '\n') ++line_;
            field += static_cast<char>(c);
          }
        }
        const int after = peek();
        if (after != -1 && after != ',' && after != '\r' && after != '\n')
          throw CsvError(line_, "text follows the closing quote of a field");
      } else {
        for (int c = peek(); c != -1 && c != ',' && c != '\r' && c != '\n'; c = peek()) {
          if (c == '"') throw CsvError(line_, "a quote inside a field that does not begin with one");
          field += static_cast<char>(get());
        }
      }
      record.fields.push_back(std::move(field));
      if (peek() == ',') {
        get();
        continue;
      }
      if (peek() == '\r') get();
      if (peek() == '\n') get();
      ++line_;
      recordEnded = true;
    }
    const bool blank = !quoted && record.fields.size() == 1 && record.fields[0].empty();
    if (!blank) {
      out = std::move(record);
      return true;
    }
  }
  return false;
}

}  // namespace pack
