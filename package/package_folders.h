#pragma once
// Which entry of a models archive names the package folder.
#include <optional>
#include <string>

namespace package {

// The package folder an entry name counts for: a name of the form
// `<folder>\dodatki.mdb` (exact case, "\" only) whose folder is one
// non-empty top-level name. Nothing for every other name.
std::optional<std::string> packageFolderOf(const std::string& entryName);

}  // namespace package
