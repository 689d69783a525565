#pragma once
// ASCII-only case handling: file names, ZIP entry names and Jet object names
// are compared this way, never by the locale, so that "İ" or "ß" stay as
// they are.
#include <cstddef>
#include <string>
#include <string_view>

namespace base {

inline char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
inline bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

inline std::string asciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = asciiLower(c);
  return out;
}

inline std::string asciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = asciiUpper(c);
  return out;
}

inline bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

inline bool startsWithIgnoreAsciiCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && equalsIgnoreAsciiCase(s.substr(0, prefix.size()), prefix);
}

// Byte offset of the first occurrence of part in text, ASCII letters compared
// without case; npos when absent. An empty part is found at 0, as by find.
inline size_t findIgnoreAsciiCase(std::string_view text, std::string_view part) {
  for (size_t at = 0; at + part.size() <= text.size(); ++at)
    if (equalsIgnoreAsciiCase(text.substr(at, part.size()), part)) return at;
  return std::string_view::npos;
}

}  // namespace base
