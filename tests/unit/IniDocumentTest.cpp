// Tests of the in-memory INI model: the Windows reading rules, in-place and appending writes,
// deletion, the exact bytes written, and that large sections stay fast.
#include <gtest/gtest.h>

#include <string>

#include "support/IniDocument.h"

namespace orvane {
namespace {

using Strings = std::vector<std::string>;

TEST(IniDocumentWrite, SuccessiveWritesGiveTheWindowsBytes) {
  IniDocument doc;
  doc.Set("App1", "key1", "string1");
  doc.Set("App1", "key2", "string2");
  doc.Set("App1", "key3", "string3");
  doc.Set("App2", "key4", "string4");
  doc.Set("App3", "key5", "string5");
  EXPECT_EQ(doc.Text(),
            "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
            "[App3]\r\nkey5=string5\r\n");
  // Writing into an earlier section again appends to that section, not to the file.
  doc.Set("app1", "key6", "string6");
  EXPECT_EQ(doc.Text(),
            "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\nkey6=string6\r\n[App2]\r\n"
            "key4=string4\r\n[App3]\r\nkey5=string5\r\n");
  EXPECT_EQ(IniDocument().Text(), "");
}

TEST(IniDocumentRead, LinesEndAtCrOrLfAndAreTrimmed) {
  const IniDocument doc =
      IniDocument::Parse("[A]\rk1=one\nk2=two\r\n \t k3 \t= three \x1A\r\n\r\n[B]\nk4=four");
  EXPECT_EQ(doc.Get("A", "k1"), "one");
  EXPECT_EQ(doc.Get("A", "k2"), "two");
  EXPECT_EQ(doc.Get("A", "k3"), "three");
  EXPECT_EQ(doc.Get("B", "k4"), "four");
  // The text comes back with CR LF after every line, blank lines kept.
  EXPECT_EQ(doc.Text(),
            "[A]\r\nk1=one\r\nk2=two\r\n \t k3 \t= three \x1A\r\n\r\n[B]\r\nk4=four\r\n");
}

// Lines numbers the same lines that Parse reads, for tools that report by line.
TEST(IniDocumentRead, LinesNumberWhatParseReads) {
  const auto lines = IniDocument::Lines("[A]\rk1=\"one\"\n; note\r\n \t k3 \t= three\r\n\r\n[B\nk4");
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0].kind, IniDocument::Line::Header);
  EXPECT_EQ(lines[0].name, "A");
  EXPECT_EQ(lines[1].kind, IniDocument::Line::Key);
  EXPECT_EQ(lines[1].value, "\"one\"");
  EXPECT_EQ(lines[2].kind, IniDocument::Line::Other);
  EXPECT_EQ(lines[3].number, 4u);
  EXPECT_EQ(lines[3].name, "k3");
  EXPECT_EQ(lines[3].value, "three");
  EXPECT_EQ(lines[5].kind, IniDocument::Line::Other);  // "[B" without its "]"
  EXPECT_EQ(lines[5].text, "[B");
  EXPECT_EQ(lines[6].number, 7u);
}

TEST(IniDocumentRead, SectionHeadersRunToTheLastBracket) {
  const IniDocument doc =
      IniDocument::Parse("[ Spaced ] trailing text\nk=1\n[a]b]\nk=2\n[NoClose\nk=3\n[Next]\nk=4\n");
  EXPECT_EQ(doc.Get("Spaced", "k"), "1");
  EXPECT_EQ(doc.Get("a]b", "k"), "2");
  // "[NoClose" is an ordinary line, so its following key still belongs to "a]b".
  EXPECT_FALSE(doc.HasSection("NoClose"));
  EXPECT_EQ(doc.KeyNames("a]b"), (Strings{"k", "k"}));
  EXPECT_EQ(doc.Get("Next", "k"), "4");
  EXPECT_EQ(doc.SectionNames(), (Strings{"Spaced", "a]b", "Next"}));
}

TEST(IniDocumentRead, KeysValuesQuotesAndComments) {
  const IniDocument doc = IniDocument::Parse(
      "top=before\n[S]\n; note=not a key\nplain line\nempty=\nq1=\"quoted value\"\n"
      "q2='single'\nq3=\"\nq4=\"mixed'\neq=a=b ; not a comment\n Key With Space = v \n");
  EXPECT_EQ(doc.Get("S", "empty"), "");
  EXPECT_EQ(doc.Get("S", "q1"), "quoted value");
  EXPECT_EQ(doc.Get("S", "q2"), "single");
  EXPECT_EQ(doc.Get("S", "q3"), "\"");
  EXPECT_EQ(doc.Get("S", "q4"), "\"mixed'");
  EXPECT_EQ(doc.Get("S", "eq"), "a=b ; not a comment");
  EXPECT_EQ(doc.Get("S", "key with space"), "v");
  EXPECT_EQ(doc.Get("S", "; note"), std::nullopt);
  EXPECT_EQ(doc.Get("S", "plain line"), std::nullopt);
  EXPECT_EQ(doc.Get("S", "missing"), std::nullopt);
  EXPECT_EQ(doc.Get("Missing", "empty"), std::nullopt);
  // Keys before the first header belong to no section.
  EXPECT_EQ(doc.Get("", "top"), std::nullopt);
  EXPECT_EQ(doc.SectionNames(), (Strings{"S"}));
  EXPECT_EQ(doc.KeyNames("s"), (Strings{"empty", "q1", "q2", "q3", "q4", "eq", "Key With Space"}));
}

TEST(IniDocumentRead, NamesIgnoreAsciiCaseAndFirstOneWins) {
  const IniDocument doc = IniDocument::Parse(
      "[Setup]\nFolder=first\nFOLDER=second\n[SETUP]\nOther=hidden\n[\x83\x41x]\nk=kana\n");
  EXPECT_EQ(doc.Get("setup", "folder"), "first");
  EXPECT_EQ(doc.Get("Setup", "Other"), std::nullopt);
  EXPECT_EQ(doc.Get("  SeTuP ", " fOLDER "), "first");
  // "ア" (0x83 0x41) must not match "ヂ" (0x83 0x61): trail bytes are not folded, while the
  // single-byte letter after them is.
  EXPECT_EQ(doc.Get("\x83\x41X", "K"), "kana");
  EXPECT_EQ(doc.Get("\x83\x61x", "k"), std::nullopt);
}

TEST(IniDocumentRead, DoubleByteTrailBytesAreNotSyntax) {
  // 0x81 0x81 is "＝" and 0x81 0x5D has "]" as its trail byte; neither ends a name.
  const IniDocument doc = IniDocument::Parse("[X\x81\x5D]\nName\x81\x81=v1\n\x95\x5C=hyo\n");
  EXPECT_EQ(doc.SectionNames(), (Strings{"X\x81\x5D"}));
  EXPECT_EQ(doc.Get("X\x81\x5D", "Name\x81\x81"), "v1");
  EXPECT_EQ(doc.Get("x\x81\x5D", "\x95\x5C"), "hyo");
}

TEST(IniDocumentWrite, ALeadByteBeforeABlankKeepsItsPairWhenTheKeyIsRewritten) {
  // "\xF2 " reads as one character; trimming its blank would let the lead byte swallow the "=".
  IniDocument doc = IniDocument::Parse("[S]\r\nKey\xF2 = old\r\n");
  doc.Set("S", "Key\xF2 ", "new");
  EXPECT_EQ(IniDocument::Parse(doc.Text()).Get("S", "Key\xF2 "), "new");
}

TEST(IniDocumentWrite, ReplacesInPlaceAndKeepsTheKeySpelling) {
  IniDocument doc = IniDocument::Parse("; head\r\n[Sec]\r\n  MyKey = old ; x\r\nNext=2\r\n");
  doc.Set("SEC", "mykey", "new");
  EXPECT_EQ(doc.Text(), "; head\r\n[Sec]\r\nMyKey=new\r\nNext=2\r\n");
  doc.Set("Sec", "Next", "");
  EXPECT_EQ(doc.Get("Sec", "next"), "");
  EXPECT_EQ(doc.Text(), "; head\r\n[Sec]\r\nMyKey=new\r\nNext=\r\n");
}

TEST(IniDocumentWrite, NewKeysGoAfterTheLastKeyOfTheirSection) {
  IniDocument doc =
      IniDocument::Parse("[A]\r\na1=1\r\n\r\n; about B\r\n[B]\r\n; only a comment\r\n[C]\r\n");
  doc.Set("A", "a2", "2");
  doc.Set("B", "b1", "3");
  doc.Set("C", "c1", "4");
  doc.Set("D", "d1", "5");
  EXPECT_EQ(doc.Text(),
            "[A]\r\na1=1\r\na2=2\r\n\r\n; about B\r\n[B]\r\nb1=3\r\n; only a comment\r\n"
            "[C]\r\nc1=4\r\n[D]\r\nd1=5\r\n");
  // A section name is written trimmed, as the new key is.
  doc.Set(" E ", " e1 ", "6");
  EXPECT_EQ(doc.SectionNames(), (Strings{"A", "B", "C", "D", "E"}));
  EXPECT_EQ(doc.Get("E", "e1"), "6");
  EXPECT_EQ(doc.Text().substr(doc.Text().size() - 11), "[E]\r\ne1=6\r\n");
}

TEST(IniDocumentDelete, KeysAndWholeSections) {
  IniDocument doc = IniDocument::Parse(
      "[A]\r\nk=1\r\nk=2\r\nz=3\r\n; tail\r\n[B]\r\nb=1\r\n[a]\r\nk=9\r\n[C]\r\nc=1\r\n");
  doc.DeleteKey("a", "K");
  // The duplicate becomes the first key of the name; indexes after the removed line still work.
  EXPECT_EQ(doc.Get("A", "k"), "2");
  EXPECT_EQ(doc.Get("A", "z"), "3");
  doc.DeleteKey("A", "missing");
  doc.DeleteKey("Missing", "k");
  doc.Set("A", "y", "4");
  EXPECT_EQ(doc.Text(),
            "[A]\r\nk=2\r\nz=3\r\ny=4\r\n; tail\r\n[B]\r\nb=1\r\n[a]\r\nk=9\r\n[C]\r\nc=1\r\n");

  // Deleting a section removes every section of that name with all its lines.
  doc.DeleteSection("A");
  EXPECT_FALSE(doc.HasSection("a"));
  EXPECT_EQ(doc.Get("A", "k"), std::nullopt);
  EXPECT_EQ(doc.Get("C", "c"), "1");
  EXPECT_EQ(doc.Text(), "[B]\r\nb=1\r\n[C]\r\nc=1\r\n");
  doc.DeleteSection("Missing");
  doc.Set("A", "k", "new");
  EXPECT_EQ(doc.Text(), "[B]\r\nb=1\r\n[C]\r\nc=1\r\n[A]\r\nk=new\r\n");
}

TEST(IniDocumentWrite, LargeInterleavedSectionsKeepEveryKey) {
  // Speed is measured by bench/log_bench; here the content of a large document is checked.
  constexpr int kKeys = 6000;
  IniDocument doc;
  // Round-robin over three sections, then reread and look up every key.
  for (int i = 0; i < kKeys; ++i) {
    doc.Set("S" + std::to_string(i % 3), "File" + std::to_string(i), std::to_string(i));
  }
  const IniDocument reread = IniDocument::Parse(doc.Text());
  for (int i = 0; i < kKeys; ++i) {
    ASSERT_EQ(reread.Get("s" + std::to_string(i % 3), "file" + std::to_string(i)),
              std::to_string(i));
  }
  EXPECT_EQ(reread.KeyNames("S1").size(), static_cast<size_t>(kKeys / 3));
  EXPECT_EQ(reread.Text(), doc.Text());
}

}  // namespace
}  // namespace orvane
