#include "package/zip_names.h"

#include <zlib.h>

#include "package/oem_code_pages.h"
#include "package/zip_format.h"

namespace package::zip {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Length of the valid UTF-8 sequence at s[i], or 0 when there is none.
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
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  return n;
}

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
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

bool isValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    size_t n = utf8SequenceLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string decodeUtf8Name(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    size_t n = utf8SequenceLength(bytes, i);
    if (n == 0) {
      appendUtf8(out, kReplacementCharacter);
      ++i;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::string decodeOemName(std::string_view bytes, int codePage) {
  const char16_t* upper = oemUpperHalf(codePage);
  if (!upper) upper = oemUpperHalf(kFallbackOemCodePage);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80)
      out += ch;
    else
      appendUtf8(out, upper[c - 0x80]);
  }
  return out;
}

std::optional<std::string> unicodePathName(std::string_view extra, std::string_view rawName) {
  const auto* p = reinterpret_cast<const unsigned char*>(extra.data());
  size_t pos = 0;
  while (pos + kExtraBlockHeaderSize <= extra.size()) {
    const uint16_t id = get16(p + pos);
    const uint16_t size = get16(p + pos + 2);
    const size_t data = pos + kExtraBlockHeaderSize;
    if (data + size > extra.size()) break;
    if (id == kExtraUnicodePath && size >= 5 && p[data] == kUnicodePathVersion) {
      const uint32_t stored = get32(p + data + 1);
      const uLong actual = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(rawName.data()),
                                 static_cast<uInt>(rawName.size()));
      std::string_view name = extra.substr(data + 5, size - 5);
      if (stored == actual && isValidUtf8(name) && !name.empty()) return std::string(name);
      return std::nullopt;
    }
    pos = data + size;
  }
  return std::nullopt;
}

}  // namespace package::zip
