// The uninstall run: the wizard's RunUninstall and the run state that carries it (options, failure
// log, the file rules, the shared-file question), with the checks that keep a damaged or altered
// log from deleting more than the installation made, and the order of work that lets a rerun
// finish a run that was killed.
#include "uninstall/UninstallRun.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/Application.h"
#include "app/Main.h"
#include "install/FileOps.h"
#include "install/RegistryAccess.h"
#include "install/SharedFiles.h"
#include "support/MBUtils.h"
#include "support/uIniFile.h"
#include "support/uStrOp.h"
#include "windows/CusDlg.h"
#include "windows/Status.h"

namespace orvane {
namespace {

const char kCrLf[] = "\r\n";

// Reasons of the entries for log values the run refuses to act on.
const char kReasonNotFullPath[] = "This isn't a full path on a drive, so it wasn't deleted.";
const char kReasonProtected[] =
    "This is a drive root or a folder of Windows, so it wasn't deleted.";
const char kReasonWildcard[] =
    "A wildcard here could delete far more than was installed, so it wasn't deleted.";
const char kReasonRegistry[] =
    "This is a registry root or a key that Windows keeps, so it wasn't deleted.";

// Values of the Add/Remove Programs entry that record, for one log value, the shared count the
// uninstall found before it lowered it ("LoweredSharedCount DeleteFile\File3" = 2). They go with
// the entry, which the run deletes last.
const char kLoweredPrefix[] = "LoweredSharedCount ";
const char kLogName[] = "UNSETUP.INI";

enum class PathVerdict { Ok, NotFullPath, Wildcard, Protected };

// The parts of a path between "\" characters that stand on their own (a trail byte of a
// double-byte character is never a delimiter). "C:\A\B\" gives "C:", "A", "B", "".
std::vector<std::string> SplitAtDelimiters(const std::string& path) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadChar(c) && i + 1 < path.size()) {
      parts.back().append(path, i, 2);
      ++i;
    } else if (c == '\\') {
      parts.emplace_back();
    } else {
      parts.back().push_back(static_cast<char>(c));
    }
  }
  return parts;
}

bool HasWildcard(const std::string& part) {
  return part.find('*') != std::string::npos || part.find('?') != std::string::npos;
}

// A name Windows would not keep as it stands, or that folds into another place: empty, only dots
// and blanks ("." and ".." among them), a control character, or a character that separates or
// qualifies paths (the host also takes "/" as a separator). Wildcards are judged separately. None
// of the bytes tested can be a trail byte of code page 932, so a byte scan is enough.
bool IsBadName(const std::string& part) {
  if (part.find_first_not_of(". ") == std::string::npos) return true;
  for (unsigned char c : part) {
    if (c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '/' || c == '|')
      return true;
  }
  return false;
}

bool IsDriveLetter(const std::string& part) {
  return part.size() == 2 && part[1] == ':' &&
         ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

// Whether `path` is a full path below the root of a drive. The last part may hold a wildcard only
// when `patternAllowed` (a file pattern); a final "\" is allowed.
PathVerdict CheckPath(const std::string& path, bool patternAllowed) {
  std::vector<std::string> parts = SplitAtDelimiters(path);
  if (parts.size() > 2 && parts.back().empty()) parts.pop_back();
  if (parts.size() < 2 || !IsDriveLetter(parts[0])) return PathVerdict::NotFullPath;
  PathVerdict verdict = PathVerdict::Ok;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (IsBadName(parts[i])) return PathVerdict::NotFullPath;
    if (HasWildcard(parts[i]) && !(patternAllowed && i + 1 == parts.size()))
      verdict = PathVerdict::Wildcard;
  }
  return verdict;
}

std::string Upper(const std::string& s) {
  return MapString(s, lcmap::UpperCase);
}

bool IsDriveRoot(const std::string& folder) {
  std::vector<std::string> parts = SplitAtDelimiters(folder);
  return parts.size() <= 2 && IsDriveLetter(parts[0]) && (parts.size() == 1 || parts[1].empty());
}

// True when `upperFolder` (upper case, final "\") is `upperProtected` or holds it.
bool SameOrAncestor(const std::string& upperFolder, const std::string& upperProtected) {
  return !upperProtected.empty() && upperProtected.compare(0, upperFolder.size(), upperFolder) == 0;
}

// Splits a registry path into its key names; nothing when a name is empty (other than after a
// final "\"), "." or "..": such a path is not acted on.
std::optional<std::vector<std::string>> RegistryNames(const std::string& path) {
  std::vector<std::string> names = SplitAtDelimiters(path);
  if (!names.empty() && names.back().empty()) names.pop_back();
  if (names.size() == 1 && names[0].empty()) names.clear();
  for (const std::string& name : names) {
    if (name.empty() || name == "." || name == "..") return std::nullopt;
  }
  return names;
}

// Keys under HKEY_CLASSES_ROOT that the system itself keeps: the structural keys, and the
// associations that make programs and shortcuts start at all.
bool IsSystemClass(const std::string& upperName) {
  static const char* const kClasses[] = {
      "*",
      "CLSID",
      "INTERFACE",
      "TYPELIB",
      "APPID",
      "DIRECTORY",
      "FOLDER",
      "DRIVE",
      "UNKNOWN",
      "ALLFILESYSTEMOBJECTS",
      "MIME",
      "INSTALLER",
      "PROTOCOLS",
      "APPLICATIONS",
      "COMPONENT CATEGORIES",
      "SYSTEMFILEASSOCIATIONS",
      ".EXE",
      "EXEFILE",
      ".COM",
      "COMFILE",
      ".BAT",
      "BATFILE",
      ".CMD",
      "CMDFILE",
      ".LNK",
      "LNKFILE",
      ".PIF",
      "PIFFILE",
      ".DLL",
      ".SCR",
      "SCRFILE",
  };
  for (const char* name : kClasses) {
    if (upperName == name) return true;
  }
  return false;
}

// Keys of HKEY_LOCAL_MACHINE or a user's hive that hold other programs' or the system's data.
bool IsSystemKey(const std::string& upperPath) {
  static const char* const kKeys[] = {
      "SOFTWARE\\MICROSOFT",
      "SOFTWARE\\POLICIES",
      "SOFTWARE\\MICROSOFT\\WINDOWS",
      "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION",
      "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL",
      "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS",
      "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN",
      "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE",
      "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS",
      "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER",
      "SOFTWARE\\MICROSOFT\\WINDOWS NT",
      "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION",
      "SYSTEM\\CURRENTCONTROLSET",
      "SYSTEM\\CONTROLSET001",
      "SYSTEM\\CONTROLSET002",
  };
  for (const char* key : kKeys) {
    if (upperPath == key) return true;
  }
  return false;
}

std::string Join(const std::vector<std::string>& names, size_t from) {
  std::string joined;
  for (size_t i = from; i < names.size(); ++i) joined += (i > from ? "\\" : "") + names[i];
  return joined;
}

// The judgement for a key below HKEY_CLASSES_ROOT, given by its names.
bool IsProtectedClassKey(const std::vector<std::string>& names, size_t from) {
  if (names.size() <= from) return true;  // the whole root
  return names.size() == from + 1 && IsSystemClass(Upper(names[from]));
}

// The judgement for a key of HKEY_LOCAL_MACHINE or of a user's hive from names[from] on.
bool IsProtectedMachineKey(const std::vector<std::string>& names, size_t from) {
  if (names.size() <= from + 1) return true;  // the root or a top-level key such as SOFTWARE
  std::string upper = Upper(Join(names, from));
  // HKEY_CLASSES_ROOT is a view of SOFTWARE\Classes: the same keys are judged the same way.
  if (Upper(names[from]) == "SOFTWARE" && Upper(names[from + 1]) == "CLASSES")
    return IsProtectedClassKey(names, from + 2);
  return IsSystemKey(upper);
}

const char* RootName(const std::string& token) {
  if (token == "(Class)") return "HKEY_CLASSES_ROOT";
  if (token == "(Local)") return "HKEY_LOCAL_MACHINE";
  if (token == "(Users)") return "HKEY_USERS";
  return "HKEY_CURRENT_USER";
}

}  // namespace

bool IsAbsoluteDriveFolder(const std::string& path) {
  return CheckPath(path, false) == PathVerdict::Ok;
}

void ForgetUninstallProgress(IRegistry& registry, const std::string& entryKey) {
  std::vector<RegNamedValue> values;
  if (registry.EnumValues(RegRoot::LocalMachine, entryKey, values) != 0) return;
  for (const RegNamedValue& value : values) {
    if (value.name.rfind(kLoweredPrefix, 0) == 0)
      registry.DeleteValue(RegRoot::LocalMachine, entryKey, value.name);
  }
}

bool IsProtectedRegistryKey(const std::string& rootToken, const std::string& registryPath) {
  std::optional<std::vector<std::string>> names = RegistryNames(registryPath);
  if (!names) return true;
  if (rootToken == "(Class)") return IsProtectedClassKey(*names, 0);
  // Under HKEY_USERS the first name is a user's hive; the rest is judged as in HKEY_CURRENT_USER.
  if (rootToken == "(Users)") return names->size() < 2 || IsProtectedMachineKey(*names, 1);
  return IsProtectedMachineKey(*names, 0);
}

// ---------------------------------------------------------------------------------------------

void TfrmMain::RunUninstall() {
  UninstallRun run(app, *this);
  run.Run();
}

UninstallRun::UninstallRun(Application& app, TfrmMain& wizard) : app_(app), wizard_(wizard) {}

std::string UninstallRun::Log(const std::string& section, const std::string& key) {
  return ReadIni(app_.platform.profile, section, key, "", app_.ctx.ScriptPath);
}

void UninstallRun::AddFailure(const std::string& tag, const std::string& path,
                              const std::string& reason) {
  failureLog += tag + path + kCrLf + reason + kCrLf;
  ++failureCount;
}

void UninstallRun::Run() {
  SetupContext& ctx = app_.ctx;
  TfrmMain& w = wizard_;

  // The options. The "DeleteAll" layout is the one in which the other three boxes are hidden.
  for (TControl* box :
       {&w.chkSCutDesktop, &w.chkSCutStartMenu, &w.chkSCutStartUp, &w.chkSCutSendTo})
    box->enabled = false;
  maskList.clear();
  deleteAll = false;
  if (w.chkSCutDesktop.checked) {
    if (w.chkSCutStartMenu.visible || w.chkSCutStartUp.visible || w.chkSCutSendTo.visible) {
      maskList += "*.INI|";
    } else {
      deleteAll = true;
    }
  }
  if (w.chkSCutStartMenu.checked) maskList += "*.GID|";

  // The status window replaces the wizard, which keeps a centred button for the
  // failure details.
  w.visible = false;
  app_.frmStatus().visible = true;
  w.btnEnd.visible = false;
  w.btnEvent.left = (w.clientWidth - w.btnEvent.width) / 2;
  w.ShowStatus(ctx.UnSetupString + " is being done...");

  // The destination folder must be one the run may work in.
  if (!CheckDestination()) return;

  // A run that is killed is finished by running the Add/Remove Programs command again, which
  // needs the entry and the log it names. So the log goes only after everything else it lists,
  // and the entry goes last. From the first deletion that may take the log, the entry names this
  // run's work copy of the log instead: the same file, left behind by a killed run until a
  // program on the machine next closes. Shared counts are lowered once whatever the number of
  // runs; every other step can simply be done again.
  ownLogs_.clear();
  for (const std::string& log : {appFolder_ + kLogName, app_.platform.system.FirstArgument()}) {
    if (log.empty()) continue;
    ownLogs_.push_back(Upper(log));
    std::string shortForm = app_.platform.files.ShortPath(log);
    if (!shortForm.empty()) ownLogs_.push_back(Upper(shortForm));
  }
  std::string uninstallKey = Log("UnSetupRegistryKey", "Key");
  entryKey_.clear();
  if (!uninstallKey.empty() && !IsProtectedRegistryKey("(Local)", uninstallKey))
    entryKey_ = DelPathDelim(DelPathDelim(AddPathDelim(uninstallKey, "B"), "B"), "T");

  RemoveProgramEntry();  // the package's section of ORVANEDB.INI
  // No folder to remove may be the current one.
  app_.platform.files.SetCurrentFolder(ctx.TempFolder);
  RemoveFiles("DeleteFile", true);
  RemoveFiles("AddDeleteFile", false);
  RemoveShortcuts();
  RemoveFolders();
  RemoveRegistryKeys();
  RestoreAssociations();
  // Add/Remove Programs: a key that must not go is reported here; the entry is deleted last.
  bool removeEntry = !uninstallKey.empty() && MayDeleteKey("(Local)", uninstallKey);
  RemoveOwnLog();
  RemoveDestination();
  if (removeEntry) DeleteRegKey(app_, "(Local)", uninstallKey);
  ReportFailures();
  Complete();
}

bool UninstallRun::CheckDestination() {
  SetupContext& ctx = app_.ctx;
  std::string folder = wizard_.txtFolder.caption;
  // The set-up gives an empty [SetupFolder] a final "\", so emptiness alone is not the test: only
  // a full folder path below a drive's root is a folder the run may empty and remove.
  if (!IsAbsoluteDriveFolder(folder)) {
    ShowMessageBox(app_,
                   "An " + ctx.UnSetupString + " folder isn't clear." + kCrLf + "The " +
                       ctx.UnSetupString + " can't be continued.",
                   "Fatal Error", mb::IconStop);
    wizard_.SetEndConfirmed();
    wizard_.SetEndRequested();
    app_.outcome = ProgramOutcome::Failed;
    return false;
  }
  appFolder_ = AddPathDelim(folder, "B");
  ctx.AppFolder = appFolder_;
  return true;
}

void UninstallRun::RemoveProgramEntry() {
  std::string id = Log("ProgramID", "ID");
  if (id.empty()) return;
  app_.platform.profile.WriteString(id, std::nullopt, std::nullopt,
                                    DelPathDelim(app_.ctx.WindowsFolder, "B") + "\\ORVANEDB.INI");
}

// ---------------------------------------------------------------------------------------------
// Judging log paths.

namespace {

// A folder (with its final "\") that must never be emptied or removed wholesale: a drive root,
// the Windows, system, program files or temporary folder, or a folder that holds one of them.
// Short (8.3) forms are compared too, since the file system accepts them as the same folder.
bool IsProtectedFolder(Application& app, const std::string& folder) {
  if (IsDriveRoot(folder)) return true;
  const SetupContext& ctx = app.ctx;
  std::string upper = Upper(AddPathDelim(folder, "B"));
  std::string shortForm = app.platform.files.ShortPath(folder);
  std::string upperShort = shortForm.empty() ? "" : Upper(AddPathDelim(shortForm, "B"));
  for (const std::string* known :
       {&ctx.WindowsFolder, &ctx.SystemFolder, &ctx.ProgramFilesFolder, &ctx.TempFolder}) {
    if (known->empty()) continue;
    std::string upperKnown = Upper(AddPathDelim(*known, "B"));
    if (SameOrAncestor(upper, upperKnown)) return true;
    if (upperShort.empty()) continue;
    std::string knownShort = app.platform.files.ShortPath(*known);
    if (!knownShort.empty() && SameOrAncestor(upperShort, Upper(AddPathDelim(knownShort, "B"))))
      return true;
  }
  return false;
}

// The judgement for a file or pattern to delete.
PathVerdict JudgeFile(Application& app, const std::string& path) {
  PathVerdict verdict = CheckPath(path, true);
  if (verdict != PathVerdict::Ok) return verdict;
  std::string name = ExtractFileName(path);
  // A value that names a protected folder itself (with or without its final "\").
  if (name.empty() || !HasWildcard(name)) {
    if (IsProtectedFolder(app, AddPathDelim(path, "B"))) return PathVerdict::Protected;
    return PathVerdict::Ok;
  }
  // A pattern also deletes matching folders with their contents: never in a protected folder.
  if (IsProtectedFolder(app, ExtractFilePath(path))) return PathVerdict::Wildcard;
  return PathVerdict::Ok;
}

PathVerdict JudgeFolder(Application& app, const std::string& folder) {
  PathVerdict verdict = CheckPath(folder, false);
  if (verdict != PathVerdict::Ok) return verdict;
  if (IsProtectedFolder(app, AddPathDelim(folder, "B"))) return PathVerdict::Protected;
  return PathVerdict::Ok;
}

const char* Reason(PathVerdict verdict) {
  switch (verdict) {
    case PathVerdict::NotFullPath:
      return kReasonNotFullPath;
    case PathVerdict::Wildcard:
      return kReasonWildcard;
    default:
      return kReasonProtected;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Files: the installed files and the additional files the script listed.

void UninstallRun::RemoveFiles(const std::string& section, bool report) {
  for (int n = 1;; ++n) {
    std::string value = Log(section, "File" + std::to_string(n));
    if (value.empty()) break;
    std::string path = GetField(value, ",", 1);
    std::string options = GetField(value, ",", 2);
    if (path.empty()) break;
    PathVerdict verdict = JudgeFile(app_, path);
    if (verdict != PathVerdict::Ok) {
      // Refused values are reported from both sections: the user should know what stayed.
      AddFailure("<File> ", path, std::string(Reason(verdict)) + kCrLf);
      continue;
    }
    std::string entry = section + "\\File" + std::to_string(n);
    if (IsOwnLog(path)) {
      deferred_.push_back({path, options, entry, report});
      continue;
    }
    uint32_t code = DeleteLoggedFile(path, options, entry);
    if (code != 0 && report) AddFailure("<File> ", path, ErrorText(app_.platform.system, code));
  }
}

// The log's own values, after every other removal of the log and before the destination folder.
void UninstallRun::RemoveOwnLog() {
  if (deferred_.empty()) return;
  KeepEntryRecoverable();
  for (const Deferred& value : deferred_) {
    uint32_t code = DeleteLoggedFile(value.path, value.options, value.entry);
    if (code != 0 && value.report)
      AddFailure("<File> ", value.path, ErrorText(app_.platform.system, code));
  }
}

bool UninstallRun::IsOwnLog(const std::string& path) {
  if (ownLogs_.empty() || Upper(ExtractFileName(path)) != kLogName) return false;
  auto known = [&](const std::string& form) {
    return std::find(ownLogs_.begin(), ownLogs_.end(), Upper(form)) != ownLogs_.end();
  };
  if (known(path)) return true;
  std::string shortForm = app_.platform.files.ShortPath(path);
  return !shortForm.empty() && known(shortForm);
}

uint32_t UninstallRun::Delete(const std::string& path) {
  // A pattern may take the log with it, and so may a value that names it in another section.
  if (HasWildcard(path) || IsOwnLog(path)) KeepEntryRecoverable();
  return DeleteFiles(app_, path);
}

uint32_t UninstallRun::EmptyAndRemoveFolder(const std::string& folder,
                                            const std::string& patterns) {
  // Without patterns only an empty folder goes, which cannot hold the log.
  if (!patterns.empty()) KeepEntryRecoverable();
  return RemoveFolder(app_, folder, patterns);
}

// Points the Add/Remove Programs command at the work copy of the log, once, before the log can
// go. The copy is the same file; a rerun started from it goes on from where this run stopped.
void UninstallRun::KeepEntryRecoverable() {
  if (entryRepointed_ || entryKey_.empty()) return;
  entryRepointed_ = true;
  IRegistry& registry = app_.platform.registry;
  RegValue value;
  if (registry.GetValue(RegRoot::LocalMachine, entryKey_, "UninstallString", value) != 0 ||
      (value.type != reg::Sz && value.type != reg::ExpandSz))
    return;
  std::string command = value.data.substr(0, value.data.find('\0'));
  // The command is the uninstaller, a blank and the log in double quotes: only the log changes.
  size_t split = command.find(" \"");
  if (split == std::string::npos) split = command.find(' ');
  std::string repointed = command.substr(0, split) + " \"" + app_.ctx.ScriptPath + "\"";
  if (repointed != command)
    registry.SetValue(RegRoot::LocalMachine, entryKey_, "UninstallString",
                      RegValue::String(repointed, value.type));
}

std::optional<int> UninstallRun::LoweredFrom(const std::string& entry) {
  if (entryKey_.empty() || entry.empty()) return std::nullopt;
  RegValue value;
  uint32_t count = 0;
  if (app_.platform.registry.GetValue(RegRoot::LocalMachine, entryKey_, kLoweredPrefix + entry,
                                      value) != 0 ||
      !value.AsDword(count) || count == 0)
    return std::nullopt;
  return static_cast<int32_t>(count);
}

void UninstallRun::RecordLowering(const std::string& entry, int count) {
  if (entryKey_.empty() || entry.empty()) return;
  // Written into the existing entry only: a run without one cannot be started again anyway.
  app_.platform.registry.SetValue(RegRoot::LocalMachine, entryKey_, kLoweredPrefix + entry,
                                  RegValue::Dword(static_cast<uint32_t>(count)));
}

uint32_t UninstallRun::DeleteLoggedFile(const std::string& path, const std::string& options,
                                        const std::string& entry) {
  SetupContext& ctx = app_.ctx;
  IRegistry& registry = app_.platform.registry;
  const bool shared = PosNoCase("/S", options) > 0;
  // A count that an interrupted run of this uninstall lowered already is judged as it found it.
  std::optional<int> lowered = shared ? LoweredFrom(entry) : std::nullopt;
  const int count = SharedCount(registry, path);
  if ((lowered ? *lowered : count) == 0) {
    if (PosNoCase("/C", options) > 0) {
      return AskAndDelete(path, path + "\r\n\r\n" + "May I delete this file?" + "\r\n\r\n" +
                                    "<< Warning >>" + kCrLf +
                                    "A DLL/OCX file and so on has the possibility that even other "
                                    "programs are used." +
                                    kCrLf +
                                    "Delete it only when you know that it isn't used securely.");
    }
    if (PosNoCase("/L", options) > 0) return 0;
    if (PosNoCase("/F", options) > 0) return Delete(path);
    if (IsComponentFile(path) &&
        ((!ctx.WindowsFolder.empty() && PosNoCase(ctx.WindowsFolder, path) > 0) ||
         (!ctx.SystemFolder.empty() && PosNoCase(ctx.SystemFolder, path) > 0))) {
      return AskAndDelete(path, path + "\r\n\r\n" +
                                    "This DLL/OCX file has the possibility that it will be used by "
                                    "the program from now on though it isn't registered." +
                                    kCrLf + "May I delete this file?");
    }
    return Delete(path);
  }
  if (!shared) return 0;
  // Recorded before it is lowered, so that a rerun lowers it only when this run did not.
  if (!lowered) RecordLowering(entry, count);
  if (!lowered || count == *lowered) UpdateSharedCount(app_, path, CountChange::Remove);
  if (SharedCount(registry, path) != 0) return 0;
  return SharedFileAnswer(path);
}

uint32_t UninstallRun::AskAndDelete(const std::string& path, const std::string& question) {
  int answer = ShowMessageBox(app_, question, "The confirmation of the file deletion",
                              mb::YesNo | mb::IconQuestion);
  return answer == id::Yes ? Delete(path) : 0;
}

uint32_t UninstallRun::SharedFileAnswer(const std::string& path) {
  TControl& answer = wizard_.lblFormShare;
  if (answer.caption != "Delete" && answer.caption != "Save") {
    answer.caption.clear();
    TfrmCustomDlg& dialog = app_.frmCustomDlg();
    dialog.lblMessage.caption =
        path + "\r\n\r\n" + "I don't have this common file used by every program at present." +
        kCrLf + "But, it has the possibility that it will be used by the program from now on." +
        kCrLf + "May I delete this file?";
    app_.ShowModal(dialog);
  }
  if (answer.caption == "Delete" || answer.caption == "Yes") return Delete(path);
  // "Save", "No", and a dialog closed without an answer keep the file.
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Shortcuts and the folders they leave empty.

void UninstallRun::RemoveShortcuts() {
  const SetupContext& ctx = app_.ctx;
  for (int n = 1;; ++n) {
    std::string path = Log("DeleteShortCut", "File" + std::to_string(n));
    if (path.empty()) break;
    // A shortcut is one file: a pattern here is refused wherever it stands.
    PathVerdict verdict = JudgeFile(app_, path);
    if (verdict == PathVerdict::Ok && HasWildcard(path)) verdict = PathVerdict::Wildcard;
    if (verdict != PathVerdict::Ok) {
      AddFailure("<ShortCut> ", path, std::string(Reason(verdict)) + kCrLf);
      continue;
    }
    uint32_t code = Delete(path);
    if (code != 0) AddFailure("<ShortCut> ", path, ErrorText(app_.platform.system, code));
    std::string folder = ExtractFilePath(path);
    bool special = false;
    for (const std::string* known :
         {&ctx.ProgramsFolder, &ctx.DesktopFolder, &ctx.StartupFolder, &ctx.SendToFolder,
          &ctx.CommonProgramsFolder, &ctx.CommonDesktopFolder, &ctx.CommonStartupFolder}) {
      if (folder == *known) special = true;
    }
    // With no patterns only an empty folder goes.
    if (!special) EmptyAndRemoveFolder(folder, "");
  }
}

// ---------------------------------------------------------------------------------------------
// Folders, the deepest (made last) first.

void UninstallRun::RemoveFolders() {
  int count = 0;
  while (!Log("DeleteFolder", "Folder" + std::to_string(count + 1)).empty()) ++count;
  for (int n = count; n >= 1; --n) {
    std::string folder = Log("DeleteFolder", "Folder" + std::to_string(n));
    PathVerdict verdict = JudgeFolder(app_, folder);
    if (verdict != PathVerdict::Ok) {
      AddFailure("<Folder> ", folder, std::string(Reason(verdict)) + kCrLf);
      continue;
    }
    bool inside = PosNoCase(appFolder_, folder) > 0;
    uint32_t code = EmptyAndRemoveFolder(folder, inside ? maskList : "");
    if (code != 0 && !(inside && deleteAll))
      AddFailure("<Folder> ", folder, ErrorText(app_.platform.system, code));
  }
}

// ---------------------------------------------------------------------------------------------
// Registry keys, and the associations put back as they were before the install.

void UninstallRun::DeleteKey(const std::string& rootToken, const std::string& keyPath) {
  if (!keyPath.empty() && MayDeleteKey(rootToken, keyPath)) DeleteRegKey(app_, rootToken, keyPath);
}

bool UninstallRun::MayDeleteKey(const std::string& rootToken, const std::string& keyPath) {
  if (!IsProtectedRegistryKey(rootToken, keyPath)) return true;
  AddFailure("<Registry> ", std::string(RootName(rootToken)) + "\\" + keyPath,
             std::string(kReasonRegistry) + kCrLf);
  return false;
}

void UninstallRun::RemoveRegistryKeys() {
  for (int n = 1;; ++n) {
    std::string value = Log("DeleteRegistry", "Key" + std::to_string(n));
    if (value.empty()) break;
    std::string token, path;
    SplitRootToken(value, true, token, path);
    DeleteKey(token, path);
  }
}

void UninstallRun::RestoreAssociations() {
  IRegistry& registry = app_.platform.registry;
  for (int n = 1;; ++n) {
    std::string value = Log("RestoreRelate", "Key" + std::to_string(n));
    if (value.empty()) break;
    int comma = PosNoCase(",", value);
    std::string extension = comma > 0 ? StrLeft(value, comma - 1) : value;
    std::string previous = comma > 0 ? StrFrom(value, comma + 1) : "";
    // An extension is one key name; anything else would address other keys.
    std::optional<std::vector<std::string>> names = RegistryNames(extension);
    if (extension.empty() || !names || names->size() != 1) continue;
    std::string extensionKey = "." + extension;
    if (!previous.empty() && registry.KeyExists(RegRoot::ClassesRoot, extensionKey)) {
      WriteRegString(registry, RegRoot::ClassesRoot, extensionKey, "", previous);
    } else {
      previous.clear();
    }
    if (previous.empty()) DeleteKey("(Class)", extensionKey);
    if (Upper(previous) != Upper(extension + "_auto_file"))
      DeleteKey("(Class)", extension + "_auto_file");
  }
}

// ---------------------------------------------------------------------------------------------
// The destination folder, the failure details and the end.

void UninstallRun::RemoveDestination() {
  const SetupContext& ctx = app_.ctx;
  std::string upper = Upper(appFolder_);
  for (const std::string* known :
       {&ctx.TempFolder, &ctx.WindowsFolder, &ctx.SystemFolder, &ctx.ProgramFilesFolder}) {
    if (!known->empty() && upper == Upper(*known)) return;
  }
  // A folder that holds one of those, or a drive root, is left alone as well.
  if (appFolder_.size() == 3 || IsProtectedFolder(app_, appFolder_)) return;
  uint32_t code = EmptyAndRemoveFolder(appFolder_, deleteAll ? "*.*|" : maskList);
  if (code == 0) return;
  failureLog += "<SetupFolder> " + appFolder_ + kCrLf;
  if (code == err::DirNotEmpty || code == err::AccessDenied) {
    failureLog += deleteAll ? "A " + ctx.SetupString +
                                  " folder couldn't be removed because an error occurred though "
                                  "it tried the deletion of all the file, folders."
                            : "A " + ctx.SetupString +
                                  " folder couldn't be removed because a file was left in the "
                                  "folder.";
    failureLog += std::string(kCrLf) + "Delete it from Explorer and so on directly." + kCrLf;
  } else {
    failureLog += ErrorText(app_.platform.system, code) + kCrLf;
  }
  ++failureCount;
}

void UninstallRun::ReportFailures() {
  if (failureCount == 0) return;
  const SetupContext& ctx = app_.ctx;
  TfrmMain& w = wizard_;
  w.ShowStatus("Some of the management failed.");
  int answer = ShowMessageBox(app_,
                              "Some of the management failed in the " + ctx.UnSetupString + "." +
                                  kCrLf + "Do you indicate details?",
                              "Warning", mb::YesNo | mb::IconExclamation);
  if (answer != id::Yes) return;
  w.txtReadme.caption = failureLog;
  w.txtReadme.scrollBars = ScrollBars::Vertical;
  w.ShowDetailsPage("The details indication of the deletion management failure");
  w.visible = true;
  app_.frmStatus().visible = false;
  w.WaitForDetailsContinue();
  w.visible = false;
  app_.ProcessMessages();
  app_.platform.clock.Sleep(500);
  app_.frmStatus().visible = true;
}

void UninstallRun::Complete() {
  std::string text = app_.ctx.UnSetupString + " is now complete.";
  wizard_.ShowStatus(text);
  ShowMessageBox(app_, text, "Complete", mb::Ok | mb::IconInformation);
  wizard_.SetEndConfirmed();
  wizard_.SetEndRequested();
  app_.outcome = ProgramOutcome::Completed;
}

}  // namespace orvane
