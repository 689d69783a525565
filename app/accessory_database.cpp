// The window's database operations run on the project's own Jet engine.
#include "accessorydb/accessory_db.h"
#include "accessorydb/jet_engine.h"
#include "app/form1.h"

bool TForm1::MDBCreate(const std::string& Name) {
  auto engine = accessorydb::makeJetEngine(env_);
  accessorydb::AccessoryDb db(*this, env_, *engine);
  return db.MDBCreate(Name);
}

bool TForm1::CopyMdb(const std::string& nw, const std::string& od, const std::string& dn) {
  auto engine = accessorydb::makeJetEngine(env_);
  accessorydb::AccessoryDb db(*this, env_, *engine);
  return db.CopyMdb(nw, od, dn);
}
