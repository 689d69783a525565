#pragma once
// The engine's own reading of a database in the oracles' comparable form.
#include <chrono>
#include <cmath>
#include <cstdio>

#include "jet/jet.h"
#include "tests/jet/jet_test_support.h"
#include "tests/oracles/oracles.h"

namespace jettest {

inline std::string typeName(jet::ColumnType t) {
  using T = jet::ColumnType;
  switch (t) {
    case T::Boolean: return "Boolean";
    case T::Byte: return "Byte";
    case T::Integer: return "Integer";
    case T::Long: return "Long";
    case T::Currency: return "Currency";
    case T::Single: return "Single";
    case T::Double: return "Double";
    case T::DateTime: return "DateTime";
    case T::Binary: return "Binary";
    case T::Text: return "Text";
    case T::Ole: return "OLE";
    case T::Memo: return "Memo";
    case T::Guid: return "Guid";
    case T::Numeric: return "Numeric";
  }
  return "?";
}

inline std::string formatDate(double days) {
  using namespace std::chrono;
  auto secs = static_cast<long long>(std::llround(days * 86400.0));
  auto tp = sys_days(year(1899) / 12 / 30) + seconds(secs);
  auto dp = floor<std::chrono::days>(tp);
  year_month_day ymd(dp);
  hh_mm_ss hms(tp - dp);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02lld:%02lld:%02lld", int(ymd.year()), unsigned(ymd.month()),
                unsigned(ymd.day()), (long long)hms.hours().count(), (long long)hms.minutes().count(),
                (long long)hms.seconds().count());
  return buf;
}

inline oracle::Database readWithEngine(const std::string& path) {
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  oracle::Database out;
  for (const auto& name : db->tableNames()) {
    oracle::Table t;
    t.name = name;
    auto s = db->schema(name);
    for (const auto& c : s.columns)
      t.columns.push_back({c.name, typeName(c.type), c.type == jet::ColumnType::Text ? int(c.maxChars) : 0});
    for (const auto& i : s.indexes)
      if (i.primaryKey)
        for (const auto& c : i.columns) t.primaryKey.push_back(oracle::lower(c));
    auto cur = db->openTable(name, false);
    for (cur->first(); !cur->atEnd(); cur->next()) {
      std::vector<std::string> row;
      for (size_t i = 0; i < s.columns.size(); ++i) {
        jet::Value v = cur->get(s.columns[i].name);
        const std::string& type = t.columns[i].type;
        if (!oracle::comparedType(type))
          row.push_back("*");
        else if (type == "DateTime" && std::holds_alternative<double>(v))
          row.push_back(formatDate(std::get<double>(v)));
        else
          row.push_back(text(v));
      }
      t.rows.push_back(row);
    }
    out[name] = t;
  }
  return out;
}

// Describes the first difference between two readings ("" when equal); rows
// are compared as multisets.
inline std::string difference(const oracle::Database& a, const oracle::Database& b) {
  std::vector<std::string> na, nb;
  for (const auto& [k, v] : a) na.push_back(k);
  for (const auto& [k, v] : b) nb.push_back(k);
  if (na != nb) return "different table lists";
  for (const auto& [name, ta] : a) {
    const auto& tb = b.at(name);
    if (ta.columns.size() != tb.columns.size()) return name + ": different column counts";
    for (size_t i = 0; i < ta.columns.size(); ++i)
      if (!(ta.columns[i] == tb.columns[i]))
        return name + ": column " + std::to_string(i) + " is " + ta.columns[i].name + " " + ta.columns[i].type + "(" +
               std::to_string(ta.columns[i].size) + ") vs " + tb.columns[i].name + " " + tb.columns[i].type + "(" +
               std::to_string(tb.columns[i].size) + ")";
    if (ta.primaryKey != tb.primaryKey) return name + ": different primary keys";
    auto ra = ta.rows, rb = tb.rows;
    if (ra.size() != rb.size())
      return name + ": " + std::to_string(ra.size()) + " vs " + std::to_string(rb.size()) + " rows";
    std::sort(ra.begin(), ra.end());
    std::sort(rb.begin(), rb.end());
    for (size_t r = 0; r < ra.size(); ++r)
      if (ra[r] != rb[r]) {
        for (size_t i = 0; i < ra[r].size() && i < rb[r].size(); ++i)
          if (ra[r][i] != rb[r][i])
            return name + ": row differs in " + ta.columns[i].name + ": '" + ra[r][i] + "' vs '" + rb[r][i] + "'";
        return name + ": rows differ";
      }
  }
  return "";
}

#define REQUIRE_ORACLES()                                                                \
  if (!oracle::haveMdbtools()) GTEST_SKIP() << "mdbtools (mdb-export) is not installed"; \
  if (!oracle::haveMdbReader()) GTEST_SKIP() << "mdb-reader is not installed: run npm install in tests/oracles"

}  // namespace jettest
