// The settings file's bytes: writing, and the reading rules that give the two selections.
#include "settings/settings_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace settings;
using namespace std::string_literals;

namespace {

TEST(SettingsCodec, WritesTwoIndicesJoinedByCrLf) {
  EXPECT_EQ(EncodeSettings(5, 7), "5\r\n7");
  EXPECT_EQ(EncodeSettings(1, 2), "1\r\n2");
  EXPECT_EQ(EncodeSettings(-1, 16), "-1\r\n16");
  EXPECT_EQ(EncodeSettings(0, 0), "0\r\n0");
}

TEST(SettingsCodec, ReadingRules) {
  struct Case {
    std::string name, bytes;
    KeySelections expected;
  };
  const std::vector<Case> cases = {
      {"written by the program", "5\r\n7", {5, 7}},
      {"above 16 selects the last item", "20\r\n3", {16, 3}},
      {"negative clears the selection", "-4\r\n1", {-1, 1}},
      {"minus one as written back", "-1\r\n16", {-1, 16}},
      {"full-width digit two", "\xA3\xB2\r\n1", {2, 1}},
      {"full-width minus and digits", "\xA3\xAD\xA3\xB3\r\n\xA3\xB1\xA3\xB0", {-1, 10}},
      {"full-width blank before digits", "\xA1\xA1" "4\r\n5", {4, 5}},
      {"trailing CR LF", "1\r\n2\r\n", {1, 2}},
      {"only 7", "7", {7, 0}},
      {"empty file", "", {0, 0}},
      {"LF-only lines", "3\n4\n", {3, 0}},
      {"text after the number is ignored", "3 abc\r\n4x", {3, 4}},
      {"leading white space and plus", " \t+6\r\n\v\f9", {6, 9}},
      {"byte-order mark gives 0", "\xEF\xBB\xBF" "5\r\n6", {0, 6}},
      {"text ends at NUL", "5\0\r\n7"s, {5, 0}},
      {"no digits gives 0", "abc\r\nxyz", {0, 0}},
      {"a lone sign gives 0", "-\r\n+", {0, 0}},
      {"huge numbers saturate", "99999999999999999999\r\n-99999999999999999999", {16, -1}},
      {"lone CR is part of the line", "3\r4\r\n5", {3, 5}},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeSettings(c.bytes), c.expected) << c.name;
}

TEST(SettingsCodec, RoundTripsEveryPairOfIndices) {
  for (int capture = -1; capture < kKeyCount; ++capture)
    for (int undo = -1; undo < kKeyCount; ++undo)
      ASSERT_EQ(DecodeSettings(EncodeSettings(capture, undo)), (KeySelections{capture, undo}));
}

TEST(SettingsCodec, FullWidthFormsBecomeAscii) {
  EXPECT_EQ(FullWidthToAscii("\xA3\xB0\xA3\xB9\xA3\xAB\xA3\xC1\xA3\xE1"), "09+Aa");
  // Other double-byte characters stay whole, also when their trail byte looks like row A3.
  EXPECT_EQ(FullWidthToAscii("\xD6\xD0\xA3"), "\xD6\xD0\xA3");
  EXPECT_EQ(FullWidthToAscii("\xB0\xA3\xB2"), "\xB0\xA3\xB2");
}

TEST(SettingsReader, StopsOnceTheFirstTwoLinesAreComplete) {
  SettingsReader reader;
  reader.Append("5\r");
  EXPECT_FALSE(reader.Complete());
  reader.Append("\n7\r");
  EXPECT_FALSE(reader.Complete());
  reader.Append("\ngarbage that is never kept");
  EXPECT_TRUE(reader.Complete());
  EXPECT_EQ(reader.Bytes(), "5\r\n7\r\n");
  reader.Append("more");
  EXPECT_EQ(reader.Bytes(), "5\r\n7\r\n");

  // A CR that is the trail byte of a double-byte character ends no line, as in LineOfText.
  SettingsReader dbcs;
  dbcs.Append("\xA3\xA3\xB2\r\n-4\xB2u\r\n-4\r\n");
  EXPECT_EQ(DecodeSettings(dbcs.Bytes()), DecodeSettings("\xA3\xA3\xB2\r\n-4\xB2u\r\n-4\r\n"));
  EXPECT_EQ(dbcs.Bytes(), "\xA3\xA3\xB2\r\n-4\xB2u\r\n-4\r\n");

  SettingsReader nul;
  nul.Append("12\0junk"s);
  EXPECT_TRUE(nul.Complete());
  EXPECT_EQ(DecodeSettings(nul.Bytes()), (KeySelections{12, 0}));
}

}  // namespace
