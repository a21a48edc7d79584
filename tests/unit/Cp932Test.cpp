// Tests of the code page 932 table against glibc's iconv, which converted before it: every one-
// and two-byte code, every UTF-16 code unit and the edges of UTF-8, in both directions.
#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>

#include "support/Cp932.h"

namespace orvane {
namespace {

// iconv on a whole text: the result, or nothing when iconv refuses the text.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    EXPECT_NE(cd_, reinterpret_cast<iconv_t>(-1)) << from << " to " << to;
  }
  ~Iconv() { iconv_close(cd_); }
  std::optional<std::string> operator()(const std::string& text) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(text.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(text.data());
    char* dst = out.data();
    size_t inLeft = text.size(), outLeft = out.size();
    if (iconv(cd_, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
      return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

std::string LittleEndian(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return out;
}

// Our conversion as iconv reports it: the result, or nothing on failure.
template <typename Out, typename In>
std::optional<Out> Ours(bool (*convert)(const In&, Out&), const In& text) {
  Out out;
  if (!convert(text, out)) return std::nullopt;
  return out;
}

TEST(Cp932Table, EveryOneAndTwoByteCodeReadsAsIconvReadsIt) {
  Iconv toUtf16("UTF-16LE", "CP932"), toUtf8("UTF-8", "CP932");
  int mismatches = 0;
  for (unsigned first = 0; first < 256; ++first) {
    for (int length = 1; length <= 2; ++length) {
      for (unsigned second = 0; second < (length == 2 ? 256u : 1u); ++second) {
        std::string code{static_cast<char>(first)};
        if (length == 2) code += static_cast<char>(second);
        auto wide = Ours(&Cp932ToUtf16, code);
        auto expected = toUtf16(code);
        if ((wide ? std::optional(LittleEndian(*wide)) : std::nullopt) != expected ||
            Ours(&Cp932ToUtf8, code) != toUtf8(code)) {
          if (++mismatches <= 10) ADD_FAILURE() << std::hex << first << " " << second;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(Cp932Table, EveryUtf16UnitIsWrittenAsIconvWritesIt) {
  Iconv fromUtf16("CP932", "UTF-16LE"), fromUtf8("CP932", "UTF-8"),
      utf16ToUtf8("UTF-8", "UTF-16LE");
  int mismatches = 0;
  for (unsigned unit = 0; unit < 0x10000; ++unit) {
    std::u16string wide(1, static_cast<char16_t>(unit));
    bool same = Ours(&Utf16ToCp932, wide) == fromUtf16(LittleEndian(wide)) &&
                Ours(&Utf16ToUtf8, wide) == utf16ToUtf8(LittleEndian(wide));
    if (auto utf8 = utf16ToUtf8(LittleEndian(wide)))
      same = same && Ours(&Utf8ToCp932, *utf8) == fromUtf8(*utf8);
    if (!same && ++mismatches <= 10) ADD_FAILURE() << std::hex << unit;
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(Cp932Table, Utf8AndSurrogateEdgesFailWhereIconvFails) {
  Iconv fromUtf8("CP932", "UTF-8"), utf16ToUtf8("UTF-8", "UTF-16LE"),
      utf8ToUtf16("UTF-16LE", "UTF-8");
  int mismatches = 0;
  // Every two-byte text, and every three-byte one whose first byte allows overlong or surrogate
  // forms (E0, ED) or is the last of its kind (EF); then four-byte forms and leftovers.
  for (unsigned first :
       {0u, 0xC1u, 0xC2u, 0xDFu, 0xE0u, 0xE3u, 0xEDu, 0xEFu, 0xF0u, 0xF4u, 0xF5u}) {
    for (unsigned second = 0; second < 256; ++second) {
      for (unsigned third = 0; third < 256; ++third) {
        std::string text{static_cast<char>(first), static_cast<char>(second),
                         static_cast<char>(third)};
        if (first == 0) text.erase(0, 1);  // all two-byte texts
        if (Ours(&Utf8ToCp932, text) != fromUtf8(text) && ++mismatches <= 10)
          ADD_FAILURE() << std::hex << first << " " << second << " " << third;
      }
    }
  }
  for (const std::string text : {"\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xF4\x90\x80\x80",
                                 "\xF8\x88\x80\x80\x80", "\xE3\x81", "\x80", "A\xC3"}) {
    EXPECT_EQ(Ours(&Utf8ToCp932, text), fromUtf8(text)) << text;
    auto wide = Ours(&Utf8ToUtf16, text);
    EXPECT_EQ(wide ? std::optional(LittleEndian(*wide)) : std::nullopt, utf8ToUtf16(text)) << text;
  }
  // Surrogate pairs, and surrogates out of order or alone.
  for (const std::u16string wide : {u"\xD83D\xDE00", u"\xDBFF\xDFFF", u"\xD800\xDC00",
                                    u"\xDC00\xD800", u"\xD800", u"A\xDFFF"}) {
    EXPECT_EQ(Ours(&Utf16ToUtf8, wide), utf16ToUtf8(LittleEndian(wide)));
    EXPECT_FALSE(Ours(&Utf16ToCp932, wide));
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(Cp932Text, WholeTextsRoundTrip) {
  // ASCII with a backslash, a kanji whose trail byte is "\", half-width katakana, a NEC special,
  // the user-defined area.
  const std::string cp932 = "C:\\\x95\x5C\\\xB1\xDE\x87\x40\xF0\x40~";
  std::string utf8, back;
  ASSERT_TRUE(Cp932ToUtf8(cp932, utf8));
  EXPECT_EQ(utf8, "C:\\\xE8\xA1\xA8\\\xEF\xBD\xB1\xEF\xBE\x9E\xE2\x91\xA0\xEE\x80\x80~");
  ASSERT_TRUE(Utf8ToCp932(utf8, back));
  EXPECT_EQ(back, cp932);
  std::u16string wide;
  ASSERT_TRUE(Cp932ToUtf16(cp932, wide));
  EXPECT_EQ(wide, u"C:\\\x8868\\\xFF71\xFF9E\x2460\xE000~");
  ASSERT_TRUE(Utf16ToCp932(wide, back));
  EXPECT_EQ(back, cp932);
  EXPECT_FALSE(Cp932ToUtf8("ab\x81", utf8));  // a lead byte without its trail byte
}

TEST(Cp932Text, DisplayReplacesOnlyTheBytesThatAreNoCharacter) {
  EXPECT_EQ(DisplayUtf8("a\x82\xA0"), "a\xE3\x81\x82");
  // A lead byte before a byte that cannot trail: one replacement, then the byte itself.
  EXPECT_EQ(DisplayUtf8("\x81\x20z\x80\xFD\x82"),
            "\xEF\xBF\xBD z\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace orvane
