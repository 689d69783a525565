// A row's values checked against the table's columns before anything is
// written, each brought to the kind it is stored as.
#include "base/utf.h"
#include "jet/bytes.h"
#include "jet/database_impl.h"
#include "jet/row_codec.h"
#include "jet/text_codec.h"

namespace jet::detail {
namespace {

constexpr int32_t kByteMax = 255;
constexpr int32_t kIntegerMin = -32768;
constexpr int32_t kIntegerMax = 32767;

struct ColumnOf {
  const ColumnDesc& column;
  const std::string& table;
  [[noreturn]] void wrongKind(const char* want) const {
    fail("column '" + column.name + "' of table '" + table + "' takes " + want);
  }
};

void checkWholeNumber(const ColumnOf& c, const Value& v) {
  auto* n = std::get_if<int32_t>(&v);
  if (!n) c.wrongKind("whole numbers");
  const ColumnType type = c.column.type;
  if ((type == ColumnType::Byte && (*n < 0 || *n > kByteMax)) ||
      (type == ColumnType::Integer && (*n < kIntegerMin || *n > kIntegerMax)))
    fail("value " + std::to_string(*n) + " is out of range for column '" + c.column.name + "' of table '" + c.table +
         "'");
}

void checkTextLength(const ColumnOf& c, size_t chars) {
  size_t maxChars = c.column.length / 2;
  if (chars > maxChars)
    fail("text of " + std::to_string(chars) + " characters is too long for column '" + c.column.name + "' of table '" +
         c.table + "' (at most " + std::to_string(maxChars) + ")");
}

void checkText(const ColumnOf& c, const Value& v) {
  auto* s = std::get_if<std::string>(&v);
  if (!s) c.wrongKind("text");
  checkTextLength(c, base::utf16Units(*s));  // the encoding refuses invalid UTF-8
}

void checkBinaryLength(const ColumnOf& c, size_t size) {
  if (size > c.column.length) fail("binary value too long for column '" + c.column.name + "'");
}

// A value that is not null.
void checkPresentValue(const ColumnOf& c, const Value& v) {
  switch (c.column.type) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long: checkWholeNumber(c, v); break;
    case ColumnType::Text: checkText(c, v); break;
    case ColumnType::Memo:
      if (!std::holds_alternative<std::string>(v)) c.wrongKind("text");
      utf16Length(std::get<std::string>(v));  // rejects invalid UTF-8
      break;
    case ColumnType::Currency:
      if (!std::holds_alternative<int64_t>(v)) c.wrongKind("currency values (int64, x10000)");
      break;
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::DateTime:
      if (!std::holds_alternative<double>(v)) c.wrongKind("floating-point values");
      break;
    case ColumnType::Binary:
    case ColumnType::Ole:
      if (!std::holds_alternative<Bytes>(v)) c.wrongKind("binary values");
      if (c.column.type == ColumnType::Binary) checkBinaryLength(c, std::get<Bytes>(v).size());
      break;
    default: fail("column '" + c.column.name + "' of table '" + c.table + "' has a type this engine cannot write");
  }
}

}  // namespace

void DatabaseImpl::checkValues(TableWriter& t, std::vector<Value>& values) {
  for (size_t i = 0; i < t.def.columns.size(); ++i) {
    const ColumnOf c{t.def.columns[i], t.name};
    Value& v = values[i];
    if (c.column.type == ColumnType::Boolean) {
      if (std::holds_alternative<std::monostate>(v))
        v = false;  // Yes/No cannot hold null
      else if (auto* n = std::get_if<int32_t>(&v))
        v = *n != 0;
      else if (!std::holds_alternative<bool>(v))
        c.wrongKind("Yes/No values");
    } else if (std::holds_alternative<std::monostate>(v)) {
      if (t.required[i]) fail("column '" + c.column.name + "' of table '" + t.name + "' requires a value (null given)");
    } else {
      checkPresentValue(c, v);
    }
  }
}

// The same checks on a row copied as stored: a row read from another table
// may break this table's rules (a damaged or foreign file). Only the index
// columns are decoded, for the keys.
std::vector<Value> DatabaseImpl::checkStoredRow(TableWriter& t, const RowLayout& row) {
  std::vector<Value> keyValues(t.def.columns.size());
  for (size_t i = 0; i < t.def.columns.size(); ++i) {
    const ColumnOf c{t.def.columns[i], t.name};
    const RowLayout::Stored v = row.stored(i);
    if (c.column.type == ColumnType::Boolean) continue;
    if (!v.present) {
      if (t.required[i]) fail("column '" + c.column.name + "' of table '" + t.name + "' requires a value (null given)");
      continue;
    }
    if (c.column.type == ColumnType::Text) checkTextLength(c, storedTextUnits(v.bytes, v.size));
    if (c.column.type == ColumnType::Binary) checkBinaryLength(c, v.size);
  }
  for (const auto& ri : t.def.realIndexes)
    for (const auto& ic : ri.columns)
      for (size_t i = 0; i < t.def.columns.size(); ++i)
        if (t.def.columns[i].number == ic.number) keyValues[i] = row.column(i, *file_);  // never a long value
  return keyValues;
}

}  // namespace jet::detail
