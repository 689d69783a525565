#pragma once
// The extra field of a ZIP header: a run of blocks, each a 2-byte id, a
// 2-byte data length and the data (see zip_format.h). The reader, the writer
// and pack's inspection walk and build them here alone.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace package::zip {

struct ExtraBlock {
  uint16_t id = 0;
  std::string_view data;
};

// Calls visit(block) for each block in order until it returns false. A
// block whose stated length runs past the field ends the walk, as tools
// that wrote padding after the last block expect.
template <typename Visit>
void forEachExtraBlock(std::string_view extra, Visit visit);

// The first block with this id.
std::optional<std::string_view> findExtraBlock(std::string_view extra, uint16_t id);

// One block, header and data, to append to an extra field.
std::string makeExtraBlock(uint16_t id, std::string_view data);

// Implementation of the template.
std::optional<ExtraBlock> extraBlockAt(std::string_view extra, size_t& pos);

template <typename Visit>
void forEachExtraBlock(std::string_view extra, Visit visit) {
  size_t pos = 0;
  while (auto block = extraBlockAt(extra, pos))
    if (!visit(*block)) return;
}

}  // namespace package::zip
