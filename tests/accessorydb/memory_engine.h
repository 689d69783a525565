#pragma once
// A database engine that keeps its tables in memory, for testing the merges
// without the Jet engine. It refuses what the Jet engine refuses: nulls in
// text and integer columns, over-long texts (in UTF-16 units), duplicate
// primary keys, unknown tables and columns. Each database has a small marker
// file on disk so file tests, deletion and "not a database" behave as with
// real files.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "accessorydb/engine.h"
#include "platform/env.h"

namespace test {

class MemoryEngine : public accessorydb::Engine {
 public:
  struct Table {
    accessorydb::TableObject def;
    int keyColumn = -1;
    std::vector<std::vector<accessorydb::FieldValue>> rows;
    std::set<accessorydb::FieldValue> keys;  // primary key values stored
  };
  struct Database {
    std::vector<Table> tables;
  };

  explicit MemoryEngine(platform::Env& env) : env_(env) {}

  std::unique_ptr<accessorydb::Catalogue> makeCatalogue() override;
  std::unique_ptr<accessorydb::Connection> openConnection(const std::string& path, bool writable) override;

  // The database behind the marker file at path; EngineError when none.
  std::shared_ptr<Database> databaseAt(const std::string& path);
  // Writes a new marker file at path and returns its empty database.
  std::shared_ptr<Database> createAt(const std::string& path);

 private:
  platform::Env& env_;
  std::vector<std::shared_ptr<Database>> databases_;
};

}  // namespace test
