#include "accessorydb/first_positions.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "accessorydb/schema.h"

namespace accessorydb {

namespace {
constexpr size_t kSmallestTable = 64;
}

size_t FirstPositions::slotOf(int32_t key) const {
  // Fibonacci hashing spreads consecutive IDs over the whole table.
  const uint64_t h = uint64_t(uint32_t(key)) * 0x9E3779B97F4A7C15ull;
  size_t i = size_t(h >> 32) & (slots_.size() - 1);
  while (slots_[i].positionPlusOne != 0 && slots_[i].key != key) i = (i + 1) & (slots_.size() - 1);
  return i;
}

void FirstPositions::grow(size_t slots) {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(slots, Slot{});
  for (const Slot& s : old)
    if (s.positionPlusOne != 0) slots_[slotOf(s.key)] = s;
}

void FirstPositions::reserve(size_t keys) {
  size_t slots = kSmallestTable;
  while (slots < 2 * keys) slots *= 2;
  if (slots > slots_.size()) grow(slots);
  others_.reserve(keys);
}

bool FirstPositions::add(const FieldValue& key, size_t position) {
  const auto* n = std::get_if<int32_t>(&key);
  if (n == nullptr) return others_.emplace(lookupKey(key), position).second;
  if (position >= std::numeric_limits<uint32_t>::max()) throw std::length_error("too many rows to match");
  if (2 * (wholeNumbers_ + 1) > slots_.size()) grow(std::max(kSmallestTable, 2 * slots_.size()));
  Slot& s = slots_[slotOf(*n)];
  if (s.positionPlusOne != 0) return false;
  s = {*n, uint32_t(position + 1)};
  ++wholeNumbers_;
  return true;
}

std::optional<size_t> FirstPositions::find(const FieldValue& key) const {
  const auto* n = std::get_if<int32_t>(&key);
  if (n == nullptr) {
    auto it = others_.find(lookupKey(key));
    if (it == others_.end()) return std::nullopt;
    return it->second;
  }
  if (slots_.empty()) return std::nullopt;
  const Slot& s = slots_[slotOf(*n)];
  if (s.positionPlusOne == 0) return std::nullopt;
  return size_t(s.positionPlusOne - 1);
}

}  // namespace accessorydb
