#pragma once
// Table definitions (TDEF): a byte string spread over a chain of type-0x02 pages.
//
// Page header (first and continuation pages):
// OFFSET  SIZE  MEANING
// 0x00    1     0x02
// 0x01    1     0x01
// 0x02    2     free space on this page (0 on the first page of a multi-page TDEF)
// 0x04    4     next TDEF page, 0 = last; continuation pages add their bytes from offset 8
//
// Table header (offsets in the joined string):
// 0x08    4     total length of the string (first page header included)
// 0x0C    4     constant 1625
// 0x10    4     number of rows
// 0x14    4     next AutoNumber value
// 0x18    1     0x01
// 0x28    1     table type: 0x4E user, 0x53 system
// 0x29    2     highest column count a row carries (deleted columns included)
// 0x2B    2     number of variable-length columns
// 0x2D    2     number of columns
// 0x2F    4     number of logical indexes
// 0x33    4     number of real indexes
// 0x37    4     owned-pages usage map (page/row pointer)
// 0x3B    4     free-space-pages usage map (page/row pointer)
// 0x3F    12*r  real-index statistics: unknown word, distinct keys, 0
// ...     25*c  column descriptors:
//   +0 type, +1 constant 1625, +5 column number, +7 variable index, +9 misc word,
//   +11 sort order / precision, +15 flags, +16 extra flags (0x01 compression),
//   +17 zero, +21 fixed offset, +23 length in bytes
// ...     c     column names: 2-byte byte length + UTF-16LE
// ...     52*r  real indexes: +0 constant 1923, +4 ten (column number, order) slots,
//               +34 usage map pointer, +38 root page, +42 unknown, +46 flags, +47 zero
// ...     28*l  logical indexes: +0 1625, +4 number, +8 real index, +12 FK bytes (11),
//               +23 type (0 normal, 1 primary key, 2 foreign key), +24 zero
// ...     l     logical index names
// ...     10*m  per Memo/OLE column: column number, owned map, free map
// ...     2     FF FF terminator
#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet.h"
#include "jet/page_file.h"

namespace jet::detail {

inline constexpr size_t kTdefNextPage = 0x04;
// Where the row count and the real-index statistics lie in the string.
inline constexpr size_t kTdefRowCount = 0x10;
inline constexpr size_t kTdefIndexStats = 0x3F;
inline constexpr size_t kIndexStatsSize = 12;
inline constexpr uint8_t kTableUser = 0x4E;
inline constexpr uint8_t kTableSystem = 0x53;
inline constexpr uint8_t kColFixed = 0x01;
inline constexpr uint8_t kColUpdatable = 0x02;
inline constexpr uint8_t kColAutoNumber = 0x04;
inline constexpr uint8_t kColReplication = 0x10;
inline constexpr uint8_t kColSid = 0x20;
inline constexpr uint8_t kExtraCompressed = 0x01;
inline constexpr uint8_t kIndexFlagAlways = 0x80;
inline constexpr uint8_t kIndexUnique = 0x01;
inline constexpr uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr uint8_t kIndexRequired = 0x08;
inline constexpr uint8_t kLogicalNormal = 0;
inline constexpr uint8_t kLogicalPrimary = 1;
inline constexpr uint8_t kLogicalForeign = 2;
inline constexpr size_t kIndexSlots = 10;

struct ColumnDesc {
  ColumnType type{};
  uint16_t number = 0;
  uint16_t varIndex = 0;
  uint16_t misc = 0;
  uint32_t sortOrder = 0x0409;
  uint8_t flags = 0;
  uint8_t extraFlags = 0;
  uint16_t fixedOffset = 0;
  uint16_t length = 0;
  std::string name;  // UTF-8
  bool fixed() const { return flags & kColFixed; }
};

struct IndexColumn {
  uint16_t number;
  bool ascending;
};

struct RealIndex {
  uint32_t statsWord = 0;
  uint32_t distinctKeys = 0;
  std::vector<IndexColumn> columns;
  uint32_t usageMap = 0;
  uint32_t rootPage = 0;
  uint32_t unknown42 = 0;
  uint8_t flags = kIndexFlagAlways;
};

struct LogicalIndex {
  uint32_t number = 0;
  uint32_t realIndex = 0;
  uint8_t fk[11] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x04, 0x04};
  uint8_t type = kLogicalNormal;
  std::string name;
};

struct LongValueMaps {
  uint16_t column = 0;
  uint32_t owned = 0;
  uint32_t free = 0;
};

struct TableDefinition {
  uint32_t page = 0;  // first TDEF page = the table's id
  uint32_t rowCount = 0;
  uint32_t autoNumber = 0;
  uint8_t tableType = kTableUser;
  uint16_t maxColumns = 0;
  uint16_t varColumns = 0;
  uint32_t ownedMap = 0;
  uint32_t freeMap = 0;
  std::vector<ColumnDesc> columns;  // descriptor order
  std::vector<RealIndex> realIndexes;
  std::vector<LogicalIndex> logicalIndexes;
  std::vector<LongValueMaps> longValueMaps;

  // Columns sorted by number (the order rows are decoded in).
  std::vector<const ColumnDesc*> byNumber() const;
  const ColumnDesc* findColumn(const std::string& name) const;  // case-insensitive ASCII
  const ColumnDesc* columnByNumber(uint16_t number) const;
  // Bytes of the fixed area: max(fixed offset + length) over fixed non-Yes/No columns.
  uint16_t fixedAreaSize() const;
};

// Reads the TDEF chain starting at a page (cycles and wild pointers are Errors).
std::vector<uint8_t> readTdefBytes(const PageFile& file, uint32_t page);
TableDefinition parseTdef(const std::vector<uint8_t>& bytes, uint32_t page);
TableDefinition readTableDefinition(const PageFile& file, uint32_t page);

std::vector<uint8_t> serializeTdef(const TableDefinition& def);
// Splits a serialized TDEF onto its pages; `pages` gives the page numbers to use
// (first the table's page). Returns how many pages the string needs.
size_t tdefPageCount(size_t length);
std::vector<Page> layoutTdefPages(const std::vector<uint8_t>& bytes, const std::vector<uint32_t>& pages);

// A row stored for `from` is a valid row of `to` byte for byte: the same
// columns in the same places, and no value kept outside the row (Memo, OLE)
// nor of a type the writer refuses.
bool rowsCopyAcross(const TableDefinition& from, const TableDefinition& to);

// Fixed size in bytes of a fixed-length type (0 for Yes/No and variable types).
uint16_t fixedTypeSize(ColumnType type);

}  // namespace jet::detail
