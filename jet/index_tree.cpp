#include "jet/index_tree.h"

#include <algorithm>
#include <set>

#include "jet/bytes.h"

namespace jet::detail {
namespace {

constexpr size_t kFreeSpace = 0x02;
constexpr size_t kOwner = 0x04;
constexpr size_t kPrev = 0x0C;
constexpr size_t kNext = 0x10;
constexpr size_t kTail = 0x14;
constexpr size_t kPrefixLength = 0x18;
constexpr size_t kLevel = 0x1A;
constexpr size_t kBitmap = 0x1B;
constexpr size_t kCachedPages = 1024;

}  // namespace

size_t IndexNode::storedSize() const {
  size_t n = 0;
  for (const auto& e : entries) n += e.size() + (leaf ? 0 : kChildPointerSize);
  return n;
}

Entry makeEntry(const std::vector<uint8_t>& key, uint32_t page, uint32_t row) {
  Entry e = key;
  e.push_back(uint8_t(page >> 16));
  e.push_back(uint8_t(page >> 8));
  e.push_back(uint8_t(page));
  e.push_back(uint8_t(row));
  return e;
}

IndexNode parseIndexPage(const Page& p, uint32_t page) {
  if (p[0] != kPageIndexNode && p[0] != kPageIndexLeaf)
    fail("damaged database: page " + std::to_string(page) + " is not an index page");
  IndexNode n;
  n.page = page;
  n.leaf = p[0] == kPageIndexLeaf;
  n.prev = le32(p.data() + kPrev);
  n.next = le32(p.data() + kNext);
  n.tail = n.leaf ? 0 : le32(p.data() + kTail);
  n.level = p[kLevel];
  size_t prefix = le16(p.data() + kPrefixLength);
  size_t minEntry = kRowPointerSize + (n.leaf ? 0 : kChildPointerSize);
  size_t last = 0;
  for (size_t pos = 1; pos <= kIndexCapacity; ++pos) {
    if (!(p[kBitmap + pos / 8] & (1u << (pos % 8)))) continue;
    Entry e;
    if (!n.entries.empty()) {
      if (prefix > n.entries.front().size() + (n.leaf ? 0 : kChildPointerSize))
        fail("damaged database: index page " + std::to_string(page) + " has a bad prefix length");
      e.assign(n.entries.front().begin(), n.entries.front().begin() + long(std::min(prefix, n.entries.front().size())));
    }
    e.insert(e.end(), p.begin() + long(kIndexData + last), p.begin() + long(kIndexData + pos));
    last = pos;
    if (e.size() < minEntry) fail("damaged database: index page " + std::to_string(page) + " holds a short entry");
    if (!n.leaf) {
      n.children.push_back(be32(e.data() + e.size() - kChildPointerSize));
      e.resize(e.size() - kChildPointerSize);
    }
    n.entries.push_back(std::move(e));
  }
  return n;
}

Page serializeIndexNode(const IndexNode& n, uint32_t tdefPage) {
  if (n.storedSize() > kIndexCapacity) fail("internal error: index page overfull");
  Page p(kPageSize, 0);
  p[0] = n.leaf ? kPageIndexLeaf : kPageIndexNode;
  p[1] = 0x01;
  putLe32(p.data() + kOwner, tdefPage);
  putLe32(p.data() + kPrev, n.prev);
  putLe32(p.data() + kNext, n.next);
  putLe32(p.data() + kTail, n.leaf ? 0 : n.tail);
  p[kLevel] = n.leaf ? 0 : n.level;
  size_t pos = 0;
  for (size_t i = 0; i < n.entries.size(); ++i) {
    const Entry& e = n.entries[i];
    std::copy(e.begin(), e.end(), p.begin() + long(kIndexData + pos));
    pos += e.size();
    if (!n.leaf) {
      putBe32(p.data() + kIndexData + pos, n.children[i]);
      pos += kChildPointerSize;
    }
    p[kBitmap + pos / 8] |= uint8_t(1u << (pos % 8));
  }
  putLe16(p.data() + kFreeSpace, uint32_t(kIndexCapacity - pos));
  return p;
}

Page emptyIndexLeaf(uint32_t tdefPage) {
  IndexNode n;
  return serializeIndexNode(n, tdefPage);
}

std::vector<Entry> walkIndex(const PageFile& file, uint32_t root) {
  std::set<uint32_t> seen;
  uint32_t page = root;
  for (size_t depth = 0;; ++depth) {
    if (depth > kMaxIndexDepth || !seen.insert(page).second) fail("damaged database: an index tree forms a cycle");
    IndexNode n = parseIndexPage(file.read(page), page);
    if (n.leaf) break;
    if (!n.entries.empty())
      page = n.children.front();
    else if (n.tail)
      page = n.tail;
    else
      fail("damaged database: an empty intermediate index page");
  }
  std::vector<Entry> out;
  seen.clear();
  while (page != 0) {
    if (!seen.insert(page).second) fail("damaged database: the leaves of an index form a cycle");
    IndexNode n = parseIndexPage(file.read(page), page);
    if (!n.leaf) fail("damaged database: an index leaf chain reaches an intermediate page");
    for (auto& e : n.entries) out.push_back(std::move(e));
    page = n.next;
  }
  return out;
}

IndexNode& IndexTree::node(uint32_t page) {
  auto it = cache_.find(page);
  if (it != cache_.end()) return it->second;
  return cache_.emplace(page, parseIndexPage(file_.read(page), page)).first->second;
}

uint32_t IndexTree::descend(const Entry& e, std::vector<Step>& path) {
  uint32_t page = root_;
  for (size_t depth = 0;; ++depth) {
    if (depth > kMaxIndexDepth) fail("damaged database: an index tree is too deep");
    IndexNode& n = node(page);
    if (n.leaf) return page;
    auto it = std::lower_bound(n.entries.begin(), n.entries.end(), e);
    size_t i = size_t(it - n.entries.begin());
    if (i < n.entries.size()) {
      path.push_back({page, i});
      page = n.children[i];
    } else if (n.tail) {
      path.push_back({page, i});
      page = n.tail;
    } else if (!n.entries.empty()) {
      path.push_back({page, n.entries.size() - 1});
      page = n.children.back();
    } else {
      fail("damaged database: an empty intermediate index page");
    }
  }
}

bool IndexTree::containsKey(const std::vector<uint8_t>& key) {
  Entry probe = key;
  probe.insert(probe.end(), kRowPointerSize, 0);
  std::vector<Step> path;
  uint32_t page = descend(probe, path);
  std::set<uint32_t> seen;
  while (page != 0 && seen.insert(page).second) {
    IndexNode& leaf = node(page);
    auto it = std::lower_bound(leaf.entries.begin(), leaf.entries.end(), probe);
    if (it != leaf.entries.end())
      return it->size() == key.size() + kRowPointerSize && std::equal(key.begin(), key.end(), it->begin());
    page = leaf.next;
  }
  return false;
}

void IndexTree::insert(const Entry& e) {
  std::vector<Step> path;
  uint32_t leafPage = descend(e, path);
  IndexNode& leaf = node(leafPage);
  auto it = std::lower_bound(leaf.entries.begin(), leaf.entries.end(), e);
  if (it != leaf.entries.end() && *it == e) fail("internal error: index entry exists");
  bool atEnd = it == leaf.entries.end();
  leaf.entries.insert(it, e);
  markDirty(leafPage);
  if (atEnd) {
    // The subtree's last entry grew: fix the copies held above it.
    for (size_t level = path.size(); level-- > 0;) {
      IndexNode& parent = node(path[level].page);
      size_t slot = path[level].slot;
      if (slot < parent.entries.size()) {
        if (parent.entries[slot] < e) {
          parent.entries[slot] = e;
          markDirty(parent.page);
        }
        if (parent.tail != 0 || slot + 1 < parent.entries.size()) break;
      }
    }
  }
  if (leaf.storedSize() > kIndexCapacity) split(leafPage, path, path.size(), atEnd && leaf.next == 0);
  // Changed pages wait in memory until they are many or the database is
  // flushed: rows in key order change the same last leaf again and again.
  if (cache_.size() > kCachedPages) {
    flush();
    cache_.clear();
  }
}

// A full page is cut in two: in the middle, or, when rows arrive in key
// order (atEnd), just before its last entry so that the left page stays full.
void IndexTree::split(uint32_t page, std::vector<Step>& path, size_t level, bool atEnd) {
  Halves h = cut(node(page), atEnd);
  unlinkAcrossCut(node(page), h.cutAt);
  if (page == root_) {
    splitRoot(page, h);
    return;
  }
  const uint32_t rightPage = splitOff(page, h);
  addToParent(path[level - 1], page, rightPage, h.leftMax);
  IndexNode& parent = node(path[level - 1].page);
  if (parent.storedSize() > kIndexCapacity) {
    bool parentAtEnd = atEnd && path[level - 1].slot >= parent.entries.size() - 1 && parent.next == 0;
    split(path[level - 1].page, path, level - 1, parentAtEnd);
  }
}

IndexTree::Halves IndexTree::cut(const IndexNode& n, bool atEnd) {
  Halves h;
  h.cutAt = std::max<size_t>(1, atEnd ? n.entries.size() - 1 : n.entries.size() / 2);
  const long m = long(h.cutAt);
  h.right.leaf = n.leaf;
  h.leftEntries.assign(n.entries.begin(), n.entries.begin() + m);
  h.right.entries.assign(n.entries.begin() + m, n.entries.end());
  h.leftMax = h.leftEntries.back();
  if (!n.leaf) {
    h.leftChildren.assign(n.children.begin(), n.children.begin() + m);
    h.right.children.assign(n.children.begin() + m, n.children.end());
    h.right.tail = n.tail;
    if (h.leftEntries.size() >= 2) {
      // The left half's last child becomes its tail.
      h.leftTail = h.leftChildren.back();
      h.leftEntries.pop_back();
      h.leftChildren.pop_back();
    }
  }
  return h;
}

// Intermediate pages are linked only to siblings under the same parent: the
// children on both sides of the cut now have different parents.
void IndexTree::unlinkAcrossCut(const IndexNode& n, size_t cutAt) {
  if (n.leaf || cutAt >= n.children.size() + (n.tail ? 1 : 0)) return;
  uint32_t lastLeft = n.children[cutAt - 1];
  uint32_t firstRight = cutAt < n.children.size() ? n.children[cutAt] : n.tail;
  IndexNode& a = node(lastLeft);
  if (a.leaf) return;
  a.next = 0;
  node(firstRight).prev = 0;
  markDirty(lastLeft);
  markDirty(firstRight);
}

// The root keeps its page: both halves move to new pages below it.
void IndexTree::splitRoot(uint32_t page, Halves& h) {
  IndexNode left;
  left.leaf = h.right.leaf;
  left.entries = std::move(h.leftEntries);
  left.children = std::move(h.leftChildren);
  left.tail = h.leftTail;
  left.page = allocate_();
  h.right.page = allocate_();
  left.next = h.right.page;
  h.right.prev = left.page;
  IndexNode& root = node(page);
  root.leaf = false;
  root.prev = root.next = 0;
  root.entries = {h.leftMax};
  root.children = {left.page};
  root.tail = h.right.page;
  markDirty(page);
  markDirty(left.page);
  markDirty(h.right.page);
  cache_[left.page] = std::move(left);
  cache_[h.right.page] = std::move(h.right);
}

// The left half stays on the page, the right half goes to a new page after it.
uint32_t IndexTree::splitOff(uint32_t page, Halves& h) {
  const uint32_t rightPage = allocate_();
  h.right.page = rightPage;
  IndexNode& self = node(page);
  h.right.prev = page;
  h.right.next = self.next;
  if (self.next) {
    node(self.next).prev = rightPage;
    markDirty(self.next);
  }
  self.next = rightPage;
  self.entries = std::move(h.leftEntries);
  self.children = std::move(h.leftChildren);
  self.tail = h.leftTail;
  cache_[rightPage] = std::move(h.right);
  markDirty(page);
  markDirty(rightPage);
  return rightPage;
}

void IndexTree::addToParent(const Step& step, uint32_t leftPage, uint32_t rightPage, const Entry& leftMax) {
  IndexNode& parent = node(step.page);
  if (step.slot < parent.entries.size()) {
    Entry old = parent.entries[step.slot];
    parent.entries[step.slot] = leftMax;
    parent.entries.insert(parent.entries.begin() + long(step.slot) + 1, old);
    parent.children.insert(parent.children.begin() + long(step.slot) + 1, rightPage);
  } else {
    parent.entries.push_back(leftMax);
    parent.children.push_back(leftPage);
    parent.tail = rightPage;
  }
  if (parent.tail == 0 && parent.entries.size() >= 2) {
    // Two or more children: the last one is kept as the tail.
    parent.tail = parent.children.back();
    parent.entries.pop_back();
    parent.children.pop_back();
  }
  markDirty(step.page);
}

uint8_t IndexTree::height(uint32_t page) {
  uint8_t h = 0;
  for (size_t depth = 0;; ++depth, ++h) {
    if (depth > kMaxIndexDepth) fail("damaged database: an index tree is too deep");
    IndexNode& n = node(page);
    if (n.leaf) return h;
    page = n.entries.empty() ? n.tail : n.children.front();
    if (page == 0) fail("damaged database: an empty intermediate index page");
  }
}

void IndexTree::flush() {
  for (uint32_t page : dirty_) {
    IndexNode& n = node(page);
    n.page = page;
    if (!n.leaf) n.level = height(page);
    file_.write(page, serializeIndexNode(n, tdefPage_));
  }
  dirty_.clear();
}

}  // namespace jet::detail
