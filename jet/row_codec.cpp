#include "jet/row_codec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "jet/bytes.h"
#include "jet/long_value.h"
#include "jet/text_codec.h"

namespace jet::detail {
namespace {

constexpr size_t kRowColumnCount = 0;
constexpr size_t kRowFixedArea = 2;

ColumnType typeOf(const ColumnDesc& c) { return c.type; }

Value decodeFixed(const ColumnDesc& c, const uint8_t* p, size_t n) {
  switch (typeOf(c)) {
    case ColumnType::Byte: return int32_t(p[0]);
    case ColumnType::Integer: return int32_t(int16_t(le16(p)));
    case ColumnType::Long: return int32_t(le32(p));
    case ColumnType::Currency: return int64_t(le64(p));
    case ColumnType::Single: {
      float f;
      uint32_t v = le32(p);
      std::memcpy(&f, &v, 4);
      return double(f);
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
      double d;
      uint64_t v = le64(p);
      std::memcpy(&d, &v, 8);
      return d;
    }
    case ColumnType::Text: return decodeTextUtf8(p, n);
    case ColumnType::Guid: return n >= 16 ? Value(formatGuid(p)) : Value(Bytes(p, p + n));
    default: return Bytes(p, p + n);
  }
}

}  // namespace

std::string formatGuid(const uint8_t* p) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", le32(p), le16(p + 4),
                le16(p + 6), p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
  return buf;
}

RowLayout::RowLayout(const TableDefinition& def, const std::vector<uint8_t>& row) : def_(def), row_(row) {
  const size_t size = row.size();
  if (size < 3) fail("damaged database: a row is cut short");
  columnCount_ = le16(row.data() + kRowColumnCount);
  const size_t maskLen = (columnCount_ + 7) / 8;
  if (maskLen + kRowFixedArea > size) fail("damaged database: a row's null mask lies outside the row");
  maskStart_ = size - maskLen;
  eod_ = maskStart_;
  if (def.varColumns > 0) {
    if (maskStart_ < kRowFixedArea + 2) fail("damaged database: a row is cut short");
    varCount_ = le16(row.data() + maskStart_ - 2);
    if (maskStart_ < kRowFixedArea + 4 + 2 * varCount_) fail("damaged database: a row's offset table is cut short");
    eod_ = le16(row.data() + maskStart_ - 2 - 2 * (varCount_ + 1));
    if (eod_ > maskStart_ - 4 - 2 * varCount_) fail("damaged database: a row's data end lies outside the row");
  }
}

// The offsets lie before the count, the first one last; the constructor
// checked that all of them lie inside the row.
size_t RowLayout::varOffset(size_t varIndex) const { return le16(row_.data() + maskStart_ - 2 - 2 * (varIndex + 1)); }

bool RowLayout::present(uint16_t number) const {
  return number < columnCount_ && (row_[maskStart_ + number / 8] & (1u << (number % 8)));
}

RowLayout::Stored RowLayout::stored(size_t index) const {
  const ColumnDesc& c = def_.columns[index];
  if (!present(c.number)) return {};
  if (c.type == ColumnType::Boolean) return {true};
  if (c.fixed()) {
    size_t len = fixedTypeSize(c.type);
    if (len == 0) len = c.length;
    const size_t start = kRowFixedArea + c.fixedOffset;
    if (start + len > eod_) fail("damaged database: a fixed value lies outside its row");
    return {true, row_.data() + start, len};
  }
  if (c.varIndex >= varCount_) return {};  // row written before the column existed
  const size_t start = varOffset(c.varIndex);
  const size_t end = size_t(c.varIndex) + 1 < varCount_ ? varOffset(c.varIndex + 1) : eod_;
  if (start > end || end > eod_) fail("damaged database: a variable value lies outside its row");
  return {true, row_.data() + start, end - start};
}

Value RowLayout::column(size_t index, const PageFile& file) const {
  const ColumnDesc& c = def_.columns[index];
  const Stored v = stored(index);
  if (c.type == ColumnType::Boolean) return v.present;
  if (!v.present) return Value{};
  if (c.fixed()) return decodeFixed(c, v.bytes, v.size);
  switch (c.type) {
    case ColumnType::Text: return decodeTextUtf8(v.bytes, v.size);
    case ColumnType::Memo: {
      auto bytes = readLongValue(file, v.bytes, v.size);
      return decodeTextUtf8(bytes.data(), bytes.size());
    }
    case ColumnType::Ole: return readLongValue(file, v.bytes, v.size);
    default: return Bytes(v.bytes, v.bytes + v.size);
  }
}

ValueShape RowLayout::shape(size_t index, const PageFile& file) const {
  const ColumnDesc& c = def_.columns[index];
  const Stored v = stored(index);
  ValueShape out{c.type};
  if (c.type == ColumnType::Boolean) return out;
  out.null = !v.present;
  if (out.null) return out;
  if (c.type == ColumnType::Text) out.textUnits = storedTextUnits(v.bytes, v.size);
  if (c.type == ColumnType::Memo) {
    const auto bytes = readLongValue(file, v.bytes, v.size);
    out.textUnits = storedTextUnits(bytes.data(), bytes.size());
  }
  return out;
}

std::vector<Value> decodeRow(const TableDefinition& def, const std::vector<uint8_t>& row, const PageFile& file) {
  const RowLayout layout(def, row);
  std::vector<Value> values(def.columns.size());
  for (size_t i = 0; i < def.columns.size(); ++i) values[i] = layout.column(i, file);
  return values;
}

namespace {

// Longer Memo texts are stored plain.
constexpr size_t kMaxCompressedMemoChars = 1024;

// The stored bytes of a value that is not null (nor a Yes/No value).
std::vector<uint8_t> encodeValue(const ColumnDesc& c, const Value& v, const LongValueStore& storeLongValue) {
  std::vector<uint8_t> bytes;
  switch (c.type) {
    case ColumnType::Byte: bytes = {uint8_t(std::get<int32_t>(v))}; break;
    case ColumnType::Integer:
      bytes.resize(2);
      putLe16(bytes.data(), uint16_t(std::get<int32_t>(v)));
      break;
    case ColumnType::Long:
      bytes.resize(4);
      putLe32(bytes.data(), uint32_t(std::get<int32_t>(v)));
      break;
    case ColumnType::Currency:
      bytes.resize(8);
      putLe64(bytes.data(), uint64_t(std::get<int64_t>(v)));
      break;
    case ColumnType::Single: {
      float f = float(std::get<double>(v));
      uint32_t u;
      std::memcpy(&u, &f, 4);
      bytes.resize(4);
      putLe32(bytes.data(), u);
      break;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
      double d = std::get<double>(v);
      uint64_t u;
      std::memcpy(&u, &d, 8);
      bytes.resize(8);
      putLe64(bytes.data(), u);
      break;
    }
    case ColumnType::Text: bytes = encodeTextUtf8(std::get<std::string>(v), c.extraFlags & kExtraCompressed); break;
    case ColumnType::Memo: {
      auto text = utf8ToUtf16(std::get<std::string>(v));
      bytes = storeLongValue(
          c, encodeText(text, (c.extraFlags & kExtraCompressed) && text.size() <= kMaxCompressedMemoChars));
      break;
    }
    case ColumnType::Ole: bytes = storeLongValue(c, std::get<Bytes>(v)); break;
    default: bytes = std::get<Bytes>(v); break;
  }
  return bytes;
}

bool isNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// Bit set for every column with a value, and for every Yes/No column that is Yes.
std::vector<uint8_t> nullMask(const TableDefinition& def, const std::vector<Value>& values, size_t columnCount) {
  std::vector<uint8_t> mask((columnCount + 7) / 8, 0);
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDesc& c = def.columns[i];
    const Value& v = values[i];
    const bool set = c.type == ColumnType::Boolean ? std::holds_alternative<bool>(v) && std::get<bool>(v) : !isNull(v);
    if (set) mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
  }
  return mask;
}

void putFixed(const ColumnDesc& c, const std::vector<uint8_t>& bytes, uint8_t* fixedArea, size_t fixedSize) {
  size_t len = std::min<size_t>(bytes.size(), fixedTypeSize(c.type) ? fixedTypeSize(c.type) : c.length);
  if (size_t(c.fixedOffset) + len > fixedSize) fail("internal error: fixed column outside the fixed area");
  std::copy(bytes.begin(), bytes.begin() + long(len), fixedArea + c.fixedOffset);
}

}  // namespace

// Layout: column count, fixed area, variable data, the data end and the
// variable offsets (last first), their count, null mask. Values are encoded
// straight into the row.
std::vector<uint8_t> encodeRow(const TableDefinition& def, const std::vector<Value>& values,
                               const LongValueStore& storeLongValue) {
  const size_t columnCount = std::max<size_t>(def.maxColumns, def.columns.size());
  const size_t fixedSize = def.fixedAreaSize();
  std::vector<size_t> byVarIndex;  // column of each variable index, SIZE_MAX for none
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDesc& c = def.columns[i];
    if (c.fixed()) continue;
    if (c.varIndex >= byVarIndex.size()) byVarIndex.resize(size_t(c.varIndex) + 1, SIZE_MAX);
    byVarIndex[c.varIndex] = i;
  }
  ByteWriter w;
  w.out.reserve(kRowFixedArea + fixedSize + 64 * byVarIndex.size());
  w.u16(uint32_t(columnCount));
  w.zeros(fixedSize);
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDesc& c = def.columns[i];
    if (!c.fixed() || c.type == ColumnType::Boolean || isNull(values[i])) continue;
    putFixed(c, encodeValue(c, values[i], storeLongValue), w.out.data() + kRowFixedArea, fixedSize);
  }
  std::vector<size_t> offsets(byVarIndex.size());
  for (size_t k = 0; k < byVarIndex.size(); ++k) {
    offsets[k] = w.out.size();
    const size_t i = byVarIndex[k];
    if (i == SIZE_MAX || def.columns[i].type == ColumnType::Boolean || isNull(values[i])) continue;
    const ColumnDesc& c = def.columns[i];
    if (c.type == ColumnType::Text)
      appendTextUtf8(w.out, std::get<std::string>(values[i]), c.extraFlags & kExtraCompressed);
    else
      w.bytes(encodeValue(c, values[i], storeLongValue));
  }
  if (!offsets.empty()) {
    w.u16(uint32_t(w.out.size()));
    for (size_t k = offsets.size(); k-- > 0;) w.u16(uint32_t(offsets[k]));
    w.u16(uint32_t(offsets.size()));
  }
  w.bytes(nullMask(def, values, columnCount));
  if (w.out.size() > 0xFFFF) fail("row too large");
  return w.out;
}

}  // namespace jet::detail
