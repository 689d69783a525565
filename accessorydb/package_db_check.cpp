#include "accessorydb/package_db_check.h"

#include <set>
#include <unordered_set>

#include "accessorydb/schema.h"
#include "base/utf.h"

namespace accessorydb {
namespace {

// Findings beyond this many per table are only counted: one bad column in a
// big catalogue would otherwise print a line per row.
constexpr size_t kFindingsShownPerTable = 20;

std::string shortened(const std::string& text) {
  constexpr size_t kMax = 40;
  if (text.size() <= kMax) return text;
  size_t cut = kMax;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole characters only
  return text.substr(0, cut) + "...";
}

std::string shown(const FieldValue& v) {
  if (std::holds_alternative<std::monostate>(v)) return "empty (null)";
  if (const auto* s = std::get_if<std::string>(&v)) return "\"" + shortened(*s) + "\"";
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "Yes" : "No";
  return valueAsText(v);
}

// Why the installed column refuses the value, in the engine's own words where
// it has them; empty when the value fits.
std::string refusal(const ColumnSpec& c, const FieldValue& v) {
  const bool isNull = std::holds_alternative<std::monostate>(v);
  switch (c.type) {
    case adBoolean:
      // A null becomes No and a number is Yes unless 0, as the engine stores them.
      if (std::holds_alternative<std::string>(v)) return "the installed column takes Yes/No values";
      return {};
    case adInteger:
      if (isNull) return "the installed column requires a value";
      if (!std::holds_alternative<int32_t>(v)) return "the installed column takes whole numbers";
      return {};
    default: {
      if (isNull) return "the installed column requires a value";
      const auto* s = std::get_if<std::string>(&v);
      if (!s) return "the installed column takes text";
      const size_t units = base::utf16Units(*s);
      if (units > static_cast<size_t>(c.definedSize))
        return "text of " + std::to_string(units) + " characters is too long (the installed column takes at most " +
               std::to_string(c.definedSize) + ")";
      return {};
    }
  }
}

// A map key that two values share exactly when the merge finds them equal.
std::string lookupKey(const FieldValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return 'T' + *s;
  if (const auto* i = std::get_if<int32_t>(&v)) return 'I' + std::to_string(*i);
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "B1" : "B0";
  return "N";
}

class TableCheck {
 public:
  TableCheck(const char* table, const char* key, const std::vector<ColumnSpec>& columns, PackageDbReport& report,
             PackageTableCounts& counts)
      : table_(table), key_(key), columns_(columns), report_(report), counts_(counts) {}

  void run(Connection& package) {
    std::unique_ptr<TableCursor> cursor;
    try {
      cursor = package.openTable(table_, false);
    } catch (const EngineError& e) {
      problem("table '" + table_ + "': " + e.what());
      return;
    }
    size_t rowNumber = 0;
    try {
      for (cursor->first(); !cursor->atEnd(); cursor->next()) {
        ++rowNumber;
        if (!checkRow(*cursor, rowNumber)) break;
      }
    } catch (const EngineError& e) {
      problem("table '" + table_ + "', after row " + std::to_string(rowNumber) + ": " + e.what());
    }
    if (hidden_ > 0)
      report_.problems.push_back("table '" + table_ + "': " + std::to_string(hidden_) + " more problems not shown");
    if (unwritten_ > kFindingsShownPerTable)
      report_.warnings.push_back("table '" + table_ + "': " + std::to_string(unwritten_ - kFindingsShownPerTable) +
                                 " more rows that will never be written");
  }

 private:
  // False when the table cannot be read further the way the merge reads it.
  bool checkRow(TableCursor& cursor, size_t rowNumber) {
    ++counts_.rows;
    FieldValue key;
    if (!readColumn(
            cursor, key_, rowNumber, [] { return std::string(); }, key))
      return false;
    // Named only in findings, which few rows have.
    const auto where = [&] {
      std::string text = "table '" + table_ + "', row " + std::to_string(rowNumber) + " (" + key_ + " ";
      text += std::holds_alternative<std::monostate>(key) ? "empty" : shown(key);
      return text + ")";
    };
    FieldValue nazwaValue;
    if (!readColumn(cursor, kColumnNazwa, rowNumber, where, nazwaValue)) return false;
    if (valueAsText(nazwaValue) == kDeletionMarker) {
      ++counts_.markers;
      return true;
    }
    if (!firstRowOfKey_.emplace(lookupKey(key)).second) {
      if (++unwritten_ <= kFindingsShownPerTable)
        report_.warnings.push_back(where() + " will never be written: an earlier row has the same " + key_ +
                                   ", and only the first is written");
      return true;
    }
    ++counts_.written;
    for (const auto& c : columns_) {
      if (unreadable_.count(c.name)) continue;
      FieldValue v;
      if (!readColumn(cursor, c.name, rowNumber, where, v)) continue;
      if (auto why = refusal(c, v); !why.empty())
        problem(where() + ", column '" + c.name + "': " + why + "; value " + shown(v));
    }
    return true;
  }

  // A column the merge cannot read fails it once, whatever the row.
  // `where` names the row in a finding; without it, the row number does.
  template <typename Where>
  bool readColumn(TableCursor& cursor, const std::string& column, size_t rowNumber, const Where& where,
                  FieldValue& out) {
    try {
      out = cursor.value(column);
      return true;
    } catch (const EngineError& e) {
      if (unreadable_.insert(column).second) {
        std::string place = where();
        if (place.empty()) place = "table '" + table_ + "', row " + std::to_string(rowNumber);
        problem(place + ", column '" + column + "': " + e.what());
      }
      return false;
    }
  }

  void problem(const std::string& text) {
    if (shownCount_ < kFindingsShownPerTable) {
      report_.problems.push_back(text);
      ++shownCount_;
    } else {
      ++hidden_;
    }
  }

  const std::string table_;
  const std::string key_;
  const std::vector<ColumnSpec>& columns_;
  PackageDbReport& report_;
  PackageTableCounts& counts_;
  std::unordered_set<std::string> firstRowOfKey_;
  std::set<std::string> unreadable_;
  size_t shownCount_ = 0;
  size_t hidden_ = 0;
  size_t unwritten_ = 0;
};

}  // namespace

PackageDbReport checkPackageDatabase(Connection& package) {
  PackageDbReport report;
  // The merge's order: producers first, so the first problem is the one the
  // installer meets first.
  TableCheck(kTableProducent, kColumnProducent, producentColumns(), report, report.producers).run(package);
  TableCheck(kTableDodatki, kColumnId, dodatkiColumns(), report, report.accessories).run(package);
  return report;
}

PackageDbReport checkPackageDatabaseFile(Engine& engine, const std::string& path) {
  std::unique_ptr<Connection> connection;
  try {
    connection = engine.openConnection(path, false);
  } catch (const EngineError& e) {
    PackageDbReport report;
    report.problems.push_back(std::string("not a database the installer can open: ") + e.what());
    return report;
  }
  return checkPackageDatabase(*connection);
}

void requireUsablePackage(Connection& package) {
  const auto report = checkPackageDatabase(package);
  if (!report.usable()) throw EngineError(report.problems.front());
}

}  // namespace accessorydb
