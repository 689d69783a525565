#pragma once
// Reading a database back with mdbtools, a reader independent of ours.
#include <optional>
#include <string>
#include <vector>

#include "tests/accessorydb/adb_fixture.h"

namespace test {

// Whether mdb-export can be run here (not under Wine, not without mdbtools).
bool haveMdbtools();
// The table as mdb-export writes it: the header row (column names in table
// order), then one row of texts per record. Empty when it could not be read.
std::optional<std::vector<std::vector<std::string>>> mdbExport(const std::string& path, const std::string& table);
// A row as mdb-export writes it: Yes/No as 1/0, null as an empty field.
std::vector<std::string> exportTexts(const Row& row);
// Checks that mdb-export reads the table as rows (a no-op without mdbtools).
void expectMdbtoolsReads(const std::string& path, const std::string& table, const std::vector<Row>& rows);

}  // namespace test
