// The set-up on the wizard's first activation: the environment (folders, mode, work folder and
// the copies), then the script's start-up keys and the first screen.
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "app/Application.h"
#include "app/Environment.h"
#include "app/Main.h"
#include "install/FileOps.h"
#include "install/PathTokens.h"
#include "platform/Registry.h"
#include "support/IniDocument.h"
#include "support/MBUtils.h"
#include "support/Texts.h"
#include "support/uIniFile.h"
#include "support/uStrOp.h"
#include "windows/Back.h"

namespace orvane {
namespace {

std::string Folder(const std::string& path) { return AddPathDelim(path, "B"); }

// A decimal integer as the runtime converts it; false for any other text.
bool ParseInteger(const std::string& text, long long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return end && *end == '\0' && text.find_first_of(" \t") == std::string::npos;
}

RegRoot RootOf(const std::string& token) {
  if (token == "(Class)") return RegRoot::ClassesRoot;
  if (token == "(Local)") return RegRoot::LocalMachine;
  if (token == "(Users)") return RegRoot::Users;
  return RegRoot::CurrentUser;
}

// The background window's credit, two labels a little apart (a shadow), placed at its lower
// right. The script's two lines, or the program's own when the script gives neither.
void ShowCredit(TfrmBack& back, std::string credit) {
  if (credit == "\r\n")
    credit = "Orvane Setup - general-purpose installer\r\nby the Orvane Setup developers";
  back.lblPrgTitle1.caption = back.lblPrgTitle2.caption = credit;
  // Automatic sizing measures the label (an estimate from the font here; a desktop backend
  // measures real text), then it is switched off and the label widened by 8.
  int lines = 1, longest = 0, current = 0;
  for (char c : credit) {
    if (c == '\n') {
      ++lines;
      current = 0;
    } else if (c != '\r') {
      longest = std::max(longest, ++current);
    }
  }
  back.lblPrgTitle1.width = longest * back.lblPrgTitle1.font.height / 2 + 8;
  back.lblPrgTitle1.height = lines * (back.lblPrgTitle1.font.height + 3);
  back.lblPrgTitle1.autoSize = false;
  back.lblPrgTitle1.left = back.clientWidth - back.lblPrgTitle1.width - 24;
  back.lblPrgTitle1.top = back.clientHeight - back.lblPrgTitle1.height - 48;
  back.lblPrgTitle2.width = back.lblPrgTitle1.width;
  back.lblPrgTitle2.height = back.lblPrgTitle1.height;
  back.lblPrgTitle2.autoSize = false;
  back.lblPrgTitle2.left = back.lblPrgTitle1.left + 2;
  back.lblPrgTitle2.top = back.lblPrgTitle1.top + 2;
  back.lblPrgTitle1.visible = back.lblPrgTitle2.visible = true;
}

// The string value that [DefaultFolder] ReferRegistry ("(Root)Key\Path,Name") names; nothing when
// the key or value is missing, is not a string, or is empty.
std::optional<std::string> ReferredRegistryString(IRegistry& registry, const std::string& refer) {
  std::string location = GetField(refer, ",", 1);
  std::string name = GetField(refer, ",", 2);
  std::string token = StrLeft(location, 7);
  std::string key = StrFrom(location, 8);
  if (StrLeft(location, 1) != "(" && StrFrom(StrLeft(location, 7), 7) != ")") {
    token = "(Cuser)";
    key = location;
  }
  key = DelPathDelim(DelPathDelim(key, "T"), "B");
  RegValue value;
  if (registry.KeyExists(RootOf(token), key) &&
      registry.GetValue(RootOf(token), key, name, value) == 0 &&
      (value.type == reg::Sz || value.type == reg::ExpandSz) && !value.data.empty())
    return value.data;
  return std::nullopt;
}

}  // namespace

// A script the profile functions can read something from: text (no NUL byte, which no text
// script holds) with at least one section. Anything else would run as a script of defaults.
bool IsScriptText(const std::string& bytes) {
  return bytes.find('\0') == std::string::npos &&
         !IniDocument::Parse(bytes).SectionNames().empty();
}

// The pause after most steps of the install run, in milliseconds: [Extend] SetupSpeed when it is
// a decimal integer (350 otherwise), kept between 1 ms and a minute.
int SetupSpeedOf(const std::string& text) {
  long long speed = 350;
  if (!ParseInteger(text, speed)) speed = 350;
  return speed < 1 ? 1 : static_cast<int>(std::min<long long>(speed, 60000));
}

void TfrmMain::FormActivate() {
  // The set-up runs once: it always ends on a page.
  if (page != WizardPage::None) return;
  SetupEnvironment();
  SetupConfiguration();
}

void ComputeEnvironment(ISystem& system, IRegistry& registry, IFiles& files, IShell& shell,
                        SetupContext& ctx) {
  ctx.PlatformId = system.PlatformId();
  ctx.ProgramPath = system.ProgramPath();
  ctx.SourceFolder = ExtractFilePath(ctx.ProgramPath);
  std::string temp = system.TempPath();
  ctx.TempFolder = Folder(temp.empty() ? ctx.SourceFolder : temp);
  std::string windows = system.WindowsDirectory();
  if (windows.empty())
    ctx.StartupErrors += std::string(texts::kErrWindowsDirectory) + "\r\n";
  ctx.WindowsFolder = Folder(windows);
  std::string systemFolder = system.SystemDirectory();
  if (systemFolder.empty())
    ctx.StartupErrors += std::string(texts::kErrSystemDirectory) + "\r\n";
  ctx.SystemFolder = Folder(systemFolder);
  ctx.AppFolder = "(App)";

  // Program Files: the registry value, or the Windows drive's "Program Files".
  const std::string versionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  registry.CreateKey(RegRoot::LocalMachine, versionKey);
  RegValue value;
  std::string programFiles;
  if (registry.GetValue(RegRoot::LocalMachine, versionKey, "ProgramFilesDir", value) == 0 &&
      (value.type == reg::Sz || value.type == reg::ExpandSz))
    programFiles = value.data;
  programFiles = Folder(programFiles);
  if (programFiles == "\\" || !FolderExists(files, programFiles))
    programFiles = StrLeft(ctx.WindowsFolder, 2) + "\\Program Files\\";
  ctx.ProgramFilesFolder = programFiles;

  ctx.WindowsDriveRoot = StrLeft(ctx.WindowsFolder, 2) + "\\";
  ctx.SourceDriveRoot = StrLeft(ctx.SourceFolder, 2) + "\\";

  ctx.StartMenuFolder = Folder(shell.SpecialFolderPath(csidl::StartMenu));
  ctx.ProgramsFolder = Folder(shell.SpecialFolderPath(csidl::Programs));
  ctx.DesktopFolder = Folder(shell.SpecialFolderPath(csidl::DesktopDirectory));
  ctx.StartupFolder = Folder(shell.SpecialFolderPath(csidl::Startup));
  ctx.SendToFolder = Folder(shell.SpecialFolderPath(csidl::SendTo));
  const bool nt = ctx.PlatformId == ver::Win32Nt;
  ctx.CommonStartMenuFolder =
      nt ? Folder(shell.SpecialFolderPath(csidl::CommonStartMenu)) : ctx.StartMenuFolder;
  ctx.CommonProgramsFolder =
      nt ? Folder(shell.SpecialFolderPath(csidl::CommonPrograms)) : ctx.ProgramsFolder;
  ctx.CommonDesktopFolder =
      nt ? Folder(shell.SpecialFolderPath(csidl::CommonDesktopDirectory)) : ctx.DesktopFolder;
  ctx.CommonStartupFolder =
      nt ? Folder(shell.SpecialFolderPath(csidl::CommonStartup)) : ctx.StartupFolder;
}

void TfrmMain::SetupEnvironment() {
  ISystem& system = app.platform.system;
  IFiles& files = app.platform.files;
  ctx.StartupErrors.clear();
  ctx.TitlePending = ctx.InstallCheckerPending = ctx.EulaPending = ctx.ReadmePending =
      ctx.SelectTypePending = false;
  const std::string argument = system.FirstArgument();
  closeBoxEnabled = false;
  ComputeEnvironment(system, app.platform.registry, files, app.platform.shell, ctx);

  // The mode: an uninstall log named exactly "UNSETUP.INI" as the first argument.
  ctx.Mode = ExtractFileName(argument) == "UNSETUP.INI" ? "UNSETUP" : "SETUP";

  // The first free numbered work folder; the 99th is reused when all exist.
  for (int n = 1; n <= 99; ++n) {
    ctx.WorkFolder = ctx.TempFolder + "OVTMP" + std::to_string(n) + "\\";
    if (!FolderExists(files, ctx.WorkFolder)) {
      ForceFolders(files, ctx.WorkFolder);
      break;
    }
  }
  CopyFileTo(files, ctx.ProgramPath, ctx.WorkFolder + "SETUPOV.EXE");
  if (!ctx.Uninstalling()) {
    ctx.ScriptPath = ctx.WorkFolder + "SETUP.INI";
    if (FileExists(files, ctx.SourceFolder + "SETUP.INI"))
      CopyFileTo(files, ctx.SourceFolder + "SETUP.INI", ctx.ScriptPath);
  } else {
    ctx.ScriptPath = ctx.WorkFolder + "UNSETUP.INI";
    CopyFileTo(files, argument, ctx.ScriptPath);
  }
  // An install script that is empty or not text counts as missing.
  std::string script;
  if (!FileExists(files, ctx.ScriptPath) ||
      (!ctx.Uninstalling() && files.ReadFile(ctx.ScriptPath, script) == 0 && !IsScriptText(script)))
    ctx.StartupErrors += std::string(texts::kErrScriptNotFound) + "\r\n";
}

void TfrmMain::SetupConfiguration() {
  if (!ctx.StartupErrors.empty()) {
    ShowErrorScreen();
    return;
  }
  const bool setup = !ctx.Uninstalling();
  TfrmBack& back = app.frmBack();

  lblMessage.caption.clear();
  ctx.SetupString = ScriptValue("Extend", "SetupString", "Install");
  ctx.UnSetupString = ScriptValue("Extend", "UnSetupString", "UnInstall");
  ShowCredit(back,
             ScriptValue("Title", "CopyRight1") + "\r\n" + ScriptValue("Title", "CopyRight2"));
  ctx.SetupSpeed = SetupSpeedOf(ScriptValue("Extend", "SetupSpeed", "350"));

  ctx.SetupTitle = ScriptValue("Title", "Setup", "Orvane Setup");
  for (TControl* label : {&back.lblBackTitle1, &back.lblBackTitle2}) {
    label->autoSize = false;
    label->width = back.clientWidth - 24;
  }
  ctx.UnSetupTitle = ScriptValue("Title", "UnSetup", ctx.SetupTitle);

  // The destination: the default of the script for an install, the installed folder for an
  // uninstall.
  std::string folder = setup ? DefaultSetupFolder() : ScriptValue("SetupFolder", "Folder");
  folder = AddPathDelim(ExpandPathTokens(ctx, folder), "B");
  txtFolder.caption = folder;

  // [Extend] Enabled=False locks the user's choices of folder, overwriting and shortcuts.
  const bool unlocked = ScriptValue("Extend", "Enabled") != "False";
  if (setup) TickShortcutBoxes(unlocked);
  lblMessage.caption = StartMessage(setup);
  if (setup) {
    txtFolder.enabled = unlocked;
    btnRefer.enabled = unlocked;
    chkOverWrite.enabled = unlocked;
  }

  const std::string& title = setup ? ctx.SetupTitle : ctx.UnSetupTitle;
  back.lblBackTitle1.caption = back.lblBackTitle2.caption = title;
  caption = title;

  grpSetupFolder.caption = "Destination Directory";
  grpOption.caption = ctx.SetupString + " Option";
  btnEnd.caption = "Exit " + ctx.SetupString + "(&E)";

  if (setup) {
    ctx.TitlePending = ctx.SelectTypePending = ctx.EulaPending = ctx.ReadmePending =
        ctx.InstallCheckerPending = true;
    btnEventClick();
    CheckEarlierVersion(folder);
  } else {
    ShowUninstallScreen();
  }
}

std::string TfrmMain::DefaultSetupFolder() {
  // The script's folder, unless an earlier install of the same program recorded its own; a
  // registry value or an INI entry the script refers to overrides both.
  std::string folder = ScriptValue("DefaultFolder", "Folder", "(Prg)\\");
  ctx.ProgramID = ScriptValue("ProgramID", "ID");
  if (!ctx.ProgramID.empty())
    folder = ReadIni(app.platform.profile, ctx.ProgramID, "Folder", folder,
                     DelPathDelim(ctx.WindowsFolder, "B") + "\\ORVANEDB.INI");
  std::string refer = ScriptValue("DefaultFolder", "ReferRegistry");
  if (!refer.empty()) {
    std::optional<std::string> value = ReferredRegistryString(app.platform.registry, refer);
    if (value) folder = *value;
  }
  std::string referIni = ScriptValue("DefaultFolder", "ReferIniFile");
  if (!referIni.empty()) {
    referIni = ExpandPathTokens(ctx, referIni);
    std::string value = ReadIni(app.platform.profile, GetField(referIni, ",", 1),
                                GetField(referIni, ",", 2), "", GetField(referIni, ",", 3));
    if (!value.empty()) folder = value;
  }
  return folder;
}

void TfrmMain::TickShortcutBoxes(bool unlocked) {
  // A box is ticked (and offered when unlocked) when some [ShortCut] name goes to its place.
  const std::pair<const char*, TControl*> places[] = {{"Dsk)", &chkSCutDesktop},
                                                      {"Sta)", &chkSCutStartMenu},
                                                      {"Sup)", &chkSCutStartUp},
                                                      {"Sen)", &chkSCutSendTo}};
  for (int n = 1;; ++n) {
    std::string value = ScriptValue("ShortCut", "Name" + std::to_string(n));
    if (value.empty()) break;
    for (const auto& [text, box] : places) {
      if (PosNoCase(text, value) > 0) {
        box->enabled = unlocked;
        box->checked = true;
      }
    }
  }
}

std::string TfrmMain::StartMessage(bool setup) {
  if (!setup)
    return "Click [Start " + ctx.UnSetupString + "] to start with the " + ctx.UnSetupString +
           " Program.\r\n";
  std::string message;
  for (int n = 1; n <= 5; ++n)
    message += ScriptValue("TopMessage", "Message" + std::to_string(n)) + "\r\n";
  if (message == "\r\n\r\n\r\n\r\n\r\n")
    message = "Click [Start " + ctx.SetupString + "] to start with the " + ctx.SetupString +
              " Program.\r\n";
  return message;
}

void TfrmMain::ShowErrorScreen() {
  lblMessage.caption = ctx.StartupErrors + "\r\nInstaller can't continue Install/UnInstall.";
  btnEvent.caption = "Start Install(&S)";
  btnEvent.enabled = false;
  btnEnd.caption = "Exit(&E)";
  btnEnd.enabled = true;
  ctx.SetupString = "Install";
  ctx.UnSetupString = "UnInstall";
  SetTextPageVisible(false);
  page = WizardPage::Error;
  app.outcome = ProgramOutcome::Failed;
}

void TfrmMain::CheckEarlierVersion(const std::string& folder) {
  std::string path = folder + DelPathDelim(ScriptValue("Caution", "UnInstallCheck", "NoData"), "T");
  if (!FileExists(app.platform.files, path)) return;
  ShowMessageBox(app,
                 "Installer found a pre version file.\r\nInstall package creater is strongly "
                 "recommended that you execute " +
                     ctx.UnSetupString +
                     " before running this Installer.\r\nPlease exit this "
                     "Installer available, and execute " +
                     ctx.UnSetupString + " pre version.",
                 "Warning", mb::IconWarning);
}

void TfrmMain::ShowUninstallScreen() {
  grpSetupFolder.caption = "Destination Directory";
  txtFolder.readOnly = true;
  txtFolder.enabled = true;
  btnEvent.caption = "Start " + ctx.UnSetupString + "(&S)";
  btnEvent.enabled = true;
  btnEnd.caption = "Exit " + ctx.UnSetupString + "(&E)";
  btnEnd.enabled = true;
  grpOption.caption = ctx.UnSetupString + " Option";
  chkOverWrite.visible = false;
  fraShortCut.caption = "Delete Additional File";
  fraShortCut.top = chkOverWrite.top;
  fraShortCut.height = grpOption.height - 24;

  std::string boxes = ScriptValue("UnSetupOption", "CheckBox", "0,0,0,0");
  if (boxes == "DeleteAll") {
    chkSCutDesktop.caption = "All files and folder under Destination Directory";
    chkSCutDesktop.width = fraShortCut.width - 16;
    chkSCutDesktop.checked = true;
    chkSCutDesktop.enabled = true;
    for (TControl* box : {&chkSCutStartMenu, &chkSCutStartUp, &chkSCutSendTo}) {
      box->checked = false;
      box->visible = false;
    }
  } else {
    auto flag = [&](int position) { return StrFrom(StrLeft(boxes, position), position) == "1"; };
    chkSCutDesktop.caption = "*.INI File";
    chkSCutDesktop.checked = flag(1);
    chkSCutDesktop.enabled = true;
    chkSCutStartMenu.caption = "*.GID File";
    chkSCutStartMenu.checked = flag(3);
    chkSCutStartMenu.enabled = true;
    chkSCutStartUp.caption.clear();
    chkSCutStartUp.checked = flag(5);
    chkSCutStartUp.enabled = false;
    chkSCutSendTo.caption.clear();
    chkSCutSendTo.checked = flag(7);
    chkSCutSendTo.enabled = false;
  }
  lblUnSetupInfo.top = chkSCutDesktop.top + chkSCutDesktop.height + 2;
  lblUnSetupInfo.caption = "If you want to delete another files, Click the CheckBox.";
  lblUnSetupInfo.visible = true;
  SetTextPageVisible(false);
  page = WizardPage::Uninstall;
}

}  // namespace orvane
