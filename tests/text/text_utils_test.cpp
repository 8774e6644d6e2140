// The text utilities over a table of cases; the same cases run natively and under Wine.
#include "text/text_utils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace text;
using namespace std::string_literals;

namespace {

struct FindCase {
  std::string text, sought;
  int start;
  bool ignoreCase;
  int expected;
};

TEST(FindText, Table) {
  // "中" in code page 936 is D6 D0; "文" is CE C4; "啊" B0 A1.
  const std::string zhong = "\xD6\xD0", wen = "\xCE\xC4";
  const std::vector<FindCase> cases = {
      {"abcabc", "c", 4, false, 6},
      {"abcabc", "c", 1, false, 3},
      {"abcabc", "", 1, false, -1},
      {"", "a", 1, false, -1},
      {"abcabc", "a", 0, false, 1},
      {"abcabc", "a", -5, false, 1},
      {"abcd", "a", 5, false, -1},
      {"abcd", "d", 4, false, 4},
      {"abcd", "cde", 3, false, -1},
      {"xabcx", "ABC", 1, true, 2},
      {"xabcx", "ABC", 1, false, -1},
      {"xABCx", "abc", 1, true, 2},
      // Only letters fold: '@' (0x40) and '`' (0x60) differ by 0x20 but are not letters.
      {"`", "@", 1, true, -1},
      {"[", "{", 1, true, -1},
      // A sought byte equal to the trail byte of a double-byte character is not found there.
      {"\xB0\x41" "A", "A", 1, false, 3},
      {"\xB0\x41", "A", 1, false, -1},
      // Double-byte characters are found on their own boundaries.
      {"a" + zhong + wen, wen, 1, false, 4},
      {zhong + zhong, zhong, 2, false, 3},
      // 0x80 is a single byte, not a lead byte.
      {"\x80" "A", "A", 1, false, 2},
      // The bytes D0 CE (trail of one character, lead of the next) are no match.
      {zhong + wen, "\xD0\xCE", 1, false, -1},
      // With ignoreCase, trail bytes compare exactly: B0 61 is not B0 41.
      {"\xB0\x61", "\xB0\x41", 1, true, -1},
      {"\xB0\x41", "\xB0\x41", 1, true, 1},
      // Text bytes of 0x80 and above never fold.
      {"\xC1", "\xE1", 1, true, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindText(c.text, c.sought, c.start, c.ignoreCase), c.expected)
        << "text=" << c.text << " sought=" << c.sought << " start=" << c.start << " ignoreCase=" << c.ignoreCase;
  }
}

TEST(MidAndRightText, Table) {
  struct MidCase {
    std::string text;
    int start, count;
    std::string expected;
  };
  const std::vector<MidCase> mids = {
      {"abcdef", 2, 3, "bcd"}, {"abcdef", 5, 10, "ef"}, {"abcdef", 7, 1, ""},  {"abcdef", 1, 0, ""},
      {"abcdef", 3, 0, ""},    {"abcdef", 6, 1, "f"},   {"abcdef", 1, 6, "abcdef"}, {"", 1, 1, ""},
      {"abcdef", 0, 2, ""},    {"abcdef", 2, -1, ""},
  };
  for (const auto& c : mids)
    EXPECT_EQ(MidText(c.text, c.start, c.count), c.expected) << c.text << " " << c.start << " " << c.count;

  struct RightCase {
    std::string text;
    int count;
    std::string expected;
  };
  const std::vector<RightCase> rights = {
      {"abcdef", 2, "ef"}, {"abc", 10, "abc"}, {"abc", 0, ""}, {"abc", -3, ""}, {"abc", 3, "abc"}, {"", 1, ""},
  };
  for (const auto& c : rights) EXPECT_EQ(RightText(c.text, c.count), c.expected) << c.text << " " << c.count;
}

TEST(SplitText, Table) {
  struct SplitCase {
    std::string text, separator;
    int maxCount;
    std::vector<std::string> expected;
  };
  const std::vector<SplitCase> cases = {
      {"a,b,,c", ",", 0, {"a", "b", "", "c"}},
      {"a,b,", ",", 0, {"a", "b", ""}},
      {"", ",", 0, {""}},
      {"abc", ",", 0, {"abc"}},
      {"a,b,c", ",", 2, {"a", "b"}},
      {"a,b,c", ",", 1, {"a"}},
      {"a,b,c", "", 0, {"a,b,c"}},
      {",", ",", 0, {"", ""}},
      {"1\r\n2\r\n", "\r\n", 0, {"1", "2", ""}},
      {"a::b", "::", 0, {"a", "b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitText(c.text, c.separator, c.maxCount), c.expected) << c.text;
  EXPECT_EQ(SplitText("x,y"), (std::vector<std::string>{"x", "y"}));  // "," when none is given
}

TEST(LineOfText, Table) {
  struct LineCase {
    std::string text;
    int n;
    std::string expected;
  };
  const std::vector<LineCase> cases = {
      {"1\r\n2", 2, "2"}, {"1\r\n2", 1, "1"}, {"1\r\n2", 3, ""}, {"1\r\n2", 0, ""}, {"1\r\n2", -1, ""},
      {"1\n2", 1, "1\n2"}, {"1\r2", 1, "1\r2"}, {"", 1, ""}, {"1\r\n2\r\n", 3, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LineOfText(c.text, c.n), c.expected) << c.text << " line " << c.n;
}

TEST(TextBetween, Table) {
  struct BetweenCase {
    std::string text;
    int position;
    std::string expected;
    int positionAfter;
  };
  const std::vector<BetweenCase> cases = {
      {"xxjtbb[1.1]yy", 0, "1.1", 12},
      {"jtbb[]", 0, "", 7},
      {"xxjtbb[1.1", 0, "", 0},
      {"no marker", 0, "", 0},
      {"jtbb[1.2]jtbb[1.1]", 0, "1.2", 10},
      {"jtbb[1.2]jtbb[1.1]", 10, "1.1", 19},
      {"jtbb[1.2]", 2, "", 0},
  };
  for (const auto& c : cases) {
    int position = c.position;
    EXPECT_EQ(TextBetween(c.text, "jtbb[", "]", position), c.expected) << c.text;
    EXPECT_EQ(position, c.positionAfter) << c.text;
  }
}

TEST(TextUtilities, TextsEndAtTheirFirstNul) {
  const std::string withNul = "ab\0jtbb[1.1]"s;
  int position = 0;
  EXPECT_EQ(TextBetween(withNul, "jtbb[", "]", position), "");
  EXPECT_EQ(position, 0);
  EXPECT_EQ(FindText(withNul, "j", 1, false), -1);
  EXPECT_EQ(LineOfText("7\0\r\n8"s, 2), "");
}

TEST(FindText, ManyRejectedMatchesStayLinear) {
  // Every "A" is the trail byte of a double-byte character: each candidate matches and is
  // rejected at the boundary check, which must not walk the text from its start each time.
  std::string page;
  for (int i = 0; i < (2 << 20); ++i) page += "\xB0" "A";
  EXPECT_EQ(FindText(page, "A", 1, false), -1);
  page += "A";
  EXPECT_EQ(FindText(page, "A", 1, false), static_cast<int>(page.size()));
}

}  // namespace
