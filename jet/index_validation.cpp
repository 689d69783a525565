// The index checker: every page of a tree in order, parent copies, levels,
// sibling links and the leaf chain, as the engine writes them.
#include <map>
#include <set>

#include "jet/bytes.h"
#include "jet/index_tree.h"

namespace jet::detail {
namespace {

std::string hex(const Entry& e) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (uint8_t b : e) {
    s += d[b >> 4];
    s += d[b & 15];
  }
  return s;
}

class IndexValidator {
 public:
  explicit IndexValidator(const PageFile& file) : file_(file) {}

  std::vector<std::string> run(uint32_t root, std::vector<Entry>* entriesOut) {
    visit(root, 0);
    checkIntermediateLinks();
    checkLeafChain(entriesOut);
    return std::move(problems_);
  }

 private:
  void problem(std::string text) { problems_.push_back(std::move(text)); }

  // Returns the last entry of the subtree.
  Entry visit(uint32_t page, size_t depth) {
    if (depth > kMaxIndexDepth || !seen_.insert(page).second) {
      problem("page " + std::to_string(page) + " reached twice");
      return {};
    }
    IndexNode n = parseIndexPage(file_.read(page), page);
    for (size_t i = 1; i < n.entries.size(); ++i)
      if (!(n.entries[i - 1] < n.entries[i])) problem("page " + std::to_string(page) + " out of order");
    levels_[depth].push_back(n);
    if (n.leaf) {
      if (n.level != 0) problem("leaf " + std::to_string(page) + " holds level " + std::to_string(n.level));
      leaves_.push_back(n);
      return n.entries.empty() ? Entry{} : n.entries.back();
    }
    checkLevel(n);
    if (n.tail == 0 && n.entries.size() != 1)  // one entry without a tail is the single-child form
      problem("intermediate page " + std::to_string(page) + " without tail");
    return visitChildren(n, depth);
  }

  // An intermediate page's height above the leaves, counted down its first child.
  void checkLevel(const IndexNode& n) {
    uint32_t below = n.entries.empty() ? n.tail : n.children.front();
    if (below == 0 || below >= file_.pageCount()) return;
    size_t height = 1;
    for (IndexNode c = parseIndexPage(file_.read(below), below); !c.leaf && height <= kMaxIndexDepth; ++height) {
      uint32_t next = c.entries.empty() ? c.tail : c.children.front();
      if (next == 0 || next >= file_.pageCount()) break;
      c = parseIndexPage(file_.read(next), next);
    }
    if (n.level != height)
      problem("intermediate page " + std::to_string(n.page) + " holds level " + std::to_string(n.level) +
              ", it stands " + std::to_string(height) + " above the leaves");
  }

  Entry visitChildren(const IndexNode& n, size_t depth) {
    Entry last;
    for (size_t i = 0; i < n.entries.size(); ++i) {
      Entry sub = visit(n.children[i], depth + 1);
      if (sub != n.entries[i])
        problem("page " + std::to_string(n.page) + " entry " + std::to_string(i) + " is " + hex(n.entries[i]) +
                " but its child ends with " + hex(sub));
      last = sub;
    }
    if (n.tail) {
      Entry sub = visit(n.tail, depth + 1);
      if (!n.entries.empty() && !(n.entries.back() < sub))
        problem("tail of page " + std::to_string(n.page) + " is not beyond its entries");
      last = sub;
    }
    return last;
  }

  // Intermediate pages: prev/next only between children of one parent, and
  // the children of a page linked to each other in order.
  void checkIntermediateLinks() {
    std::map<uint32_t, uint32_t> parentOf;
    for (const auto& [depth, nodes] : levels_)
      for (const auto& n : nodes) {
        if (n.leaf) continue;
        std::vector<uint32_t> kids = n.children;
        if (n.tail) kids.push_back(n.tail);
        for (size_t i = 0; i < kids.size(); ++i) {
          parentOf[kids[i]] = n.page;
          for (const auto& [d2, sibs] : levels_)
            for (const auto& c : sibs)
              if (c.page == kids[i] && !c.leaf &&
                  (c.prev != (i ? kids[i - 1] : c.prev) || (i + 1 < kids.size() && c.next != kids[i + 1])))
                problem("intermediate page " + std::to_string(c.page) + " is not linked to its siblings");
        }
      }
    for (const auto& [depth, nodes] : levels_)
      for (const auto& n : nodes)
        if (!n.leaf && n.next && parentOf.count(n.next) && parentOf.count(n.page) &&
            parentOf[n.next] != parentOf[n.page])
          problem("intermediate page " + std::to_string(n.page) + " is linked to a page of another parent");
  }

  // Leaves: chained in order, linked both ways.
  void checkLeafChain(std::vector<Entry>* entriesOut) {
    for (size_t i = 0; i < leaves_.size(); ++i) {
      uint32_t wantPrev = i ? leaves_[i - 1].page : 0, wantNext = i + 1 < leaves_.size() ? leaves_[i + 1].page : 0;
      if (leaves_[i].prev != wantPrev || leaves_[i].next != wantNext)
        problem("leaf " + std::to_string(leaves_[i].page) + " has wrong prev/next links");
    }
    std::vector<Entry> all;
    for (auto& l : leaves_)
      for (auto& e : l.entries) all.push_back(e);
    for (size_t i = 1; i < all.size(); ++i)
      if (!(all[i - 1] < all[i])) problem("leaf entries out of order at " + std::to_string(i));
    if (entriesOut) *entriesOut = std::move(all);
  }

  const PageFile& file_;
  std::vector<std::string> problems_;
  std::vector<IndexNode> leaves_;
  std::map<size_t, std::vector<IndexNode>> levels_;
  std::set<uint32_t> seen_;
};

}  // namespace

std::vector<std::string> validateIndex(const PageFile& file, uint32_t root, std::vector<Entry>* entriesOut) {
  return IndexValidator(file).run(root, entriesOut);
}

}  // namespace jet::detail
