// Path tokens: replacement rules and the expansion order.
#include <gtest/gtest.h>

#include "install/PathTokens.h"
#include "install/SetupContext.h"

namespace orvane {
namespace {

SetupContext Context() {
  SetupContext ctx;
  ctx.AppFolder = "C:\\Program Files\\App\\";
  ctx.WindowsFolder = "C:\\WINDOWS\\";
  ctx.SystemFolder = "C:\\WINDOWS\\system32\\";
  ctx.CommonDesktopFolder = "\\";
  ctx.SourceDriveRoot = "\\\\\\";
  return ctx;
}

TEST(PathTokens, CaseAndDelimiterRules) {
  SetupContext ctx = Context();
  EXPECT_EQ(ExpandPathTokens(ctx, "(app)readme.txt"), "C:\\Program Files\\App\\readme.txt");
  EXPECT_EQ(ExpandPathTokens(ctx, "(App)\\SUB\\X.DAT"), ExpandPathTokens(ctx, "(App)SUB\\X.DAT"));
  EXPECT_EQ(ExpandPathTokens(ctx, "(Win)WIN.INI,(Win)SYSTEM.INI"),
            "C:\\WINDOWS\\WIN.INI,C:\\WINDOWS\\SYSTEM.INI");
  EXPECT_EQ(ExpandPathTokens(ctx, "(C_Dsk)X.LNK"), "\\X.LNK");
  EXPECT_EQ(ExpandPathTokens(ctx, "no tokens"), "no tokens");
}

TEST(PathTokens, ValueHoldingItsOwnTokenEnds) {
  SetupContext ctx;  // (App) is still the token text itself
  EXPECT_EQ(ctx.AppFolder, "(App)");
  EXPECT_EQ(ExpandPathTokens(ctx, "(App)DATA\\(App)"), "(App)DATA\\(App)");
  EXPECT_EQ(ReplaceToken("a(X)b(x)c", "(X)", "[(X)]"), "a[(X)]b[(X)]c");
}

TEST(PathTokens, LaterTokensSeeEarlierValues) {
  SetupContext ctx = Context();
  ctx.AppFolder = "(Win)APP\\";  // inserted by (App), then expanded by (Win)
  EXPECT_EQ(ExpandPathTokens(ctx, "(App)X"), "C:\\WINDOWS\\APP\\X");
  ctx.AppFolder = "C:\\A\\";
  ctx.WindowsFolder = "(App)";  // (App) comes first in the order, so this stays
  EXPECT_EQ(ExpandPathTokens(ctx, "(Win)X"), "(App)X");
}

TEST(PathTokens, DoubleByteTrailBackslashIsNoDelimiter) {
  SetupContext ctx = Context();
  ctx.AppFolder = "C:\\\x95\x5C";  // ends in a character whose trail byte is 0x5C
  EXPECT_EQ(ReplaceToken("(App)\\X", "(App)", ctx.AppFolder), "C:\\\x95\x5C\\X");
}

TEST(PathTokens, EveryTokenIsListedInOrder) {
  std::vector<std::string> names;
  for (const auto& [token, value] : PathTokenValues(Context())) names.push_back(token);
  std::vector<std::string> expected = {"(App)",   "(Prg)",   "(Win)",   "(Sys)",  "(Tmp)",  "(Boo)",
                                       "(Set)",   "(Edr)",   "(Smn)",   "(Sta)",  "(Dsk)",  "(Sup)",
                                       "(Sen)",   "(C_Smn)", "(C_Sta)", "(C_Dsk)", "(C_Sup)"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(ExpandPathTokens(Context(), "(Edr)"), "\\\\\\");
}

}  // namespace
}  // namespace orvane
