// The window's database operations, on the engine the window was given.
#include "accessorydb/accessory_db.h"
#include "app/form1.h"

bool TForm1::MDBCreate(const std::string& Name) {
  accessorydb::AccessoryDb db(*this, env_, engine_);
  return db.MDBCreate(Name);
}

bool TForm1::CopyMdb(const std::string& nw, const std::string& od, const std::string& dn) {
  accessorydb::AccessoryDb db(*this, env_, engine_);
  return db.CopyMdb(nw, od, dn);
}
