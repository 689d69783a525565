#include "tests/accessorydb/mdbtools.h"

#include <gtest/gtest.h>

#include "tests/support/csv_text.h"
#ifndef _WIN32
#include "tests/oracles/oracles.h"
#endif

namespace test {

bool haveMdbtools() {
#ifdef _WIN32
  return false;  // the Windows tests run under Wine, without mdbtools
#else
  static const bool have = oracle::haveMdbtools();
  return have;
#endif
}

std::optional<std::vector<std::vector<std::string>>> mdbExport(const std::string& path, const std::string& table) {
#ifdef _WIN32
  (void)path;
  (void)table;
  return std::nullopt;
#else
  std::string out;
  try {
    out = oracle::run("mdb-export " + oracle::shellQuote(path) + " " + oracle::shellQuote(table));
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
  std::vector<std::vector<std::string>> rows;
  for (auto& r : test::csvRecords(out)) rows.push_back(std::move(r.fields));
  return rows;
#endif
}

std::vector<std::string> exportTexts(const Row& row) {
  std::vector<std::string> texts;
  for (const auto& v : row) {
    if (const auto* b = std::get_if<bool>(&v))
      texts.push_back(*b ? "1" : "0");
    else
      texts.push_back(accessorydb::valueAsText(v));
  }
  return texts;
}

void expectMdbtoolsReads(const std::string& path, const std::string& table, const std::vector<Row>& rows) {
  if (!haveMdbtools()) return;
  const auto exported = mdbExport(path, table);
  ASSERT_TRUE(exported.has_value()) << "mdb-export cannot read " << table << " of " << path;
  ASSERT_FALSE(exported->empty());
  std::vector<std::vector<std::string>> expected;
  for (const auto& r : rows) expected.push_back(exportTexts(r));
  EXPECT_EQ(std::vector<std::vector<std::string>>(exported->begin() + 1, exported->end()), expected)
      << "mdb-export of " << table;
}

}  // namespace test
