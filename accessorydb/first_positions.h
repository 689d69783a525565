#pragma once
// Where each key value first occurs among the rows of a merge.
//
// Whole-number keys (the accessories' ID) sit in an open-addressing table
// with the number in the slot itself, so that a lookup among a large
// catalogue's rows reads one cache line; the node-based map of lookup texts
// read three or more, which was most of a large merge's matching time. Other
// keys (texts, nulls) go by their lookup text.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "accessorydb/engine.h"

namespace accessorydb {

class FirstPositions {
 public:
  // Makes room for this many keys without growing.
  void reserve(size_t keys);
  // Notes the key at a position; false, changing nothing, when it was noted
  // before (the first position stays).
  bool add(const FieldValue& key, size_t position);
  [[nodiscard]] std::optional<size_t> find(const FieldValue& key) const;

 private:
  struct Slot {
    int32_t key = 0;
    uint32_t positionPlusOne = 0;  // 0: empty
  };
  size_t slotOf(int32_t key) const;
  void grow(size_t slots);

  std::vector<Slot> slots_;  // a power of two long, at most half full
  size_t wholeNumbers_ = 0;
  std::unordered_map<std::string, size_t> others_;
};

}  // namespace accessorydb
