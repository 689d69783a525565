#include <gtest/gtest.h>

#include "base/utf.h"

namespace {

TEST(Utf, LengthCountsUtf16Units) {
  EXPECT_EQ(base::utf16Units("abc"), 3u);
  EXPECT_EQ(base::utf16Units("zażółć"), 6u);
  EXPECT_EQ(base::utf16Units("\xF0\x9F\x98\x80"), 2u);  // one character outside the BMP
}

TEST(Utf, ConvertsBothWaysAndCountsAlike) {
  for (const std::string text : {"", "abc", "Zażółć gęślą jaźń", "\xE2\x82\xAC 5", "\xF0\x9F\x98\x80 x"}) {
    const auto wide = base::utf8ToUtf16(text);
    ASSERT_TRUE(wide) << text;
    EXPECT_EQ(wide->size(), base::utf16Units(text)) << text;
    EXPECT_EQ(base::utf16ToUtf8(*wide), text);
  }
  EXPECT_EQ(*base::utf8ToUtf16("\xC5\xBC"), u"\u017C");
  EXPECT_EQ(*base::utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(Utf, RefusesIllFormedUtf8) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"stray continuation", "a\x80"},
      {"truncated sequence", "\xC5"},
      {"overlong slash", "\xC0\xAF"},
      {"overlong three bytes", "\xE0\x80\xAF"},
      {"surrogate", "\xED\xA0\x80"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
      {"byte FF", "\xFF"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(base::isValidUtf8(c.bytes)) << c.name;
    EXPECT_FALSE(base::utf8ToUtf16(c.bytes)) << c.name;
    const std::string repaired = base::repairUtf8(c.bytes);
    EXPECT_TRUE(base::isValidUtf8(repaired)) << c.name;
    EXPECT_NE(repaired.find("\xEF\xBF\xBD"), std::string::npos) << c.name;
  }
  EXPECT_EQ(base::repairUtf8("a\x80z"), "a\xEF\xBF\xBDz");
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(base::utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(base::utf16ToUtf8(std::u16string{char16_t(0xDC00)}), "\xEF\xBF\xBD");
}

}  // namespace
