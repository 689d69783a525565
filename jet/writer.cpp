// Writing: new files, new tables and appended rows. Pages are only ever
// appended (never reused), and each step leaves every structure readable:
// data page, index pages, usage maps, the table definition, global map.
//
// Global usage map: see global_map.h. Row 1 of page 1 is an all-zero inline map.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <set>

#include "jet/byte_order.h"
#include "jet/data_page.h"
#include "jet/database_impl.h"
#include "jet/index_key.h"
#include "jet/long_value.h"
#include "jet/property_blob.h"
#include "jet/row_codec.h"
#include "jet/system_catalogue.h"
#include "jet/text_codec.h"
#include "jet/ascii.h"

namespace jet::detail {
namespace {

constexpr size_t kMaxNameLength = 64;
constexpr size_t kMaxColumns = 255;
constexpr uint16_t kMaxTextChars = 255;
constexpr uint8_t kUserFixed = kColFixed | kColUpdatable;
constexpr uint8_t kUserVariable = kColUpdatable;
constexpr uint8_t kPrimaryKeyFlags = kIndexFlagAlways | kIndexUnique | kIndexRequired;
constexpr double kUnixEpochAsOleDate = 25569.0;
// Most pages one row or one new table can take: a data page, a long-value
// page, a split on every level of an index, new bitmap pages of usage maps.
constexpr uint32_t kPagesPerStepAtMost = 16;

double nowAsOleDate() {
  using namespace std::chrono;
  double seconds = double(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count()) / 1000.0;
  return kUnixEpochAsOleDate + seconds / 86400.0;
}

// Rebuilds a data page from its rows (used for page 1 when row 0 grows).
Page buildDataPage(uint32_t owner, const std::vector<std::vector<uint8_t>>& rows) {
  Page p = newDataPage(owner);
  for (const auto& r : rows) {
    if (!rowFits(p, r.size())) fail("the database is too large for its global usage map");
    addRow(p, r);
  }
  return p;
}

std::string describe(const Value& v) {
  if (auto* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
  if (auto* s = std::get_if<std::string>(&v)) return "\"" + *s + "\"";
  return "(value)";
}

std::vector<uint32_t> tdefChain(const PageFile& file, uint32_t page) {
  std::vector<uint32_t> out;
  std::set<uint32_t> seen;
  while (page != 0 && seen.insert(page).second) {
    out.push_back(page);
    page = le32(file.read(page).data() + 0x04);
  }
  return out;
}

void setByName(const TableDefinition& def, std::vector<Value>& values, const char* name, Value v) {
  for (size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name == name) {
      values[i] = std::move(v);
      return;
    }
  fail(std::string("damaged database: a system table has no column ") + name);
}

}  // namespace

void DatabaseImpl::checkRoomFor(uint32_t pages) {
  if (uint64_t(file_->pageCount()) + pages > pageLimit_)
    fail("the database cannot grow beyond " + std::to_string(uint64_t(pageLimit_) * kPageSize >> 20) +
         " MiB (" + std::to_string(pageLimit_) + " pages), the largest size of a Jet 4 file");
}

uint32_t DatabaseImpl::allocatePage(const Page& content) {
  if (!global_.loaded()) global_.load(*file_);
  checkRoomFor(1);
  uint32_t n = file_->append(content);
  global_.markUsed(*file_, n);
  global_.flush(*file_);
  return n;
}

TableWriter& DatabaseImpl::writer(uint32_t tdefPage) {
  auto it = writers_.find(tdefPage);
  if (it != writers_.end()) return *it->second;
  if (!file_->writable()) fail("the database is open read-only");
  auto t = std::make_unique<TableWriter>();
  t->def = readTableDefinition(*file_, tdefPage);
  t->tdefPages = tdefChain(*file_, tdefPage);
  t->owned = UsageMap::load(*file_, t->def.ownedMap);
  t->free = UsageMap::load(*file_, t->def.freeMap);
  TableWriter* raw = t.get();
  for (size_t i = 0; i < t->def.realIndexes.size(); ++i) {
    const RealIndex& ri = t->def.realIndexes[i];
    t->indexMaps.push_back(std::make_unique<UsageMap>(UsageMap::load(*file_, ri.usageMap)));
    t->indexes.push_back(std::make_unique<IndexTree>(*file_, tdefPage, ri.rootPage, [this, raw, i] {
      uint32_t page = allocatePage(Page(kPageSize, 0));
      raw->indexMaps[i]->add(page);
      return page;
    }));
  }
  for (const auto& m : t->def.longValueMaps)
    if (m.owned != 0 && m.free != 0)
      t->longValueMaps.emplace(m.column, std::make_pair(UsageMap::load(*file_, m.owned), UsageMap::load(*file_, m.free)));
  std::vector<uint8_t> lvProp;
  for (const auto& e : catalogue())
    if (e.table() && e.page() == tdefPage) lvProp = e.lvProp;
  t->required = requiredColumns(t->def, lvProp);
  for (const auto& e : catalogue())
    if (e.table() && e.page() == tdefPage) t->name = e.name;
  for (const auto& c : t->def.columns) t->hasLongValues = t->hasLongValues || c.type == ColumnType::Ole || c.type == ColumnType::Memo;
  return *writers_.emplace(tdefPage, std::move(t)).first->second;
}

void DatabaseImpl::writeTdef(TableWriter& t) {
  t.countBytes.clear();
  auto bytes = serializeTdef(t.def);
  while (t.tdefPages.size() < tdefPageCount(bytes.size())) t.tdefPages.push_back(allocatePage(Page(kPageSize, 0)));
  auto pages = layoutTdefPages(bytes, t.tdefPages);
  for (size_t i = 0; i < pages.size(); ++i) file_->write(t.tdefPages[i], pages[i]);
}

// Only the row count and index statistics change when a row is added: they
// sit together near the start of the first page, and the bytes between them
// stay as serialized once.
void DatabaseImpl::writeTdefCounts(TableWriter& t) {
  constexpr size_t kRowCountOffset = 0x10;
  constexpr size_t kStatsOffset = 0x3F;
  constexpr size_t kStatsSize = 12;
  size_t end = kStatsOffset + kStatsSize * t.def.realIndexes.size();
  if (t.countBytes.empty()) {
    auto bytes = serializeTdef(t.def);
    if (end > kPageSize || end > bytes.size()) {
      writeTdef(t);
      return;
    }
    t.countBytes.assign(bytes.begin() + long(kRowCountOffset), bytes.begin() + long(end));
  }
  put32(t.countBytes.data(), t.def.rowCount);
  for (size_t i = 0; i < t.def.realIndexes.size(); ++i) {
    uint8_t* stats = t.countBytes.data() + kStatsOffset - kRowCountOffset + kStatsSize * i;
    put32(stats, t.def.realIndexes[i].statsWord);
    put32(stats + 4, t.def.realIndexes[i].distinctKeys);
  }
  file_->writeBytes(t.tdefPages[0], kRowCountOffset, t.countBytes.data(), t.countBytes.size());
}

std::vector<uint8_t> DatabaseImpl::storeLongValue(TableWriter& t, const ColumnDesc& c, const std::vector<uint8_t>& data) {
  if (data.size() <= kMaxInlineLongValue) {
    ByteWriter inlineField;
    inlineField.u32(uint32_t(data.size()) | kLongValueInline);
    inlineField.zeros(kLongValueHeader - 4);
    inlineField.bytes(data);
    return inlineField.out;
  }
  std::vector<uint8_t> field(kLongValueHeader, 0);
  if (data.size() + 2 > kEmptyDataFree) fail("a Memo/OLE value of " + std::to_string(data.size()) + " bytes is too large for this engine");
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
  auto alloc = [this] { return allocatePage(Page(kPageSize, 0)); };
  owned.flush(*file_, alloc);
  free.flush(*file_, alloc);
  put32(field.data(), uint32_t(data.size()) | kLongValueSingle);
  put32(field.data() + 4, makePointer(target, row));
  return field;
}

void DatabaseImpl::checkValues(TableWriter& t, std::vector<Value>& values) {
  const TableDefinition& def = t.def;
  const std::string& table = t.name;
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDesc& c = def.columns[i];
    Value& v = values[i];
    auto wrongKind = [&](const char* want) {
      fail("column '" + c.name + "' of table '" + table + "' takes " + want);
    };
    if (c.type == ColumnType::Boolean) {
      if (std::holds_alternative<std::monostate>(v)) v = false;  // Yes/No cannot hold null
      else if (auto* n = std::get_if<int32_t>(&v)) v = *n != 0;
      else if (!std::holds_alternative<bool>(v)) wrongKind("Yes/No values");
      continue;
    }
    if (std::holds_alternative<std::monostate>(v)) {
      if (t.required[i]) fail("column '" + c.name + "' of table '" + table + "' requires a value (null given)");
      continue;
    }
    switch (c.type) {
      case ColumnType::Byte:
      case ColumnType::Integer:
      case ColumnType::Long: {
        auto* n = std::get_if<int32_t>(&v);
        if (!n) wrongKind("whole numbers");
        if ((c.type == ColumnType::Byte && (*n < 0 || *n > 255)) || (c.type == ColumnType::Integer && (*n < -32768 || *n > 32767)))
          fail("value " + std::to_string(*n) + " is out of range for column '" + c.name + "' of table '" + table + "'");
        break;
      }
      case ColumnType::Text: {
        auto* s = std::get_if<std::string>(&v);
        if (!s) wrongKind("text");
        size_t chars = utf16Units(*s);  // the encoding below refuses invalid UTF-8
        size_t maxChars = c.length / 2;
        if (chars > maxChars)
          fail("text of " + std::to_string(chars) + " characters is too long for column '" + c.name + "' of table '" +
               table + "' (at most " + std::to_string(maxChars) + ")");
        break;
      }
      case ColumnType::Memo:
        if (!std::holds_alternative<std::string>(v)) wrongKind("text");
        utf16Length(std::get<std::string>(v));  // rejects invalid UTF-8
        break;
      case ColumnType::Currency:
        if (!std::holds_alternative<int64_t>(v)) wrongKind("currency values (int64, x10000)");
        break;
      case ColumnType::Single:
      case ColumnType::Double:
      case ColumnType::DateTime:
        if (!std::holds_alternative<double>(v)) wrongKind("floating-point values");
        break;
      case ColumnType::Binary:
      case ColumnType::Ole:
        if (!std::holds_alternative<Bytes>(v)) wrongKind("binary values");
        if (c.type == ColumnType::Binary && std::get<Bytes>(v).size() > c.length) fail("binary value too long for column '" + c.name + "'");
        break;
      default:
        fail("column '" + c.name + "' of table '" + table + "' has a type this engine cannot write");
    }
  }
}

uint32_t DatabaseImpl::insertRow(uint32_t tdefPage, std::vector<Value>& values) {
  TableWriter& t = writer(tdefPage);
  TableDefinition& def = t.def;
  if (values.size() != def.columns.size()) fail("internal error: wrong number of values");
  checkValues(t, values);
  checkRoomFor(kPagesPerStepAtMost);  // refused before anything is written

  // Keys first: a duplicate must be refused before anything is written.
  std::vector<std::vector<uint8_t>> keys;
  std::vector<bool> hasNull;
  for (size_t i = 0; i < def.realIndexes.size(); ++i) {
    const RealIndex& ri = def.realIndexes[i];
    bool anyNull = false;
    for (const auto& ic : ri.columns)
      for (size_t k = 0; k < def.columns.size(); ++k)
        if (def.columns[k].number == ic.number && std::holds_alternative<std::monostate>(values[k])) anyNull = true;
    std::string indexName = "?";
    for (const auto& li : def.logicalIndexes)
      if (li.realIndex == i) indexName = li.name;
    if (anyNull && (ri.flags & kIndexRequired)) fail("index '" + indexName + "' does not allow a null value");
    keys.push_back(indexKey(def, ri, values));
    hasNull.push_back(anyNull);
    if ((ri.flags & kIndexUnique) && !anyNull && t.indexes[i]->containsKey(keys.back())) {
      std::string what;
      for (const auto& ic : ri.columns)
        for (size_t k = 0; k < def.columns.size(); ++k)
          if (def.columns[k].number == ic.number)
            what += (what.empty() ? "" : ", ") + def.columns[k].name + " = " + describe(values[k]);
      fail("duplicate key: the table already holds a row with " + what + " (index '" + indexName + "')");
    }
  }

  // Size check with long values measured as they will be stored.
  auto measure = [](const ColumnDesc&, const std::vector<uint8_t>& data) {
    return std::vector<uint8_t>(kLongValueHeader + (data.size() <= kMaxInlineLongValue ? data.size() : 0), 0);
  };
  auto row = encodeRow(def, values, measure);
  if (row.size() > kMaxRowSize) fail("the row is too large (more than " + std::to_string(kMaxRowSize) + " bytes)");
  if (t.hasLongValues)
    row = encodeRow(def, values, [&](const ColumnDesc& c, const std::vector<uint8_t>& d) {
      return storeLongValue(t, c, d);
    });

  // A page with room: the current one, one from the free-space map, or a new one.
  auto alloc = [this] { return allocatePage(Page(kPageSize, 0)); };
  Page page;
  uint32_t target = 0;
  auto usable = [&](uint32_t n, Page& p) {
    if (n == 0 || n >= file_->pageCount()) return false;
    p = n == t.currentPage && !t.currentData.empty() ? t.currentData : file_->read(n);
    return p[0] == kPageData && le32(p.data() + kDataOwner) == def.page && rowFits(p, row.size());
  };
  if (t.currentPage && usable(t.currentPage, page)) {
    target = t.currentPage;
  } else {
    if (t.currentPage) t.free.remove(t.currentPage);
    for (auto it = t.free.pages().rbegin(); it != t.free.pages().rend(); ++it)
      if (usable(*it, page)) {
        target = *it;
        break;
      }
  }
  if (target == 0) {
    page = newDataPage(def.page);
    target = allocatePage(page);
    t.owned.add(target);
    t.free.add(target);
  }
  t.currentPage = target;
  uint32_t rowNumber = addRow(page, row);
  file_->write(target, page);
  t.currentData = page;

  for (size_t i = 0; i < def.realIndexes.size(); ++i) {
    RealIndex& ri = def.realIndexes[i];
    if (hasNull[i] && (ri.flags & kIndexIgnoreNulls)) continue;
    if ((ri.flags & kIndexUnique) && !hasNull[i]) {
      ++ri.distinctKeys;
    } else if (!t.indexes[i]->containsKey(keys[i])) {
      ++ri.distinctKeys;
    }
    t.indexes[i]->insert(makeEntry(keys[i], target, rowNumber));
    t.indexMaps[i]->flush(*file_, alloc);
  }
  ++def.rowCount;
  writeTdefCounts(t);
  t.owned.flush(*file_, alloc);
  t.free.flush(*file_, alloc);
  if (tdefPage == kPageMSysObjects) catalogue_.reset();
  return makePointer(target, rowNumber);
}

void DatabaseImpl::writeInitialCatalogue() {
  double now = nowAsOleDate();
  TableDefinition objects = definition(kPageMSysObjects);
  for (const auto& r : jetCatalogueRows()) {
    std::vector<Value> v(objects.columns.size());
    setByName(objects, v, "Id", r.id);
    setByName(objects, v, "ParentId", r.parentId);
    setByName(objects, v, "Name", r.name);
    setByName(objects, v, "Type", int32_t(r.type));
    setByName(objects, v, "DateCreate", now);
    setByName(objects, v, "DateUpdate", now);
    setByName(objects, v, "Owner", Bytes(r.owner));
    setByName(objects, v, "Flags", r.flags);
    insertRow(kPageMSysObjects, v);
  }
  TableDefinition aces = definition(kPageMSysACEs);
  for (const auto& a : jetAceRows()) {
    std::vector<Value> v(aces.columns.size());
    setByName(aces, v, "ObjectId", a.objectId);
    setByName(aces, v, "SID", Bytes(a.sid));
    setByName(aces, v, "ACM", a.acm);
    setByName(aces, v, "FInheritable", a.inheritable);
    insertRow(kPageMSysACEs, v);
  }
}

void DatabaseImpl::createTable(const TableDef& def) {
  if (!file_->writable()) fail("the database is open read-only");
  checkRoomFor(kPagesPerStepAtMost);
  if (def.name.empty() || utf16Length(def.name) > kMaxNameLength) fail("a table name must have 1 to 64 characters");
  encodeTextKey(def.name);  // refuses names the catalogue index cannot hold
  for (const auto& e : catalogue())
    if (e.parentId == kIdTables && equalsIgnoreCase(e.name, def.name)) fail("table '" + def.name + "' already exists");
  if (def.columns.empty() || def.columns.size() > kMaxColumns) fail("table '" + def.name + "' needs 1 to 255 columns");
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    if (c.name.empty() || utf16Length(c.name) > kMaxNameLength) fail("a column name must have 1 to 64 characters");
    for (size_t k = 0; k < i; ++k)
      if (equalsIgnoreCase(def.columns[k].name, c.name)) fail("column '" + c.name + "' appears twice in table '" + def.name + "'");
    if (c.type == ColumnType::Text && (c.maxChars < 1 || c.maxChars > kMaxTextChars))
      fail("text column '" + c.name + "' needs a size of 1 to 255 characters");
    if (c.type != ColumnType::Text && c.type != ColumnType::Long && c.type != ColumnType::Boolean)
      fail("column '" + c.name + "': only Text, Long and Yes/No columns can be created");
  }
  int keyColumn = -1;
  if (!def.primaryKeyName.empty()) {
    for (size_t i = 0; i < def.columns.size(); ++i)
      if (def.columns[i].name == def.primaryKeyColumn) keyColumn = int(i);
    if (keyColumn < 0) fail("the primary key names a missing column '" + def.primaryKeyColumn + "'");
    if (def.columns[size_t(keyColumn)].type != ColumnType::Long) fail("the primary key column must be a Long column");
  }

  TableDefinition td;
  td.tableType = kTableUser;
  uint16_t var = 0, fixedOffset = 0;
  std::vector<ColumnProperties> properties;
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    ColumnDesc d;
    d.type = c.type;
    d.number = uint16_t(i);
    d.misc = uint16_t(i);
    d.name = c.name;
    if (c.type == ColumnType::Text) {
      d.flags = kUserVariable;
      d.extraFlags = kExtraCompressed;
      d.varIndex = var++;
      d.length = uint16_t(2 * c.maxChars);
    } else {
      d.flags = kUserFixed;
      d.varIndex = var;
      d.length = c.type == ColumnType::Long ? 4 : 1;
      d.fixedOffset = c.type == ColumnType::Long ? fixedOffset : 0;
      if (c.type == ColumnType::Long) fixedOffset += 4;
    }
    // Access's table designer lets text columns hold empty texts, and rows
    // carry them (an empty CSV field): the file must say so to Jet.
    properties.push_back({c.name, c.type != ColumnType::Boolean, c.type == ColumnType::Text});
    td.columns.push_back(d);
  }
  td.maxColumns = uint16_t(def.columns.size());
  td.varColumns = var;
  if (keyColumn >= 0) {
    RealIndex ri;
    ri.columns = {{uint16_t(keyColumn), true}};
    ri.flags = kPrimaryKeyFlags;
    td.realIndexes.push_back(ri);
    LogicalIndex li;
    li.name = def.primaryKeyName;
    li.type = kLogicalPrimary;
    td.logicalIndexes.push_back(li);
  }

  // Pages: definition, its usage maps, the index root.
  size_t tdefPages = tdefPageCount(serializeTdef(td).size());
  td.page = allocatePage(Page(kPageSize, 0));
  std::vector<uint32_t> chain = {td.page};
  for (size_t i = 1; i < tdefPages; ++i) chain.push_back(allocatePage(Page(kPageSize, 0)));
  Page maps = newDataPage(0);
  uint32_t mapPage = file_->pageCount();
  addRow(maps, emptyInlineMap());
  addRow(maps, emptyInlineMap());
  uint32_t root = 0;
  if (keyColumn >= 0) {
    root = mapPage + 1;
    auto indexMap = emptyInlineMap(root & ~7u);
    uint32_t bit = root - (root & ~7u);
    indexMap[5 + bit / 8] |= uint8_t(1u << (bit % 8));
    addRow(maps, indexMap);
  }
  if (allocatePage(maps) != mapPage) fail("internal error: page allocation out of step");
  if (keyColumn >= 0 && allocatePage(emptyIndexLeaf(td.page)) != root) fail("internal error: page allocation out of step");
  td.ownedMap = makePointer(mapPage, 0);
  td.freeMap = makePointer(mapPage, 1);
  if (keyColumn >= 0) {
    td.realIndexes[0].usageMap = makePointer(mapPage, 2);
    td.realIndexes[0].rootPage = root;
  }
  auto bytes = serializeTdef(td);
  auto pages = layoutTdefPages(bytes, chain);
  for (size_t i = 0; i < pages.size(); ++i) file_->write(chain[i], pages[i]);

  // Catalogue row (with the column properties) and access rights.
  double now = nowAsOleDate();
  TableDefinition objects = definition(kPageMSysObjects);
  std::vector<Value> v(objects.columns.size());
  setByName(objects, v, "Id", int32_t(td.page));
  setByName(objects, v, "ParentId", kIdTables);
  setByName(objects, v, "Name", def.name);
  setByName(objects, v, "Type", kTypeTable);
  setByName(objects, v, "DateCreate", now);
  setByName(objects, v, "DateUpdate", now);
  setByName(objects, v, "Owner", Bytes(sidAdmin()));
  setByName(objects, v, "Flags", int32_t(0));
  setByName(objects, v, "LvProp", Bytes(buildColumnPropertiesBlob(properties)));
  insertRow(kPageMSysObjects, v);
  TableDefinition aces = definition(kPageMSysACEs);
  for (const auto& a : userTableAceRows(int32_t(td.page))) {
    std::vector<Value> r(aces.columns.size());
    setByName(aces, r, "ObjectId", a.objectId);
    setByName(aces, r, "SID", Bytes(a.sid));
    setByName(aces, r, "ACM", a.acm);
    setByName(aces, r, "FInheritable", a.inheritable);
    insertRow(kPageMSysACEs, r);
  }
  catalogue_.reset();
  // Other connections find the table at once; rows posted later wait for flush().
  file_->flush(false);
}

}  // namespace jet::detail

namespace jet {

std::unique_ptr<Database> Database::create(platform::Env& env, const std::string& path) {
  using namespace detail;
  std::unique_ptr<platform::File> f;
  try {
    f = env.openFile(path, platform::Access::ReadWrite, platform::Creation::CreateNew, platform::Sharing::DenyNone);
  } catch (const platform::IoError& e) {
    fail(std::string("cannot create the database: ") + e.what());
  }
  try {
    PageFile file(std::move(f), true);
    auto header = buildHeaderPage();
    file.write(0, Page(header.begin(), header.end()));
    // Global map: pages of the new file in use, every later page free.
    auto global = emptyInlineMap();
    for (size_t bit = kNewFilePages; bit < (global.size() - 5) * 8; ++bit) global[5 + bit / 8] |= uint8_t(1u << (bit % 8));
    file.write(1, buildDataPage(1, {global, std::vector<uint8_t>(kInlineMapRowSize, 0)}));
    TableIds sys = systemTables();
    for (const auto& t : sys.tables) file.write(t.page, layoutTdefPages(serializeTdef(t), {t.page})[0]);
    file.write(kPageSystemMaps, buildDataPage(0, sys.mapRows));
    const uint32_t rootOwners[] = {kPageMSysObjects, kPageMSysObjects, kPageMSysACEs, kPageMSysQueries,
                                   kPageMSysRelationships, kPageMSysRelationships, kPageMSysRelationships};
    for (size_t i = 0; i < sys.indexRoots.size(); ++i) file.write(sys.indexRoots[i], emptyIndexLeaf(rootOwners[i]));
    file.write(kPageMSysObjectsData, newDataPage(kPageMSysObjects));
    file.write(kPageMSysACEsData, newDataPage(kPageMSysACEs));
    file.flush(false);
  } catch (...) {
    env.deleteFile(path);
    throw;
  }
  try {
    auto db = std::make_unique<DatabaseImpl>(env, path, true);
    db->writeInitialCatalogue();
    db->file().flush(false);
    return db;
  } catch (...) {
    env.deleteFile(path);
    throw;
  }
}

}  // namespace jet
