#include "platform/env.h"

#include "base/ascii.h"

namespace platform {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// End of the segment that starts at `from`: the next separator or the end.
size_t segmentEnd(const std::string& path, size_t from) {
  while (from < path.size() && !isSeparator(path[from])) ++from;
  return from;
}

// After "server\share" starting at `from`: the end of the share's name.
size_t afterShare(const std::string& path, size_t from) {
  const size_t server = segmentEnd(path, from);
  return server < path.size() ? segmentEnd(path, server + 1) : server;
}

bool hasDrive(const std::string& path, size_t at) {
  return path.size() >= at + 2 && path[at + 1] == ':' && base::isAsciiLetter(path[at]);
}

}  // namespace

size_t volumePrefixLength(const std::string& path) {
  auto startsWith = [&](const char* p) {
    const std::string s(p);
    if (path.size() < s.size()) return false;
    for (size_t i = 0; i < s.size(); ++i) {
      const char c = path[i];
      const char want = s[i];
      if (want == '\\' ? !isSeparator(c) : base::asciiLower(c) != base::asciiLower(want)) return false;
    }
    return true;
  };
  if (startsWith("\\\\?\\UNC\\")) return afterShare(path, 8);
  if (startsWith("\\\\?\\")) return hasDrive(path, 4) ? 6 : segmentEnd(path, 4);
  if (startsWith("\\\\")) return afterShare(path, 2);
  if (hasDrive(path, 0)) return 2;
  return 0;
}

std::optional<std::string> readWholeFile(Env& env, const std::string& path, uint64_t maxSize) {
  auto file = env.openFile(path, Access::Read, Creation::OpenExisting, Sharing::DenyWrite);
  const uint64_t size = file->size();
  if (size > maxSize) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  bytes.resize(file->readAt(0, bytes.data(), bytes.size()));
  return bytes;
}

std::unique_ptr<File> createReplacing(Env& env, const std::string& path, Sharing sharing) {
  try {
    return env.openFile(path, Access::ReadWrite, Creation::CreateNew, sharing);
  } catch (const IoError&) {
    // A file in the way, or a failure that the second attempt reports.
    return env.openFile(path, Access::ReadWrite, Creation::CreateAlways, sharing);
  }
}

bool createDirs(Env& env, const std::string& path) {
  // A drive or a network share cannot be created: only the folders below it.
  const size_t volume = volumePrefixLength(path);
  for (size_t i = volume; i <= path.size(); ++i) {
    if (i < path.size() && !isSeparator(path[i])) continue;
    // Skip the empty root part of "/x", the volume itself, and the end of a
    // path that ends with its separator (that folder was made one step ago).
    if (i == volume || (i == path.size() && isSeparator(path[i - 1]))) continue;
    const std::string prefix = path.substr(0, i);
    if (env.dirExists(prefix)) continue;
    if (!env.createDir(prefix) && !env.dirExists(prefix)) return false;
  }
  return true;
}

}  // namespace platform
