#include "tests/accessorydb/mdbtools.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tools/pack/csv_reader.h"

namespace test {

namespace {

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::optional<std::string> runCommand(const std::string& command) {
#ifdef _WIN32
  (void)command;
  return std::nullopt;
#else
  FILE* p = popen(command.c_str(), "r");
  if (!p) return std::nullopt;
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  if (pclose(p) != 0) return std::nullopt;
  return out;
#endif
}

}  // namespace

bool haveMdbtools() {
  static const bool have = runCommand("mdb-export --version >/dev/null 2>&1").has_value();
  return have;
}

std::optional<std::vector<std::vector<std::string>>> mdbExport(const std::string& path, const std::string& table) {
  auto out = runCommand("mdb-export " + shellQuote(path) + " " + shellQuote(table) + " 2>/dev/null");
  if (!out) return std::nullopt;
  std::vector<std::vector<std::string>> rows;
  for (auto& r : pack::parseCsv(*out)) rows.push_back(std::move(r.fields));
  return rows;
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
