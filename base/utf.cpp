#include "base/utf.h"

namespace base {
namespace {

constexpr char32_t kSurrogateFirst = 0xD800;
constexpr char32_t kHighSurrogateLast = 0xDBFF;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kSurrogateLast = 0xDFFF;
constexpr char32_t kFirstSupplementary = 0x10000;
constexpr char32_t kLastCodePoint = 0x10FFFF;

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

size_t utf8SequenceLength(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) return 1;
  size_t n;
  char32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if (!isContinuation(b(i + k))) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < kFirstSupplementary || cp > kLastCodePoint))) return 0;
  if (cp >= kSurrogateFirst && cp <= kSurrogateLast) return 0;
  return n;
}

bool isValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = utf8SequenceLength(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < kFirstSupplementary) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string repairUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t n = utf8SequenceLength(s, i);
    if (n == 0) {
      appendUtf8(out, kReplacementCharacter);
      ++i;
    } else {
      out.append(s.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::optional<std::u16string> utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t n = utf8SequenceLength(s, i);
    if (n == 0) return std::nullopt;
    char32_t cp = static_cast<unsigned char>(s[i]) & (n == 1 ? 0x7F : n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    if (cp >= kFirstSupplementary) {
      cp -= kFirstSupplementary;
      out.push_back(static_cast<char16_t>(kSurrogateFirst + (cp >> 10)));
      out.push_back(static_cast<char16_t>(kLowSurrogateFirst + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += n;
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    const bool high = cp >= kSurrogateFirst && cp <= kHighSurrogateLast;
    if (high && i + 1 < s.size() && s[i + 1] >= kLowSurrogateFirst && s[i + 1] <= kSurrogateLast) {
      cp = kFirstSupplementary + ((cp - kSurrogateFirst) << 10) + (s[i + 1] - kLowSurrogateFirst);
      ++i;
    } else if (cp >= kSurrogateFirst && cp <= kSurrogateLast) {
      cp = kReplacementCharacter;
    }
    appendUtf8(out, cp);
  }
  return out;
}

size_t utf16Units(std::string_view utf8) {
  size_t units = 0;
  for (char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (isContinuation(c)) continue;
    units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

}  // namespace base
