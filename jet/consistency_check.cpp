#include "jet/consistency_check.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/database_impl.h"
#include "jet/index_key.h"
#include "jet/index_tree.h"
#include "jet/usage_map.h"

namespace jet {
namespace {

using namespace detail;

class Checker {
 public:
  Checker(Database& db, std::vector<std::string>& problems)
      : db_(db), impl_(dynamic_cast<DatabaseImpl&>(db)), file_(impl_.file()), problems_(problems) {
    count_ = file_.pageCount();
    owner_.resize(count_);
  }

  void run() {
    claim(0, "header");
    claim(1, "global map");
    for (const auto& name : db_.allTableNames()) {
      try {
        table(name);
      } catch (const std::exception& e) {
        problems_.push_back(name + ": " + e.what());
      }
    }
    for (uint32_t p : mapPages_)
      if (p < count_ && owner_[p].empty()) owner_[p] = "usage maps";
    globalMap();
  }

 private:
  void claim(uint32_t page, const std::string& what) {
    if (page >= count_) {
      problems_.push_back(what + " names page " + std::to_string(page) + " beyond the file");
      return;
    }
    if (!owner_[page].empty())
      problems_.push_back("page " + std::to_string(page) + " is both " + owner_[page] + " and " + what);
    owner_[page] = what;
  }

  // A map's own row page, and its bitmap pages when it is a reference map.
  std::set<uint32_t> mapRowPages(uint32_t pointer, const std::string& what) {
    mapPages_.insert(pointerPage(pointer));
    Page p = file_.read(pointerPage(pointer));
    auto row = rowBytes(p, pointerRow(pointer));
    if (!row.empty() && row[0] == kMapReference)
      for (size_t i = 0; i + 4 < row.size(); i += 4)
        if (uint32_t bp = le32(row.data() + 1 + i)) claim(bp, what + " bitmap");
    auto pages = readUsageMap(file_, pointer);
    return std::set<uint32_t>(pages.begin(), pages.end());
  }

  void table(const std::string& name) {
    const uint32_t tdef = impl_.findTable(name).page();
    const TableDefinition def = impl_.definition(tdef);
    std::set<uint32_t> chain;
    for (uint32_t p = tdef; p != 0 && chain.insert(p).second; p = le32(file_.read(p).data() + 4))
      claim(p, name + " definition");
    const auto owned = mapRowPages(def.ownedMap, name + " owned map");
    const auto free = mapRowPages(def.freeMap, name + " free map");
    for (uint32_t p : owned) {
      claim(p, name + " data");
      if (p >= count_) continue;
      Page page = file_.read(p);
      if (page[0] != kPageData || le32(page.data() + kDataOwner) != tdef)
        problems_.push_back(name + ": owned page " + std::to_string(p) + " is not its data page");
    }
    for (uint32_t p : free)
      if (!owned.count(p)) problems_.push_back(name + ": free-space page " + std::to_string(p) + " is not owned");

    // Every value of every row, in column order; the keys each index should hold.
    std::vector<std::multiset<Entry>> rowKeys(def.realIndexes.size());
    // Keys of a kind this engine cannot build (files from Access) are left
    // to the other index checks.
    std::vector<bool> keysKnown(def.realIndexes.size(), true);
    uint32_t rows = 0;
    auto cursor = db_.openTable(name, false);
    for (cursor->first(); !cursor->atEnd(); cursor->next()) {
      ++rows;
      std::vector<Value> values;
      bool readable = true;
      for (const auto& c : def.columns) {
        try {
          values.push_back(cursor->get(c.name));
        } catch (const std::exception& e) {
          problems_.push_back(name + ": row " + std::to_string(rows) + ", column '" + c.name + "': " + e.what());
          readable = false;
          values.emplace_back();
        }
      }
      if (!readable) continue;
      for (size_t i = 0; i < def.realIndexes.size(); ++i) {
        if (!keysKnown[i]) continue;
        try {
          rowKeys[i].insert(indexKey(def, def.realIndexes[i], values));
        } catch (const Error&) {
          keysKnown[i] = false;
        }
      }
    }
    if (rows != def.rowCount)
      problems_.push_back(name + ": " + std::to_string(rows) + " rows but the definition says " +
                          std::to_string(def.rowCount));
    for (size_t i = 0; i < def.realIndexes.size(); ++i) index(name, def, i, rows, keysKnown[i] ? &rowKeys[i] : nullptr);
    for (const auto& m : def.longValueMaps) {
      if (!m.owned) continue;
      for (uint32_t p : mapRowPages(m.owned, name + " long values")) claim(p, name + " long values");
      mapRowPages(m.free, name + " long values free");
    }
  }

  void index(const std::string& name, const TableDefinition& def, size_t i, uint32_t rows,
             const std::multiset<Entry>* rowKeys) {
    const auto& ri = def.realIndexes[i];
    std::string what = name + " index " + std::to_string(i);
    for (const auto& li : def.logicalIndexes)
      if (li.realIndex == i) what = name + " index '" + li.name + "'";
    const auto mapped = mapRowPages(ri.usageMap, what + " map");
    std::set<uint32_t> tree;
    std::function<void(uint32_t, int)> collect = [&](uint32_t page, int depth) {
      if (depth > 8 || !tree.insert(page).second) return;
      IndexNode n = parseIndexPage(file_.read(page), page);
      for (uint32_t c : n.children) collect(c, depth + 1);
      if (n.tail) collect(n.tail, depth + 1);
    };
    collect(ri.rootPage, 0);
    for (uint32_t p : tree) claim(p, what);
    if (mapped != tree) problems_.push_back(what + ": its usage map differs from its pages");
    std::vector<Entry> entries;
    for (const auto& p : validateIndex(file_, ri.rootPage, &entries)) problems_.push_back(what + ": " + p);
    if (entries.size() != rows)
      problems_.push_back(what + ": " + std::to_string(entries.size()) + " entries for " + std::to_string(rows) +
                          " rows");
    std::multiset<Entry> indexKeys;
    std::set<Entry> distinct;
    for (const auto& e : entries) {
      Entry key(e.begin(), e.end() - std::min<size_t>(4, e.size()));  // the row pointer ends each entry
      distinct.insert(key);
      indexKeys.insert(std::move(key));
    }
    if (rowKeys && indexKeys != *rowKeys) problems_.push_back(what + ": its keys differ from those the rows hold");
    if (distinct.size() != ri.distinctKeys)
      problems_.push_back(what + ": " + std::to_string(distinct.size()) + " distinct keys, statistics say " +
                          std::to_string(ri.distinctKeys));
  }

  // Used pages clear, every other page set (free). Inline, the map starts at
  // page 0 and covers the file; as a reference map, a range without a bitmap
  // page is free.
  void globalMap() {
    Page g = file_.read(1);
    auto row = rowBytes(g, 0);
    if (row.size() < 5) {
      problems_.push_back("the global map is missing");
      return;
    }
    const bool reference = row[0] == kMapReference;
    std::map<uint32_t, Page> bitmaps;
    uint64_t bits = 0;
    if (reference) {
      bits = uint64_t((row.size() - 1) / 4) * kBitmapPageBits;
      for (size_t m = 0; m < (row.size() - 1) / 4; ++m)
        if (uint32_t bp = le32(row.data() + 1 + 4 * m)) {
          claim(bp, "global map bitmap");
          if (bp < count_) bitmaps[uint32_t(m)] = file_.read(bp);
        }
    } else {
      bits = (row.size() - kInlineMapBitmap) * 8;
      if (le32(row.data() + kInlineMapStart) != 0 || bits < count_)
        problems_.push_back("the global map does not cover the file");
    }
    auto isFree = [&](uint64_t p) {
      if (!reference) return bool(row[kInlineMapBitmap + p / 8] & (1u << (p % 8)));
      auto it = bitmaps.find(uint32_t(p / kBitmapPageBits));
      if (it == bitmaps.end()) return true;
      const size_t bit = p % kBitmapPageBits;
      return bool(it->second[kBitmapPageData + bit / 8] & (1u << (bit % 8)));
    };
    for (uint32_t p = 0; p < count_ && p < bits; ++p) {
      if (owner_[p].empty()) problems_.push_back("page " + std::to_string(p) + " belongs to nothing");
      if (isFree(p) == !owner_[p].empty())
        problems_.push_back("global map wrong for page " + std::to_string(p) + " (" + owner_[p] + ")");
    }
    const uint64_t beyond =
        reference ? std::min<uint64_t>(bits, (uint64_t(count_) / kBitmapPageBits + 1) * kBitmapPageBits) : bits;
    for (uint64_t p = count_; p < beyond; ++p)
      if (!isFree(p)) problems_.push_back("page " + std::to_string(p) + " beyond the file is marked used");
  }

  Database& db_;
  DatabaseImpl& impl_;
  PageFile& file_;
  std::vector<std::string>& problems_;
  uint32_t count_ = 0;
  std::vector<std::string> owner_;
  std::set<uint32_t> mapPages_;
};

}  // namespace

std::vector<std::string> checkConsistency(platform::Env& env, const std::string& path) {
  std::vector<std::string> problems;
  try {
    auto db = Database::open(env, path, false);
    Checker(*db, problems).run();
  } catch (const std::exception& e) {
    problems.push_back(e.what());
  }
  return problems;
}

}  // namespace jet
