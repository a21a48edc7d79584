// Expansion of path tokens in script values.
#include "install/PathTokens.h"

#include "app/SetupContext.h"
#include "support/MBUtils.h"
#include "support/uStrOp.h"

namespace orvane {

std::vector<std::pair<std::string, std::string>> PathTokenValues(const SetupContext& ctx) {
  return {
      {"(App)", ctx.AppFolder},
      {"(Prg)", ctx.ProgramFilesFolder},
      {"(Win)", ctx.WindowsFolder},
      {"(Sys)", ctx.SystemFolder},
      {"(Tmp)", ctx.TempFolder},
      {"(Boo)", ctx.WindowsDriveRoot},
      {"(Set)", ctx.AppDriveRoot},
      {"(Edr)", ctx.SourceDriveRoot},
      {"(Smn)", ctx.StartMenuFolder},
      {"(Sta)", ctx.ProgramsFolder},
      {"(Dsk)", ctx.DesktopFolder},
      {"(Sup)", ctx.StartupFolder},
      {"(Sen)", ctx.SendToFolder},
      {"(C_Smn)", ctx.CommonStartMenuFolder},
      {"(C_Sta)", ctx.CommonProgramsFolder},
      {"(C_Dsk)", ctx.CommonDesktopFolder},
      {"(C_Sup)", ctx.CommonStartupFolder},
  };
}

std::string ExpandPathTokens(const SetupContext& ctx, const std::string& text) {
  // The text is upper-cased once and again only after a replacement, rather than once per token.
  std::string result = text;
  std::string upper = MapString(result, lcmap::UpperCase);
  for (const auto& [token, value] : PathTokenValues(ctx)) {
    if (MBPos(MapString(token, lcmap::UpperCase), upper) > 0) {
      result = ReplaceToken(result, token, value);
      upper = MapString(result, lcmap::UpperCase);
    }
  }
  return result;
}

std::string ReplaceToken(const std::string& text, const std::string& token,
                         const std::string& value) {
  // Search only the text after each inserted value: a value that holds the token itself (as
  // "(App)" does before the destination is known) is then left as written and the loop ends.
  std::string done;
  std::string rest = text;
  for (;;) {
    int p = PosNoCase(token, rest);
    if (p <= 0) break;
    std::string left = StrLeft(rest, p - 1);
    std::string right = StrFrom(rest, p + static_cast<int>(token.size()));
    if (!value.empty() && IsPathDelimiter(value, static_cast<int>(value.size())) &&
        IsPathDelimiter(right, 1))
      right = DelPathDelim(right, "T");
    done += left + value;
    rest = right;
  }
  return done + rest;
}

}  // namespace orvane
