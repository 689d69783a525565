#pragma once
// Package databases for the tests that refuse or accept them: genuine Jet
// files written by the project's engine with whatever tables and columns each
// case needs, and the cases themselves, so that the installer's tests and
// pack's run the very same packages.
#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "accessorydb/schema.h"
#include "jet/jet.h"
#include "jet/property_blob.h"
#include "jet/text_codec.h"
#include "tests/accessorydb/adb_fixture.h"
#include "tests/support/temp_dir.h"

namespace test::packagedb {

using accessorydb::FieldValue;
using Keys = std::vector<std::string>;
using Values = std::map<std::string, jet::Value>;

inline jet::Value toJet(const FieldValue& v) {
  if (const auto* i = std::get_if<int32_t>(&v)) return *i;
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  return jet::Value{};
}

// One table of a package database as it will be written.
struct TableSpec {
  std::string name;
  std::vector<jet::ColumnDef> columns;
  std::string primaryKeyColumn;  // "" = no key
  std::vector<std::string> nullable;
  std::vector<Values> rows;

  jet::ColumnDef& column(const std::string& c) {
    for (auto& def : columns)
      if (def.name == c) return def;
    throw std::logic_error("no column " + c);
  }
  void dropColumn(const std::string& c) {
    std::erase_if(columns, [&](const jet::ColumnDef& def) { return def.name == c; });
    for (auto& r : rows) r.erase(c);
  }
  void retype(const std::string& c, jet::ColumnType type, uint16_t maxChars,
              const std::function<jet::Value(const jet::Value&)>& convert) {
    column(c) = {c, type, maxChars};
    for (auto& r : rows) r[c] = convert(r[c]);
  }
  // Lets the column hold nulls and puts one into the row at index.
  void setNull(size_t row, const std::string& c) {
    nullable.push_back(c);
    rows.at(row)[c] = jet::Value{};
  }
};

inline TableSpec standardTable(const std::string& name, const std::vector<accessorydb::ColumnSpec>& spec,
                               const std::vector<test::Row>& rows) {
  TableSpec t;
  t.name = name;
  for (const auto& c : spec) {
    const auto type = c.type == accessorydb::adInteger   ? jet::ColumnType::Long
                      : c.type == accessorydb::adBoolean ? jet::ColumnType::Boolean
                                                         : jet::ColumnType::Text;
    t.columns.push_back({c.name, type, static_cast<uint16_t>(type == jet::ColumnType::Text ? c.definedSize : 0)});
  }
  for (const auto& r : rows) {
    Values v;
    for (size_t i = 0; i < spec.size(); ++i) v[spec[i].name] = toJet(r[i]);
    t.rows.push_back(std::move(v));
  }
  return t;
}

struct PackageSpec {
  std::vector<TableSpec> tables;

  TableSpec& dodatki() { return table(accessorydb::kTableDodatki); }
  TableSpec& producers() { return table(accessorydb::kTableProducent); }
  TableSpec& table(const std::string& name) {
    for (auto& t : tables)
      if (t.name == name) return t;
    throw std::logic_error("no table " + name);
  }
  void dropTable(const std::string& name) {
    std::erase_if(tables, [&](const TableSpec& t) { return t.name == name; });
  }
};

// The package every case starts from, and the one that installs afterwards.
inline PackageSpec goodPackage() {
  PackageSpec p;
  p.tables.push_back(standardTable(accessorydb::kTableProducent, accessorydb::producentColumns(),
                                   {test::producer("Meble", "Meble sp. j.", "new")}));
  p.tables.push_back(standardTable(accessorydb::kTableDodatki, accessorydb::dodatkiColumns(),
                                   {test::accessory(1, "Uchwyt", "new"), test::accessory(9, "Listwa", "new")}));
  p.dodatki().primaryKeyColumn = accessorydb::kColumnId;
  return p;
}

// The engine marks every text and number column it creates Required, as the
// installer's tables are; Access leaves that to whoever designs the table, so
// a producer's file may well take nulls. Clearing the flag in the table's
// property blob makes such a file. The blob is found by its exact bytes and
// keeps its length; Required is the first entry of its column's block.
inline void allowNulls(std::string& file, const TableSpec& t) {
  std::vector<jet::detail::ColumnProperties> properties;
  for (const auto& c : t.columns)
    properties.push_back({c.name, c.type != jet::ColumnType::Boolean, c.type == jet::ColumnType::Text});
  const auto blob = jet::detail::buildColumnPropertiesBlob(properties);
  const std::string blobText(blob.begin(), blob.end());
  const size_t at = file.find(blobText);
  if (at == std::string::npos) throw std::logic_error("property blob of " + t.name + " not found");
  constexpr size_t kEntryHeader = 8;
  for (const auto& c : t.nullable) {
    const auto name = jet::detail::encodeUtf16Le(jet::detail::utf8ToUtf16(c));
    std::string header = {0x01, 0x00};  // a column's block
    const uint32_t headerLen = uint32_t(6 + name.size());
    for (int i = 0; i < 4; ++i) header.push_back(char((headerLen >> (8 * i)) & 0xFF));
    header.push_back(char(name.size() & 0xFF));
    header.push_back(char(name.size() >> 8));
    header.append(name.begin(), name.end());
    const size_t block = blobText.find(header);
    if (block == std::string::npos) throw std::logic_error("no property block for column " + c);
    file[at + block + header.size() + kEntryHeader] = 0;
  }
}

inline std::string writeDatabase(platform::Env& env, const test::TempDir& scratch, const std::string& name,
                                 const PackageSpec& spec) {
  const std::string path = scratch.path(name);
  {
    auto db = jet::Database::create(env, path);
    for (const auto& t : spec.tables) {
      jet::TableDef def{t.name, t.columns, "", ""};
      if (!t.primaryKeyColumn.empty()) def.primaryKeyName = accessorydb::kPrimaryKeyName;
      def.primaryKeyColumn = t.primaryKeyColumn;
      db->createTable(def);
    }
  }
  std::string bytes = scratch.read(name);
  for (const auto& t : spec.tables)
    if (!t.nullable.empty()) allowNulls(bytes, t);
  scratch.write(name, bytes);
  {
    auto db = jet::Database::open(env, path, true);
    for (const auto& t : spec.tables) {
      auto cursor = db->openTable(t.name, true);
      for (const auto& r : t.rows) {
        cursor->insert();
        for (const auto& [c, v] : r) cursor->set(c, v);
        cursor->post();
      }
    }
  }
  return scratch.read(name);
}
// The accessories of the good package after an update and a first install.
inline const Keys kGoodUpdate = {"1/new", "5/old", "9/new"};
inline const Keys kGoodFirst = {"1/new", "9/new"};

// A package the install must refuse.
struct FailingCase {
  const char* name;
  std::function<void(PackageSpec&)> spoil;
  // Part of the failure line the merge writes.
  std::string failure;
};

// A package that installs all the same, as the merge rules say.
struct AcceptedCase {
  const char* name;
  std::function<void(PackageSpec&)> spoil;
  // Accessories ("ID/Grupa") after an update and after a first install, and
  // producers ("Producent/Ulica") after an update.
  Keys updateKeys = kGoodUpdate;
  Keys firstKeys = kGoodFirst;
  Keys updateProducers = {"Meble/new", "Inny/old"};
};

inline std::string nChars(size_t n, const std::string& ch) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += ch;
  return s;
}

inline const std::vector<FailingCase> kFailingCases = {
    // Tables and columns the merge reads are missing.
    {"NoDodatkiTable", [](PackageSpec& p) { p.dropTable("Dodatki"); }, "no table 'Dodatki'"},
    {"NoProducerTable", [](PackageSpec& p) { p.dropTable("info_producent"); }, "no table 'info_producent'"},
    {"DodatkiWithoutNazwa", [](PackageSpec& p) { p.dodatki().dropColumn("Nazwa"); }, "no column 'Nazwa'"},
    {"DodatkiWithoutKolor", [](PackageSpec& p) { p.dodatki().dropColumn("Kolor"); }, "no column 'Kolor'"},
    {"ProducersWithoutOsoba", [](PackageSpec& p) { p.producers().dropColumn("osoba"); }, "no column 'osoba'"},
    // Columns of another type than the installed ones.
    {"IdAsText",
     [](PackageSpec& p) {
       p.dodatki().primaryKeyColumn.clear();
       p.dodatki().retype("ID", jet::ColumnType::Text, 10,
                          [](const jet::Value& v) { return jet::Value{std::to_string(std::get<int32_t>(v))}; });
     },
     "takes whole numbers"},
    {"WysokoscAsNumber",
     [](PackageSpec& p) {
       p.dodatki().retype("Wysokosc", jet::ColumnType::Long, 0, [](auto&) { return jet::Value{int32_t{120}}; });
     },
     "takes text"},
    {"NazwaAsYesNo",
     [](PackageSpec& p) {
       p.dodatki().retype("Nazwa", jet::ColumnType::Boolean, 0, [](auto&) { return jet::Value{true}; });
     },
     "takes text"},
    {"ProducentAsNumber",
     [](PackageSpec& p) {
       p.producers().retype("Producent", jet::ColumnType::Long, 0, [](auto&) { return jet::Value{int32_t{7}}; });
     },
     "takes text"},
    {"DodatekWstAsText",
     [](PackageSpec& p) {
       p.dodatki().retype("Dodatek_wst", jet::ColumnType::Text, 3,
                          [](auto&) { return jet::Value{std::string("tak")}; });
     },
     "takes Yes/No values"},
    // Texts longer than the installed columns, from wider package columns.
    {"NazwaLongerThan100",
     [](PackageSpec& p) {
       p.dodatki().column("Nazwa").maxChars = 150;
       p.dodatki().rows[1]["Nazwa"] = nChars(101, "n");
     },
     "too long"},
    {"AccessoryProducentLongerThan30",
     [](PackageSpec& p) {
       p.dodatki().column("Producent").maxChars = 50;
       p.dodatki().rows[0]["Producent"] = nChars(31, "P");
     },
     "too long"},
    {"KodLongerThan10",
     [](PackageSpec& p) {
       p.producers().column("kod").maxChars = 20;
       p.producers().rows[0]["kod"] = std::string("30-001 Kraków");
     },
     "too long"},
    // 51 characters outside the BMP are 102 UTF-16 units, too many for 100.
    {"NazwaOver100Utf16Units",
     [](PackageSpec& p) {
       p.dodatki().column("Nazwa").maxChars = 255;
       p.dodatki().rows[0]["Nazwa"] = nChars(51, "\xF0\x9F\xAA\x91");
     },
     "too long"},
    // Nulls in the columns the installed tables require.
    {"NullId",
     [](PackageSpec& p) {
       p.dodatki().primaryKeyColumn.clear();
       p.dodatki().setNull(1, "ID");
     },
     "requires a value"},
    {"NullNazwa", [](PackageSpec& p) { p.dodatki().setNull(0, "Nazwa"); }, "requires a value"},
    {"NullAccessoryProducent", [](PackageSpec& p) { p.dodatki().setNull(1, "Producent"); }, "requires a value"},
    {"NullKolor", [](PackageSpec& p) { p.dodatki().setNull(1, "Kolor"); }, "requires a value"},
    {"NullProducerKey", [](PackageSpec& p) { p.producers().setNull(0, "Producent"); }, "requires a value"},
    {"NullProducerOsoba", [](PackageSpec& p) { p.producers().setNull(0, "osoba"); }, "requires a value"},
};

inline const std::vector<AcceptedCase> kAcceptedCases = {
    // A record carrying the deletion marker is never written, so its nulls
    // and long texts do no harm; here it removes the installed accessory 5.
    {"MarkedRecordWithNullsAndLongTexts",
     [](PackageSpec& p) {
       auto& d = p.dodatki();
       d.primaryKeyColumn.clear();
       d.column("Producent").maxChars = 50;
       d.rows.push_back(d.rows[0]);
       d.rows.back()["ID"] = int32_t{5};
       d.rows.back()["Nazwa"] = std::string("DELETE");
       d.rows.back()["Producent"] = nChars(40, "P");
       d.setNull(2, "Kolor");
       d.rows.push_back(d.rows[2]);
       d.rows.back()["ID"] = jet::Value{};
       d.nullable.push_back("ID");
     },
     {"1/new", "9/new"}},
    // A package that only removes accessories needs no other column: the
    // merge reads a record's other columns only when it writes the record.
    {"MarkersOnlyWithoutTheOtherColumns",
     [](PackageSpec& p) {
       auto& d = p.dodatki();
       std::vector<std::string> others;
       for (const auto& c : d.columns)
         if (c.name != "ID" && c.name != "Nazwa") others.push_back(c.name);
       for (const auto& c : others) d.dropColumn(c);
       d.rows = {Values{{"ID", int32_t{5}}, {"Nazwa", std::string("DELETE")}}};
     },
     {"1/old"},
     {}},
    // Of package records sharing a key only the first is written.
    {"DuplicateIdsFirstWins",
     [](PackageSpec& p) {
       auto& d = p.dodatki();
       d.primaryKeyColumn.clear();
       d.rows.push_back(d.rows[1]);
       d.rows.back()["Grupa"] = std::string("dup");
       d.rows.insert(d.rows.begin(), d.rows[0]);
       d.rows[1]["Grupa"] = std::string("dup");
     }},
    {"DuplicateProducersFirstWins",
     [](PackageSpec& p) {
       auto& r = p.producers().rows;
       r.push_back(r[0]);
       r.back()["Ulica"] = std::string("dup");
     }},
    // Wider columns, texts at the installed limits counted in UTF-16 units.
    {"WiderColumnsWithFittingTexts",
     [](PackageSpec& p) {
       for (auto& t : p.tables)
         for (auto& c : t.columns)
           if (c.type == jet::ColumnType::Text) c.maxChars = 255;
       p.dodatki().rows[0]["Nazwa"] = nChars(100, "ż");
       p.dodatki().rows[1]["Nazwa"] = nChars(50, "\xF0\x9F\xAA\x91");
       p.dodatki().rows[1]["Kod_Wstawiania"] = std::string("ĄĘŁ");
       p.producers().rows[0]["kod"] = std::string("30-001 Kr");
     }},
    // A column the installed tables lack is left behind.
    {"ExtraColumn",
     [](PackageSpec& p) {
       p.dodatki().columns.push_back({"Uwagi", jet::ColumnType::Text, 50});
       for (auto& r : p.dodatki().rows) r["Uwagi"] = std::string("uwaga");
     }},
    // Jet names are the same names in any letter case.
    {"NamesInOtherCase",
     [](PackageSpec& p) {
       p.dodatki().column("Nazwa").name = "nazwa";
       for (auto& r : p.dodatki().rows) r["nazwa"] = r["Nazwa"], r.erase("Nazwa");
       p.dodatki().name = "DODATKI";
     }},
    // A number in the Yes/No column is taken as Yes when not 0, as Jet does.
    {"DodatekWstAsNumber",
     [](PackageSpec& p) {
       p.dodatki().retype("Dodatek_wst", jet::ColumnType::Long, 0,
                          [](const jet::Value& v) { return jet::Value{std::get<bool>(v) ? int32_t{-1} : int32_t{0}}; });
     }},
};

}  // namespace test::packagedb
