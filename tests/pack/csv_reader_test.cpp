// Reading the CSV files pack mdb create takes.
#include "tools/pack/csv_reader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/csv_text.h"

namespace {

using Fields = std::vector<std::string>;

TEST(CsvReader, Records) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::pair<size_t, Fields>> records;  // line, fields
  };
  const std::vector<Case> cases = {
      {"plain with LF", "a,b\n1,2\n", {{1, {"a", "b"}}, {2, {"1", "2"}}}},
      {"CRLF, no final break", "a,b\r\n1,2", {{1, {"a", "b"}}, {2, {"1", "2"}}}},
      {"byte-order mark dropped", "\xEF\xBB\xBFID\n7\n", {{1, {"ID"}}, {2, {"7"}}}},
      {"quoted separator, quote and line break",
       "a\n\"x,\"\"y\"\"\r\nz\"\nq\n",
       {{1, {"a"}}, {2, {"x,\"y\"\r\nz"}}, {4, {"q"}}}},
      {"empty fields kept", ",,\n", {{1, {"", "", ""}}}},
      {"blank lines skipped, numbering kept", "a\n\n\nb\n", {{1, {"a"}}, {4, {"b"}}}},
      {"quoted empty field is a record", "a\n\"\"\n", {{1, {"a"}}, {2, {""}}}},
      {"Polish letters untouched", "Nazwa\nKrzesło żółte\n", {{1, {"Nazwa"}}, {2, {"Krzesło żółte"}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto got = test::csvRecords(c.text);
    ASSERT_EQ(got.size(), c.records.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].line, c.records[i].first);
      EXPECT_EQ(got[i].fields, c.records[i].second);
    }
  }
}

TEST(CsvReader, RefusalsNameTheLine) {
  const std::vector<std::pair<std::string, size_t>> cases = {
      {"a\n\"open\n\nstill open", 2},
      {"a\nb\"c\n", 2},
      {"a\n\"x\"y\n", 2},
  };
  for (const auto& [text, line] : cases) {
    try {
      (void)test::csvRecords(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const pack::CsvError& e) {
      EXPECT_EQ(e.line(), line) << e.what();
    }
  }
}

// Records cut by the reader's 64 KiB blocks: fields, quotes and line breaks
// that straddle a block edge, read from a source that hands out one block at
// a time, as a file does.
TEST(CsvReader, RecordsAcrossBlockEdgesOfAStream) {
  std::string text = "\xEF\xBB\xBFID,Opis\n";
  std::vector<Fields> want = {{"ID", "Opis"}};
  for (int i = 0; text.size() < 300 * 1024; ++i) {
    std::string opis = std::string(size_t(997 + i % 13), 'x') + (i % 3 ? "\"ż,\r\nł\"" : "");
    std::string quoted = "\"";
    for (char c : opis) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    text += std::to_string(i) + "," + quoted + "\"\r\n";
    want.push_back({std::to_string(i), opis});
  }
  size_t offset = 0, calls = 0;
  pack::CsvReader reader([&](char* buffer, size_t n) {
    ++calls;
    const size_t got = std::min(n, text.size() - offset);
    std::copy(text.begin() + long(offset), text.begin() + long(offset + got), buffer);
    offset += got;
    return got;
  });
  std::vector<Fields> got;
  for (pack::CsvRecord r; reader.next(r);) got.push_back(r.fields);
  EXPECT_GT(calls, 4u);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], want[i]) << i;
  EXPECT_EQ(test::csvRecords(text).size(), want.size());
}

}  // namespace
