#include "accessorydb/package_db_check.h"

#include <cstdint>
#include <set>

#include "accessorydb/first_positions.h"
#include "accessorydb/schema.h"

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
std::string refusal(const ColumnSpec& c, const ValueShape& v) {
  using Kind = ValueShape::Kind;
  switch (c.type) {
    case adBoolean:
      // A null becomes No and a number is Yes unless 0, as the engine stores them.
      if (v.kind == Kind::Text) return "the installed column takes Yes/No values";
      return {};
    case adInteger:
      if (v.kind == Kind::Null) return "the installed column requires a value";
      if (v.kind != Kind::Integer) return "the installed column takes whole numbers";
      return {};
    default: {
      if (v.kind == Kind::Null) return "the installed column requires a value";
      if (v.kind != Kind::Text) return "the installed column takes text";
      if (v.textUnits > static_cast<size_t>(c.definedSize))
        return "text of " + std::to_string(v.textUnits) +
               " characters is too long (the installed column takes at most " + std::to_string(c.definedSize) + ")";
      return {};
    }
  }
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
            key_, rowNumber, [] { return std::string(); }, [&] { key = cursor.value(key_); }))
      return false;
    // Named only in findings, which few rows have.
    const auto where = [&] {
      std::string text = "table '" + table_ + "', row " + std::to_string(rowNumber) + " (" + key_ + " ";
      text += std::holds_alternative<std::monostate>(key) ? "empty" : shown(key);
      return text + ")";
    };
    FieldValue nazwaValue;
    if (!readColumn(kColumnNazwa, rowNumber, where, [&] { nazwaValue = cursor.value(kColumnNazwa); })) return false;
    if (valueAsText(nazwaValue) == kDeletionMarker) {
      ++counts_.markers;
      return true;
    }
    if (!firstRowOfKey_.add(key, rowNumber)) {
      if (++unwritten_ <= kFindingsShownPerTable)
        report_.warnings.push_back(where() + " will never be written: an earlier row has the same " + key_ +
                                   ", and only the first is written");
      return true;
    }
    ++counts_.written;
    checkValues(cursor, rowNumber, where);
    return true;
  }

  // Values are measured, not decoded: only a refused one is read, to be
  // shown. The columns are measured together; a row where that fails is
  // gone through column by column to find the one that cannot be read.
  template <typename Where>
  void checkValues(TableCursor& cursor, size_t rowNumber, const Where& where) {
    if (readableFor_ != unreadable_.size()) {  // unreadable_ only grows
      readable_.clear();
      readableNames_.clear();
      for (const auto& c : columns_)
        if (!unreadable_.count(c.name)) {
          readable_.push_back(&c);
          readableNames_.push_back(c.name);
        }
      readableFor_ = unreadable_.size();
    }
    try {
      cursor.shapes(readableNames_, shapes_);
    } catch (const EngineError&) {
      for (const auto* c : readable_) {
        ValueShape v;
        if (readColumn(c->name, rowNumber, where, [&] { v = cursor.shape(c->name); })) checkValue(cursor, *c, v, where);
      }
      return;
    }
    for (size_t i = 0; i < readable_.size(); ++i) checkValue(cursor, *readable_[i], shapes_[i], where);
  }

  template <typename Where>
  void checkValue(TableCursor& cursor, const ColumnSpec& c, const ValueShape& v, const Where& where) {
    if (auto why = refusal(c, v); !why.empty())
      problem(where() + ", column '" + c.name + "': " + why + "; value " + shown(cursor.value(c.name)));
  }

  // A column the merge cannot read fails it once, whatever the row.
  // `where` names the row in a finding; without it, the row number does.
  template <typename Where, typename Read>
  bool readColumn(const std::string& column, size_t rowNumber, const Where& where, const Read& read) {
    try {
      read();
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
  FirstPositions firstRowOfKey_;
  std::set<std::string> unreadable_;
  // The columns not in unreadable_, as of its size readableFor_.
  std::vector<const ColumnSpec*> readable_;
  size_t readableFor_ = SIZE_MAX;
  std::vector<std::string> readableNames_;
  std::vector<ValueShape> shapes_;
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
