#include "platform/env.h"

namespace platform {

bool createDirs(Env& env, const std::string& path) {
  const char sep = env.separator();
  std::string prefix;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == sep || path[i] == '/') {
      // Skip the empty root part of "/x" and the drive part of "C:\x".
      if (!prefix.empty() && !(prefix.size() == 2 && prefix[1] == ':') && !env.dirExists(prefix)) {
        if (!env.createDir(prefix) && !env.dirExists(prefix)) return false;
      }
    }
    if (i < path.size()) prefix += path[i];
  }
  return true;
}

}  // namespace platform
