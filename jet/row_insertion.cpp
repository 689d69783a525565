// Appending a row: its index keys (a duplicate refused before anything is
// written), long values, a data page with room, the index entries, and the
// counts in the table definition.
#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/database_impl.h"
#include "jet/index_key.h"
#include "jet/long_value.h"
#include "jet/row_codec.h"
#include "jet/system_catalogue.h"

namespace jet::detail {
namespace {

std::string describe(const Value& v) {
  if (auto* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
  if (auto* s = std::get_if<std::string>(&v)) return "\"" + *s + "\"";
  return "(value)";
}

bool nullIn(const TableDefinition& def, const RealIndex& ri, const std::vector<Value>& values) {
  for (const auto& ic : ri.columns)
    for (size_t k = 0; k < def.columns.size(); ++k)
      if (def.columns[k].number == ic.number && std::holds_alternative<std::monostate>(values[k])) return true;
  return false;
}

std::string indexName(const TableDefinition& def, size_t realIndex) {
  std::string name = "?";
  for (const auto& li : def.logicalIndexes)
    if (li.realIndex == realIndex) name = li.name;
  return name;
}

[[noreturn]] void failDuplicate(const TableDefinition& def, const RealIndex& ri, const std::vector<Value>& values,
                                const std::string& index) {
  std::string what;
  for (const auto& ic : ri.columns)
    for (size_t k = 0; k < def.columns.size(); ++k)
      if (def.columns[k].number == ic.number)
        what += (what.empty() ? "" : ", ") + def.columns[k].name + " = " + describe(values[k]);
  fail("duplicate key: the table already holds a row with " + what + " (index '" + index + "')");
}

// The row's key in every real index; Error for a null the index refuses or
// a key a unique index holds already.
std::vector<IndexKey> indexKeys(TableWriter& t, const std::vector<Value>& values) {
  const TableDefinition& def = t.def;
  std::vector<IndexKey> keys;
  for (size_t i = 0; i < def.realIndexes.size(); ++i) {
    const RealIndex& ri = def.realIndexes[i];
    const bool hasNull = nullIn(def, ri, values);
    if (hasNull && (ri.flags & kIndexRequired)) fail("index '" + indexName(def, i) + "' does not allow a null value");
    IndexKey key{indexKey(def, ri, values), hasNull};
    if ((ri.flags & kIndexUnique) && !key.hasNull && t.indexes[i]->containsKey(key.bytes))
      failDuplicate(def, ri, values, indexName(def, i));
    keys.push_back(std::move(key));
  }
  return keys;
}

}  // namespace

uint32_t DatabaseImpl::insertRow(uint32_t tdefPage, std::vector<Value>& values) {
  TableWriter& t = writer(tdefPage);
  if (values.size() != t.def.columns.size()) fail("internal error: wrong number of values");
  checkValues(t, values);
  checkRoomFor(kPagesPerStepAtMost);  // refused before anything is written
  const std::vector<IndexKey> keys = indexKeys(t, values);
  return storeRow(t, keys, encodeStoredRow(t, values));
}

std::optional<uint32_t> DatabaseImpl::insertRowCopy(uint32_t tdefPage, const TableDefinition& from,
                                                    const RowLayout& row) {
  TableWriter& t = writer(tdefPage);
  if (!rowsCopyAcross(from, t.def)) return std::nullopt;
  const std::vector<Value> keyValues = checkStoredRow(t, row);
  checkRoomFor(kPagesPerStepAtMost);
  const std::vector<IndexKey> keys = indexKeys(t, keyValues);
  if (row.bytes().size() > kMaxRowSize)
    fail("the row is too large (more than " + std::to_string(kMaxRowSize) + " bytes)");
  return storeRow(t, keys, row.bytes());
}

uint32_t DatabaseImpl::storeRow(TableWriter& t, const std::vector<IndexKey>& keys, const std::vector<uint8_t>& row) {
  const uint32_t pointer = placeRow(t, row);
  addIndexEntries(t, keys, pointer);
  ++t.def.rowCount;
  writeTdefCounts(t);
  auto alloc = [this] { return allocateEmptyPage(); };
  t.owned.flush(*file_, alloc);
  t.free.flush(*file_, alloc);
  if (t.def.page == kPageMSysObjects) catalogue_.reset();
  return pointer;
}

// The size is checked with long values measured as they will be stored, so
// that a row too large writes no long value either.
std::vector<uint8_t> DatabaseImpl::encodeStoredRow(TableWriter& t, const std::vector<Value>& values) {
  auto measure = [](const ColumnDesc&, const std::vector<uint8_t>& data) {
    return std::vector<uint8_t>(kLongValueHeader + (data.size() <= kMaxInlineLongValue ? data.size() : 0), 0);
  };
  auto row = encodeRow(t.def, values, measure);
  if (row.size() > kMaxRowSize) fail("the row is too large (more than " + std::to_string(kMaxRowSize) + " bytes)");
  if (t.hasLongValues)
    row = encodeRow(t.def, values,
                    [&](const ColumnDesc& c, const std::vector<uint8_t>& d) { return storeLongValue(t, c, d); });
  return row;
}

// A page with room: the current one, one from the free-space map, or a new
// one. The row is added to the page where the file holds it, without a copy
// of the page per row.
uint32_t DatabaseImpl::placeRow(TableWriter& t, const std::vector<uint8_t>& row) {
  auto takes = [&](uint32_t n, const Page& p) {
    return n != 0 && p[0] == kPageData && le32(p.data() + kDataOwner) == t.def.page && rowFits(p, row.size());
  };
  auto exists = [&](uint32_t n) { return n != 0 && n < file_->pageCount(); };
  uint32_t target = 0;
  if (exists(t.currentPage) && takes(t.currentPage, file_->update(t.currentPage))) {
    target = t.currentPage;
  } else {
    if (t.currentPage) t.free.remove(t.currentPage);
    for (auto it = t.free.pages().rbegin(); it != t.free.pages().rend() && target == 0; ++it)
      if (exists(*it) && takes(*it, file_->read(*it))) target = *it;
  }
  if (target == 0) {
    target = allocatePage(newDataPage(t.def.page));
    t.owned.add(target);
    t.free.add(target);
  }
  t.currentPage = target;
  const uint32_t rowNumber = addRow(file_->update(target), row);
  return makePointer(target, rowNumber);
}

void DatabaseImpl::addIndexEntries(TableWriter& t, const std::vector<IndexKey>& keys, uint32_t rowPointer) {
  auto alloc = [this] { return allocateEmptyPage(); };
  for (size_t i = 0; i < t.def.realIndexes.size(); ++i) {
    RealIndex& ri = t.def.realIndexes[i];
    if (keys[i].hasNull && (ri.flags & kIndexIgnoreNulls)) continue;
    if (((ri.flags & kIndexUnique) && !keys[i].hasNull) || !t.indexes[i]->containsKey(keys[i].bytes)) ++ri.distinctKeys;
    t.indexes[i]->insert(makeEntry(keys[i].bytes, pointerPage(rowPointer), pointerRow(rowPointer)));
    t.indexMaps[i]->flush(*file_, alloc);
  }
}

std::vector<uint8_t> DatabaseImpl::storeLongValue(TableWriter& t, const ColumnDesc& c,
                                                  const std::vector<uint8_t>& data) {
  if (data.size() <= kMaxInlineLongValue) {
    ByteWriter inlineField;
    inlineField.u32(uint32_t(data.size()) | kLongValueInline);
    inlineField.zeros(kLongValueHeader - 4);
    inlineField.bytes(data);
    return inlineField.out;
  }
  std::vector<uint8_t> field(kLongValueHeader, 0);
  if (data.size() + 2 > kEmptyDataFree)
    fail("a Memo/OLE value of " + std::to_string(data.size()) + " bytes is too large for this engine");
  auto maps = t.longValueMaps.find(c.number);
  if (maps == t.longValueMaps.end()) fail("column '" + c.name + "' has no long-value pages and cannot be written");
  auto& [owned, free] = maps->second;
  uint32_t target = 0;
  Page page;
  for (auto it = free.pages().rbegin(); it != free.pages().rend() && target == 0; ++it) {
    if (*it >= file_->pageCount()) continue;
    Page p = file_->read(*it);
    if (p[0] == kPageData && le32(p.data() + kDataOwner) == kLvalMarker && rowFits(p, data.size())) {
      target = *it;
      page = std::move(p);
    }
  }
  if (target == 0) {
    page = newDataPage(kLvalMarker);
    target = allocatePage(page);
    owned.add(target);
    free.add(target);
  }
  uint32_t row = addRow(page, data);
  file_->write(target, page);
  auto alloc = [this] { return allocateEmptyPage(); };
  owned.flush(*file_, alloc);
  free.flush(*file_, alloc);
  putLe32(field.data(), uint32_t(data.size()) | kLongValueSingle);
  putLe32(field.data() + 4, makePointer(target, row));
  return field;
}

}  // namespace jet::detail
