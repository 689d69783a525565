#pragma once
// A consistency check of a file the engine wrote: every page accounted for
// exactly once and marked used in the global map, every page beyond free,
// usage maps equal to the pages their structures use, index trees valid with
// one entry per row, row counts and distinct-key counts equal to the data.
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "jet/byte_order.h"
#include "jet/data_page.h"
#include "jet/database_impl.h"
#include "jet/index_tree.h"
#include "jet/usage_map.h"
#include "platform/env.h"

namespace jettest {

inline std::vector<std::string> checkConsistency(const std::string& path) {
  using namespace jet::detail;
  std::vector<std::string> problems;
  auto db = jet::Database::open(platform::systemEnv(), path, false);
  auto& impl = dynamic_cast<DatabaseImpl&>(*db);
  PageFile& file = impl.file();
  uint32_t count = file.pageCount();
  std::vector<std::string> owner(count);
  std::set<uint32_t> mapPages;
  auto claim = [&](uint32_t page, const std::string& what) {
    if (page >= count) {
      problems.push_back(what + " names page " + std::to_string(page) + " beyond the file");
      return;
    }
    if (!owner[page].empty()) problems.push_back("page " + std::to_string(page) + " is both " + owner[page] + " and " + what);
    owner[page] = what;
  };
  // A map's own row page, and its bitmap pages when it is a reference map.
  auto mapRowPages = [&](uint32_t pointer, const std::string& what) {
    mapPages.insert(pointerPage(pointer));
    Page p = file.read(pointerPage(pointer));
    auto row = rowBytes(p, pointerRow(pointer));
    if (!row.empty() && row[0] == kMapReference)
      for (size_t i = 0; i + 4 < row.size(); i += 4)
        if (uint32_t bp = le32(row.data() + 1 + i)) claim(bp, what + " bitmap");
    auto pages = readUsageMap(file, pointer);
    return std::set<uint32_t>(pages.begin(), pages.end());
  };
  claim(0, "header");
  claim(1, "global map");
  for (const auto& name : db->allTableNames()) {
    const auto& entry = impl.findTable(name);
    uint32_t tdef = entry.page();
    TableDefinition def = impl.definition(tdef);
    for (uint32_t p = tdef; p != 0; p = le32(file.read(p).data() + 4)) {
      claim(p, name + " definition");
      if (owner.size() > 1000000) break;
    }
    auto owned = mapRowPages(def.ownedMap, name + " owned map");
    auto free = mapRowPages(def.freeMap, name + " free map");
    for (uint32_t p : owned) {
      claim(p, name + " data");
      Page page = file.read(p);
      if (page[0] != kPageData || le32(page.data() + kDataOwner) != tdef)
        problems.push_back(name + ": owned page " + std::to_string(p) + " is not its data page");
    }
    for (uint32_t p : free)
      if (!owned.count(p)) problems.push_back(name + ": free-space page " + std::to_string(p) + " is not owned");
    uint32_t rows = 0;
    auto cur = db->openTable(name, false);
    for (cur->first(); !cur->atEnd(); cur->next()) ++rows;
    if (rows != def.rowCount)
      problems.push_back(name + ": " + std::to_string(rows) + " rows but the definition says " + std::to_string(def.rowCount));
    for (size_t i = 0; i < def.realIndexes.size(); ++i) {
      const auto& ri = def.realIndexes[i];
      std::string what = name + " index " + std::to_string(i);
      auto mapped = mapRowPages(ri.usageMap, what + " map");
      std::set<uint32_t> tree;
      std::function<void(uint32_t, int)> collect = [&](uint32_t page, int depth) {
        if (depth > 8 || !tree.insert(page).second) return;
        IndexNode n = parseIndexPage(file.read(page), page);
        for (uint32_t c : n.children) collect(c, depth + 1);
        if (n.tail) collect(n.tail, depth + 1);
      };
      collect(ri.rootPage, 0);
      for (uint32_t p : tree) claim(p, what);
      if (mapped != tree) problems.push_back(what + ": its usage map differs from its pages");
      std::vector<Entry> entries;
      for (const auto& p : validateIndex(file, ri.rootPage, &entries)) problems.push_back(what + ": " + p);
      if (entries.size() != rows) problems.push_back(what + ": " + std::to_string(entries.size()) + " entries for " + std::to_string(rows) + " rows");
      std::set<Entry> keys;
      for (const auto& e : entries) keys.insert(Entry(e.begin(), e.end() - 4));
      if (keys.size() != ri.distinctKeys)
        problems.push_back(what + ": " + std::to_string(keys.size()) + " distinct keys, statistics say " + std::to_string(ri.distinctKeys));
    }
    for (const auto& m : def.longValueMaps) {
      if (!m.owned) continue;
      auto lv = mapRowPages(m.owned, name + " long values");
      mapRowPages(m.free, name + " long values free");
      for (uint32_t p : lv) claim(p, name + " long values");
    }
  }
  for (uint32_t p : mapPages)
    if (owner[p].empty()) owner[p] = "usage maps";
  // Global map: used pages clear, every other page set (free). Inline, it
  // starts at page 0 and covers the file; as a reference map, a range without
  // a bitmap page is free.
  Page g = file.read(1);
  auto row = rowBytes(g, 0);
  std::map<uint32_t, Page> bitmaps;
  uint64_t bits = 0;
  if (row[0] == kMapReference) {
    bits = uint64_t((row.size() - 1) / 4) * kBitmapPageBits;
    for (size_t m = 0; m < (row.size() - 1) / 4; ++m)
      if (uint32_t bp = le32(row.data() + 1 + 4 * m)) {
        claim(bp, "global map bitmap");
        bitmaps[uint32_t(m)] = file.read(bp);
      }
  } else {
    bits = (row.size() - 5) * 8;
    if (le32(row.data() + 1) != 0 || bits < count) problems.push_back("the global map does not cover the file");
  }
  auto isFree = [&](uint64_t p) {
    if (row[0] != kMapReference) return bool(row[5 + p / 8] & (1u << (p % 8)));
    auto it = bitmaps.find(uint32_t(p / kBitmapPageBits));
    if (it == bitmaps.end()) return true;
    size_t bit = p % kBitmapPageBits;
    return bool(it->second[kBitmapPageData + bit / 8] & (1u << (bit % 8)));
  };
  for (uint32_t p = 0; p < count && p < bits; ++p) {
    if (owner[p].empty()) problems.push_back("page " + std::to_string(p) + " belongs to nothing");
    if (isFree(p) == !owner[p].empty()) problems.push_back("global map wrong for page " + std::to_string(p) + " (" + owner[p] + ")");
  }
  uint64_t beyond = row[0] == kMapReference ? std::min<uint64_t>(bits, (uint64_t(count) / kBitmapPageBits + 1) * kBitmapPageBits) : bits;
  for (uint64_t p = count; p < beyond; ++p)
    if (!isFree(p)) problems.push_back("page " + std::to_string(p) + " beyond the file is marked used");
  return problems;
}

}  // namespace jettest
