#pragma once
// Text values of Jet 4 Text and Memo columns: stored as UTF-16LE, often
// compressed. The UTF-8/UTF-16 codec itself is base's (base/utf.h).
//
// A stored text is plain UTF-16LE, or "compressed":
// OFFSET  SIZE  MEANING
// 0       2     FF FE marker
// 2       ...   in compressed mode each non-zero byte b is U+00bb; a 00 byte
//               switches between compressed and uncompressed mode (UTF-16LE
//               units); the value starts compressed and may end in either mode
#include <cstdint>
#include <string>
#include <vector>

namespace jet::detail {

// base's UTF-8 to UTF-16, with an Error for invalid UTF-8.
std::u16string utf8ToUtf16(const std::string& s);
// UTF-16 units of a text; Error on invalid UTF-8.
size_t utf16Length(const std::string& utf8);

std::u16string decodeUtf16Le(const uint8_t* p, size_t n);
std::vector<uint8_t> encodeUtf16Le(const std::u16string& s);

// Decodes a stored Text/Memo value (compressed or plain).
std::u16string decodeText(const uint8_t* p, size_t n);
// The same, straight to UTF-8 (unpaired surrogates become U+FFFD).
std::string decodeTextUtf8(const uint8_t* p, size_t n);
// UTF-16 units of a stored Text/Memo value, as decodeText would give them.
size_t storedTextUnits(const uint8_t* p, size_t n);
// Encodes a text for a column. With `compressible`, a text of U+0001..U+00FF
// only is compressed whole when that is shorter; every other text is plain.
std::vector<uint8_t> encodeText(const std::u16string& s, bool compressible);
// The same from UTF-8 (Error on invalid UTF-8).
std::vector<uint8_t> encodeTextUtf8(const std::string& s, bool compressible);
// The same, appended to `out`.
void appendTextUtf8(std::vector<uint8_t>& out, const std::string& s, bool compressible);

}  // namespace jet::detail
