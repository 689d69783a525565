#include <gtest/gtest.h>

#include <string_view>

#include "base/ascii.h"

namespace {

TEST(Ascii, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(base::asciiLower("DODATKI.MDB Ż"), "dodatki.mdb Ż");
  EXPECT_EQ(base::asciiUpper("con.txt ż"), "CON.TXT ż");
  EXPECT_TRUE(base::equalsIgnoreAsciiCase("Meble\\Stół.JPG", "meble\\Stół.jpg"));
  EXPECT_FALSE(base::equalsIgnoreAsciiCase("Ż", "ż"));
  EXPECT_FALSE(base::equalsIgnoreAsciiCase("ab", "abc"));
  EXPECT_TRUE(base::isAsciiLetter('q'));
  EXPECT_FALSE(base::isAsciiLetter('@'));
  EXPECT_FALSE(base::isAsciiLetter('['));
}

TEST(Ascii, PrefixAndSearchFoldOnlyAsciiLetters) {
  constexpr size_t npos = std::string_view::npos;
  const struct {
    std::string_view text;
    std::string_view part;
    bool prefix;
    size_t found;
  } cases[] = {
      {"/log=plik.txt", "/LOG=", true, 0},
      {"/LO", "/LOG=", false, npos},
      {"MyCadTool.exe", "CAD", false, 2},
      {"CADVIRELPRO.EXE", "cad", true, 0},
      {"notepad.exe", "CAD", false, npos},
      {"\xC4\x86"
       "AD",
       "CAD", false, npos},           // "Ć" is no letter C
      {"Żółw", "żółw", false, npos},  // only ASCII letters fold
      {"x@y", "`", false, npos},      // '@' and '`' differ by the case bit but are no letters
      {"a[b", "{", false, npos},
      {"abc", "", true, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(base::startsWithIgnoreAsciiCase(c.text, c.part), c.prefix) << c.text << " / " << c.part;
    EXPECT_EQ(base::findIgnoreAsciiCase(c.text, c.part), c.found) << c.text << " / " << c.part;
  }
}

}  // namespace
