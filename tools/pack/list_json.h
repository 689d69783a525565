#pragma once
// `pack list --json`: what an installer or ZIP archive carries, as one JSON
// document (fields in the README).
#include <string>

#include "tools/pack/installer_inspection.h"

namespace pack {

void printListJson(Inspection& in, const std::string& path);

}  // namespace pack
