#pragma once
// Where the package archive lies inside an installer file, read straight from
// the file (the installer itself reads the footer through a temporary file).
#include <cstdint>
#include <optional>

#include "platform/env.h"

namespace package {

struct PackageLocation {
  int64_t offset = 0;           // what the footer says
  uint64_t footerAt = 0;        // where the footer starts: the archive is copied up to here
  bool afterSignature = false;  // found before an Authenticode certificate table
};

// The footer of a signed installer: the 20 bytes that end where the
// certificate table and its zero padding begin, when the file is a PE file
// whose certificate table ends it.
std::optional<PackageLocation> locateSignedPackage(platform::File& file);

// The footer in the last 20 bytes, else that of a signed installer.
std::optional<PackageLocation> locatePackage(platform::File& file);

}  // namespace package
