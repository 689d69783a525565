#include "jet/table_def.h"

#include <algorithm>
#include <set>

#include "base/ascii.h"
#include "base/utf.h"
#include "jet/bytes.h"
#include "jet/text_codec.h"

namespace jet::detail {
namespace {

constexpr size_t kTdefFreeSpace = 0x02;
constexpr size_t kTdefHeaderSize = 8;
constexpr size_t kTdefLength = 0x08;
constexpr size_t kTdefConstant = 0x0C;
constexpr size_t kTdefAutoNumber = 0x14;
constexpr size_t kTdefAutoFlag = 0x18;
constexpr size_t kTdefTableType = 0x28;
constexpr size_t kTdefMaxColumns = 0x29;
constexpr size_t kTdefVarColumns = 0x2B;
constexpr size_t kTdefColumns = 0x2D;
constexpr size_t kTdefLogicalCount = 0x2F;
constexpr size_t kTdefRealCount = 0x33;
constexpr size_t kTdefOwnedMap = 0x37;
constexpr size_t kTdefFreeMap = 0x3B;
constexpr uint32_t kMagic1625 = 1625;
constexpr uint32_t kMagic1923 = 1923;
constexpr size_t kColumnDescSize = 25;
constexpr size_t kRealIndexSize = 52;
constexpr size_t kLogicalIndexSize = 28;
constexpr size_t kLongValueMapSize = 10;
constexpr uint16_t kTerminator = 0xFFFF;
constexpr uint16_t kUnusedSlot = 0xFFFF;
// A TDEF longer than this is certainly damaged (Jet allows 255 columns and 32 indexes).
constexpr size_t kMaxTdefLength = 64 * 4096;

struct Reader {
  const std::vector<uint8_t>& b;
  size_t pos;
  void need(size_t n) const {
    if (pos > b.size() || n > b.size() - pos) fail("damaged database: a table definition is cut short");
  }
  uint8_t u8() {
    need(1);
    return b[pos++];
  }
  uint16_t u16() {
    need(2);
    uint16_t v = le16(&b[pos]);
    pos += 2;
    return v;
  }
  uint32_t u32() {
    need(4);
    uint32_t v = le32(&b[pos]);
    pos += 4;
    return v;
  }
  std::string name() {
    uint16_t len = u16();
    need(len);
    std::string s = base::utf16ToUtf8(decodeUtf16Le(&b[pos], len));
    pos += len;
    return s;
  }
};

}  // namespace

uint16_t fixedTypeSize(ColumnType type) {
  switch (type) {
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long: return 4;
    case ColumnType::Currency: return 8;
    case ColumnType::Single: return 4;
    case ColumnType::Double: return 8;
    case ColumnType::DateTime: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Numeric: return 17;
    default: return 0;
  }
}

std::vector<const ColumnDesc*> TableDefinition::byNumber() const {
  std::vector<const ColumnDesc*> v;
  for (const auto& c : columns) v.push_back(&c);
  std::stable_sort(v.begin(), v.end(), [](const ColumnDesc* a, const ColumnDesc* b) { return a->number < b->number; });
  return v;
}

const ColumnDesc* TableDefinition::findColumn(const std::string& name) const {
  for (const auto& c : columns)
    if (c.name == name) return &c;
  for (const auto& c : columns)
    if (base::equalsIgnoreAsciiCase(c.name, name)) return &c;
  return nullptr;
}

const ColumnDesc* TableDefinition::columnByNumber(uint16_t number) const {
  for (const auto& c : columns)
    if (c.number == number) return &c;
  return nullptr;
}

uint16_t TableDefinition::fixedAreaSize() const {
  uint32_t size = 0;
  for (const auto& c : columns)
    if (c.fixed() && c.type != ColumnType::Boolean) size = std::max<uint32_t>(size, uint32_t(c.fixedOffset) + c.length);
  return uint16_t(std::min<uint32_t>(size, 0xFFFF));
}

namespace {

bool copiableType(const ColumnDesc& c) {
  switch (c.type) {
    case ColumnType::Boolean:
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::DateTime:
    case ColumnType::Binary: return true;
    case ColumnType::Text: return !c.fixed();
    default: return false;
  }
}

bool samePlace(const ColumnDesc& a, const ColumnDesc& b) {
  return a.type == b.type && a.number == b.number && a.varIndex == b.varIndex && a.fixed() == b.fixed() &&
         a.fixedOffset == b.fixedOffset && a.length == b.length && a.name == b.name;
}

}  // namespace

bool rowsCopyAcross(const TableDefinition& from, const TableDefinition& to) {
  if (from.maxColumns != to.maxColumns || from.varColumns != to.varColumns || from.columns.size() != to.columns.size())
    return false;
  for (size_t i = 0; i < to.columns.size(); ++i)
    if (!copiableType(to.columns[i]) || !samePlace(from.columns[i], to.columns[i])) return false;
  return true;
}

std::vector<uint8_t> readTdefBytes(const PageFile& file, uint32_t page) {
  Page first = file.read(page);
  if (first[0] != kPageTdef) fail("damaged database: page " + std::to_string(page) + " is not a table definition");
  uint32_t length = le32(first.data() + kTdefLength);
  if (length < kTdefIndexStats + 2 || length > kMaxTdefLength)
    fail("damaged database: table definition on page " + std::to_string(page) + " has an impossible length");
  std::vector<uint8_t> bytes(first.begin(), first.end());
  std::set<uint32_t> seen = {page};
  uint32_t next = le32(first.data() + kTdefNextPage);
  while (bytes.size() < length) {
    if (next == 0) fail("damaged database: table definition on page " + std::to_string(page) + " is cut short");
    if (!seen.insert(next).second)
      fail("damaged database: the table definition pages of page " + std::to_string(page) + " form a cycle");
    Page p = file.read(next);
    if (p[0] != kPageTdef) fail("damaged database: page " + std::to_string(next) + " is not a table definition");
    bytes.insert(bytes.end(), p.begin() + kTdefHeaderSize, p.end());
    next = le32(p.data() + kTdefNextPage);
  }
  bytes.resize(length);
  return bytes;
}

namespace {

void readColumns(Reader& r, TableDefinition& d) {
  for (auto& c : d.columns) {
    r.need(kColumnDescSize);
    c.type = ColumnType(r.u8());
    r.u32();
    c.number = r.u16();
    c.varIndex = r.u16();
    c.misc = r.u16();
    c.sortOrder = r.u32();
    c.flags = r.u8();
    c.extraFlags = r.u8();
    r.u32();
    c.fixedOffset = r.u16();
    c.length = r.u16();
  }
  for (auto& c : d.columns) c.name = r.name();
}

void readRealIndexes(Reader& r, TableDefinition& d) {
  for (auto& ri : d.realIndexes) {
    r.need(kRealIndexSize);
    r.u32();
    for (size_t s = 0; s < kIndexSlots; ++s) {
      uint16_t col = r.u16();
      uint8_t order = r.u8();
      if (col != kUnusedSlot) ri.columns.push_back({col, order != 0});
    }
    ri.usageMap = r.u32();
    ri.rootPage = r.u32();
    ri.unknown42 = r.u32();
    ri.flags = r.u8();
    r.pos += 5;
  }
}

void readLogicalIndexes(Reader& r, TableDefinition& d) {
  for (auto& li : d.logicalIndexes) {
    r.need(kLogicalIndexSize);
    r.u32();
    li.number = r.u32();
    li.realIndex = r.u32();
    for (auto& f : li.fk) f = r.u8();
    li.type = r.u8();
    r.u32();
    if (li.realIndex >= d.realIndexes.size())
      fail("damaged database: an index of the table on page " + std::to_string(d.page) + " names a missing real index");
  }
  for (auto& li : d.logicalIndexes) li.name = r.name();
}

void readLongValueMaps(Reader& r, TableDefinition& d) {
  while (true) {
    uint16_t col = r.u16();
    if (col == kTerminator) break;
    LongValueMaps m;
    m.column = col;
    m.owned = r.u32();
    m.free = r.u32();
    d.longValueMaps.push_back(m);
    if (d.longValueMaps.size() > d.columns.size()) fail("damaged database: a table definition has no terminator");
  }
}

}  // namespace

TableDefinition parseTdef(const std::vector<uint8_t>& b, uint32_t page) {
  TableDefinition d;
  d.page = page;
  Reader r{b, kTdefRowCount};
  d.rowCount = r.u32();
  d.autoNumber = r.u32();
  r.pos = kTdefTableType;
  d.tableType = r.u8();
  d.maxColumns = r.u16();
  d.varColumns = r.u16();
  uint16_t columnCount = r.u16();
  uint32_t logicalCount = r.u32();
  uint32_t realCount = r.u32();
  d.ownedMap = r.u32();
  d.freeMap = r.u32();
  // Counts bounded by what the string can hold, before anything is allocated.
  if (size_t(realCount) * (kIndexStatsSize + kRealIndexSize) + size_t(columnCount) * kColumnDescSize +
          size_t(logicalCount) * kLogicalIndexSize >
      b.size())
    fail("damaged database: table definition on page " + std::to_string(page) + " has impossible counts");
  d.realIndexes.resize(realCount);
  for (auto& ri : d.realIndexes) {
    ri.statsWord = r.u32();
    ri.distinctKeys = r.u32();
    r.u32();
  }
  d.columns.resize(columnCount);
  readColumns(r, d);
  readRealIndexes(r, d);
  d.logicalIndexes.resize(logicalCount);
  readLogicalIndexes(r, d);
  readLongValueMaps(r, d);
  return d;
}

TableDefinition readTableDefinition(const PageFile& file, uint32_t page) {
  return parseTdef(readTdefBytes(file, page), page);
}

namespace {

void writeName(ByteWriter& w, const std::string& name) {
  auto n = encodeUtf16Le(utf8ToUtf16(name));
  w.u16(uint16_t(n.size()));
  w.bytes(n);
}

void writeColumns(ByteWriter& w, const TableDefinition& d) {
  for (const auto& c : d.columns) {
    w.u8(uint8_t(c.type));
    w.u32(kMagic1625);
    w.u16(c.number);
    w.u16(c.varIndex);
    w.u16(c.misc);
    w.u32(c.sortOrder);
    w.u8(c.flags);
    w.u8(c.extraFlags);
    w.u32(0);
    w.u16(c.fixedOffset);
    w.u16(c.length);
  }
  for (const auto& c : d.columns) writeName(w, c.name);
}

void writeRealIndexes(ByteWriter& w, const TableDefinition& d) {
  for (const auto& ri : d.realIndexes) {
    w.u32(kMagic1923);
    for (size_t s = 0; s < kIndexSlots; ++s) {
      if (s < ri.columns.size()) {
        w.u16(ri.columns[s].number);
        w.u8(ri.columns[s].ascending ? 1 : 0);
      } else {
        w.u16(kUnusedSlot);
        w.u8(0);
      }
    }
    w.u32(ri.usageMap);
    w.u32(ri.rootPage);
    w.u32(ri.unknown42);
    w.u8(ri.flags);
    w.zeros(5);
  }
}

void writeLogicalIndexes(ByteWriter& w, const TableDefinition& d) {
  for (const auto& li : d.logicalIndexes) {
    w.u32(kMagic1625);
    w.u32(li.number);
    w.u32(li.realIndex);
    for (uint8_t f : li.fk) w.u8(f);
    w.u8(li.type);
    w.u32(0);
  }
  for (const auto& li : d.logicalIndexes) writeName(w, li.name);
}

}  // namespace

std::vector<uint8_t> serializeTdef(const TableDefinition& d) {
  ByteWriter w;
  w.zeros(kTdefLength);  // page header, written by layoutTdefPages
  w.u32(0);              // length, patched below
  w.u32(kMagic1625);
  w.u32(d.rowCount);
  w.u32(d.autoNumber);
  w.u8(0x01);
  w.zeros(kTdefTableType - kTdefAutoFlag - 1);
  w.u8(d.tableType);
  w.u16(d.maxColumns);
  w.u16(d.varColumns);
  w.u16(uint16_t(d.columns.size()));
  w.u32(uint32_t(d.logicalIndexes.size()));
  w.u32(uint32_t(d.realIndexes.size()));
  w.u32(d.ownedMap);
  w.u32(d.freeMap);
  for (const auto& ri : d.realIndexes) {
    w.u32(ri.statsWord);
    w.u32(ri.distinctKeys);
    w.u32(0);
  }
  writeColumns(w, d);
  writeRealIndexes(w, d);
  writeLogicalIndexes(w, d);
  for (const auto& m : d.longValueMaps) {
    w.u16(m.column);
    w.u32(m.owned);
    w.u32(m.free);
  }
  w.u16(kTerminator);
  putLe32(w.out.data() + kTdefLength, uint32_t(w.out.size()));
  return w.out;
}

size_t tdefPageCount(size_t length) {
  if (length <= kPageSize) return 1;
  size_t rest = length - kPageSize;
  size_t per = kPageSize - kTdefHeaderSize;
  return 1 + (rest + per - 1) / per;
}

std::vector<Page> layoutTdefPages(const std::vector<uint8_t>& bytes, const std::vector<uint32_t>& pages) {
  size_t count = tdefPageCount(bytes.size());
  if (pages.size() < count) fail("internal error: too few pages for a table definition");
  std::vector<Page> out;
  size_t pos = 0;
  for (size_t i = 0; i < count; ++i) {
    Page p(kPageSize, 0);
    size_t start = i == 0 ? 0 : kTdefHeaderSize;
    size_t n = std::min(kPageSize - start, bytes.size() - pos);
    std::copy(bytes.begin() + long(pos), bytes.begin() + long(pos + n), p.begin() + long(start));
    pos += n;
    p[0] = kPageTdef;
    p[1] = 0x01;
    size_t used = start + n;
    putLe16(p.data() + kTdefFreeSpace, (i == 0 && count > 1) ? 0 : uint32_t(kPageSize - used - kTdefHeaderSize));
    putLe32(p.data() + kTdefNextPage, i + 1 < count ? pages[i + 1] : 0);
    out.push_back(std::move(p));
  }
  return out;
}

}  // namespace jet::detail
