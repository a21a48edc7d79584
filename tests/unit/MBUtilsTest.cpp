// Tests of the double-byte-safe search: lead bytes, MBPos on character boundaries, PosNoCase.
#include <gtest/gtest.h>

#include "support/MBUtils.h"

namespace orvane {
namespace {

TEST(MBUtilsLeadChar, CodePage932Ranges) {
  EXPECT_FALSE(IsLeadChar(0x80));
  EXPECT_TRUE(IsLeadChar(0x81));
  EXPECT_TRUE(IsLeadChar(0x9F));
  EXPECT_FALSE(IsLeadChar(0xA0));
  EXPECT_FALSE(IsLeadChar(0xDF));  // half-width katakana are single bytes
  EXPECT_TRUE(IsLeadChar(0xE0));
  EXPECT_TRUE(IsLeadChar(0xFC));
  EXPECT_FALSE(IsLeadChar(0xFD));
  EXPECT_FALSE(IsLeadChar('\\'));
  EXPECT_FALSE(IsLeadChar('A'));
}

TEST(MBUtilsPos, FindsFirstOccurrenceOnCharacterBoundary) {
  EXPECT_EQ(MBPos("b", "abcb"), 2);
  EXPECT_EQ(MBPos("cb", "abcb"), 3);
  EXPECT_EQ(MBPos("abcb", "abcb"), 1);
  EXPECT_EQ(MBPos("x", "abcb"), 0);
  // A substring longer than the rest of the string never matches.
  EXPECT_EQ(MBPos("bcbX", "abcb"), 0);
  EXPECT_EQ(MBPos("abcbc", "abcb"), 0);
  // Case matters for MBPos.
  EXPECT_EQ(MBPos("B", "abcb"), 0);
  EXPECT_EQ(MBPos("", "abc"), 0);
  EXPECT_EQ(MBPos("", ""), 0);
  EXPECT_EQ(MBPos("a", ""), 0);
}

TEST(MBUtilsPos, TrailBytesAreNeverMatchStarts) {
  // "表" = 0x95 0x5C: its trail byte is not a "\", the real "\" after it is at position 3.
  const std::string hyo = "\x95\x5C";
  EXPECT_EQ(MBPos("\\", hyo), 0);
  EXPECT_EQ(MBPos("\\", hyo + "\\"), 3);
  EXPECT_EQ(MBPos("\\", "C:" + hyo + "\\x"), 5);
  // "ソ" = 0x83 0x7C has "|" as trail byte.
  EXPECT_EQ(MBPos("|", "\x83\x7C|"), 3);
  // The double-byte character itself is found where it starts.
  EXPECT_EQ(MBPos(hyo, "ab" + hyo), 3);
  // Characters pair up from the start: in 0x95 0x95 "a" the first two bytes form one character,
  // so "a" is found at 3 and 0x95 "a" (which straddles that boundary) is not found.
  EXPECT_EQ(MBPos("a", hyo + "a"), 3);
  EXPECT_EQ(MBPos("a",
                  "\x95\x95"
                  "a"),
            3);
  EXPECT_EQ(MBPos("\x95"
                  "a",
                  "\x95\x95"
                  "a"),
            0);
}

TEST(MBUtilsPosNoCase, IgnoresCaseOfSingleByteLetters) {
  EXPECT_EQ(PosNoCase("/s", "C:\\App\\x.dll,/S/R"), 14);
  EXPECT_EQ(PosNoCase(".dll", "C:\\SYS\\A.DLL"), 9);
  EXPECT_EQ(PosNoCase("setup only.", "This is Setup Only."), 9);
  EXPECT_EQ(PosNoCase("/c", "C:\\App\\x.dll,/S/R"), 0);
  EXPECT_EQ(PosNoCase("", "abc"), 0);
  // The trail byte 0x5C of "表" is still not a match after upper-casing, and a trail byte 0x61
  // ("a") is neither upper-cased nor matched.
  EXPECT_EQ(PosNoCase("\\", "\x95\x5C\\"), 3);
  EXPECT_EQ(PosNoCase("A",
                      "\x88\x61"
                      "a"),
            3);
}

}  // namespace
}  // namespace orvane
