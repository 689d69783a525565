#pragma once
// The two tables of dodatki.mdb and the value rules the merges use.
#include <string>
#include <string_view>
#include <vector>

#include "accessorydb/engine.h"

namespace accessorydb {

struct ColumnSpec {
  const char* name;
  int type;
  int definedSize;
};

inline constexpr const char* kTableProducent = "info_producent";
inline constexpr const char* kTableDodatki = "Dodatki";
inline constexpr const char* kPrimaryKeyName = "Primary";
inline constexpr const char* kColumnId = "ID";
inline constexpr const char* kColumnProducent = "Producent";
inline constexpr const char* kColumnNazwa = "Nazwa";
// A Nazwa of exactly this text asks the merge to leave records out.
inline constexpr const char* kDeletionMarker = "DELETE";

// Columns in creation order, which is also the table's column order and the
// order in which the merges set them.
const std::vector<ColumnSpec>& producentColumns();
const std::vector<ColumnSpec>& dodatkiColumns();

// Null is the empty text, an integer its decimal form, a Yes/No "True"/"False".
std::string valueAsText(const FieldValue& v);
// Nulls equal each other and nothing else; texts compare by their characters
// exactly; integers numerically.
bool valuesEqual(const FieldValue& a, const FieldValue& b);
// A map key that two values share exactly when valuesEqual holds for them:
// the merges find records by it instead of scanning.
std::string lookupKey(const FieldValue& v);

}  // namespace accessorydb
