#include <gtest/gtest.h>

#include "base/byte_order.h"

namespace {

TEST(ByteOrder, WritesAndReadsLittleEndian) {
  unsigned char b[8] = {};
  base::putLe16(b, 0x1234);
  EXPECT_EQ(b[0], 0x34);
  EXPECT_EQ(b[1], 0x12);
  EXPECT_EQ(base::le16(b), 0x1234);
  base::putLe32(b, 0xFEDCBA98u);
  EXPECT_EQ(b[0], 0x98);
  EXPECT_EQ(b[3], 0xFE);
  EXPECT_EQ(base::le32(b), 0xFEDCBA98u);
  base::putLe64(b, 0x0102030405060708ull);
  EXPECT_EQ(b[0], 0x08);
  EXPECT_EQ(b[7], 0x01);
  EXPECT_EQ(base::le64(b), 0x0102030405060708ull);
}

}  // namespace
