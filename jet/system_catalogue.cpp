#include "jet/system_catalogue.h"

#include <algorithm>

#include "jet/bytes.h"
#include "jet/usage_map.h"

namespace jet::detail {
namespace {

constexpr uint8_t kFlagsSystemFixed = 0x13;
constexpr uint8_t kFlagsSystemVariable = 0x12;
constexpr uint8_t kFlagsSystemSid = 0x32;
constexpr uint8_t kRealUniqueSystem = 0x81;
constexpr uint8_t kRealAces = 0x88;
constexpr uint8_t kRealRelationships = 0x82;
constexpr uint16_t kMaxTextBytes = 510;
constexpr uint32_t kRootParentIdName = 7;
constexpr uint32_t kRootId = 8;
constexpr uint32_t kRootObjectId = 9;
constexpr uint32_t kRootObjectIdAttribute = 10;
constexpr uint32_t kRootSzRelationship = 11;
constexpr uint32_t kRootSzObject = 12;
constexpr uint32_t kRootSzReferencedObject = 13;

using T = ColumnType;

struct ColSpec {
  const char* name;
  ColumnType type;
  uint16_t fixedOffset;  // fixed columns
  bool sid = false;
};

uint16_t lengthOf(ColumnType type) {
  if (type == ColumnType::Text || type == ColumnType::Binary) return kMaxTextBytes;
  if (type == ColumnType::Ole || type == ColumnType::Memo) return 0;
  if (type == ColumnType::Boolean) return 1;
  return fixedTypeSize(type);
}

bool isVariable(ColumnType type) {
  return type == ColumnType::Binary || type == ColumnType::Text || type == ColumnType::Ole || type == ColumnType::Memo;
}

std::string lower(std::string s) {
  for (auto& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// Columns numbered in the order given; descriptors sorted by name as Jet
// stores them for its own tables.
void addColumns(TableDefinition& d, const std::vector<ColSpec>& specs) {
  uint16_t var = 0;
  for (size_t i = 0; i < specs.size(); ++i) {
    ColumnDesc c;
    c.type = specs[i].type;
    c.number = uint16_t(i);
    c.name = specs[i].name;
    c.length = lengthOf(c.type);
    if (isVariable(c.type)) {
      c.flags = specs[i].sid ? kFlagsSystemSid : kFlagsSystemVariable;
      c.varIndex = var++;
    } else {
      c.flags = kFlagsSystemFixed;
      c.varIndex = var;
      c.fixedOffset = specs[i].fixedOffset;
    }
    d.columns.push_back(c);
  }
  d.maxColumns = uint16_t(specs.size());
  d.varColumns = var;
  std::stable_sort(d.columns.begin(), d.columns.end(),
                   [](const ColumnDesc& a, const ColumnDesc& b) { return lower(a.name) < lower(b.name); });
}

RealIndex realIndex(std::vector<IndexColumn> cols, uint32_t mapRow, uint32_t root, uint8_t flags) {
  RealIndex r;
  r.columns = std::move(cols);
  r.usageMap = makePointer(kPageSystemMaps, mapRow);
  r.rootPage = root;
  r.flags = flags;
  return r;
}

LogicalIndex logical(const char* name, uint32_t number, uint32_t real, uint8_t type) {
  LogicalIndex l;
  l.name = name;
  l.number = number;
  l.realIndex = real;
  l.type = type;
  return l;
}

TableDefinition baseTable(uint32_t page, uint32_t ownedRow) {
  TableDefinition d;
  d.page = page;
  d.tableType = kTableSystem;
  d.ownedMap = makePointer(kPageSystemMaps, ownedRow);
  d.freeMap = makePointer(kPageSystemMaps, ownedRow + 1);
  return d;
}

// Long-value maps in descriptor order.
void addLongValueMaps(TableDefinition& d, const std::vector<std::pair<uint16_t, uint32_t>>& columnRows) {
  for (const auto& c : d.columns)
    for (const auto& [number, row] : columnRows)
      if (c.number == number)
        d.longValueMaps.push_back({number, makePointer(kPageSystemMaps, row), makePointer(kPageSystemMaps, row + 1)});
}

std::vector<uint8_t> hexBytes(const char* hex) {
  std::vector<uint8_t> out;
  for (const char* p = hex; p[0] && p[1]; p += 2) {
    auto nib = [](char c) { return uint8_t(c <= '9' ? c - '0' : c - 'a' + 10); };
    out.push_back(uint8_t(nib(p[0]) << 4 | nib(p[1])));
  }
  return out;
}

TableDefinition msysObjects() {
  TableDefinition objects = baseTable(kPageMSysObjects, 0);
  addColumns(objects, {{"Id", T::Long, 0},
                       {"ParentId", T::Long, 4},
                       {"Name", T::Text, 0},
                       {"Type", T::Integer, 8},
                       {"DateCreate", T::DateTime, 10},
                       {"DateUpdate", T::DateTime, 18},
                       {"Owner", T::Binary, 0, true},
                       {"Flags", T::Long, 26},
                       {"Database", T::Memo, 0},
                       {"Connect", T::Memo, 0},
                       {"ForeignName", T::Text, 0},
                       {"RmtInfoShort", T::Binary, 0},
                       {"RmtInfoLong", T::Ole, 0},
                       {"Lv", T::Ole, 0},
                       {"LvProp", T::Ole, 0},
                       {"LvModule", T::Ole, 0},
                       {"LvExtra", T::Ole, 0}});
  objects.realIndexes = {realIndex({{1, true}, {2, true}}, 16, kRootParentIdName, kRealUniqueSystem),
                         realIndex({{0, true}}, 17, kRootId, kRealUniqueSystem)};
  objects.logicalIndexes = {logical("Id", 1, 1, kLogicalPrimary), logical("ParentIdName", 0, 0, kLogicalNormal)};
  addLongValueMaps(objects, {{8, 2}, {9, 4}, {12, 6}, {13, 8}, {14, 10}, {15, 12}, {16, 14}});
  return objects;
}

TableDefinition msysAces() {
  TableDefinition aces = baseTable(kPageMSysACEs, 18);
  addColumns(
      aces,
      {{"ObjectId", T::Long, 0}, {"SID", T::Binary, 0, true}, {"ACM", T::Long, 4}, {"FInheritable", T::Boolean, 0}});
  aces.realIndexes = {realIndex({{0, true}}, 20, kRootObjectId, kRealAces)};
  aces.logicalIndexes = {logical("ObjectId", 0, 0, kLogicalNormal)};
  return aces;
}

TableDefinition msysQueries() {
  TableDefinition queries = baseTable(kPageMSysQueries, 21);
  addColumns(queries, {{"ObjectId", T::Long, 0},
                       {"Attribute", T::Byte, 4},
                       {"Order", T::Binary, 0},
                       {"Name1", T::Text, 0},
                       {"Name2", T::Text, 0},
                       {"Expression", T::Memo, 0},
                       {"Flag", T::Integer, 5},
                       {"LvExtra", T::Long, 7}});
  queries.realIndexes = {realIndex({{0, true}, {1, true}, {2, true}}, 25, kRootObjectIdAttribute, kRealUniqueSystem)};
  queries.logicalIndexes = {logical("ObjectIdAttribute", 0, 0, kLogicalPrimary)};
  addLongValueMaps(queries, {{5, 23}});
  return queries;
}

TableDefinition msysRelationships() {
  TableDefinition relationships = baseTable(kPageMSysRelationships, 26);
  addColumns(relationships, {{"szRelationship", T::Text, 0},
                             {"grbit", T::Long, 0},
                             {"ccolumn", T::Long, 4},
                             {"icolumn", T::Long, 8},
                             {"szObject", T::Text, 0},
                             {"szColumn", T::Text, 0},
                             {"szReferencedObject", T::Text, 0},
                             {"szReferencedColumn", T::Text, 0}});
  relationships.realIndexes = {realIndex({{0, true}}, 28, kRootSzRelationship, kRealRelationships),
                               realIndex({{4, true}}, 29, kRootSzObject, kRealRelationships),
                               realIndex({{6, true}}, 30, kRootSzReferencedObject, kRealRelationships)};
  relationships.logicalIndexes = {logical("szObject", 1, 1, kLogicalNormal),
                                  logical("szReferencedObject", 2, 2, kLogicalNormal),
                                  logical("szRelationship", 0, 0, kLogicalNormal)};
  return relationships;
}

}  // namespace

TableIds systemTables() {
  TableIds out;
  out.tables = {msysObjects(), msysAces(), msysQueries(), msysRelationships()};
  out.mapRows.assign(31, emptyInlineMap());
  auto setBit = [&](size_t row, uint32_t page) { setInlineMapBit(out.mapRows[row], page); };
  setBit(0, kPageMSysObjectsData);
  setBit(1, kPageMSysObjectsData);
  setBit(16, kRootParentIdName);
  setBit(17, kRootId);
  setBit(18, kPageMSysACEsData);
  setBit(19, kPageMSysACEsData);
  setBit(20, kRootObjectId);
  setBit(25, kRootObjectIdAttribute);
  setBit(28, kRootSzRelationship);
  setBit(29, kRootSzObject);
  setBit(30, kRootSzReferencedObject);
  out.indexRoots = {kRootParentIdName,   kRootId,       kRootObjectId,          kRootObjectIdAttribute,
                    kRootSzRelationship, kRootSzObject, kRootSzReferencedObject};
  return out;
}

std::vector<uint8_t> sidAdmin() { return {0xA6, 0x33}; }
std::vector<uint8_t> sidEngine() { return {0xA7, 0x31}; }
std::vector<uint8_t> sidUsers() { return {0xA7, 0x33}; }
std::vector<uint8_t> sidCreator() { return {0xA7, 0x36}; }
std::vector<uint8_t> sidAdmins() {
  return hexBytes(
      "a4f74667e17167eed7b10f8ffeef76ffaae3665105bdd29d4d4b3952d9fb9a07660c5bd2d87dddb31e659019009489c23c256acfdb349a"
      "57af50c5149a9830e62c35553f0e95cfb6ecb570b2f0a99b1cdbce60747b7b13cf1dafc3d6185f9c5be4e87e37edb3");
}

std::vector<CatalogueRow> jetCatalogueRows() {
  return {
      {kIdTables, kIdRootParent, "Tables", kTypeContainer, kFlagSystemObject, sidEngine()},
      {kIdDatabases, kIdRootParent, "Databases", kTypeContainer, kFlagSystemObject, sidEngine()},
      {kIdRelationships, kIdRootParent, "Relationships", kTypeContainer, kFlagSystemObject, sidEngine()},
      {kIdMSysDb, kIdDatabases, "MSysDb", kTypeDatabase, kFlagSystemObject, sidAdmin()},
      {int32_t(kPageMSysObjects), kIdTables, "MSysObjects", kTypeTable, kFlagSystemObject, sidEngine()},
      {int32_t(kPageMSysACEs), kIdTables, "MSysACEs", kTypeTable, kFlagSystemObject, sidEngine()},
      {int32_t(kPageMSysQueries), kIdTables, "MSysQueries", kTypeTable, kFlagSystemObject, sidEngine()},
      {int32_t(kPageMSysRelationships), kIdTables, "MSysRelationships", kTypeTable, kFlagSystemObject, sidEngine()},
  };
}

std::vector<AceRow> jetAceRows() {
  auto A = sidAdmin(), U = sidUsers(), C = sidCreator(), G = sidAdmins();
  return {
      {kIdDatabases, A, 0x00060000, false},
      {kIdRelationships, C, 0x000F00FE, true},
      {kIdRelationships, A, 0x00060001, false},
      {kIdRelationships, G, 0x000FFFFF, true},
      {kIdRelationships, U, 0x000FFFFF, true},
      {kIdTables, C, 0x000F00FE, true},
      {kIdTables, A, 0x000FFEFF, true},
      {kIdTables, G, 0x000FFEFF, true},
      {kIdTables, U, 0x000FFEFF, true},
      {kIdMSysDb, A, 0x0006000E, false},
      {kIdMSysDb, U, 0x0000000E, false},
      {kIdMSysDb, G, 0x0006000E, false},
      {int32_t(kPageMSysACEs), A, 0x00060000, false},
      {int32_t(kPageMSysACEs), G, 0x00060054, false},
      {int32_t(kPageMSysObjects), A, 0x00060000, false},
      {int32_t(kPageMSysObjects), G, 0x00060054, false},
      {int32_t(kPageMSysObjects), U, 0x00000014, false},
      {int32_t(kPageMSysQueries), A, 0x00060000, false},
      {int32_t(kPageMSysQueries), G, 0x00060014, false},
      {int32_t(kPageMSysQueries), U, 0x00000014, false},
      {int32_t(kPageMSysRelationships), A, 0x000E0000, false},
      {int32_t(kPageMSysRelationships), G, 0x00060014, false},
      {int32_t(kPageMSysRelationships), U, 0x00000014, false},
  };
}

std::vector<AceRow> userTableAceRows(int32_t tableId) {
  return {{tableId, sidAdmin(), 0x000FFEFF, false},
          {tableId, sidAdmins(), 0x000FFEFF, false},
          {tableId, sidUsers(), 0x000FFEFF, false}};
}

}  // namespace jet::detail
