#pragma once
// The database operations the accessory database needs, and nothing more. The
// logic above builds and runs on any engine put behind these classes: the
// project's own Jet 4 engine in the product, an in-memory one in unit tests.
//
// Every operation either succeeds or throws EngineError with a message text;
// callers never look at a failure beyond that text.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace accessorydb {

class EngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A column value: null, a 32-bit integer, a Yes/No, or a text (UTF-8).
using FieldValue = std::variant<std::monostate, int32_t, bool, std::string>;

// ADO data type and key type codes, as the column and key definitions carry them.
inline constexpr int adInteger = 3;
inline constexpr int adBoolean = 11;
inline constexpr int adVarWChar = 202;
inline constexpr int adKeyPrimary = 1;

// What a column value is, short of a text's characters: what a check of
// many rows against the columns needs.
struct ValueShape {
  enum class Kind { Null, Integer, YesNo, Text } kind = Kind::Null;
  size_t textUnits = 0;  // a text's length in UTF-16 units
};

class Catalogue;

// Definitions for building a new database. They exist only while a database
// is being built and are plain values; a column remembers the catalogue it was
// made for.
struct ColumnObject {
  const Catalogue* parentCatalog = nullptr;
  std::string name;
  int type = 0;
  int definedSize = 0;  // characters for text; not set for integers
};

struct KeyObject {
  std::string name;
  int type = 0;
  std::vector<std::string> columns;
};

struct TableObject {
  std::string name;
  std::vector<ColumnObject> columns;
  std::vector<KeyObject> keys;
};

// The handle of a database being built. Destroying it releases the file.
class Catalogue {
 public:
  virtual ~Catalogue() = default;
  // Creates a new empty Jet 4.0 database file; the catalogue stays bound to it.
  virtual void createDatabase(const std::string& path) = 0;
  // Rebinds the catalogue to a read-write, share-deny-none connection on path.
  virtual void setConnection(const std::string& path) = 0;
  // Adds the table with its columns (in order) and keys to the database.
  virtual void appendTable(const TableObject& table) = 0;
  // Writes all of the database to the file and makes it durable; fails when
  // the file cannot be written (a full disk).
  virtual void close() {}
};

// A cursor over all rows of one table, in storage order, with no filter and no
// sort. A row posted through an updatable cursor is reached by every later scan
// of that cursor from its first row.
class TableCursor {
 public:
  virtual ~TableCursor() = default;
  virtual void first() = 0;
  virtual void next() = 0;
  [[nodiscard]] virtual bool atEnd() const = 0;
  // The current row's value; fails for a column the table lacks or at the end.
  [[nodiscard]] virtual FieldValue value(const std::string& column) const = 0;
  // The current row's value as text: a text unchanged, an integer in decimal,
  // null as the empty text.
  [[nodiscard]] std::string asText(const std::string& column) const;
  // The current row's value's shape; fails as value() does. An engine may
  // measure a text without decoding it.
  [[nodiscard]] virtual ValueShape shape(const std::string& column) const;
  // The shapes of several columns, in the order named; fails as value() does
  // for the first column that cannot be read.
  virtual void shapes(const std::vector<std::string>& columns, std::vector<ValueShape>& out) const;
  // The current row's place; moveTo comes back to it. Valid while no row is
  // posted through this cursor.
  [[nodiscard]] virtual uint64_t bookmark() const = 0;
  virtual void moveTo(uint64_t bookmark) = 0;

  // Begins a new empty row (updatable cursor only).
  virtual void insert() = 0;
  // Sets a column of the new row; fails for a column the table lacks.
  virtual void set(const std::string& column, const FieldValue& v) = 0;
  // Stores the new row in the file at once. Fails, storing nothing, when a text
  // or integer column is null, a text is longer than its column (in UTF-16
  // units) or the primary key value already exists.
  virtual void post() = 0;
  // Stores a new row holding the source cursor's current values of `columns`,
  // as insert(), set() of each column and post() would; an engine may copy
  // the stored row whole where that gives the same row.
  virtual void postCopy(const TableCursor& source, const std::vector<std::string>& columns);
};

// A live connection to one database file. Destroying it closes it; cursors
// must be destroyed first.
class Connection {
 public:
  virtual ~Connection() = default;
  // Opens a cursor on a table, positioned on its first row; fails for a table
  // the file lacks.
  [[nodiscard]] virtual std::unique_ptr<TableCursor> openTable(const std::string& table, bool updatable) = 0;
  // Writes every posted row to the file and makes it durable; fails when the
  // file cannot be written (a full disk). Posted rows may be held in memory
  // until then: a caller that renames or hands on the file calls it first.
  virtual void close() {}
};

class Engine {
 public:
  virtual ~Engine() = default;
  [[nodiscard]] virtual std::unique_ptr<Catalogue> makeCatalogue() = 0;
  // Opens an existing database file; fails when it is missing or not a
  // database. writable: rows will be posted through this connection (the
  // others only read, and leave the file untouched).
  [[nodiscard]] virtual std::unique_ptr<Connection> openConnection(const std::string& path, bool writable) = 0;
};

}  // namespace accessorydb
