#pragma once
// Pieces of the JSON documents that `--json` prints.
#include <string>
#include <vector>

namespace pack {

// A JSON string literal holding the UTF-8 text s.
std::string jsonString(const std::string& s);
// A JSON array of strings.
std::string jsonStrings(const std::vector<std::string>& items);

}  // namespace pack
