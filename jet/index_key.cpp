#include "jet/index_key.h"

#include "jet/bytes.h"
#include "jet/text_codec.h"

namespace jet::detail {
namespace {

constexpr uint8_t kTextEnd[2] = {0x01, 0x00};
constexpr uint8_t kEscape = 0x2B;
constexpr uint32_t kSignBit = 0x80000000u;

// General sort codes of printable ASCII (0 = not supported, high byte = escape).
uint16_t generalCode(char16_t c) {
  if (c >= 'a' && c <= 'z') c = char16_t(c - 'a' + 'A');
  static const uint8_t kLetters[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59, 0x5B, 0x5C, 0x5E, 0x60,
                                       0x62, 0x64, 0x66, 0x68, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
  if (c >= 'A' && c <= 'Z') return kLetters[c - 'A'];
  if (c >= '0' && c <= '9') return uint16_t(0x36 + 2 * (c - '0'));
  switch (c) {
    case ' ': return 0x07;
    case '!': return 0x09;
    case '"': return 0x0A;
    case '#': return 0x0C;
    case '$': return 0x0E;
    case '%': return 0x10;
    case '&': return 0x12;
    case '(': return 0x14;
    case ')': return 0x16;
    case '*': return 0x18;
    case '+': return 0x2C;
    case ',': return 0x1A;
    case '.': return 0x1C;
    case '/': return 0x1E;
    case ':': return 0x20;
    case ';': return 0x22;
    case '<': return 0x2E;
    case '=': return 0x30;
    case '>': return 0x32;
    case '?': return 0x24;
    case '@': return 0x26;
    case '[': return 0x27;
    case '\\': return 0x29;
    case ']': return 0x2A;
    case '_': return (kEscape << 8) | 0x03;
    case '^': return (kEscape << 8) | 0x02;
    case '`': return (kEscape << 8) | 0x07;
    case '{': return (kEscape << 8) | 0x09;
    case '|': return (kEscape << 8) | 0x0B;
    case '}': return (kEscape << 8) | 0x0D;
    case '~': return (kEscape << 8) | 0x0F;
    default: return 0;
  }
}

void invertFrom(std::vector<uint8_t>& key, size_t from) {
  for (size_t i = from; i < key.size(); ++i) key[i] = uint8_t(~key[i]);
}

}  // namespace

std::vector<uint8_t> encodeLongKey(int32_t v, bool ascending) {
  std::vector<uint8_t> key(5);
  key[0] = ascending ? kKeyAscending : kKeyDescending;
  putBe32(key.data() + 1, uint32_t(v) ^ kSignBit);
  if (!ascending) invertFrom(key, 1);
  return key;
}

std::vector<uint8_t> encodeTextKey(const std::string& utf8, bool ascending) {
  std::u16string s = utf8ToUtf16(utf8);
  while (!s.empty() && s.back() == u' ') s.pop_back();
  std::vector<uint8_t> key = {ascending ? kKeyAscending : kKeyDescending};
  for (char16_t c : s) {
    uint16_t code = generalCode(c);
    if (code == 0)
      fail("the name \"" + utf8 +
           "\" holds a character the engine cannot index (use letters, digits, blanks and common signs)");
    if (code > 0xFF) key.push_back(uint8_t(code >> 8));
    key.push_back(uint8_t(code));
  }
  key.insert(key.end(), kTextEnd, kTextEnd + 2);
  if (!ascending) invertFrom(key, 1);
  return key;
}

std::vector<uint8_t> indexKey(const TableDefinition& def, const RealIndex& index, const std::vector<Value>& values) {
  std::vector<uint8_t> key;
  for (const auto& ic : index.columns) {
    size_t pos = def.columns.size();
    for (size_t i = 0; i < def.columns.size(); ++i)
      if (def.columns[i].number == ic.number) pos = i;
    if (pos == def.columns.size()) fail("damaged database: an index names a missing column");
    const ColumnDesc& c = def.columns[pos];
    const Value& v = values[pos];
    if (std::holds_alternative<std::monostate>(v)) {
      key.push_back(ic.ascending ? kKeyAscendingNull : kKeyDescendingNull);
      continue;
    }
    std::vector<uint8_t> part;
    if (c.type == ColumnType::Long || c.type == ColumnType::Integer || c.type == ColumnType::Byte) {
      if (c.type != ColumnType::Long) fail("indexes over Byte or Integer columns cannot be written by this engine");
      part = encodeLongKey(std::get<int32_t>(v), ic.ascending);
    } else if (c.type == ColumnType::Text) {
      part = encodeTextKey(std::get<std::string>(v), ic.ascending);
    } else if (c.type == ColumnType::Binary) {
      fail("indexes over Binary columns cannot be written by this engine");
    } else {
      fail("indexes over this column type cannot be written by this engine");
    }
    key.insert(key.end(), part.begin(), part.end());
  }
  return key;
}

}  // namespace jet::detail
