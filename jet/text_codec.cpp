#include "jet/text_codec.h"

#include "base/utf.h"
#include "jet/bytes.h"

namespace jet::detail {
namespace {
constexpr uint8_t kCompressedMark0 = 0xFF;
constexpr uint8_t kCompressedMark1 = 0xFE;
constexpr uint8_t kModeSwitch = 0x00;
constexpr char16_t kByteOrderMark = 0xFEFF;
}  // namespace

std::u16string utf8ToUtf16(const std::string& s) {
  auto out = base::utf8ToUtf16(s);
  if (!out) fail("text is not valid UTF-8");
  return std::move(*out);
}

size_t utf16Length(const std::string& utf8) {
  if (!base::isValidUtf8(utf8)) fail("text is not valid UTF-8");
  return base::utf16Units(utf8);
}

std::u16string decodeUtf16Le(const uint8_t* p, size_t n) {
  std::u16string s(n / 2, u'\0');
  for (size_t i = 0; i < n / 2; ++i) s[i] = char16_t(le16(p + 2 * i));
  return s;
}

std::vector<uint8_t> encodeUtf16Le(const std::u16string& s) {
  std::vector<uint8_t> out(s.size() * 2);
  for (size_t i = 0; i < s.size(); ++i) putLe16(out.data() + 2 * i, s[i]);
  return out;
}

std::u16string decodeText(const uint8_t* p, size_t n) {
  if (n < 2 || p[0] != kCompressedMark0 || p[1] != kCompressedMark1) return decodeUtf16Le(p, n);
  std::u16string out;
  bool compressed = true;
  size_t i = 2;
  while (i < n) {
    if (p[i] == kModeSwitch) {
      compressed = !compressed;
      ++i;
    } else if (compressed) {
      out.push_back(char16_t(p[i]));
      ++i;
    } else {
      if (i + 1 >= n) break;  // a dangling half character
      out.push_back(char16_t(le16(p + i)));
      i += 2;
    }
  }
  return out;
}

size_t storedTextUnits(const uint8_t* p, size_t n) {
  if (n < 2 || p[0] != kCompressedMark0 || p[1] != kCompressedMark1) return n / 2;
  for (size_t i = 2; i < n; ++i)
    if (p[i] == kModeSwitch) return decodeText(p, n).size();  // rare: counted the long way
  return n - 2;
}

std::string decodeTextUtf8(const uint8_t* p, size_t n) {
  std::string out;
  if (n >= 2 && p[0] == kCompressedMark0 && p[1] == kCompressedMark1) {
    // Most stored texts: compressed whole, one byte a character, which takes
    // two bytes in UTF-8 from U+0080 on.
    size_t wide = 0;
    for (size_t i = 2; i < n; ++i) {
      if (p[i] == kModeSwitch) return base::utf16ToUtf8(decodeText(p, n));
      wide += p[i] >> 7;
    }
    if (wide == 0) return std::string(reinterpret_cast<const char*>(p + 2), n - 2);  // ASCII: the bytes themselves
    out.resize(n - 2 + wide);
    char* o = out.data();
    for (size_t i = 2; i < n; ++i) {
      if (p[i] < 0x80) {
        *o++ = char(p[i]);
      } else {
        *o++ = char(0xC0 | (p[i] >> 6));
        *o++ = char(0x80 | (p[i] & 0x3F));
      }
    }
    return out;
  }
  return base::utf16ToUtf8(decodeUtf16Le(p, n));
}

std::vector<uint8_t> encodeText(const std::u16string& s, bool compressible) {
  std::vector<uint8_t> plain = encodeUtf16Le(s);
  if (!s.empty() && s[0] == kByteOrderMark) {
    // Stored plain it would read back as compressed: the one kind of value
    // written with mode switches (two-byte units only where both bytes are
    // non-zero, so that every decoder agrees).
    std::vector<uint8_t> packed = {kCompressedMark0, kCompressedMark1};
    bool compressedMode = true;
    for (char16_t c : s) {
      bool narrow = c >= 0x01 && c <= 0xFF;
      if (!narrow && ((c & 0xFF) == 0 || (c >> 8) == 0))
        fail("this text cannot be stored: it starts with U+FEFF and holds a character ending in a zero byte");
      if (narrow != compressedMode) {
        packed.push_back(kModeSwitch);
        compressedMode = narrow;
      }
      packed.push_back(uint8_t(c & 0xFF));
      if (!narrow) packed.push_back(uint8_t(c >> 8));
    }
    return packed;
  }
  if (!compressible) return plain;
  // Compressed whole or not at all: Access's own files hold no mode switch.
  for (char16_t c : s)
    if (c < 0x01 || c > 0xFF) return plain;
  if (s.size() + 2 >= plain.size()) return plain;
  std::vector<uint8_t> packed = {kCompressedMark0, kCompressedMark1};
  for (char16_t c : s) packed.push_back(uint8_t(c));
  return packed;
}

void appendTextUtf8(std::vector<uint8_t>& out, const std::string& s, bool compressible) {
  // Most texts hold U+0001..U+00FF only (ASCII and the two-byte sequences
  // C2 xx and C3 xx): their compressed bytes come straight from the UTF-8.
  // Every other text, and every invalid one, takes the general way.
  const size_t start = out.size();
  if (compressible) {
    out.resize(start + 2 + s.size());  // the most a compressed text takes
    uint8_t* const first = out.data() + start + 2;
    uint8_t* o = first;
    out[start] = kCompressedMark0;
    out[start + 1] = kCompressedMark1;
    bool narrow = true;
    for (size_t i = 0; i < s.size() && narrow; ++i) {
      const uint8_t b = uint8_t(s[i]);
      if (b >= 0x01 && b < 0x80) {
        *o++ = b;
      } else if ((b == 0xC2 || b == 0xC3) && i + 1 < s.size() && (uint8_t(s[i + 1]) & 0xC0) == 0x80) {
        *o++ = uint8_t(((b & 0x1F) << 6) | (uint8_t(s[++i]) & 0x3F));
      } else {
        narrow = false;
      }
    }
    const size_t units = size_t(o - first);
    if (narrow && units > 2) {  // shorter than two bytes a character
      out.resize(start + 2 + units);
      return;
    }
    out.resize(start);
  }
  // Left: texts with a character outside U+0001..U+00FF, or too short to
  // gain, which are stored plain unless they start with U+FEFF.
  const std::u16string units = utf8ToUtf16(s);
  if (!units.empty() && units[0] == kByteOrderMark) {
    const auto stored = encodeText(units, compressible);
    out.insert(out.end(), stored.begin(), stored.end());
    return;
  }
  out.resize(start + 2 * units.size());
  for (size_t i = 0; i < units.size(); ++i) putLe16(out.data() + start + 2 * i, units[i]);
}

std::vector<uint8_t> encodeTextUtf8(const std::string& s, bool compressible) {
  std::vector<uint8_t> out;
  out.reserve(s.size() + 2);
  appendTextUtf8(out, s, compressible);
  return out;
}

}  // namespace jet::detail
