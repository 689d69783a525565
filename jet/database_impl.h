#pragma once
// The engine behind jet::Database: catalogue lookup, table scans and, for a
// writable database, the writer state (page allocation, usage maps, indexes).
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/global_map.h"
#include "jet/index_tree.h"
#include "jet/jet.h"
#include "jet/page_file.h"
#include "jet/row_codec.h"
#include "jet/system_catalogue.h"
#include "jet/table_def.h"
#include "jet/usage_map.h"

namespace jet::detail {

struct CatalogueEntry {
  int32_t id = 0;
  int32_t parentId = 0;
  std::string name;
  int32_t type = 0;
  int32_t flags = 0;
  std::vector<uint8_t> lvProp;
  uint32_t page() const { return uint32_t(id) & 0x00FFFFFF; }
  bool userTable() const;
  bool table() const;
};

// Most pages one row or one new table can take: a data page, a long-value
// page, a split on every level of an index, new bitmap pages of usage maps.
inline constexpr uint32_t kPagesPerStepAtMost = 16;

// A new row's key in one real index.
struct IndexKey {
  std::vector<uint8_t> bytes;
  bool hasNull = false;  // some column of the key is null
};

// Writer state of one table.
struct TableWriter {
  TableDefinition def;
  std::vector<uint32_t> tdefPages;
  UsageMap owned;
  UsageMap free;
  std::vector<std::unique_ptr<IndexTree>> indexes;  // one per real index
  std::vector<std::unique_ptr<UsageMap>> indexMaps;
  std::map<uint16_t, std::pair<UsageMap, UsageMap>> longValueMaps;
  std::vector<bool> required;  // per descriptor
  std::string name = "?";
  bool hasLongValues = false;       // Memo or OLE columns
  std::vector<uint8_t> countBytes;  // definition bytes from the row count to the index statistics
  uint32_t currentPage = 0;         // data page rows go to while it has room
};

class DatabaseImpl : public Database {
 public:
  DatabaseImpl(platform::Env& env, const std::string& path, bool writable);
  ~DatabaseImpl() override;

  std::vector<std::string> tableNames() override;
  std::vector<std::string> allTableNames() override;
  TableSchema schema(const std::string& table) override;
  void createTable(const TableDef& def) override;
  std::unique_ptr<Cursor> openTable(const std::string& name, bool updatable) override;
  void flush() override;

  // Engine internals used by cursors, the creator and the tests.
  PageFile& file() { return *file_; }
  const CatalogueEntry& findTable(const std::string& name);
  TableDefinition definition(uint32_t tdefPage);
  // Data pages of a table in scan order.
  std::vector<uint32_t> dataPages(const TableDefinition& def);
  std::vector<bool> requiredColumns(const TableDefinition& def, const std::vector<uint8_t>& lvProp);
  // Per descriptor: the Yes/No property is set to true in the catalogue row's blob.
  std::vector<bool> columnsWithProperty(const TableDefinition& def, const std::vector<uint8_t>& lvProp,
                                        const std::string& property);
  // Checks and stores one row (values in descriptor order, brought to the
  // stored kinds in place); returns its page/row pointer.
  uint32_t insertRow(uint32_t tdefPage, std::vector<Value>& values);
  // Stores a copy of a row of a table laid out as `from`, as it is stored,
  // with the same checks as insertRow; nothing when the two tables' rows do
  // not copy across (rowsCopyAcross).
  std::optional<uint32_t> insertRowCopy(uint32_t tdefPage, const TableDefinition& from, const RowLayout& row);
  // The system tables' rows of a new file.
  void writeInitialCatalogue();
  // Hands the held pages to the file: index pages kept in memory by the
  // writers first, then every page held; with durable, syncs the file.
  void writeHeldPages(bool durable);
  // Tests reach the size limits with small files this way.
  void limitPages(uint32_t pages) { pageLimit_ = pages; }
  void limitGlobalMapInlineBytes(size_t bytes) { global_.limitInlineBytes(bytes); }

 private:
  std::vector<CatalogueEntry>& catalogue();
  TableWriter& writer(uint32_t tdefPage);
  uint32_t allocatePage(const Page& content);
  uint32_t allocateEmptyPage() { return allocatePage(Page(kPageSize, 0)); }
  // Refuses a row or table that might take the file past its page limit.
  void checkRoomFor(uint32_t pages);
  void writeTdef(TableWriter& t);
  void writeTdefCounts(TableWriter& t);
  std::vector<uint8_t> storeLongValue(TableWriter& t, const ColumnDesc& c, const std::vector<uint8_t>& data);
  void checkValues(TableWriter& t, std::vector<Value>& values);
  // Returns the values of the index columns, the others left null.
  std::vector<Value> checkStoredRow(TableWriter& t, const RowLayout& row);
  // Row insertion, in its order: the row as stored (long values written
  // first), a page for it, then its index entries.
  std::vector<uint8_t> encodeStoredRow(TableWriter& t, const std::vector<Value>& values);
  uint32_t placeRow(TableWriter& t, const std::vector<uint8_t>& row);
  void addIndexEntries(TableWriter& t, const std::vector<IndexKey>& keys, uint32_t rowPointer);
  // Places a checked row and its index entries and counts it.
  uint32_t storeRow(TableWriter& t, const std::vector<IndexKey>& keys, const std::vector<uint8_t>& row);
  // Table creation.
  void checkNewTable(const TableDef& def);
  void placeNewTable(TableDefinition& td);
  void writeTableCatalogueRows(const TableDefinition& td, const std::string& name,
                               const std::vector<uint8_t>& columnProperties);
  void writeAceRows(const std::vector<AceRow>& rows);

  platform::Env& env_;
  std::string path_;
  std::unique_ptr<PageFile> file_;
  std::optional<std::vector<CatalogueEntry>> catalogue_;
  // Writer state.
  GlobalMap global_;
  uint32_t pageLimit_ = kMaxDatabasePages;
  std::map<uint32_t, std::unique_ptr<TableWriter>> writers_;
};

}  // namespace jet::detail
