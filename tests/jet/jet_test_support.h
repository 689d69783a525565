#pragma once
// Shared helpers of the Jet engine tests: fixture paths, the two tables the
// installer keeps, and values as comparable text.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "jet/jet.h"
#include "platform/env.h"

namespace jettest {

inline std::string fixtureDir() { return std::string(SHARED_DIR) + "/fixtures/jet4/"; }
inline bool haveFixtures() { return std::filesystem::exists(fixtureDir() + "empty.mdb"); }
#define REQUIRE_FIXTURES()      \
  if (!jettest::haveFixtures()) \
  GTEST_SKIP() << "Jet fixtures not found in " << jettest::fixtureDir() << " (the shared folder is absent)"

// Value as text: null as "NULL", Yes/No as 1/0, numbers in decimal.
inline std::string text(const jet::Value& v) {
  struct V {
    std::string operator()(std::monostate) const { return "NULL"; }
    std::string operator()(int32_t i) const { return std::to_string(i); }
    std::string operator()(bool b) const { return b ? "1" : "0"; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(double d) const {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.10g", d);
      return buf;
    }
    std::string operator()(int64_t i) const { return std::to_string(i); }
    std::string operator()(const jet::Bytes& b) const { return "<" + std::to_string(b.size()) + " bytes>"; }
  };
  return std::visit(V{}, v);
}

using Row = std::vector<std::string>;

inline std::vector<Row> readRows(jet::Database& db, const std::string& table) {
  auto schema = db.schema(table);
  auto cur = db.openTable(table, false);
  std::vector<Row> rows;
  for (cur->first(); !cur->atEnd(); cur->next()) {
    Row r;
    for (const auto& c : schema.columns) r.push_back(text(cur->get(c.name)));
    rows.push_back(r);
  }
  return rows;
}

inline jet::TableDef dodatkiDef() {
  using jet::ColumnType;
  jet::TableDef t{"Dodatki", {}, "Primary", "ID"};
  t.columns.push_back({"ID", ColumnType::Long, 0});
  const std::pair<const char*, int> texts[] = {{"Producent", 30}, {"Grupa", 30}, {"Typ", 30},
                                               {"Nazwa", 100},    {"JPG", 30},   {"Kod_Producenta", 30}};
  for (auto& [n, s] : texts) t.columns.push_back({n, ColumnType::Text, uint16_t(s)});
  t.columns.push_back({"Dodatek_wst", ColumnType::Boolean, 0});
  const std::pair<const char*, int> rest[] = {{"Kod_Wstawiania", 3},   {"Kolor", 30},          {"DWG", 30},
                                              {"Wysokosc", 10},        {"Opis_Produktu", 255}, {"Kod_Dodatku1", 30},
                                              {"Kod_Dodatku2", 30},    {"Kod_Dodatku3", 30},   {"Kod_Dodatku4", 30},
                                              {"Opis_Koloru", 255},    {"cena", 50},           {"vat", 50},
                                              {"marza", 50},           {"upust", 50},          {"kolorystyka", 50},
                                              {"wymiar X", 50},        {"wymiar Y", 50},       {"wymiar Z", 50},
                                              {"typ_standardowy", 250}};
  for (auto& [n, s] : rest) t.columns.push_back({n, jet::ColumnType::Text, uint16_t(s)});
  return t;
}

inline jet::TableDef producentDef() {
  jet::TableDef t{"info_producent", {}, "", ""};
  const std::pair<const char*, int> cols[] = {{"Producent", 50}, {"Nazwa", 50},  {"Ulica", 50},
                                              {"Miasto", 50},    {"kod", 10},    {"Tel", 50},
                                              {"Fax", 50},       {"e_mail", 50}, {"osoba", 50}};
  for (auto& [n, s] : cols) t.columns.push_back({n, jet::ColumnType::Text, uint16_t(s)});
  return t;
}

// A new database holding both installer tables (info_producent first).
inline std::unique_ptr<jet::Database> createAccessoryDb(const std::string& path) {
  auto db = jet::Database::create(platform::systemEnv(), path);
  db->createTable(producentDef());
  db->createTable(dodatkiDef());
  return db;
}

// A Dodatki row as fillDodatki sets it, read back as text (readRows).
inline Row dodatkiRow(int32_t id, const std::string& suffix = "") {
  Row r;
  for (const auto& col : dodatkiDef().columns) {
    if (col.type == jet::ColumnType::Long)
      r.push_back(std::to_string(id));
    else if (col.type == jet::ColumnType::Boolean)
      r.push_back(id % 2 == 0 ? "1" : "0");
    else {
      std::string v = col.name.substr(0, 2) + std::to_string(id);
      if (v.size() + suffix.size() <= col.maxChars) v += suffix;
      if (v.size() > col.maxChars) v = v.substr(0, col.maxChars);
      r.push_back(v);
    }
  }
  return r;
}

// Sets every column of a Dodatki row: text columns get "<column><id>".
inline void fillDodatki(jet::Cursor& c, int32_t id, const std::string& suffix = "") {
  c.insert();
  for (const auto& col : dodatkiDef().columns) {
    if (col.type == jet::ColumnType::Long)
      c.set(col.name, id);
    else if (col.type == jet::ColumnType::Boolean)
      c.set(col.name, id % 2 == 0);
    else {
      std::string v = col.name.substr(0, 2) + std::to_string(id);
      if (v.size() + suffix.size() <= col.maxChars) v += suffix;  // suffix bytes >= its characters
      if (v.size() > col.maxChars) v = v.substr(0, col.maxChars);
      c.set(col.name, v);
    }
  }
}

}  // namespace jettest
