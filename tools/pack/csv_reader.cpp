#include "tools/pack/csv_reader.h"

namespace pack {

namespace {
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
}

std::vector<CsvRecord> parseCsv(std::string_view text) {
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  std::vector<CsvRecord> records;
  size_t line = 1;
  size_t i = 0;
  while (i < text.size()) {
    CsvRecord record{line, {}};
    bool recordEnded = false;
    bool quoted = false;
    while (!recordEnded) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        const size_t openedAt = line;
        quoted = true;
        ++i;
        for (;;) {
          if (i >= text.size()) throw CsvError(openedAt, "a quoted field is not closed");
          const char c = text[i++];
          if (c == '"') {
            if (i < text.size() && text[i] == '"') {
              field += '"';
              ++i;
            } else {
              break;
            }
          } else {
            if (c == '\n') ++line;
            field += c;
          }
        }
        if (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
          throw CsvError(line, "text follows the closing quote of a field");
      } else {
        while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
          if (text[i] == '"') throw CsvError(line, "a quote inside a field that does not begin with one");
          field += text[i++];
        }
      }
      record.fields.push_back(std::move(field));
      if (i < text.size() && text[i] == ',') {
        ++i;
        continue;
      }
      if (i < text.size() && text[i] == '\r') ++i;
      if (i < text.size() && text[i] == '\n') ++i;
      ++line;
      recordEnded = true;
    }
    const bool blank = !quoted && record.fields.size() == 1 && record.fields[0].empty();
    if (!blank) records.push_back(std::move(record));
  }
  return records;
}

}  // namespace pack
