#pragma once
// ZIP records as the reader and the writer see them (PKWARE APPNOTE). All
// numbers are little-endian.
//
// Local file header (one before each entry's data)
//   OFFSET SIZE MEANING
//        0    4 signature 50 4B 03 04
//        4    2 version needed to extract
//        6    2 general-purpose flags
//        8    2 compression method
//       10    2 last-modified time (MS-DOS)
//       12    2 last-modified date (MS-DOS)
//       14    4 CRC-32 of the uncompressed data
//       18    4 compressed size (FFFFFFFF: in the Zip64 extra field)
//       22    4 uncompressed size (FFFFFFFF: in the Zip64 extra field)
//       26    2 name length n
//       28    2 extra field length m
//       30    n name bytes
//     30+n    m extra field
//
// Central directory header (one per entry, in the archive's order)
//   OFFSET SIZE MEANING
//        0    4 signature 50 4B 01 02
//        4    2 version made by (high byte: host system, 0 = MS-DOS)
//        6    2 version needed to extract
//        8    2 general-purpose flags
//       10    2 compression method
//       12    2 last-modified time
//       14    2 last-modified date
//       16    4 CRC-32
//       20    4 compressed size (FFFFFFFF: Zip64)
//       24    4 uncompressed size (FFFFFFFF: Zip64)
//       28    2 name length n
//       30    2 extra field length m
//       32    2 comment length k
//       34    2 disk number start (FFFF: Zip64)
//       36    2 internal attributes
//       38    4 external attributes (low byte: DOS attributes)
//       42    4 offset of the local header (FFFFFFFF: Zip64)
//       46    n name, then m extra field, then k comment
//
// End of central directory record (the last record of the archive; only a
// comment of up to 65,535 bytes may follow, and the reader allows any bytes)
//   OFFSET SIZE MEANING
//        0    4 signature 50 4B 05 06
//        4    2 number of this disk
//        6    2 disk where the central directory starts
//        8    2 entries on this disk (FFFF: Zip64)
//       10    2 entries in total (FFFF: Zip64)
//       12    4 size of the central directory (FFFFFFFF: Zip64)
//       16    4 offset of the central directory (FFFFFFFF: Zip64)
//       20    2 comment length
//
// Zip64 end of central directory locator (right before the end record)
//   OFFSET SIZE MEANING
//        0    4 signature 50 4B 06 07
//        4    4 disk holding the Zip64 end record
//        8    8 offset of the Zip64 end record
//       16    4 number of disks
//
// Zip64 end of central directory record
//   OFFSET SIZE MEANING
//        0    4 signature 50 4B 06 06
//        4    8 size of the rest of this record
//       12    2 version made by
//       14    2 version needed
//       16    4 number of this disk
//       20    4 disk where the central directory starts
//       24    8 entries on this disk
//       32    8 entries in total
//       40    8 size of the central directory
//       48    8 offset of the central directory
//
// Extra field: a sequence of blocks, each  ID (2), data size d (2), d bytes.
//   ID 0001 Zip64: only the values whose header field is all ones, in this
//           order: uncompressed size (8), compressed size (8), local header
//           offset (8), disk number (4).
//   ID 7075 Info-ZIP Unicode Path: version (1) = 1, CRC-32 of the header's
//           name bytes (4), the name in UTF-8 (the rest).

#include <cstdint>
#include <cstring>
#include <string>

#include "base/byte_order.h"

namespace package::zip {

inline constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr uint32_t kEndOfCentralDirSignature = 0x06054B50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr uint32_t kZip64EndOfCentralDirSignature = 0x06064B50;

inline constexpr size_t kLocalHeaderSize = 30;
inline constexpr size_t kLocalVersionNeeded = 4;
inline constexpr size_t kLocalFlags = 6;
inline constexpr size_t kLocalMethod = 8;
inline constexpr size_t kLocalTime = 10;
inline constexpr size_t kLocalDate = 12;
inline constexpr size_t kLocalCrc = 14;
inline constexpr size_t kLocalCompressedSize = 18;
inline constexpr size_t kLocalUncompressedSize = 22;
inline constexpr size_t kLocalNameLength = 26;
inline constexpr size_t kLocalExtraLength = 28;

inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kCentralVersionMadeBy = 4;
inline constexpr size_t kCentralVersionNeeded = 6;
inline constexpr size_t kCentralFlags = 8;
inline constexpr size_t kCentralMethod = 10;
inline constexpr size_t kCentralTime = 12;
inline constexpr size_t kCentralDate = 14;
inline constexpr size_t kCentralCrc = 16;
inline constexpr size_t kCentralCompressedSize = 20;
inline constexpr size_t kCentralUncompressedSize = 24;
inline constexpr size_t kCentralNameLength = 28;
inline constexpr size_t kCentralExtraLength = 30;
inline constexpr size_t kCentralCommentLength = 32;
inline constexpr size_t kCentralDiskStart = 34;
inline constexpr size_t kCentralInternalAttributes = 36;
inline constexpr size_t kCentralExternalAttributes = 38;
inline constexpr size_t kCentralLocalHeaderOffset = 42;

inline constexpr size_t kEndRecordSize = 22;
inline constexpr size_t kEndDiskNumber = 4;
inline constexpr size_t kEndCentralDirDisk = 6;
inline constexpr size_t kEndEntriesOnDisk = 8;
inline constexpr size_t kEndEntriesTotal = 10;
inline constexpr size_t kEndCentralDirSize = 12;
inline constexpr size_t kEndCentralDirOffset = 16;
inline constexpr size_t kEndCommentLength = 20;
// The end record plus the longest comment: how far back the reader searches.
inline constexpr size_t kEndRecordSearchSpan = kEndRecordSize + 0xFFFF;

inline constexpr size_t kZip64LocatorSize = 20;
inline constexpr size_t kZip64LocatorDisk = 4;
inline constexpr size_t kZip64LocatorEndOffset = 8;
inline constexpr size_t kZip64LocatorDisks = 16;

inline constexpr size_t kZip64EndRecordSize = 56;
inline constexpr size_t kZip64EndRestSize = 4;
inline constexpr size_t kZip64EndVersionMadeBy = 12;
inline constexpr size_t kZip64EndVersionNeeded = 14;
inline constexpr size_t kZip64EndDiskNumber = 16;
inline constexpr size_t kZip64EndCentralDirDisk = 20;
inline constexpr size_t kZip64EndEntriesOnDisk = 24;
inline constexpr size_t kZip64EndEntriesTotal = 32;
inline constexpr size_t kZip64EndCentralDirSize = 40;
inline constexpr size_t kZip64EndCentralDirOffset = 48;

inline constexpr uint16_t kExtraZip64 = 0x0001;
inline constexpr uint16_t kExtraUnicodePath = 0x7075;
inline constexpr uint8_t kUnicodePathVersion = 1;
inline constexpr size_t kExtraBlockHeaderSize = 4;

inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr uint16_t kFlagUtf8 = 0x0800;

inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflate = 8;
inline constexpr uint16_t kMethodDeflate64 = 9;

inline constexpr uint16_t kVersion20 = 20;
inline constexpr uint16_t kVersionZip64 = 45;
inline constexpr uint16_t kHostMsDos = 0;
inline constexpr uint16_t kHostUnix = 3;
inline constexpr uint16_t kHostMacOsX = 19;
// "Version made by" below this: made on MS-DOS, external attributes are DOS bits.
inline constexpr uint16_t kFirstNonDosHost = 0x100;

inline constexpr uint32_t kZip64Marker32 = 0xFFFFFFFF;
inline constexpr uint16_t kZip64Marker16 = 0xFFFF;

// The records are little-endian throughout.
using base::le16;
using base::le32;
using base::le64;
using base::putLe16;
using base::putLe32;
using base::putLe64;

}  // namespace package::zip
