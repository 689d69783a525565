#pragma once
// Entry names that must never reach the file system: names that would leave
// the destination folder, name a device or an alternate data stream, or that
// Windows would silently change.
#include <optional>
#include <string>
#include <string_view>

namespace package {

// Appended to an entry's name while it is being written.
inline constexpr const char* kPartialSuffix = ".~part";

// Why `name` (UTF-8, "/" or "\" as separators, a trailing separator for a
// folder) is unsafe to extract, or nothing when it is safe.
std::optional<std::string> unsafeNameReason(std::string_view name);

// The name with control characters shown as \xNN, for messages.
std::string printableName(std::string_view name);

}  // namespace package
