#pragma once
// A producer's package folder, checked and turned into the list of entries
// of the three archives, or the reasons the installer would not install it.
//
//   DIR/install.jpg        required: the installer's face
//   DIR/finish.jpg         required: shown when the install ends
//   DIR/cover.jpg          optional
//   DIR/models/<Name>/     required: exactly one folder, holding dodatki.mdb
//   DIR/models/<Name>.txt  optional, and <Name>.jpg (never installed)
//   DIR/materials/         optional: becomes db_materials.zip
#include <cstdint>
#include <string>
#include <vector>

#include "accessorydb/package_db_check.h"
#include "platform/env.h"

namespace pack {

struct PlannedFile {
  std::string entryName;  // "\"-separated, as stored in the archive
  std::string path;       // on this system
  uint64_t size = 0;
  bool isFolder = false;  // an empty folder, stored as "name\"
};

struct PackagePlan {
  std::string packageName;
  std::vector<PlannedFile> pictures;   // entries of packages.zip besides the archives
  std::vector<PlannedFile> models;     // entries of models.zip
  std::vector<PlannedFile> materials;  // entries of db_materials.zip
  bool hasMaterials = false;
  accessorydb::PackageDbReport database;  // what the installer will make of dodatki.mdb
  std::vector<std::string> warnings;
  std::vector<std::string> problems;  // each says what to fix; empty when the package is fine

  uint64_t totalBytes() const;
};

PackagePlan planPackage(platform::Env& env, const std::string& dir);

// Why an archive entry name cannot be stored for the installer, or empty.
std::string unstorableNameReason(const std::string& entryName);

}  // namespace pack
