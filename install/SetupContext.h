// The process-wide values filled at start-up and read by the wizard and both runs.
// Texts are code page 932 byte strings; every folder value ends with "\".
#pragma once
#include <string>

#include "install/RestoreTable.h"

namespace orvane {

struct SetupContext {
  // Environment (program start).
  std::string Mode;  // "SETUP" or "UNSETUP"
  // Started with an uninstall log as argument: the program uninstalls instead of installing.
  bool Uninstalling() const { return Mode == "UNSETUP"; }
  int PlatformId = -1;
  std::string ProgramPath;  // the running program file
  std::string SourceFolder;
  std::string TempFolder;
  std::string WindowsFolder;
  std::string SystemFolder;
  std::string ProgramFilesFolder;
  std::string WindowsDriveRoot;
  std::string SourceDriveRoot;
  std::string StartMenuFolder;
  std::string ProgramsFolder;
  std::string DesktopFolder;
  std::string StartupFolder;
  std::string SendToFolder;
  std::string CommonStartMenuFolder;
  std::string CommonProgramsFolder;
  std::string CommonDesktopFolder;
  std::string CommonStartupFolder;
  std::string AppFolder = "(App)";
  std::string AppDriveRoot;
  std::string WorkFolder;
  std::string ScriptPath;
  std::string UninstallLogPath;
  std::string BackupLogPath;
  std::string StartupErrors;

  // Start-up configuration.
  std::string SetupString = "Install";
  std::string UnSetupString = "UnInstall";
  std::string SetupTitle;
  std::string UnSetupTitle;
  int SetupSpeed = 350;
  std::string ProgramID;

  // Set by the runs, read after the wizard has closed.
  bool RestartRequired = false;
  bool LockedFilesPending = false;

  // The associations the install runs changed, with their earlier classes (lives for the
  // process: an earlier log's entries are merged into it at the start of an install run).
  RestoreTable Restore;

  // The latest message-box answer a caller chose to keep.
  int LastAnswer = 0;

  // Wizard page flags.
  bool TitlePending = false;
  bool InstallCheckerPending = false;
  bool EulaPending = false;
  bool ReadmePending = false;
  bool SelectTypePending = false;
};

}  // namespace orvane
