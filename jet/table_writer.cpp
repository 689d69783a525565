// The writer's state of each table, and the pages it takes. Pages are only
// ever appended (never reused), and each step leaves every structure
// readable: data page, index pages, usage maps, the table definition and the
// global usage map (see global_map.h).
#include <set>

#include "jet/bytes.h"
#include "jet/database_impl.h"

namespace jet::detail {
namespace {

std::vector<uint32_t> tdefChain(const PageFile& file, uint32_t page) {
  std::vector<uint32_t> out;
  std::set<uint32_t> seen;
  while (page != 0 && seen.insert(page).second) {
    out.push_back(page);
    page = le32(file.read(page).data() + kTdefNextPage);
  }
  return out;
}

}  // namespace

void DatabaseImpl::checkRoomFor(uint32_t pages) {
  if (uint64_t(file_->pageCount()) + pages > pageLimit_)
    fail("the database cannot grow beyond " + std::to_string(uint64_t(pageLimit_) * kPageSize >> 20) + " MiB (" +
         std::to_string(pageLimit_) + " pages), the largest size of a Jet 4 file");
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
      uint32_t page = allocateEmptyPage();
      raw->indexMaps[i]->add(page);
      return page;
    }));
  }
  for (const auto& m : t->def.longValueMaps)
    if (m.owned != 0 && m.free != 0)
      t->longValueMaps.emplace(m.column,
                               std::make_pair(UsageMap::load(*file_, m.owned), UsageMap::load(*file_, m.free)));
  std::vector<uint8_t> lvProp;
  for (const auto& e : catalogue())
    if (e.table() && e.page() == tdefPage) {
      lvProp = e.lvProp;
      t->name = e.name;
    }
  t->required = requiredColumns(t->def, lvProp);
  for (const auto& c : t->def.columns)
    t->hasLongValues = t->hasLongValues || c.type == ColumnType::Ole || c.type == ColumnType::Memo;
  return *writers_.emplace(tdefPage, std::move(t)).first->second;
}

void DatabaseImpl::writeTdef(TableWriter& t) {
  t.countBytes.clear();
  auto bytes = serializeTdef(t.def);
  while (t.tdefPages.size() < tdefPageCount(bytes.size())) t.tdefPages.push_back(allocateEmptyPage());
  auto pages = layoutTdefPages(bytes, t.tdefPages);
  for (size_t i = 0; i < pages.size(); ++i) file_->write(t.tdefPages[i], pages[i]);
}

// Only the row count and index statistics change when a row is added: they
// sit together near the start of the first page, and the bytes between them
// stay as serialized once.
void DatabaseImpl::writeTdefCounts(TableWriter& t) {
  size_t end = kTdefIndexStats + kIndexStatsSize * t.def.realIndexes.size();
  if (t.countBytes.empty()) {
    auto bytes = serializeTdef(t.def);
    if (end > kPageSize || end > bytes.size()) {
      writeTdef(t);
      return;
    }
    t.countBytes.assign(bytes.begin() + long(kTdefRowCount), bytes.begin() + long(end));
  }
  putLe32(t.countBytes.data(), t.def.rowCount);
  for (size_t i = 0; i < t.def.realIndexes.size(); ++i) {
    uint8_t* stats = t.countBytes.data() + kTdefIndexStats - kTdefRowCount + kIndexStatsSize * i;
    putLe32(stats, t.def.realIndexes[i].statsWord);
    putLe32(stats + 4, t.def.realIndexes[i].distinctKeys);
  }
  file_->writeBytes(t.tdefPages[0], kTdefRowCount, t.countBytes.data(), t.countBytes.size());
}

}  // namespace jet::detail
