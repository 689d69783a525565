#pragma once
// Index pages (B-tree) and their maintenance.
//
// OFFSET  SIZE  MEANING
// 0x00    1     0x03 intermediate, 0x04 leaf
// 0x01    1     0x01
// 0x02    2     free space = 4096 - (0x1E0 + bytes of entry data)
// 0x04    4     TDEF page of the table
// 0x08    4     0
// 0x0C    4     previous page at the same level (0 = none)
// 0x10    4     next page at the same level (0 = none)
// 0x14    4     intermediate: "tail" child (the last child, which has no entry); leaf: 0
// 0x18    2     length of the prefix shared by all entries (later entries omit it)
// 0x1A    1     leaf: 0; intermediate: its height above the leaves (1 for the
//               parent of leaves, as Access writes it)
// 0x1B    453   entry-end bitmap: bit p set when an entry ends at data byte p
// 0x1E0   ...   entries, packed
//
// Leaf entry: key + row pointer (3-byte big-endian page, row byte).
// Intermediate entry: key + row pointer (copy of the last entry of the child's
// subtree) + 4-byte big-endian child page. Entries ascend by their full bytes.
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "jet/page_file.h"

namespace jet::detail {

inline constexpr size_t kIndexData = 0x1E0;
inline constexpr size_t kIndexCapacity = kPageSize - kIndexData;  // 3616
inline constexpr size_t kRowPointerSize = 4;
inline constexpr size_t kChildPointerSize = 4;
// Deeper than this a tree is taken for a cycle in a damaged file.
inline constexpr size_t kMaxIndexDepth = 32;

using Entry = std::vector<uint8_t>;  // key + row pointer

struct IndexNode {
  uint32_t page = 0;
  bool leaf = true;
  uint32_t prev = 0, next = 0, tail = 0;
  uint8_t level = 0;  // height above the leaves
  std::vector<Entry> entries;
  std::vector<uint32_t> children;  // intermediate: child of each entry
  size_t storedSize() const;
};

Entry makeEntry(const std::vector<uint8_t>& key, uint32_t page, uint32_t row);

IndexNode parseIndexPage(const Page& p, uint32_t page);
Page serializeIndexNode(const IndexNode& n, uint32_t tdefPage);
Page emptyIndexLeaf(uint32_t tdefPage);

// Every leaf entry from the first leaf along the leaf chain (cycles are Errors).
std::vector<Entry> walkIndex(const PageFile& file, uint32_t root);

// Checks a whole tree: entry order on every page and along the chain, parent
// copies equal to the last entry of each child subtree, leaf chain equal to the
// in-order leaves, prev/next links. Returns the problems found (empty = valid).
std::vector<std::string> validateIndex(const PageFile& file, uint32_t root, std::vector<Entry>* entries = nullptr);

// One index being kept up to date by the writer.
class IndexTree {
 public:
  using Allocate = std::function<uint32_t()>;
  IndexTree(PageFile& file, uint32_t tdefPage, uint32_t root, Allocate allocate)
      : file_(file), tdefPage_(tdefPage), root_(root), allocate_(std::move(allocate)) {}

  // True when some entry has exactly this key.
  bool containsKey(const std::vector<uint8_t>& key);
  // Changes the pages in memory; flush() writes them (and insert() itself
  // once many pages are held).
  void insert(const Entry& e);
  // Writes every page changed since the last flush to the page file.
  void flush();

 private:
  struct Step {
    uint32_t page;
    size_t slot;  // entry index, or entries.size() for the tail
  };
  // The two halves of a page being split.
  struct Halves {
    size_t cutAt = 0;  // first entry of the right half
    Entry leftMax;     // the left half's last entry, copied into the parent
    std::vector<Entry> leftEntries;
    std::vector<uint32_t> leftChildren;
    uint32_t leftTail = 0;
    IndexNode right;
  };
  IndexNode& node(uint32_t page);
  void markDirty(uint32_t page) { dirty_.insert(page); }
  uint32_t descend(const Entry& e, std::vector<Step>& path);
  void split(uint32_t page, std::vector<Step>& path, size_t level, bool atEnd);
  static Halves cut(const IndexNode& n, bool atEnd);
  void unlinkAcrossCut(const IndexNode& n, size_t cutAt);
  void splitRoot(uint32_t page, Halves& h);
  uint32_t splitOff(uint32_t page, Halves& h);
  void addToParent(const Step& step, uint32_t leftPage, uint32_t rightPage, const Entry& leftMax);
  uint8_t height(uint32_t page);

  PageFile& file_;
  uint32_t tdefPage_;
  uint32_t root_;
  Allocate allocate_;
  std::map<uint32_t, IndexNode> cache_;
  std::set<uint32_t> dirty_;  // changed pages not yet written
};

}  // namespace jet::detail
