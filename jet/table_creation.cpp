// New user tables of Text, Long and Yes/No columns: the checks, the table
// definition, and its pages (definition, usage maps, the key's index root).
#include "base/ascii.h"
#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/database_impl.h"
#include "jet/index_key.h"
#include "jet/property_blob.h"
#include "jet/system_catalogue.h"
#include "jet/text_codec.h"

namespace jet::detail {
namespace {

constexpr size_t kMaxNameLength = 64;
constexpr size_t kMaxColumns = 255;
constexpr uint16_t kMaxTextChars = 255;
constexpr uint8_t kUserFixed = kColFixed | kColUpdatable;
constexpr uint8_t kUserVariable = kColUpdatable;
constexpr uint8_t kPrimaryKeyFlags = kIndexFlagAlways | kIndexUnique | kIndexRequired;
// A Yes/No value is its bit in the null mask, yet Access gives the column a length.
constexpr uint16_t kYesNoLength = 1;

bool validName(const std::string& name) { return !name.empty() && utf16Length(name) <= kMaxNameLength; }

void checkColumns(const TableDef& def) {
  if (def.columns.empty() || def.columns.size() > kMaxColumns) fail("table '" + def.name + "' needs 1 to 255 columns");
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    if (!validName(c.name)) fail("a column name must have 1 to 64 characters");
    for (size_t k = 0; k < i; ++k)
      if (base::equalsIgnoreAsciiCase(def.columns[k].name, c.name))
        fail("column '" + c.name + "' appears twice in table '" + def.name + "'");
    if (c.type == ColumnType::Text && (c.maxChars < 1 || c.maxChars > kMaxTextChars))
      fail("text column '" + c.name + "' needs a size of 1 to 255 characters");
    if (c.type != ColumnType::Text && c.type != ColumnType::Long && c.type != ColumnType::Boolean)
      fail("column '" + c.name + "': only Text, Long and Yes/No columns can be created");
  }
}

// The primary key's column, or -1 for a table without a key.
int primaryKeyColumn(const TableDef& def) {
  if (def.primaryKeyName.empty()) return -1;
  int keyColumn = -1;
  for (size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name == def.primaryKeyColumn) keyColumn = int(i);
  if (keyColumn < 0) fail("the primary key names a missing column '" + def.primaryKeyColumn + "'");
  if (def.columns[size_t(keyColumn)].type != ColumnType::Long) fail("the primary key column must be a Long column");
  return keyColumn;
}

// Text columns are variable, the others fixed; `varCount` and `fixedEnd`
// count what the earlier columns took.
ColumnDesc describeColumn(const ColumnDef& c, uint16_t number, uint16_t& varCount, uint16_t& fixedEnd) {
  ColumnDesc d;
  d.type = c.type;
  d.number = number;
  d.misc = number;
  d.name = c.name;
  if (c.type == ColumnType::Text) {
    d.flags = kUserVariable;
    d.extraFlags = kExtraCompressed;
    d.varIndex = varCount++;
    d.length = uint16_t(2 * c.maxChars);
  } else {
    d.flags = kUserFixed;
    d.varIndex = varCount;
    d.length = c.type == ColumnType::Boolean ? kYesNoLength : fixedTypeSize(c.type);
    d.fixedOffset = c.type == ColumnType::Long ? fixedEnd : 0;
    if (c.type == ColumnType::Long) fixedEnd = uint16_t(fixedEnd + d.length);
  }
  return d;
}

TableDefinition describeTable(const TableDef& def, int keyColumn) {
  TableDefinition td;
  td.tableType = kTableUser;
  uint16_t varCount = 0, fixedEnd = 0;
  for (size_t i = 0; i < def.columns.size(); ++i)
    td.columns.push_back(describeColumn(def.columns[i], uint16_t(i), varCount, fixedEnd));
  td.maxColumns = uint16_t(def.columns.size());
  td.varColumns = varCount;
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
  return td;
}

std::vector<uint8_t> columnProperties(const TableDef& def) {
  std::vector<ColumnProperties> properties;
  // Access's table designer lets text columns hold empty texts, and rows
  // carry them (an empty CSV field): the file must say so to Jet.
  for (const ColumnDef& c : def.columns)
    properties.push_back({c.name, c.type != ColumnType::Boolean, c.type == ColumnType::Text});
  return buildColumnPropertiesBlob(properties);
}

}  // namespace

void DatabaseImpl::createTable(const TableDef& def) {
  if (!file_->writable()) fail("the database is open read-only");
  checkRoomFor(kPagesPerStepAtMost);
  checkNewTable(def);
  TableDefinition td = describeTable(def, primaryKeyColumn(def));
  placeNewTable(td);
  writeTableCatalogueRows(td, def.name, columnProperties(def));
  catalogue_.reset();
  // Other connections find the table at once; rows posted later wait for flush().
  writeHeldPages(false);
}

void DatabaseImpl::checkNewTable(const TableDef& def) {
  if (!validName(def.name)) fail("a table name must have 1 to 64 characters");
  encodeTextKey(def.name);  // refuses names the catalogue index cannot hold
  for (const auto& e : catalogue())
    if (e.parentId == kIdTables && base::equalsIgnoreAsciiCase(e.name, def.name))
      fail("table '" + def.name + "' already exists");
  checkColumns(def);
}

// Pages in this order: the definition, one data page with the usage maps
// (owned pages, free space, the key's index), the key's index root.
void DatabaseImpl::placeNewTable(TableDefinition& td) {
  const bool keyed = !td.realIndexes.empty();
  size_t tdefPages = tdefPageCount(serializeTdef(td).size());
  td.page = allocateEmptyPage();
  std::vector<uint32_t> chain = {td.page};
  for (size_t i = 1; i < tdefPages; ++i) chain.push_back(allocateEmptyPage());
  Page maps = newDataPage(0);
  uint32_t mapPage = file_->pageCount();
  addRow(maps, emptyInlineMap());
  addRow(maps, emptyInlineMap());
  uint32_t root = 0;
  if (keyed) {
    root = mapPage + 1;
    auto indexMap = emptyInlineMap(root & ~7u);
    setInlineMapBit(indexMap, root - (root & ~7u));
    addRow(maps, indexMap);
  }
  if (allocatePage(maps) != mapPage) fail("internal error: page allocation out of step");
  if (keyed && allocatePage(emptyIndexLeaf(td.page)) != root) fail("internal error: page allocation out of step");
  td.ownedMap = makePointer(mapPage, 0);
  td.freeMap = makePointer(mapPage, 1);
  if (keyed) {
    td.realIndexes[0].usageMap = makePointer(mapPage, 2);
    td.realIndexes[0].rootPage = root;
  }
  auto pages = layoutTdefPages(serializeTdef(td), chain);
  for (size_t i = 0; i < pages.size(); ++i) file_->write(chain[i], pages[i]);
}

}  // namespace jet::detail
