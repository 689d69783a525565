#pragma once
// Whether a package's dodatki.mdb can be merged into the installed tables:
// the rows the merge will write and the values it will copy, judged by the
// rules the installed columns enforce. The installer runs it before merging
// and pack before packing, so both refuse a package for the same reason.
//
// The check reads a package table the way the merge does: the key and Nazwa
// of every row, the copied columns only of rows that will be written (the
// first unmarked row of each key). A table of deletion markers alone may
// therefore lack every other column.
#include <cstddef>
#include <string>
#include <vector>

#include "accessorydb/engine.h"

namespace accessorydb {

struct PackageTableCounts {
  size_t rows = 0;
  size_t markers = 0;  // rows whose Nazwa is the deletion marker
  size_t written = 0;  // rows the merge will write
};

struct PackageDbReport {
  // Each says what the installer would fail on: table, column, row key and
  // value. Empty when the package database can be merged.
  std::vector<std::string> problems;
  // Rows that will never be written, because an earlier row has their key.
  std::vector<std::string> warnings;
  PackageTableCounts producers;
  PackageTableCounts accessories;

  bool usable() const { return problems.empty(); }
};

// Reads the package database through its connection; engine failures become
// problems, never exceptions.
PackageDbReport checkPackageDatabase(Connection& package);

// Opens the file first; a file that is no database is a problem too.
PackageDbReport checkPackageDatabaseFile(Engine& engine, const std::string& path);

// For the merge: fails with the first problem's text when there is one.
void requireUsablePackage(Connection& package);

}  // namespace accessorydb
