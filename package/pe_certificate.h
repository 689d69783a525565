#pragma once
// Where the Authenticode certificate table of a PE file lies. Signing appends
// that table at the end of the file (after 0 to 7 zero bytes of padding) and
// records it in data directory 4 of the optional header.
//
//   OFFSET                 SIZE MEANING
//   0                         2 "MZ"
//   3C                        4 e_lfanew: offset of the PE signature
//   e_lfanew                  4 "PE\0\0"
//   e_lfanew+4               20 COFF file header; its bytes 16-17: optional header size
//   e_lfanew+24               2 optional header magic: 10B (PE32) or 20B (PE32+)
//   e_lfanew+24+92 / +108     4 number of data directories (PE32 / PE32+)
//   e_lfanew+24+96 / +112   8*n data directories: RVA (4), size (4); for entry 4,
//                               the certificate table, the "RVA" is a file offset
#include <cstdint>
#include <optional>

#include "platform/env.h"

namespace package {

struct CertificateTable {
  uint64_t offset = 0;
  uint64_t size = 0;
};

// The certificate table of `file` when it is a PE file with one; nothing for
// anything else.
std::optional<CertificateTable> findCertificateTable(platform::File& file);

// The most zero bytes signing puts before the table (it starts on 8 bytes).
inline constexpr int kMaxCertificatePadding = 7;

}  // namespace package
