#pragma once
// The project's own Microsoft Jet 4.0 (.mdb) engine: reads every Jet 4 file,
// creates new ones and appends rows to tables of Text, Long and Yes/No columns
// with a single-column Long primary key. Knows nothing of the installer.
//
// All file access goes through platform::Env. Every failure, damaged files
// included, is a jet::Error with a message that says what went wrong.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "platform/env.h"

namespace jet {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class ColumnType : uint8_t {
  Boolean = 0x01,
  Byte = 0x02,
  Integer = 0x03,
  Long = 0x04,
  Currency = 0x05,
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,
  Binary = 0x09,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
  Guid = 0x0F,
  Numeric = 0x10,
};

// Raw bytes of Binary, OLE and Decimal values.
using Bytes = std::vector<uint8_t>;

// A column value:
//   monostate  null
//   int32_t    Long, Integer, Byte
//   bool       Yes/No
//   string     Text, Memo (UTF-8); GUID as "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
//   double     Single, Double, Date/Time (days since 1899-12-30)
//   int64_t    Currency (value x 10000)
//   Bytes      Binary, OLE, Decimal (the 17 stored bytes)
using Value = std::variant<std::monostate, int32_t, bool, std::string, double, int64_t, Bytes>;

struct ColumnDef {
  std::string name;
  ColumnType type;
  uint16_t maxChars = 0;  // text: defined size in characters
};

struct TableDef {
  std::string name;
  std::vector<ColumnDef> columns;
  std::string primaryKeyName;  // "" = no key
  std::string primaryKeyColumn;
};

struct ColumnInfo {
  std::string name;
  ColumnType type;
  uint16_t maxChars = 0;         // text: size in characters; 0 otherwise
  bool required = false;         // "Required" property set (nulls refused)
  bool allowZeroLength = false;  // "AllowZeroLength" property set (empty texts accepted)
  uint16_t sizeBytes = 0;        // stored length from the definition
  uint8_t flags = 0;             // column flags byte of the definition
  bool fixed = false;            // stored in the fixed area
  bool compressed = false;       // Unicode compression allowed
  uint16_t number = 0;           // column number (null-mask bit)
};

struct IndexInfo {
  std::string name;
  std::vector<std::string> columns;
  bool primaryKey = false;
  bool unique = false;
  bool foreignKey = false;  // the referencing side of a relationship
};

struct TableSchema {
  std::string name;
  std::vector<ColumnInfo> columns;  // in column-number order
  std::vector<IndexInfo> indexes;
  uint32_t rowCount = 0;  // as stored in the table definition
};

// What a stored value is, short of its characters: enough to check it against
// a column without decoding it.
struct ValueShape {
  ColumnType type;       // the column's
  bool null = false;     // never for Yes/No
  size_t textUnits = 0;  // Text and Memo: the length in UTF-16 units
};

// A scan over one table, rows in storage order.
class Cursor {
 public:
  virtual ~Cursor();
  virtual void first() = 0;
  virtual void next() = 0;
  [[nodiscard]] virtual bool atEnd() const = 0;
  // Value of a column of the current row; Error when the column is unknown or
  // the cursor is at the end.
  [[nodiscard]] virtual Value get(const std::string& column) const = 0;
  // The same value's shape; Errors as get().
  [[nodiscard]] virtual ValueShape shape(const std::string& column) const = 0;
  // The shapes of several columns, in the order named: for checks that look
  // at every column of many rows. Errors as get().
  virtual void shapes(const std::vector<std::string>& columns, std::vector<ValueShape>& out) const = 0;
  // The current row's place in the table; moveTo comes back to it. Valid
  // while no row is added to the table through this cursor.
  [[nodiscard]] virtual uint64_t bookmark() const = 0;
  virtual void moveTo(uint64_t bookmark) = 0;

  // Begins a new empty row (updatable cursor only).
  virtual void insert() = 0;
  // Sets a column of the new row; Error for an unknown column.
  virtual void set(const std::string& column, Value v) = 0;
  // Stores the new row at once. On Error (null in a required column, text
  // longer than the column, duplicate primary key, value of the wrong kind)
  // nothing is stored and the file stays as it was.
  virtual void post() = 0;
  // Stores a copy of the source cursor's current row as it is stored, with
  // the checks of post(). Only for a source table whose rows are laid out as
  // this table's (the same columns in the same places) and hold no Memo or
  // OLE values: for any other it stores nothing and returns false, and the
  // caller copies the row value by value.
  virtual bool postCopyOf(const Cursor& source) = 0;
};

class Database {
 public:
  virtual ~Database();

  // Opens an existing Jet 4 file, sharing it with other readers and writers.
  // A read-only database never writes to the file.
  [[nodiscard]] static std::unique_ptr<Database> open(platform::Env& env, const std::string& path, bool writable);
  // Creates a new empty Jet 4.0 database; fails when the file exists.
  [[nodiscard]] static std::unique_ptr<Database> create(platform::Env& env, const std::string& path);

  // User tables, in catalogue order.
  [[nodiscard]] virtual std::vector<std::string> tableNames() = 0;
  // System tables included (names starting "MSys").
  [[nodiscard]] virtual std::vector<std::string> allTableNames() = 0;
  [[nodiscard]] virtual TableSchema schema(const std::string& table) = 0;
  // Adds a table of Text, Long and Yes/No columns; text and integer columns are
  // required. With primaryKeyName set, a primary key over primaryKeyColumn
  // (a Long column).
  virtual void createTable(const TableDef& def) = 0;
  [[nodiscard]] virtual std::unique_ptr<Cursor> openTable(const std::string& name, bool updatable) = 0;
  // Writes every row posted so far and makes the file durable; Error when the
  // file cannot be written (a full disk). Rows are held in memory until then,
  // so a caller that needs the file complete calls it: the destructor still
  // writes them, but cannot report a failure.
  virtual void flush() = 0;
};

}  // namespace jet
