// The shortcut phase of the install run: the [ShortCut] pairs, the wizard's four shortcut boxes
// and MakeShortcut, which writes one shell link (or copies a link file given as target).
#include "install/FileOps.h"
#include "install/InstallRun.h"
#include "install/PathTokens.h"
#include "install/ProgramError.h"
#include "install/SetupContext.h"
#include "platform/Platform.h"
#include "support/MBUtils.h"
#include "support/uStrOp.h"

namespace orvane {

namespace {
const char kNotSelected[] = "User Not Selected.";
}  // namespace

bool ShortcutWanted(const std::string& name, bool desktop, bool startMenu, bool startUp,
                    bool sendTo) {
  // Only the closing part of a token is looked for, so "(C_Dsk)" follows the desktop box too.
  if (PosNoCase("Dsk)", name) != 0) return desktop;
  if (PosNoCase("Sta)", name) != 0) return startMenu;
  if (name == "Default") return startMenu;
  if (PosNoCase("Sup)", name) != 0) return startUp;
  if (PosNoCase("Sen)", name) != 0) return sendTo;
  return true;
}

bool InstallRun::MakeShortcuts() {
  for (int n = 1;; ++n) {
    std::string make = Script("ShortCut", "Make" + std::to_string(n));
    std::string name = Script("ShortCut", "Name" + std::to_string(n), "Default");
    if (!make.empty() && !ShortcutWanted(name, scutDesktop, scutStartMenu, scutStartUp, scutSendTo))
      make = kNotSelected;
    if (make.empty()) break;
    if (make == kNotSelected) continue;

    std::string expanded = ExpandPathTokens(ctx_, make);
    std::string arguments = GetField(expanded, ",", 2);
    std::string target = GetField(expanded, ",", 1);

    std::string path = name == "Default" ? ExtractFileName(target) : name;
    if (PosNoCase("(", path) == 0 && PosNoCase(")", path) == 0) path = "(Sta)" + path;
    path = ExpandPathTokens(ctx_, path);
    std::string workingFolder = GetField(path, ",", 2);
    path = GetField(path, ",", 1);

    if (!Status("A shortcut is being made...\r\nMakingTarget -> " + target + "\r\n" + "Making -> " +
                DelPathDelim(path, "T")))
      return false;
    std::string made = MakeShortcut(target, path, workingFolder, arguments);
    Pause();
    shortcutList.push_back(made);
  }
  return true;
}

std::string InstallRun::MakeShortcut(const std::string& target, const std::string& shortcutPath,
                                     const std::string& workingFolder,
                                     const std::string& arguments) {
  IFiles& files = platform_.files;
  std::string link = shortcutPath;
  if (PosNoCase(".lnk", link) == 0) link += ".lnk";

  std::string folder = workingFolder;
  if (folder.empty() || !FolderExists(files, folder)) folder = ExtractFilePath(target);
  folder = AddPathDelim(folder, "B");

  std::string linkFolder = ExtractFilePath(link);
  if (!FolderExists(files, linkFolder)) ForceFolders(files, linkFolder);

  // A target that is itself a shortcut file is copied; its result is not checked.
  if (PosNoCase(".LNK", target) != 0) {
    CopyFileTo(files, target, link);
    return link;
  }

  uint32_t error = platform_.shell.SaveShellLink(link, target, folder, arguments);
  if (error != 0)
    throw ProgramError("The shortcut " + link + " could not be made (error " +
                       std::to_string(error) + ").");

  // The shell writes a ".pif" instead for an MS-DOS program.
  if (!FileExists(files, link)) {
    std::string name = ExtractFileName(link);
    size_t dot = name.rfind('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    link = ExtractFilePath(link) + stem + ".pif";
  }
  return link;
}

}  // namespace orvane
