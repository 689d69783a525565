#pragma once
// The one UTF-8 / UTF-16 codec. Text inside the programs is UTF-8; UTF-16
// appears at the Jet boundary and wherever a length counts UTF-16 code units
// (column sizes, the CAD program's positions).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace base {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Length of the well-formed UTF-8 sequence at s[i] (1 to 4), or 0 when
// there is none (a stray or truncated byte, an overlong form, a surrogate,
// a code point beyond U+10FFFF).
size_t utf8SequenceLength(std::string_view s, size_t i);

bool isValidUtf8(std::string_view s);

// Appends code point cp (at most U+10FFFF) in UTF-8.
void appendUtf8(std::string& out, char32_t cp);

// Every ill-formed byte becomes U+FFFD.
std::string repairUtf8(std::string_view s);

// nullopt when s is not valid UTF-8.
std::optional<std::u16string> utf8ToUtf16(std::string_view s);

// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view s);

// UTF-16 code units of the text, counted from its UTF-8 lead bytes (a
// four-byte sequence needs a surrogate pair); meant for valid UTF-8.
size_t utf16Units(std::string_view utf8);

}  // namespace base
