#pragma once
// The system catalogue of a new database: the four Jet system tables
// (MSysObjects, MSysACEs, MSysQueries, MSysRelationships), their rows for the
// Jet objects and the security identifiers those rows carry.
//
// Page layout of a new file:
// PAGE   CONTENT
// 0      header
// 1      global usage map (row 0), empty inline map (row 1)
// 2-5    TDEFs of MSysObjects, MSysACEs, MSysQueries, MSysRelationships
// 6      their 31 usage-map rows (owned/free, long-value and index maps)
// 7-13   index roots: ParentIdName, Id, ObjectId, ObjectIdAttribute,
//        szRelationship, szObject, szReferencedObject
// 14     MSysObjects data
// 15     MSysACEs data
// 16...  added as needed: LVAL pages, user tables
#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet.h"
#include "jet/table_def.h"

namespace jet::detail {

inline constexpr uint32_t kPageMSysObjects = 2;
inline constexpr uint32_t kPageMSysACEs = 3;
inline constexpr uint32_t kPageMSysQueries = 4;
inline constexpr uint32_t kPageMSysRelationships = 5;
inline constexpr uint32_t kPageSystemMaps = 6;
inline constexpr uint32_t kPageMSysObjectsData = 14;
inline constexpr uint32_t kPageMSysACEsData = 15;
inline constexpr uint32_t kNewFilePages = 16;

inline constexpr int32_t kIdTables = 0x0F000001;
inline constexpr int32_t kIdDatabases = 0x0F000002;
inline constexpr int32_t kIdRelationships = 0x0F000003;
inline constexpr int32_t kIdRootParent = 0x0F000000;
inline constexpr int32_t kIdMSysDb = 0x10000000;
inline constexpr int32_t kTypeTable = 1;
inline constexpr int32_t kTypeDatabase = 2;
inline constexpr int32_t kTypeContainer = 3;
inline constexpr int32_t kFlagSystemObject = int32_t(0x80000000u);
inline constexpr int32_t kFlagSystemTable = 0x00000002;
// The Id stored in MSysObjects keeps the page number in its low 24 bits.
inline constexpr uint32_t kIdPageMask = 0x00FFFFFF;

struct TableIds {
  std::vector<TableDefinition> tables;        // MSysObjects, MSysACEs, MSysQueries, MSysRelationships
  std::vector<std::vector<uint8_t>> mapRows;  // the 31 rows of page 6, in row order
  std::vector<uint32_t> indexRoots;           // pages 7..13
};

// Definitions and usage-map rows of the four system tables of a new file.
TableIds systemTables();

// Security identifiers: Admin user, engine, Users group, creator placeholder,
// Admins group of the creating workgroup.
std::vector<uint8_t> sidAdmin();
std::vector<uint8_t> sidEngine();
std::vector<uint8_t> sidUsers();
std::vector<uint8_t> sidCreator();
std::vector<uint8_t> sidAdmins();

struct CatalogueRow {
  int32_t id;
  int32_t parentId;
  std::string name;
  int16_t type;
  int32_t flags;
  std::vector<uint8_t> owner;
};
std::vector<CatalogueRow> jetCatalogueRows();

struct AceRow {
  int32_t objectId;
  std::vector<uint8_t> sid;
  int32_t acm;
  bool inheritable;
};
std::vector<AceRow> jetAceRows();
// Rows for a new user table with the given Id.
std::vector<AceRow> userTableAceRows(int32_t tableId);

}  // namespace jet::detail
