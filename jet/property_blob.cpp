#include "jet/property_blob.h"

#include <algorithm>
#include <cstring>

#include "base/utf.h"
#include "jet/bytes.h"
#include "jet/text_codec.h"

namespace jet::detail {
namespace {
constexpr uint8_t kMagic[4] = {'M', 'R', '2', 0};
constexpr uint16_t kBlockNames = 0x0080;
constexpr uint16_t kBlockObject = 0x0000;
constexpr uint16_t kBlockColumn = 0x0001;
constexpr size_t kBlockHeader = 6;
constexpr size_t kEntryHeader = 8;
constexpr uint8_t kTypeBoolean = 0x01;
constexpr char kRequired[] = "Required";
constexpr char kAllowZeroLength[] = "AllowZeroLength";

std::vector<uint8_t> lengthPrefixedName(const std::string& name) {
  auto n = encodeUtf16Le(utf8ToUtf16(name));
  std::vector<uint8_t> out(2);
  putLe16(out.data(), uint32_t(n.size()));
  out.insert(out.end(), n.begin(), n.end());
  return out;
}
}  // namespace

PropertyMap parsePropertyBlob(const std::vector<uint8_t>& b) {
  PropertyMap out;
  if (b.size() < 4 || std::memcmp(b.data(), kMagic, 4) != 0)
    fail("damaged database: a property blob lacks its MR2 mark");
  std::vector<std::string> names;
  size_t pos = 4;
  while (pos + kBlockHeader <= b.size()) {
    uint32_t len = le32(b.data() + pos);
    uint16_t type = le16(b.data() + pos + 4);
    if (len < kBlockHeader || len > b.size() - pos) fail("damaged database: a property block is cut short");
    size_t end = pos + len, p = pos + kBlockHeader;
    if (type == kBlockNames) {
      while (p + 2 <= end) {
        size_t n = le16(b.data() + p);
        if (p + 2 + n > end) fail("damaged database: a property name is cut short");
        names.push_back(base::utf16ToUtf8(decodeUtf16Le(b.data() + p + 2, n)));
        p += 2 + n;
      }
    } else if (type == kBlockObject || type == kBlockColumn) {
      if (p + 6 > end) fail("damaged database: a property block is cut short");
      uint32_t headerLen = le32(b.data() + p);
      size_t nameLen = le16(b.data() + p + 4);
      if (headerLen < 6 || p + headerLen > end || 6 + nameLen > headerLen)
        fail("damaged database: a property block header is bad");
      std::string object = base::utf16ToUtf8(decodeUtf16Le(b.data() + p + 6, nameLen));
      p += headerLen;
      auto& props = out[object];
      while (p + kEntryHeader <= end) {
        size_t entryLen = le16(b.data() + p);
        if (entryLen < kEntryHeader || p + entryLen > end) fail("damaged database: a property entry is cut short");
        Property prop;
        prop.ddl = b[p + 2] != 0;
        prop.type = b[p + 3];
        size_t nameIndex = le16(b.data() + p + 4);
        size_t valueLen = le16(b.data() + p + 6);
        if (kEntryHeader + valueLen > entryLen) fail("damaged database: a property value is cut short");
        prop.value.assign(b.begin() + long(p + kEntryHeader), b.begin() + long(p + kEntryHeader + valueLen));
        if (nameIndex < names.size()) props[names[nameIndex]] = std::move(prop);
        p += entryLen;
      }
    }
    pos = end;
  }
  return out;
}

std::vector<uint8_t> buildColumnPropertiesBlob(const std::vector<ColumnProperties>& columns) {
  // Yes/No DDL properties the engine enforces, listed in this order.
  const char* const kNames[] = {kRequired, kAllowZeroLength};
  auto flags = [](const ColumnProperties& c) { return std::vector<bool>{c.required, c.allowZeroLength}; };
  std::vector<bool> used(2, false);
  for (const auto& c : columns)
    for (size_t k = 0; k < used.size(); ++k) used[k] = used[k] || flags(c)[k];
  std::vector<uint8_t> names;
  std::vector<uint16_t> nameIndex(2, 0);
  uint16_t next = 0;
  for (size_t k = 0; k < used.size(); ++k)
    if (used[k]) {
      nameIndex[k] = next++;
      auto entry = lengthPrefixedName(kNames[k]);
      names.insert(names.end(), entry.begin(), entry.end());
    }
  ByteWriter w;
  w.bytes(std::vector<uint8_t>(kMagic, kMagic + 4));
  w.u32(uint32_t(kBlockHeader + names.size()));
  w.u16(kBlockNames);
  w.bytes(names);
  // No block for the table itself: it has no properties of its own.
  for (const auto& column : columns) {
    auto set = flags(column);
    size_t count = size_t(std::count(set.begin(), set.end(), true));
    if (count == 0) continue;
    auto name = encodeUtf16Le(utf8ToUtf16(column.name));
    uint32_t headerLen = uint32_t(6 + name.size());
    uint32_t entryLen = kEntryHeader + 1;
    w.u32(uint32_t(kBlockHeader + headerLen + entryLen * count));
    w.u16(kBlockColumn);
    w.u32(headerLen);
    w.u16(uint32_t(name.size()));
    w.bytes(name);
    for (size_t k = 0; k < set.size(); ++k) {
      if (!set[k]) continue;
      w.u16(entryLen);
      w.u8(1);  // DDL: the engine enforces it
      w.u8(kTypeBoolean);
      w.u16(nameIndex[k]);
      w.u16(1);
      w.u8(1);
    }
  }
  return w.out;
}

}  // namespace jet::detail
