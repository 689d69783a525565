#include "package/entry_name_check.h"

#include <cstdio>
#include <vector>

#include "base/ascii.h"

namespace package {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::string_view withoutTrailingDotsAndBlanks(std::string_view s) {
  while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> segmentsOf(std::string_view name) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !isSeparator(name[i])) continue;
    out.push_back(name.substr(start, i - start));
    start = i + 1;
  }
  return out;
}

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (also with the superscript digits 1 to 3
// that Windows treats the same), and the console names CONIN$ and CONOUT$,
// before any extension and trailing blanks.
bool isReservedDeviceName(std::string_view segment) {
  std::string_view stem = segment.substr(0, segment.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  const std::string up = base::asciiUpper(stem);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (up == device) return true;
  if (up.size() < 4 || (up.compare(0, 3, "COM") != 0 && up.compare(0, 3, "LPT") != 0)) return false;
  std::string_view digit = std::string_view(up).substr(3);
  if (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') return true;
  return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

// Empty and "." segments are dropped, as Windows drops them.
bool isDropped(std::string_view s) { return s.empty() || s == "."; }

std::optional<std::string> segmentReason(std::string_view s) {
  if (isDropped(s)) return std::nullopt;
  if (s == "..") return "a \"..\" segment";
  // Windows versions disagree on "..." and ". ." (a name, or the folder
  // itself); neither is a name a producer means.
  if (withoutTrailingDotsAndBlanks(s).empty()) return "a segment of only dots and blanks";
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20) return "a control character";
    if (s[i] == ':') return "a \":\" (drive or alternate data stream)";
    if (s[i] == '<' || s[i] == '>' || s[i] == '"' || s[i] == '|' || s[i] == '?' || s[i] == '*')
      return std::string("the character ") + s[i];
    // U+FFFE and U+FFFF: no text holds them, and U+FFFF marks files being unpacked.
    if (c == 0xEF && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBF &&
        (static_cast<unsigned char>(s[i + 2]) & 0xFE) == 0xBE)
      return "the noncharacter U+FFFE or U+FFFF";
  }
  if (isReservedDeviceName(withoutTrailingDotsAndBlanks(s))) return "a reserved device name";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> unsafeNameReason(std::string_view name) {
  if (name.empty()) return "an empty name";
  if (name.size() >= 2 && isSeparator(name[0]) && isSeparator(name[1])) return "a UNC or \\\\?\\ prefix";
  if (name.size() >= 2 && name[1] == ':' && base::isAsciiLetter(name[0])) return "a drive letter";
  for (std::string_view s : segmentsOf(name))
    if (auto why = segmentReason(s)) return why;
  if (!isSeparator(name.back()) && windowsName(name).empty()) return "no file name";
  return std::nullopt;
}

std::string windowsName(std::string_view name) {
  std::string out;
  for (std::string_view s : segmentsOf(name)) {
    if (isDropped(s)) continue;
    if (!out.empty()) out += '/';
    out += withoutTrailingDotsAndBlanks(s);
  }
  if (!out.empty() && !name.empty() && isSeparator(name.back())) out += '/';
  return out;
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
