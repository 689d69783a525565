#include "package/entry_name_check.h"

#include <array>
#include <cstdio>

namespace package {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (also with the superscript digits 1 to 3
// that Windows treats the same), and the console names CONIN$ and CONOUT$,
// before any extension and trailing blanks.
bool isReservedDeviceName(std::string_view segment) {
  std::string_view base = segment.substr(0, segment.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string up;
  for (char c : base) up += upper(c);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (up == device) return true;
  if (up.size() < 4 || (up.compare(0, 3, "COM") != 0 && up.compare(0, 3, "LPT") != 0)) return false;
  std::string_view digit = std::string_view(up).substr(3);
  if (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') return true;
  return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

std::optional<std::string> segmentReason(std::string_view s) {
  if (s.empty()) return "an empty folder name";
  if (s == "..") return "a \"..\" segment";
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) return "a control character";
    if (ch == ':') return "a \":\" (drive or alternate data stream)";
    if (ch == '<' || ch == '>' || ch == '"' || ch == '|' || ch == '?' || ch == '*')
      return std::string("the character ") + ch;
  }
  if (s.back() == '.' || s.back() == ' ') return "a name ending in a dot or a blank";
  if (isReservedDeviceName(s)) return "a reserved device name";
  // Another entry is written under its name plus this ending before it is
  // renamed into place, which would replace a file of such a name.
  const std::string_view partial = kPartialSuffix;
  if (s.size() >= partial.size()) {
    bool same = true;
    for (size_t i = 0; i < partial.size(); ++i)
      same = same && upper(s[s.size() - partial.size() + i]) == upper(partial[i]);
    if (same) return std::string("the ending ") + kPartialSuffix + " of files being unpacked";
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> unsafeNameReason(std::string_view name) {
  if (name.empty()) return "an empty name";
  if (name.size() >= 2 && isSeparator(name[0]) && isSeparator(name[1])) return "a UNC or \\\\?\\ prefix";
  if (isSeparator(name[0])) return "a leading separator";
  if (name.size() >= 2 && name[1] == ':' && upper(name[0]) >= 'A' && upper(name[0]) <= 'Z') return "a drive letter";
  size_t start = 0;
  for (;;) {
    size_t end = start;
    while (end < name.size() && !isSeparator(name[end])) ++end;
    const bool lastSegment = end == name.size();
    // A trailing separator marks a folder entry; the empty rest is no segment.
    if (!(lastSegment && start == end))
      if (auto why = segmentReason(name.substr(start, end - start))) return why;
    if (lastSegment) return std::nullopt;
    start = end + 1;
  }
}

std::string printableName(std::string_view name) {
  std::string out;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace package
