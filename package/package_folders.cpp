#include "package/package_folders.h"

#include "base/package_names.h"

namespace package {

std::optional<std::string> packageFolderOf(const std::string& s) {
  // The folder part runs up to the last "\" or ":"; only a "\" may end it.
  const size_t cut = s.find_last_of("\\:");
  if (cut == std::string::npos || s[cut] != '\\') return std::nullopt;
  if (s.compare(cut + 1, std::string::npos, base::kAccessoryDatabaseName) != 0) return std::nullopt;
  std::string folder = s.substr(0, cut);
  if (folder.empty() || folder.find('\\') != std::string::npos) return std::nullopt;
  return folder;
}

}  // namespace package
