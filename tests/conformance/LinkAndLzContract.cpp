// The IShell link and ILzExpand contracts, for backends that have them: a link file with exactly
// the three properties asked for, and SZDD files expanded byte for byte with their names restored.
#include "support/ShellLink.h"
#include "tests/conformance/Backend.h"

namespace orvane::conformance {
namespace {

TEST_P(ShellLinkContract, LinksHoldTheirTargetWorkingFolderAndArguments) {
  IShell* shell = backend().Shell();
  if (!shell) GTEST_SKIP() << "the backend makes no shell links";
  ASSERT_EQ(files().CreateFolder(At("Menu")), 0u);
  const std::string link = At("Menu\\Viewer.lnk");
  ASSERT_EQ(shell->SaveShellLink(link, "C:\\App\\\x83\x5C.EXE", "C:\\App", "/S \"x y\""), 0u);
  std::string bytes, target, folder, arguments;
  ASSERT_EQ(files().ReadFile(link, bytes), 0u);
  // The host's reader stands in for the shell's: it reads any well-formed MS-SHLLINK file.
  ASSERT_TRUE(ParseShellLink(bytes, target, folder, arguments));
  EXPECT_EQ(target, "C:\\App\\\x83\x5C.EXE");
  EXPECT_EQ(folder, "C:\\App");
  EXPECT_EQ(arguments, "/S \"x y\"");
  // Saving again replaces the link; empty arguments are none.
  ASSERT_EQ(shell->SaveShellLink(link, "C:\\Other.exe", "C:\\", ""), 0u);
  ASSERT_EQ(files().ReadFile(link, bytes), 0u);
  ASSERT_TRUE(ParseShellLink(bytes, target, folder, arguments));
  EXPECT_EQ(target, "C:\\Other.exe");
  EXPECT_EQ(arguments, "");
  EXPECT_EQ(shell->SaveShellLink(At("None\\X.lnk"), "C:\\X.exe", "C:\\", ""), 3u);
}

// A compressed file of "ABCABCABC": three literals, then six bytes copied from the window
// position where the first literal went (0xFF0), overlapping what they write.
std::string Szdd(char lastChar) {
  return std::string("SZDD\x88\xF0\x27\x33\x41", 9) + lastChar + std::string("\x09\0\0\0", 4) +
         "\x07"
         "ABC\xF0\xF3";
}

TEST_P(LzContract, CompressedFilesExpandAndOthersAreCopied) {
  ILzExpand* lz = backend().Lz();
  if (!lz) GTEST_SKIP() << "the backend has no LZ expansion";
  Write("DATA.TX_", Szdd('t'));
  EXPECT_EQ(lz->ExpandedName(At("DATA.TX_")), At("DATA.TXT"));
  EXPECT_EQ(lz->Expand(At("DATA.TX_"), At("DATA.TXT")), 0u);
  EXPECT_EQ(Read("DATA.TXT"), "ABCABCABC");

  Write("PLAIN.TXT", "not compressed");
  EXPECT_EQ(lz->ExpandedName(At("PLAIN.TXT")), At("PLAIN.TXT"));
  EXPECT_EQ(lz->Expand(At("PLAIN.TXT"), At("COPY.TXT")), 0u);
  EXPECT_EQ(Read("COPY.TXT"), "not compressed");

  // A damaged file gives 13 and leaves the destination as it was.
  Write("CUT.TX_", Szdd('t').substr(0, 19));
  EXPECT_EQ(lz->Expand(At("CUT.TX_"), At("COPY.TXT")), 13u);
  EXPECT_EQ(Read("COPY.TXT"), "not compressed");
  EXPECT_EQ(lz->Expand(At("NONE.TX_"), At("X.TXT")), 2u);
}

}  // namespace
}  // namespace orvane::conformance
