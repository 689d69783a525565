#include <gtest/gtest.h>

#include <vector>

#include "package/zip_extra.h"
#include "package/zip_format.h"

namespace {

using package::zip::ExtraBlock;
using package::zip::findExtraBlock;
using package::zip::forEachExtraBlock;
using package::zip::makeExtraBlock;

TEST(ZipExtra, WalksTheBlocksItBuilds) {
  const std::string extra = makeExtraBlock(0x5455, "time") + makeExtraBlock(package::zip::kExtraZip64, "12345678") +
                            makeExtraBlock(0x7075, "");
  std::vector<uint16_t> ids;
  forEachExtraBlock(extra, [&](const ExtraBlock& b) {
    ids.push_back(b.id);
    return true;
  });
  EXPECT_EQ(ids, (std::vector<uint16_t>{0x5455, package::zip::kExtraZip64, 0x7075}));
  EXPECT_EQ(findExtraBlock(extra, package::zip::kExtraZip64), "12345678");
  EXPECT_EQ(findExtraBlock(extra, 0x7075), "");
  EXPECT_FALSE(findExtraBlock(extra, 0x000A));
}

TEST(ZipExtra, StopsAtABlockThatRunsPastTheField) {
  const struct {
    const char* name;
    std::string extra;
    size_t blocks;
  } cases[] = {
      {"empty field", "", 0},
      {"padding shorter than a header", makeExtraBlock(1, "ab") + std::string(2, '\0'), 1},
      {"length beyond the end", makeExtraBlock(1, "ab") + makeExtraBlock(2, "cdef").substr(0, 6), 1},
  };
  for (const auto& c : cases) {
    size_t blocks = 0;
    forEachExtraBlock(c.extra, [&](const ExtraBlock&) { return ++blocks, true; });
    EXPECT_EQ(blocks, c.blocks) << c.name;
  }
}

TEST(ZipExtra, TheVisitorEndsTheWalk) {
  const std::string extra = makeExtraBlock(1, "a") + makeExtraBlock(1, "b");
  std::string seen;
  forEachExtraBlock(extra, [&](const ExtraBlock& b) {
    seen += b.data;
    return false;
  });
  EXPECT_EQ(seen, "a");
}

}  // namespace
