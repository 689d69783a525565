#include "package/zip_names.h"

#include <zlib.h>

#include "base/utf.h"
#include "package/oem_code_pages.h"
#include "package/zip_extra.h"
#include "package/zip_format.h"

namespace package::zip {

std::string decodeUtf8Name(std::string_view bytes) { return base::repairUtf8(bytes); }

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
      base::appendUtf8(out, upper[c - 0x80]);
  }
  return out;
}

std::optional<std::string> unicodePathName(std::string_view extra, std::string_view rawName) {
  std::optional<std::string> found;
  forEachExtraBlock(extra, [&](const ExtraBlock& b) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.data.data());
    if (b.id != kExtraUnicodePath || b.data.size() < 5 || p[0] != kUnicodePathVersion) return true;
    const uint32_t stored = le32(p + 1);
    const uLong actual =
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(rawName.data()), static_cast<uInt>(rawName.size()));
    const std::string_view name = b.data.substr(5);
    if (stored == actual && base::isValidUtf8(name) && !name.empty()) found = std::string(name);
    return false;
  });
  return found;
}

}  // namespace package::zip
