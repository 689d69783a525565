// Opening a database, the catalogue, schemas and table scans.
#include <algorithm>
#include <optional>
#include <set>

#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/database_impl.h"
#include "jet/property_blob.h"
#include "jet/row_codec.h"
#include "jet/system_catalogue.h"
#include "jet/text_codec.h"
#include "base/ascii.h"

namespace jet {

Cursor::~Cursor() = default;
Database::~Database() = default;

namespace detail {
namespace {

constexpr char kRequiredProperty[] = "Required";
constexpr char kAllowZeroLengthProperty[] = "AllowZeroLength";
// An overflow slot names the row that holds the data; that row never points on.
constexpr int kMaxOverflowHops = 1;

// Rows of one table in storage order.
class Scanner {
 public:
  Scanner(DatabaseImpl& db, TableDefinition def) : db_(db), def_(std::move(def)) {}
  const TableDefinition& def() const { return def_; }
  void first() {
    pages_ = db_.dataPages(def_);
    pageIndex_ = 0;
    slot_ = 0;
    pageLoaded_ = false;
    end_ = false;
    advance();
  }
  void next() {
    if (!end_) advance();
  }
  bool atEnd() const { return end_; }
  const std::vector<uint8_t>& row() const { return row_; }
  void reload(TableDefinition def) { def_ = std::move(def); }

  // The current row as its page's place in the page list and its slot.
  uint64_t bookmark() const { return (uint64_t(pageIndex_ - 1) << kBookmarkSlotBits) | (slot_ - 1); }
  void moveTo(uint64_t mark) {
    const size_t index = size_t(mark >> kBookmarkSlotBits);
    if (index >= pages_.size()) fail("no row at the bookmark in table page " + std::to_string(def_.page));
    if (pageIndex_ != index + 1) loadPage(index);
    slot_ = size_t(mark & ((1u << kBookmarkSlotBits) - 1));
    end_ = false;
    advance();
  }

 private:
  static constexpr unsigned kBookmarkSlotBits = 16;

  void loadPage(size_t index) {
    const uint32_t n = pages_[index];
    page_ = db_.file().read(n);
    pageIndex_ = index + 1;
    slot_ = 0;
    // Owned-page maps may hold stale pages: only this table's data pages count.
    pageLoaded_ = page_[0] == kPageData && le32(page_.data() + kDataOwner) == def_.page;
    if (pageLoaded_ && kDataSlots + 2 * size_t(slotCount(page_)) > kPageSize)
      fail("damaged database: data page " + std::to_string(n) + " has an impossible row count");
  }

  void advance() {
    PageFile& file = db_.file();
    while (true) {
      if (pageLoaded_ && slot_ < slotCount(page_)) {
        RowSlot s = rowSlot(page_, slot_++);
        if (s.deleted()) continue;
        if (s.word & kSlotOverflow) {
          std::vector<uint8_t> bytes(page_.begin() + long(s.start), page_.begin() + long(s.start + s.length));
          for (int hop = 0;; ++hop) {
            if (bytes.size() < 4) fail("damaged database: an overflow row pointer is cut short");
            if (hop >= kMaxOverflowHops) break;
            uint32_t ptr = le32(bytes.data());
            Page target = file.read(pointerPage(ptr));
            if (target[0] != kPageData)
              fail("damaged database: an overflow row points at a page that is not a data page");
            RowSlot ts = rowSlot(target, pointerRow(ptr));
            bytes.assign(target.begin() + long(ts.start), target.begin() + long(ts.start + ts.length));
            if (!(ts.word & kSlotOverflow) || (ts.word & kSlotDeleted)) break;
          }
          row_ = std::move(bytes);
        } else {
          row_.assign(page_.begin() + long(s.start), page_.begin() + long(s.start + s.length));
        }
        return;
      }
      if (pageIndex_ >= pages_.size()) {
        end_ = true;
        row_.clear();
        return;
      }
      loadPage(pageIndex_);
    }
  }

  DatabaseImpl& db_;
  TableDefinition def_;
  std::vector<uint32_t> pages_;
  size_t pageIndex_ = 0;
  Page page_;
  bool pageLoaded_ = false;
  size_t slot_ = 0;
  std::vector<uint8_t> row_;
  bool end_ = true;
};

class CursorImpl : public Cursor {
 public:
  CursorImpl(DatabaseImpl& db, const CatalogueEntry& entry, bool updatable)
      : db_(db),
        tdefPage_(entry.page()),
        name_(entry.name),
        updatable_(updatable),
        scanner_(db, db.definition(entry.page())) {
    scanner_.first();
    decode();
  }
  void first() override {
    scanner_.reload(db_.definition(tdefPage_));
    scanner_.first();
    decode();
  }
  void next() override {
    scanner_.next();
    decode();
  }
  bool atEnd() const override { return scanner_.atEnd(); }
  uint64_t bookmark() const override {
    if (scanner_.atEnd()) fail("no current row in table '" + name_ + "' (the cursor is at the end)");
    return scanner_.bookmark();
  }
  void moveTo(uint64_t mark) override {
    scanner_.moveTo(mark);
    decode();
  }
  Value get(const std::string& column) const override {
    size_t i = columnIndex(column);
    if (scanner_.atEnd()) fail("no current row in table '" + name_ + "' (the cursor is at the end)");
    // Columns are decoded when asked for: a scan that matches on a key reads
    // one column of each row, not all of them.
    return layout_->column(i, db_.file());
  }
  ValueShape shape(const std::string& column) const override {
    size_t i = columnIndex(column);
    if (scanner_.atEnd()) fail("no current row in table '" + name_ + "' (the cursor is at the end)");
    return layout_->shape(i, db_.file());
  }
  void shapes(const std::vector<std::string>& columns, std::vector<ValueShape>& out) const override {
    if (columns != shapeColumns_) {
      shapeIndexes_.clear();
      for (const auto& c : columns) shapeIndexes_.push_back(columnIndex(c));
      shapeColumns_ = columns;
    }
    if (scanner_.atEnd()) fail("no current row in table '" + name_ + "' (the cursor is at the end)");
    out.clear();
    for (size_t i : shapeIndexes_) out.push_back(layout_->shape(i, db_.file()));
  }
  void insert() override {
    if (!updatable_) fail("table '" + name_ + "' was opened read-only");
    pending_.assign(scanner_.def().columns.size(), Value{});
    inserting_ = true;
  }
  void set(const std::string& column, Value v) override {
    size_t i = columnIndex(column);
    if (!inserting_) fail("set without insert on table '" + name_ + "'");
    pending_[i] = std::move(v);
  }
  void post() override {
    if (!inserting_) fail("post without insert on table '" + name_ + "'");
    db_.insertRow(tdefPage_, pending_);
    inserting_ = false;
    pending_.clear();
  }
  bool postCopyOf(const Cursor& source) override {
    if (!updatable_) fail("table '" + name_ + "' was opened read-only");
    const auto* from = dynamic_cast<const CursorImpl*>(&source);
    if (from == nullptr) return false;
    if (!from->layout_) fail("no current row in table '" + from->name_ + "' (the cursor is at the end)");
    return db_.insertRowCopy(tdefPage_, from->scanner_.def(), *from->layout_).has_value();
  }

 private:
  size_t columnIndex(const std::string& column) const {
    const auto& cols = scanner_.def().columns;
    // Callers ask for the columns in the same order row after row.
    if (++lastColumn_ >= cols.size()) lastColumn_ = 0;
    if (cols[lastColumn_].name == column) return lastColumn_;
    for (size_t i = 0; i < cols.size(); ++i)
      if (cols[i].name == column) return lastColumn_ = i;
    for (size_t i = 0; i < cols.size(); ++i)
      if (cols[i].name == column) return i;
    for (size_t i = 0; i < cols.size(); ++i)
      if (base::equalsIgnoreAsciiCase(cols[i].name, column)) return lastColumn_ = i;
    fail("table '" + name_ + "' has no column '" + column + "'");
  }
  void decode() {
    layout_.reset();
    if (scanner_.atEnd()) return;
    layout_.emplace(scanner_.def(), scanner_.row());
  }

  DatabaseImpl& db_;
  uint32_t tdefPage_;
  std::string name_;
  bool updatable_;
  Scanner scanner_;
  std::optional<RowLayout> layout_;  // of the current row
  std::vector<Value> pending_;
  bool inserting_ = false;
  mutable size_t lastColumn_ = 0;  // the column found last
  // The columns shapes() was asked for last, and where they are.
  mutable std::vector<std::string> shapeColumns_;
  mutable std::vector<size_t> shapeIndexes_;
};

}  // namespace

bool CatalogueEntry::table() const { return type == kTypeTable; }
bool CatalogueEntry::userTable() const {
  return table() && (uint32_t(flags) & (uint32_t(kFlagSystemObject) | uint32_t(kFlagSystemTable))) == 0;
}

DatabaseImpl::DatabaseImpl(platform::Env& env, const std::string& path, bool writable) : env_(env), path_(path) {
  std::unique_ptr<platform::File> f;
  try {
    f = env.openFile(path, writable ? platform::Access::ReadWrite : platform::Access::Read,
                     platform::Creation::OpenExisting, platform::Sharing::DenyNone);
  } catch (const platform::IoError& e) {
    fail(std::string("cannot open the database: ") + e.what());
  }
  uint64_t size = 0;
  std::vector<uint8_t> head(kPageSize, 0);
  size_t got = 0;
  try {
    size = f->size();
    got = f->readAt(0, head.data(), kPageSize);
  } catch (const platform::IoError& e) {
    fail(std::string("cannot read the database: ") + e.what());
  }
  if (got < 0x20) fail("not a Jet database: the file is too short (" + std::to_string(size) + " bytes)");
  readHeader(head.data());
  if (got < kPageSize) fail("damaged database: the header page is cut short");
  file_ = std::make_unique<PageFile>(std::move(f), writable);
  if (file_->pageCount() <= kPageMSysObjects) fail("damaged database: the file ends before the catalogue");
  catalogue();  // a file without a readable catalogue is refused at once
}

std::vector<CatalogueEntry>& DatabaseImpl::catalogue() {
  if (catalogue_) return *catalogue_;
  TableDefinition def = definition(kPageMSysObjects);
  auto col = [&](const char* name) -> size_t {
    for (size_t i = 0; i < def.columns.size(); ++i)
      if (def.columns[i].name == name) return i;
    fail(std::string("damaged database: the catalogue has no column ") + name);
  };
  size_t cId = col("Id"), cParent = col("ParentId"), cName = col("Name"), cType = col("Type"), cFlags = col("Flags"),
         cProp = col("LvProp");
  std::vector<CatalogueEntry> out;
  Scanner scan(*this, def);
  for (scan.first(); !scan.atEnd(); scan.next()) {
    auto v = decodeRow(def, scan.row(), *file_);
    CatalogueEntry e;
    if (auto* p = std::get_if<int32_t>(&v[cId])) e.id = *p;
    if (auto* p = std::get_if<int32_t>(&v[cParent])) e.parentId = *p;
    if (auto* p = std::get_if<std::string>(&v[cName])) e.name = *p;
    if (auto* p = std::get_if<int32_t>(&v[cType])) e.type = *p;
    if (auto* p = std::get_if<int32_t>(&v[cFlags])) e.flags = *p;
    if (auto* p = std::get_if<Bytes>(&v[cProp])) e.lvProp = *p;
    out.push_back(std::move(e));
  }
  catalogue_ = std::move(out);
  return *catalogue_;
}

std::vector<std::string> DatabaseImpl::tableNames() {
  std::vector<std::string> out;
  for (const auto& e : catalogue())
    if (e.userTable()) out.push_back(e.name);
  return out;
}

std::vector<std::string> DatabaseImpl::allTableNames() {
  std::vector<std::string> out;
  for (const auto& e : catalogue())
    if (e.table()) out.push_back(e.name);
  return out;
}

DatabaseImpl::~DatabaseImpl() {
  try {
    writeHeldPages(false);
  } catch (const Error&) {
    // Callers that must know the file is complete call flush() first.
  }
}

void DatabaseImpl::flush() { writeHeldPages(true); }

void DatabaseImpl::writeHeldPages(bool durable) {
  for (auto& [page, writer] : writers_)
    for (auto& index : writer->indexes) index->flush();
  file_->flush(durable);
}

const CatalogueEntry& DatabaseImpl::findTable(const std::string& name) {
  // A second pass re-reads the catalogue: another connection may have added the table.
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) catalogue_.reset();
    for (const auto& e : catalogue())
      if (e.table() && e.name == name) return e;
    for (const auto& e : catalogue())
      if (e.table() && base::equalsIgnoreAsciiCase(e.name, name)) return e;
  }
  fail("the database has no table '" + name + "'");
}

TableDefinition DatabaseImpl::definition(uint32_t tdefPage) {
  auto it = writers_.find(tdefPage);
  if (it != writers_.end()) return it->second->def;
  // Every scan and schema starts here: a reader sees what was written since.
  if (!file_->writable()) file_->refresh();
  return readTableDefinition(*file_, tdefPage);
}

std::vector<uint32_t> DatabaseImpl::dataPages(const TableDefinition& def) {
  auto it = writers_.find(def.page);
  std::vector<uint32_t> pages;
  if (it != writers_.end()) {
    pages.assign(it->second->owned.pages().begin(), it->second->owned.pages().end());
  } else {
    file_->refresh();
    pages = readUsageMap(*file_, def.ownedMap);
  }
  std::vector<uint32_t> out;
  for (uint32_t p : pages)
    if (p > kPageMSysObjects && p < file_->pageCount()) out.push_back(p);
  return out;
}

std::vector<bool> DatabaseImpl::requiredColumns(const TableDefinition& def, const std::vector<uint8_t>& lvProp) {
  return columnsWithProperty(def, lvProp, kRequiredProperty);
}

std::vector<bool> DatabaseImpl::columnsWithProperty(const TableDefinition& def, const std::vector<uint8_t>& lvProp,
                                                    const std::string& property) {
  std::vector<bool> out(def.columns.size(), false);
  if (lvProp.empty()) return out;
  PropertyMap props;
  try {
    props = parsePropertyBlob(lvProp);
  } catch (const Error&) {
    return out;  // properties are advisory; a damaged blob must not hide the data
  }
  for (size_t i = 0; i < def.columns.size(); ++i) {
    auto it = props.find(def.columns[i].name);
    if (it == props.end()) continue;
    auto p = it->second.find(property);
    if (p != it->second.end() && !p->second.value.empty() && p->second.value[0] != 0) out[i] = true;
  }
  return out;
}

TableSchema DatabaseImpl::schema(const std::string& table) {
  const CatalogueEntry& e = findTable(table);
  TableDefinition def = definition(e.page());
  auto required = requiredColumns(def, e.lvProp);
  auto allowZeroLength = columnsWithProperty(def, e.lvProp, kAllowZeroLengthProperty);
  TableSchema s;
  s.name = e.name;
  s.rowCount = def.rowCount;
  std::vector<size_t> order(def.columns.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return def.columns[a].number < def.columns[b].number; });
  for (size_t i : order) {
    const ColumnDesc& c = def.columns[i];
    ColumnInfo ci;
    ci.name = c.name;
    ci.type = c.type;
    ci.maxChars = c.type == ColumnType::Text ? uint16_t(c.length / 2) : 0;
    ci.required = required[i];
    ci.allowZeroLength = allowZeroLength[i];
    ci.sizeBytes = c.length;
    ci.flags = c.flags;
    ci.fixed = c.fixed();
    ci.compressed = c.extraFlags & kExtraCompressed;
    ci.number = c.number;
    s.columns.push_back(ci);
  }
  for (const auto& li : def.logicalIndexes) {
    const RealIndex& ri = def.realIndexes[li.realIndex];
    IndexInfo ii;
    ii.name = li.name;
    for (const auto& ic : ri.columns) {
      const ColumnDesc* c = def.columnByNumber(ic.number);
      ii.columns.push_back(c ? c->name : "?");
    }
    ii.primaryKey = li.type == kLogicalPrimary;
    ii.unique = ri.flags & kIndexUnique;
    ii.foreignKey = li.type == kLogicalForeign;
    s.indexes.push_back(ii);
  }
  return s;
}

std::unique_ptr<Cursor> DatabaseImpl::openTable(const std::string& name, bool updatable) {
  if (updatable && !file_->writable()) fail("the database is open read-only; table '" + name + "' cannot be updated");
  const CatalogueEntry& e = findTable(name);
  return std::make_unique<CursorImpl>(*this, e, updatable);
}

}  // namespace detail

std::unique_ptr<Database> Database::open(platform::Env& env, const std::string& path, bool writable) {
  return std::make_unique<detail::DatabaseImpl>(env, path, writable);
}

}  // namespace jet
