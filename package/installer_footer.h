#pragma once
// The installer file and its package footer.
//
//   BYTES            CONTENT
//   0 .. P-1         the installer's executable image (a PE file), unchanged
//   P .. N-24        the package archive, a standalone ZIP file (offsets inside
//                    it count from its own first byte)
//   N-23 .. N-21     EF BB BF (a UTF-8 byte-order mark)
//   N-20 .. N-1      the footer: P in decimal ASCII, right-aligned, padded on
//                    the left with spaces to 20 characters
//
// A signed installer carries the Authenticode certificate table after all of
// this (see pe_certificate.h), so there the footer ends where the table and
// its zero padding begin.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace package {

inline constexpr size_t kFooterSize = 20;
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The footer text as a signed 64-bit number: an optional byte-order mark,
// then any number of leading spaces, an optional "+" or "-", decimal digits,
// and nothing after the last digit. Nothing when the text is not such a number.
std::optional<int64_t> parseFooter(std::string_view text);

// The 20-byte footer that announces an archive at `offset`.
std::string makeFooter(uint64_t offset);

}  // namespace package
