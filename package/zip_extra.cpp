#include "package/zip_extra.h"

#include <stdexcept>

#include "package/zip_format.h"

namespace package::zip {

std::optional<ExtraBlock> extraBlockAt(std::string_view extra, size_t& pos) {
  if (pos + kExtraBlockHeaderSize > extra.size()) return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(extra.data()) + pos;
  const uint16_t id = le16(p);
  const uint16_t length = le16(p + 2);
  const size_t data = pos + kExtraBlockHeaderSize;
  if (data + length > extra.size()) return std::nullopt;
  pos = data + length;
  return ExtraBlock{id, extra.substr(data, length)};
}

std::optional<std::string_view> findExtraBlock(std::string_view extra, uint16_t id) {
  std::optional<std::string_view> found;
  forEachExtraBlock(extra, [&](const ExtraBlock& b) {
    if (b.id == id) found = b.data;
    return !found;
  });
  return found;
}

std::string makeExtraBlock(uint16_t id, std::string_view data) {
  if (data.size() > 0xFFFF) throw std::length_error("ZIP extra block too long");
  std::string block(kExtraBlockHeaderSize, '\0');
  auto* p = reinterpret_cast<unsigned char*>(block.data());
  putLe16(p, id);
  putLe16(p + 2, static_cast<uint16_t>(data.size()));
  block.append(data);
  return block;
}

}  // namespace package::zip
