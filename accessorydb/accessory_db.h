#pragma once
// The accessory database dodatki.mdb: creating an empty one and merging the
// package's database with the installed one. The installer window forwards its
// MDBCreate and CopyMdb to this class; pack runs the same code.
#include <memory>
#include <string>

#include "accessorydb/engine.h"
#include "platform/env.h"
#include "report/reporter.h"

namespace accessorydb {

class AccessoryDb {
 public:
  AccessoryDb(ui::Reporter& reporter, platform::Env& env, Engine& engine)
      : reporter_(reporter), env_(env), engine_(engine) {}

  // Creates an empty database with both tables at Name, replacing a file that
  // is there. False (with a level-1 line) when it could not be built; a
  // half-built file is removed.
  [[nodiscard]] bool MDBCreate(const std::string& Name);

  // Merges the package database nw and the installed database od (may be
  // missing) into dn, creating dn when it is missing. False (with a level-1
  // line) on any failure; a destination that received rows is then deleted.
  [[nodiscard]] bool CopyMdb(const std::string& nw, const std::string& od, const std::string& dn);

  // Column definition bound to the catalogue in mdbBase.
  ColumnObject createCol(const std::string& Name, int Typ, int Size);
  TableObject createTableProducent();
  TableObject createTableDodatki();

  // The database being built; held only while MDBCreate runs.
  std::unique_ptr<Catalogue> mdbBase;

 private:
  struct MergeContext;
  class TableMerge;

  ui::Reporter& reporter_;
  platform::Env& env_;
  Engine& engine_;
};

}  // namespace accessorydb
