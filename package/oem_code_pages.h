#pragma once
// Single-byte OEM code pages for ZIP entry names stored without the UTF-8 flag.

namespace package {

// The code page's characters for bytes 80 to FF, or nullptr when the code
// page is not one the reader carries (437, 850, 852).
const char16_t* oemUpperHalf(int codePage);

// The code page used for a system OEM code page the reader does not carry:
// 852, since the packages are made for Polish systems.
inline constexpr int kFallbackOemCodePage = 852;

}  // namespace package
