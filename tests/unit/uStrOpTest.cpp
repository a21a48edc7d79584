// Tests of the code page 932 string routines: substrings, path delimiters, fields, mapping.
#include <gtest/gtest.h>

#include "support/uStrOp.h"

namespace orvane {
namespace {

// "表" in code page 932: its second byte is 0x5C, the same as "\".
const std::string kHyo = "\x95\x5C";

TEST(StrOpSubstring, PositionsAndCountsFollowTheSubstringRule) {
  EXPECT_EQ(StrLeft("abc", 2), "ab");
  EXPECT_EQ(StrLeft("abc", 0), "");
  EXPECT_EQ(StrLeft("abc", 9), "abc");
  EXPECT_EQ(StrLeft("abc", -1), "");
  EXPECT_EQ(StrLeft("", 3), "");

  EXPECT_EQ(StrRight("abcdef", 2), "ef");
  EXPECT_EQ(StrRight("abc", 5), "abc");
  EXPECT_EQ(StrRight("abc", 3), "abc");
  EXPECT_EQ(StrRight("abc", 0), "");
  EXPECT_EQ(StrRight("abc", -2), "");

  EXPECT_EQ(StrFrom("abcdef", 3), "cdef");
  EXPECT_EQ(StrFrom("abcdef", 6), "f");
  EXPECT_EQ(StrFrom("abcdef", 7), "");
  EXPECT_EQ(StrFrom("abcdef", 8), "");
  EXPECT_EQ(StrFrom("abcdef", 0), "abcdef");
  EXPECT_EQ(StrFrom("abcdef", -4), "abcdef");
}

TEST(StrOpPathDelim, AddsAtTopOrBottomOnlyWhenMissing) {
  EXPECT_EQ(AddPathDelim("", "B"), "\\");
  EXPECT_EQ(AddPathDelim("", "T"), "\\");
  EXPECT_EQ(AddPathDelim("C:\\App", "B"), "C:\\App\\");
  EXPECT_EQ(AddPathDelim("C:\\App\\", "B"), "C:\\App\\");
  EXPECT_EQ(AddPathDelim("App", "T"), "\\App");
  EXPECT_EQ(AddPathDelim("\\App", "T"), "\\App");
  // Only the first letter of the mode counts, and its case matters.
  EXPECT_EQ(AddPathDelim("App", "Bottom"), "App\\");
  EXPECT_EQ(AddPathDelim("App", "b"), "App");
  EXPECT_EQ(AddPathDelim("App", ""), "App");
  EXPECT_EQ(AddPathDelim("App", "X"), "App");
}

TEST(StrOpPathDelim, RemovesAtMostOneDelimiter) {
  EXPECT_EQ(DelPathDelim("C:\\App\\", "B"), "C:\\App");
  EXPECT_EQ(DelPathDelim("C:\\App\\\\", "B"), "C:\\App\\");
  EXPECT_EQ(DelPathDelim("C:\\App", "B"), "C:\\App");
  EXPECT_EQ(DelPathDelim("\\\\Server", "T"), "\\Server");
  EXPECT_EQ(DelPathDelim("Server", "T"), "Server");
  EXPECT_EQ(DelPathDelim("\\", "B"), "");
  EXPECT_EQ(DelPathDelim("", "B"), "");
  EXPECT_EQ(DelPathDelim("", "T"), "");
  EXPECT_EQ(DelPathDelim("\\App\\", "t"), "\\App\\");
}

TEST(StrOpPathDelim, TrailByte5CIsNotADelimiter) {
  const std::string path = "C:\\" + kHyo;  // C:\表
  EXPECT_FALSE(IsPathDelimiter(path, 5));
  EXPECT_TRUE(IsPathDelimiter(path, 3));
  EXPECT_EQ(AddPathDelim(path, "B"), path + "\\");
  EXPECT_EQ(DelPathDelim(path, "B"), path);
  EXPECT_EQ(DelPathDelim(path + "\\", "B"), path);

  // Two double-byte characters in a row: the run of lead bytes before the last 0x5C is
  // 0x95 0x5C 0x95 -> only the 0x95 directly before it counts (run length 1, odd).
  EXPECT_EQ(AddPathDelim(kHyo + kHyo, "B"), kHyo + kHyo + "\\");
  // A run of two lead bytes ("\x81\x81" = one character) before a "\" leaves it a delimiter.
  EXPECT_TRUE(IsPathDelimiter("\x81\x81\\", 3));
  EXPECT_FALSE(IsPathDelimiter("\x81\x81\x81\\", 4));
  // Positions outside the string and other bytes are never delimiters.
  EXPECT_FALSE(IsPathDelimiter("a\\", 0));
  EXPECT_FALSE(IsPathDelimiter("a\\", 3));
  EXPECT_FALSE(IsPathDelimiter("a\\", 1));
}

TEST(StrOpGetField, SplitsOnOneByteSeparators) {
  EXPECT_EQ(GetField("a,,c", ",", 1), "a");
  EXPECT_EQ(GetField("a,,c", ",", 2), "");
  EXPECT_EQ(GetField("a,,c", ",", 3), "c");
  EXPECT_EQ(GetField("a,,c", ",", 4), "");
  EXPECT_EQ(GetField("a,,c", ",", 0), "");
  EXPECT_EQ(GetField("C:\\App\\x.dll", ",", 1), "C:\\App\\x.dll");
  EXPECT_EQ(GetField("C:\\App\\x.dll", ",", 2), "");
  EXPECT_EQ(GetField("C:\\App\\Data.dll,/S/C", ",", 2), "/S/C");
  EXPECT_EQ(GetField("", ",", 1), "");
}

TEST(StrOpGetField, LongOrEmptySeparatorNeverMatchesAndTrailBytesDo) {
  EXPECT_EQ(GetField("a,,b", ",,", 1), "a,,b");
  EXPECT_EQ(GetField("a,,b", ",,", 2), "");
  EXPECT_EQ(GetField("a,b", "", 1), "a,b");
  // No double-byte handling: the trail byte 0x5C of "表" splits like a real "\".
  EXPECT_EQ(GetField("x" + kHyo + "y", "\\", 1), "x\x95");
  EXPECT_EQ(GetField("x" + kHyo + "y", "\\", 2), "y");
}

TEST(StrOpMapString, UpperCaseTouchesOnlySingleByteLettersAndFullWidthLatin) {
  EXPECT_EQ(MapString("c:\\app\\x.dll,/s", lcmap::UpperCase), "C:\\APP\\X.DLL,/S");
  EXPECT_EQ(MapString("", lcmap::UpperCase), "");
  // "ア" (0x83 0x41) then "a": the trail byte 0x41 stays, the letter after it is upper-cased.
  EXPECT_EQ(MapString("\x83\x41"
                      "a",
                      lcmap::UpperCase),
            "\x83\x41"
            "A");
  // Kanji whose trail bytes look like small letters (0x88 0x61, 0x88 0x7A) stay unchanged.
  EXPECT_EQ(MapString("\x88\x61\x88\x7A", lcmap::UpperCase), "\x88\x61\x88\x7A");
  // Full-width "ａ" / "ｚ" become "Ａ" / "Ｚ"; full-width capitals stay.
  EXPECT_EQ(MapString("\x82\x81\x82\x9A\x82\x60", lcmap::UpperCase), "\x82\x60\x82\x79\x82\x60");
  // Half-width katakana and other high bytes are left alone.
  EXPECT_EQ(MapString("\xB1\xDE", lcmap::UpperCase), "\xB1\xDE");
}

TEST(StrOpMapString, FullWidthMapsAsciiAndHalfWidthKana) {
  EXPECT_EQ(MapString("A", lcmap::FullWidth), "\x82\x60");
  EXPECT_EQ(MapString(" ", lcmap::FullWidth), "\x81\x40");
  EXPECT_EQ(MapString(".", lcmap::FullWidth), "\x81\x44");
  EXPECT_EQ(MapString("a1\\~", lcmap::FullWidth), "\x82\x81\x82\x50\x81\x5F\x81\x60");
  EXPECT_EQ(MapString("", lcmap::FullWidth), "");
  // "ｶﾞ" stays two characters: "カ" and the full-width voiced mark "゛".
  EXPECT_EQ(MapString("\xB6\xDE", lcmap::FullWidth), "\x83\x4A\x81\x4A");
  // "｡" and "ｰ" (first and a middle entry) and "ﾝ".
  EXPECT_EQ(MapString("\xA1\xB0\xDD", lcmap::FullWidth), "\x81\x42\x81\x5B\x83\x93");
  // Double-byte characters are kept as they are, even "表" whose trail byte is "\".
  EXPECT_EQ(MapString(kHyo + "a", lcmap::FullWidth), kHyo + "\x82\x81");
  // Both flags: full width first, then the full-width letters are upper-cased.
  EXPECT_EQ(MapString("a", lcmap::FullWidth | lcmap::UpperCase), "\x82\x60");
}

TEST(StrOpMapString, FullWidthTableRunsInOrderForDigitsAndLetters) {
  // Digits and letters are contiguous in both code sets; a shifted table entry breaks this.
  const std::string digits = MapString("0123456789", lcmap::FullWidth);
  const std::string upper = MapString("ABCDEFGHIJKLMNOPQRSTUVWXYZ", lcmap::FullWidth);
  const std::string lower = MapString("abcdefghijklmnopqrstuvwxyz", lcmap::FullWidth);
  ASSERT_EQ(digits.size(), 20u);
  ASSERT_EQ(upper.size(), 52u);
  ASSERT_EQ(lower.size(), 52u);
  for (size_t i = 0; i < 10; ++i)
    EXPECT_EQ(static_cast<unsigned char>(digits[2 * i + 1]), 0x4F + i);
  for (size_t i = 0; i < 26; ++i) {
    EXPECT_EQ(static_cast<unsigned char>(upper[2 * i + 1]), 0x60 + i);
    EXPECT_EQ(static_cast<unsigned char>(lower[2 * i + 1]), 0x81 + i);
  }
  EXPECT_EQ(MapString(lower, lcmap::UpperCase), upper);
}

TEST(StrOpMapString, UnknownFlagsLeaveTheTextUnchanged) {
  EXPECT_EQ(MapString("abc", 0), "abc");
  EXPECT_EQ(MapString("abc", 0x100), "abc");
  EXPECT_EQ(MapString("abc", lcmap::UpperCase | 0x100), "abc");
}

}  // namespace
}  // namespace orvane
