#include "accessorydb/schema.h"

#include "base/utf.h"

namespace accessorydb {

const std::vector<ColumnSpec>& producentColumns() {
  static const std::vector<ColumnSpec> columns = {
      {"Producent", adVarWChar, 50}, {"Nazwa", adVarWChar, 50},  {"Ulica", adVarWChar, 50},
      {"Miasto", adVarWChar, 50},    {"kod", adVarWChar, 10},    {"Tel", adVarWChar, 50},
      {"Fax", adVarWChar, 50},       {"e_mail", adVarWChar, 50}, {"osoba", adVarWChar, 50},
  };
  return columns;
}

const std::vector<ColumnSpec>& dodatkiColumns() {
  static const std::vector<ColumnSpec> columns = {
      {"ID", adInteger, 0},
      {"Producent", adVarWChar, 30},
      {"Grupa", adVarWChar, 30},
      {"Typ", adVarWChar, 30},
      {"Nazwa", adVarWChar, 100},
      {"JPG", adVarWChar, 30},
      {"Kod_Producenta", adVarWChar, 30},
      {"Dodatek_wst", adBoolean, 0},
      {"Kod_Wstawiania", adVarWChar, 3},
      {"Kolor", adVarWChar, 30},
      {"DWG", adVarWChar, 30},
      {"Wysokosc", adVarWChar, 10},
      {"Opis_Produktu", adVarWChar, 255},
      {"Kod_Dodatku1", adVarWChar, 30},
      {"Kod_Dodatku2", adVarWChar, 30},
      {"Kod_Dodatku3", adVarWChar, 30},
      {"Kod_Dodatku4", adVarWChar, 30},
      {"Opis_Koloru", adVarWChar, 255},
      {"cena", adVarWChar, 50},
      {"vat", adVarWChar, 50},
      {"marza", adVarWChar, 50},
      {"upust", adVarWChar, 50},
      {"kolorystyka", adVarWChar, 50},
      {"wymiar X", adVarWChar, 50},
      {"wymiar Y", adVarWChar, 50},
      {"wymiar Z", adVarWChar, 50},
      {"typ_standardowy", adVarWChar, 250},
  };
  return columns;
}

std::string valueAsText(const FieldValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
  return {};
}

bool valuesEqual(const FieldValue& a, const FieldValue& b) { return a == b; }

// The kind tags keep a null, a text and a number apart.
std::string lookupKey(const FieldValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return 'T' + *s;
  if (const auto* i = std::get_if<int32_t>(&v)) return 'I' + std::to_string(*i);
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "B1" : "B0";
  return "N";
}

std::string TableCursor::asText(const std::string& column) const { return valueAsText(value(column)); }

ValueShape TableCursor::shape(const std::string& column) const {
  const FieldValue v = value(column);
  if (const auto* s = std::get_if<std::string>(&v)) return {ValueShape::Kind::Text, base::utf16Units(*s)};
  if (std::holds_alternative<int32_t>(v)) return {ValueShape::Kind::Integer};
  if (std::holds_alternative<bool>(v)) return {ValueShape::Kind::YesNo};
  return {};
}

void TableCursor::shapes(const std::vector<std::string>& columns, std::vector<ValueShape>& out) const {
  out.clear();
  for (const auto& c : columns) out.push_back(shape(c));
}

void TableCursor::postCopy(const TableCursor& source, const std::vector<std::string>& columns) {
  insert();
  for (const auto& c : columns) set(c, source.value(c));
  post();
}

}  // namespace accessorydb
