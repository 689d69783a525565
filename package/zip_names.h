#pragma once
// Entry names: the bytes of a ZIP header turned into UTF-8 text.
#include <optional>
#include <string>
#include <string_view>

namespace package::zip {

// Name bytes stored with flag bit 11: UTF-8 already; an invalid sequence
// becomes U+FFFD so the result is always valid UTF-8.
std::string decodeUtf8Name(std::string_view bytes);
// Name bytes stored without flag bit 11, in the given OEM code page (one the
// reader does not carry is read as the fallback code page).
std::string decodeOemName(std::string_view bytes, int codePage);
// The Info-ZIP Unicode Path extra field of `extra`, when it is present, of
// the known version, and its CRC-32 matches `rawName`; otherwise nothing.
std::optional<std::string> unicodePathName(std::string_view extra, std::string_view rawName);

}  // namespace package::zip
