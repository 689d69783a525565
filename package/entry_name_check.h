#pragma once
// Entry names that must never reach the file system (names that would leave
// the destination folder, name a device or an alternate data stream), and
// where the others land once Windows has applied its own path rules.
#include <optional>
#include <string>
#include <string_view>

namespace package {

// Appended to an entry's name while it is being written. It ends in U+FFFF,
// which no accepted entry name may carry, so the temporary file can never be
// another entry's target or a file the user put there.
inline constexpr const char* kPartialSuffix = ".~part\xEF\xBF\xBF";

// Why `name` (UTF-8, "/" or "\" as separators, a trailing separator for a
// folder) is unsafe to extract, or nothing when it is safe.
std::optional<std::string> unsafeNameReason(std::string_view name);

// Where a safe name lands, as Win32 path handling stores it: "/" between
// segments, empty and "." segments dropped (doubled or leading separators),
// trailing dots and blanks of every segment dropped; a folder entry keeps its
// trailing "/". Empty for a folder entry that names the destination itself.
std::string windowsName(std::string_view name);

// The name with control characters shown as \xNN, for messages.
std::string printableName(std::string_view name);

}  // namespace package
