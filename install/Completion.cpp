// The end of the install run: the script's removal entries, the uninstaller copy, ORVANEDB.INI,
// the uninstall log, the Add/Remove Programs entry, the failure details, [ExecuteFile] and the
// end signals.
#include "app/Application.h"
#include "app/Main.h"
#include "install/FileOps.h"
#include "install/InstallRun.h"
#include "install/PathTokens.h"
#include "install/RegistryAccess.h"
#include "support/MBUtils.h"
#include "support/uIniFile.h"
#include "support/uStrOp.h"
#include "uninstall/UninstallLog.h"
#include "uninstall/UninstallRun.h"
#include "windows/Status.h"

namespace orvane {

namespace {
const char kUninstallKeyRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kWait[] = "\r\nWait for a while...";
}  // namespace

void InstallRun::AddScriptRemovalEntries() {
  for (int n = 1;; ++n) {
    std::string key = Script("DeleteRegistry", "Key" + std::to_string(n));
    if (key.empty()) break;
    registryList.push_back(key);
  }
  for (int n = 1;; ++n) {
    std::string file = Script("AddDeleteFile", "File" + std::to_string(n));
    if (file.empty()) break;
    addFileList.push_back(ExpandPathTokens(ctx_, file));
  }
}

void InstallRun::BuildLog(UninstallLogWriter& log) {
  const std::string& u = ctx_.UnSetupString;
  log.Set("Information", "Message1", "Orvane Setup UnSetup(UnInstall) Initialize File");
  log.Set("Information", "Message2", "\x81I\x81I\x81I\x81@Warning\x81@\x81I\x81I\x81I");
  log.Set("Information", "Message3",
          "Don't rewrite this file on the editor and so on, and don't delete it.");
  log.Set("Information", "Message4",
          "When it is rewritten, an " + u + " movement can't be assured.");
  log.Set("Title", "UnSetup", ctx_.UnSetupTitle);
  log.Set("SetupFolder", "Folder", ctx_.AppFolder);

  main_.ShowStatus(u + " information(Delete Folder) is being updated... " + kWait);
  log.WriteList("DeleteFolder", "Folder", folderList, false);
  main_.ShowStatus(u + " information(Delete File) is being updated... " + kWait);
  log.WriteList("DeleteFile", "File", fileList, true);
  main_.ShowStatus(u + " information(Delete ShortCut) is being updated..." + kWait);
  log.WriteList("DeleteShortCut", "File", shortcutList, false);
  main_.ShowStatus(u + " information(Delete Registry) is being updated..." + kWait);
  log.WriteList("DeleteRegistry", "Key", registryList, false);
  main_.ShowStatus(u + " information(Additional Delete File) is being updated..." + kWait);
  log.WriteList("AddDeleteFile", "File", addFileList, false);

  main_.ShowStatus(u + " information(Relation) is being updated..." + kWait);
  for (size_t slot = 0; slot < restore.slots.size(); ++slot)
    if (!restore.slots[slot].empty())
      log.Set("RestoreRelate", "Key" + std::to_string(slot + 1), restore.slots[slot]);

  main_.ShowStatus(u + " information(Etc.) is being updated..." + kWait);
  std::string option = Script("Extend", "UnSetupOption");
  if (!option.empty()) log.Set("UnSetupOption", "CheckBox", option);
  log.Set("Extend", "SetupString", ctx_.SetupString);
  log.Set("Extend", "UnSetupString", u);
}

void InstallRun::Complete() {
  IFiles& files = app_.platform.files;
  ISystem& system = app_.platform.system;
  TfrmStatus& status = app_.frmStatus();
  const std::string& s = ctx_.SetupString;
  const std::string& u = ctx_.UnSetupString;

  // From here on the run cannot be aborted: what follows makes the install removable.
  main_.ShowStatus(u + " information is being updated..." + kWait);
  status.btnAbort.enabled = false;

  // The uninstaller in the Windows folder, replaced only by a newer program.
  std::string uninstaller = ctx_.WindowsFolder + "UNORVANE.EXE";
  std::string program = ctx_.WorkFolder + "SETUPOV.EXE";
  uint32_t error = 0;
  if (FileDosDateTime(files, system, program) > FileDosDateTime(files, system, uninstaller))
    error = CopyFileTo(files, program, uninstaller);
  if (error != 0)
    AddFailure("<SetupFile> " + uninstaller + "\r\n" + ErrorText(system, error) + "\r\n");

  // Where the next install of this package finds its folder.
  std::string database = ctx_.WindowsFolder + "ORVANEDB.INI";
  app_.platform.profile.WriteString(std::nullopt, std::nullopt, std::nullopt, database);
  if (!ctx_.ProgramID.empty())
    WriteIni(app_.platform.profile, ctx_.ProgramID, "Folder", ctx_.AppFolder, database);

  // The uninstall log, built whole and put in place in one step, and the uninstaller's
  // Add/Remove Programs entry; a "Setup Only." package gets neither.
  if (PosNoCase("Setup Only.", ctx_.UnSetupTitle) == 0) {
    UninstallLogWriter log;
    BuildLog(log);
    std::string command = uninstaller + " \"" + ctx_.UninstallLogPath + "\"";
    std::string keyName = Script("Title", "UnSetupKey", ctx_.UnSetupTitle);
    std::string display = Script("Title", "UnSetupDisplay", keyName);
    std::string registryKey = kUninstallKeyRoot + keyName;
    log.Set("UnSetupRegistryKey", "Key", registryKey);
    try {
      IRegistry& registry = app_.platform.registry;
      CreateRegKey(registry, RegRoot::LocalMachine, registryKey);
      WriteRegString(registry, RegRoot::LocalMachine, registryKey, "DisplayName", display);
      WriteRegString(registry, RegRoot::LocalMachine, registryKey, "UninstallString", command);
      // What an interrupted uninstall of an earlier installation recorded no longer holds.
      ForgetUninstallProgress(registry, registryKey);
    } catch (const ProgramError& failure) {
      // Without the entry the install cannot finish, but the user must not be left in a status
      // window that cannot be closed: report it, keep the log written so far, and end the run.
      log.Save(files, ctx_.UninstallLogPath);
      ShowMessageBox(app_, failure.what(), "Fatal Error", mb::Ok | mb::IconHand);
      EndRun();
      app_.outcome = ProgramOutcome::Failed;
      return;
    }
    log.Set("ProgramID", "ID", ctx_.ProgramID);
    // A log that cannot be written is not reported, as with the profile functions.
    log.Save(files, ctx_.UninstallLogPath);
  }

  // The failure details, when the user asks for them.
  if (failureCount != 0) {
    main_.ShowStatus("Some of the management failed in the " + s + ".");
    int answer = ShowMessageBox(app_,
                                "Some of the management failed in the preparation of the copy of "
                                "the file and the folder.\r\nDo you indicate details?",
                                "Warning", mb::YesNo | mb::IconExclamation);
    ctx_.LastAnswer = answer;
    if (answer == id::Yes) {
      main_.txtReadme.caption = "";
      main_.txtReadme.caption = failureLog;
      main_.ShowDetailsPage("The details indication of the management failure");
      main_.visible = true;
      status.visible = false;
      main_.WaitForDetailsContinue();
      main_.visible = false;
      app_.ProcessMessages();
      Sleep(500);
      status.visible = true;
    }
  }

  // The completion message, then the program to start; or, when the script asks for a restart
  // or a file waits for one, only the restart request.
  std::string execute = Script("ExecuteFile", "File");
  if (ctx_.LockedFilesPending) execute = "WINDOWS_REBOOT";
  if (execute != "WINDOWS_REBOOT") {
    std::string message = s + " is now complete.";
    main_.ShowStatus(message);
    if (PosNoCase("Setup Only.", ctx_.UnSetupTitle) == 0)
      message += "\r\n\r\nDo the " + u + " of the program from \"Add/Remove Programs Properties\".";
    ShowMessageBox(app_, message, "Complete", mb::IconInformation);
  }
  if (!execute.empty()) {
    if (execute == "WINDOWS_REBOOT") {
      ctx_.RestartRequired = true;
    } else {
      std::string target = ExpandPathTokens(ctx_, execute);
      std::optional<std::string> parameters;
      if (PosNoCase(",", target) != 0) {
        parameters = GetField(target, ",", 2);
        target = GetField(target, ",", 1);
      }
      int result = app_.platform.shell.Execute("open", target, parameters);
      if (result < 33) {
        ShowMessageBox(app_,
                       "It failed in the start of the program after the " + s + "." + "\r\n" +
                           "It has the possibility of the description mistake of the "
                           "initialization file." +
                           "\r\n" + "Report it to the " + s + " package donor.",
                       "Warning", mb::IconExclamation);
      }
    }
  }

  // The end signals of a completed run.
  EndRun();
  app_.outcome = ProgramOutcome::Completed;
}

}  // namespace orvane
