#pragma once
// Building and reading accessory databases in tests, on any engine.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "accessorydb/accessory_db.h"
#include "accessorydb/engine.h"
#include "accessorydb/schema.h"
#include "platform/env.h"

namespace test {

using Row = std::vector<accessorydb::FieldValue>;

enum class EngineKind { Memory, Jet };
std::string engineKindName(EngineKind kind);

// The engine a test runs on, with a look into the files it made.
class EngineUnderTest {
 public:
  virtual ~EngineUnderTest() = default;
  virtual accessorydb::Engine& engine() = 0;
  virtual std::vector<std::string> tableNames(const std::string& path) = 0;
  virtual std::vector<std::string> columnNames(const std::string& path, const std::string& table) = 0;
  // Columns of the table's primary key; empty when it has none.
  virtual std::vector<std::string> primaryKey(const std::string& path, const std::string& table) = 0;
};

std::unique_ptr<EngineUnderTest> makeEngine(EngineKind kind, platform::Env& env);

// A producer row whose Ulica tells which record it came from.
Row producer(const std::string& key, const std::string& nazwa, const std::string& tag);
// An accessory row whose Grupa tells which record it came from.
Row accessory(int32_t id, const std::string& nazwa, const std::string& tag);

// All rows of a table, columns in table order, rows in storage order.
std::vector<Row> readRows(accessorydb::Engine& engine, const std::string& path, const std::string& table);
void insertRows(accessorydb::Engine& engine, const std::string& path, const std::string& table,
                const std::vector<Row>& rows);
// A new accessory database holding the rows given.
void makeDatabase(accessorydb::Engine& engine, platform::Env& env, const std::string& path,
                  const std::vector<Row>& producers, const std::vector<Row>& accessories);

// The same with each table definition changed by adjust before it is added
// (a wider column, no key, another name); rows are only inserted into tables
// that are given some.
void makeDatabaseWith(accessorydb::Engine& engine, platform::Env& env, const std::string& path,
                      const std::function<void(accessorydb::TableObject&)>& adjust, const std::vector<Row>& producers,
                      const std::vector<Row>& accessories);

// "key/tag" for each row (key: Producent or ID; tag: Ulica or Grupa, both the
// third column).
std::vector<std::string> keyTags(const std::vector<Row>& rows);

}  // namespace test
