// The uninstall run: the wizard's RunUninstall and the run state that carries it (options, failure
// log, the file rules, the shared-file question), with the checks that keep a damaged or altered
// log from deleting more than the installation made, and the order of work that lets a rerun
// finish a run that was killed.
#include "uninstall/UninstallRun.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "install/FileOps.h"
#include "install/RegistryAccess.h"
#include "install/RunView.h"
#include "install/SetupContext.h"
#include "install/SharedFiles.h"
#include "install/UninstallLog.h"
#include "platform/Platform.h"
#include "support/MBUtils.h"
#include "support/WindowsPath.h"
#include "support/uIniFile.h"
#include "support/uStrOp.h"

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

bool IsProtectedRegistryKey(const std::string& rootToken, const std::string& registryPath) {
  std::optional<std::vector<std::string>> names = RegistryNames(registryPath);
  if (!names) return true;
  if (rootToken == "(Class)") return IsProtectedClassKey(*names, 0);
  // Under HKEY_USERS the first name is a user's hive; the rest is judged as in HKEY_CURRENT_USER.
  if (rootToken == "(Users)") return names->size() < 2 || IsProtectedMachineKey(*names, 1);
  return IsProtectedMachineKey(*names, 0);
}

// ---------------------------------------------------------------------------------------------

UninstallRun::UninstallRun(Platform& platform, SetupContext& ctx, IRunView& view)
    : platform_(platform), ctx_(ctx), view_(view) {}

std::string UninstallRun::Log(const std::string& section, const std::string& key) {
  return ReadIni(platform_.profile, section, key, "", ctx_.ScriptPath);
}

const ProtectedFolders& UninstallRun::Protected() {
  if (protected_) return *protected_;
  protected_.emplace();
  for (const std::string* known :
       {&ctx_.WindowsFolder, &ctx_.SystemFolder, &ctx_.ProgramFilesFolder, &ctx_.TempFolder}) {
    if (known->empty()) continue;
    protected_->longForms.push_back(Upper(AddPathDelim(*known, "B")));
    std::string shortForm = platform_.files.ShortPath(*known);
    if (!shortForm.empty()) protected_->shortForms.push_back(Upper(AddPathDelim(shortForm, "B")));
  }
  return *protected_;
}

void UninstallRun::AddFailure(const std::string& tag, const std::string& path,
                              const std::string& reason) {
  failureLog += tag + path + kCrLf + reason + kCrLf;
  ++failureCount;
}

void UninstallRun::Run() {
  // The options, locked from now on.
  const UninstallChoices choices = view_.TakeUninstallOptions();
  maskList.clear();
  deleteAll = false;
  if (choices.firstTicked) {
    if (!choices.deleteAllLayout) {
      maskList += "*.INI|";
    } else {
      deleteAll = true;
    }
  }
  if (choices.secondTicked) maskList += "*.GID|";

  // The status window replaces the wizard.
  view_.HideWizard();
  view_.ShowStatusWindow();
  view_.ShowStatus(ctx_.UnSetupString + " is being done...");

  // The destination folder must be one the run may work in.
  if (!CheckDestination()) return;

  // A run that is killed is finished by running the Add/Remove Programs command again, which
  // needs the entry and the log it names. So the log goes only after everything else it lists,
  // and the entry goes last. From the first deletion that may take the log, the entry names this
  // run's work copy of the log instead: the same file, left behind by a killed run until a
  // program on the machine next closes. Shared counts are lowered once whatever the number of
  // runs; every other step can simply be done again.
  ownLogs_.clear();
  for (const std::string& log : {appFolder_ + kLogName, platform_.system.FirstArgument()}) {
    if (log.empty()) continue;
    ownLogs_.push_back(Upper(log));
    std::string shortForm = platform_.files.ShortPath(log);
    if (!shortForm.empty()) ownLogs_.push_back(Upper(shortForm));
  }
  std::string uninstallKey = Log("UnSetupRegistryKey", "Key");
  entryKey_.clear();
  if (!uninstallKey.empty() && !IsProtectedRegistryKey("(Local)", uninstallKey))
    entryKey_ = DelPathDelim(DelPathDelim(AddPathDelim(uninstallKey, "B"), "B"), "T");

  RemoveProgramEntry();  // the package's section of ORVANEDB.INI
  // No folder to remove may be the current one.
  platform_.files.SetCurrentFolder(ctx_.TempFolder);
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
  if (removeEntry) DeleteRegKey(platform_.registry, "(Local)", uninstallKey);
  ReportFailures();
  Complete();
}

bool UninstallRun::CheckDestination() {
  std::string folder = view_.DestinationFolder();
  // The set-up gives an empty [SetupFolder] a final "\", so emptiness alone is not the test: only
  // a full folder path below a drive's root is a folder the run may empty and remove.
  if (!IsAbsoluteDriveFolder(folder)) {
    view_.ShowMessageBox("An " + ctx_.UnSetupString + " folder isn't clear." + kCrLf + "The " +
                             ctx_.UnSetupString + " can't be continued.",
                         "Fatal Error", mb::IconStop);
    view_.EndRun(RunEnd::Failed, false);
    return false;
  }
  appFolder_ = AddPathDelim(folder, "B");
  ctx_.AppFolder = appFolder_;
  return true;
}

void UninstallRun::RemoveProgramEntry() {
  std::string id = Log("ProgramID", "ID");
  if (id.empty()) return;
  platform_.profile.WriteString(id, std::nullopt, std::nullopt,
                                DelPathDelim(ctx_.WindowsFolder, "B") + "\\ORVANEDB.INI");
}

// ---------------------------------------------------------------------------------------------
// Judging log paths.

namespace {

// A folder (with its final "\") that must never be emptied or removed wholesale: a drive root,
// one of the known folders (upper case, with their final "\") or a folder that holds one. Short
// (8.3) forms are compared too, since the file system accepts them as the same folder.
bool IsProtectedFolder(IFiles& files, const ProtectedFolders& known, const std::string& folder) {
  if (IsDriveRoot(folder)) return true;
  // Compared as Windows reads it: "..", "." and trailing dots and blanks of names taken away.
  std::string canonical = folder;
  char drive = 0;
  std::vector<std::string> names;
  if (ParseWindowsPath(folder, drive, names) == 0) {
    canonical = std::string(1, drive) + ":\\";
    for (const std::string& name : names) canonical += name + "\\";
  }
  std::string upper = Upper(AddPathDelim(canonical, "B"));
  for (const std::string& k : known.longForms)
    if (SameOrAncestor(upper, k)) return true;
  // Another spelling of a known folder can only be a short (8.3) name, and every generated short
  // name holds a "~": only such a path is looked up (a lookup walks every folder on the way).
  if (known.shortForms.empty() || upper.find('~') == std::string::npos) return false;
  std::string shortForm = files.ShortPath(folder);
  if (shortForm.empty()) return false;
  std::string upperShort = Upper(AddPathDelim(shortForm, "B"));
  for (const std::string& k : known.shortForms)
    if (SameOrAncestor(upperShort, k)) return true;
  return false;
}

// The judgement for a file or pattern to delete.
PathVerdict JudgeFile(IFiles& files, const ProtectedFolders& known, const std::string& path) {
  PathVerdict verdict = CheckPath(path, true);
  if (verdict != PathVerdict::Ok) return verdict;
  std::string name = ExtractFileName(path);
  // A value that names a protected folder itself (with or without its final "\").
  if (name.empty() || !HasWildcard(name)) {
    if (IsProtectedFolder(files, known, AddPathDelim(path, "B"))) return PathVerdict::Protected;
    return PathVerdict::Ok;
  }
  // A pattern also deletes matching folders with their contents: never in a protected folder.
  if (IsProtectedFolder(files, known, ExtractFilePath(path))) return PathVerdict::Wildcard;
  return PathVerdict::Ok;
}

PathVerdict JudgeFolder(IFiles& files, const ProtectedFolders& known, const std::string& folder) {
  PathVerdict verdict = CheckPath(folder, false);
  if (verdict != PathVerdict::Ok) return verdict;
  if (IsProtectedFolder(files, known, AddPathDelim(folder, "B"))) return PathVerdict::Protected;
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
    PathVerdict verdict = JudgeFile(platform_.files, Protected(), path);
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
    if (code != 0 && report) AddFailure("<File> ", path, ErrorText(platform_.system, code));
  }
}

// The log's own values, after every other removal of the log and before the destination folder.
void UninstallRun::RemoveOwnLog() {
  if (deferred_.empty()) return;
  KeepEntryRecoverable();
  for (const Deferred& value : deferred_) {
    uint32_t code = DeleteLoggedFile(value.path, value.options, value.entry);
    if (code != 0 && value.report)
      AddFailure("<File> ", value.path, ErrorText(platform_.system, code));
  }
}

bool UninstallRun::IsOwnLog(const std::string& path) {
  if (ownLogs_.empty() || Upper(ExtractFileName(path)) != kLogName) return false;
  auto known = [&](const std::string& form) {
    return std::find(ownLogs_.begin(), ownLogs_.end(), Upper(form)) != ownLogs_.end();
  };
  if (known(path)) return true;
  std::string shortForm = platform_.files.ShortPath(path);
  return !shortForm.empty() && known(shortForm);
}

uint32_t UninstallRun::Delete(const std::string& path) {
  // A pattern may take the log with it, and so may a value that names it in another section.
  if (HasWildcard(path) || IsOwnLog(path)) KeepEntryRecoverable();
  return DeleteFiles(platform_, path);
}

uint32_t UninstallRun::EmptyAndRemoveFolder(const std::string& folder,
                                            const std::string& patterns) {
  // Without patterns only an empty folder goes, which cannot hold the log.
  if (!patterns.empty()) KeepEntryRecoverable();
  return RemoveFolder(platform_, folder, patterns);
}

// Points the Add/Remove Programs command at the work copy of the log, once, before the log can
// go. The copy is the same file; a rerun started from it goes on from where this run stopped.
void UninstallRun::KeepEntryRecoverable() {
  if (entryRepointed_ || entryKey_.empty()) return;
  entryRepointed_ = true;
  IRegistry& registry = platform_.registry;
  RegValue value;
  if (registry.GetValue(RegRoot::LocalMachine, entryKey_, "UninstallString", value) != 0 ||
      (value.type != reg::Sz && value.type != reg::ExpandSz))
    return;
  std::string command = value.data.substr(0, value.data.find('\0'));
  // The command is the uninstaller, a blank and the log in double quotes: only the log changes.
  size_t split = command.find(" \"");
  if (split == std::string::npos) split = command.find(' ');
  std::string repointed = command.substr(0, split) + " \"" + ctx_.ScriptPath + "\"";
  if (repointed != command)
    registry.SetValue(RegRoot::LocalMachine, entryKey_, "UninstallString",
                      RegValue::String(repointed, value.type));
}

std::optional<int> UninstallRun::LoweredFrom(const std::string& entry) {
  if (entryKey_.empty() || entry.empty()) return std::nullopt;
  RegValue value;
  uint32_t count = 0;
  if (platform_.registry.GetValue(RegRoot::LocalMachine, entryKey_, kLoweredCountPrefix + entry,
                                  value) != 0 ||
      !value.AsDword(count) || count == 0)
    return std::nullopt;
  return static_cast<int32_t>(count);
}

void UninstallRun::RecordLowering(const std::string& entry, int count) {
  if (entryKey_.empty() || entry.empty()) return;
  // Written into the existing entry only: a run without one cannot be started again anyway.
  platform_.registry.SetValue(RegRoot::LocalMachine, entryKey_, kLoweredCountPrefix + entry,
                              RegValue::Dword(static_cast<uint32_t>(count)));
}

uint32_t UninstallRun::DeleteLoggedFile(const std::string& path, const std::string& options,
                                        const std::string& entry) {
  IRegistry& registry = platform_.registry;
  const bool shared = PosNoCase("/S", options) > 0;
  // A count that an interrupted run of this uninstall lowered already is judged as it found it.
  std::optional<int> lowered = shared ? LoweredFrom(entry) : std::nullopt;
  const int count = SharedCount(registry, path);
  if (lowered.value_or(count) == 0) {
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
        ((!ctx_.WindowsFolder.empty() && PosNoCase(ctx_.WindowsFolder, path) > 0) ||
         (!ctx_.SystemFolder.empty() && PosNoCase(ctx_.SystemFolder, path) > 0))) {
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
  if (!lowered || count == *lowered) UpdateSharedCount(platform_, path, CountChange::Remove);
  if (SharedCount(registry, path) != 0) return 0;
  return SharedFileAnswer(path);
}

uint32_t UninstallRun::AskAndDelete(const std::string& path, const std::string& question) {
  int answer = view_.ShowMessageBox(question, "The confirmation of the file deletion",
                                    mb::YesNo | mb::IconQuestion);
  return answer == id::Yes ? Delete(path) : 0;
}

uint32_t UninstallRun::SharedFileAnswer(const std::string& path) {
  bool remove = view_.ConfirmSharedFileDeletion(
      path + "\r\n\r\n" + "I don't have this common file used by every program at present." +
      kCrLf + "But, it has the possibility that it will be used by the program from now on." +
      kCrLf + "May I delete this file?");
  return remove ? Delete(path) : 0;
}

// ---------------------------------------------------------------------------------------------
// Shortcuts and the folders they leave empty.

void UninstallRun::RemoveShortcuts() {
  for (int n = 1;; ++n) {
    std::string path = Log("DeleteShortCut", "File" + std::to_string(n));
    if (path.empty()) break;
    // A shortcut is one file: a pattern here is refused wherever it stands.
    PathVerdict verdict = JudgeFile(platform_.files, Protected(), path);
    if (verdict == PathVerdict::Ok && HasWildcard(path)) verdict = PathVerdict::Wildcard;
    if (verdict != PathVerdict::Ok) {
      AddFailure("<ShortCut> ", path, std::string(Reason(verdict)) + kCrLf);
      continue;
    }
    uint32_t code = Delete(path);
    if (code != 0) AddFailure("<ShortCut> ", path, ErrorText(platform_.system, code));
    std::string folder = ExtractFilePath(path);
    bool special = false;
    for (const std::string* known :
         {&ctx_.ProgramsFolder, &ctx_.DesktopFolder, &ctx_.StartupFolder, &ctx_.SendToFolder,
          &ctx_.CommonProgramsFolder, &ctx_.CommonDesktopFolder, &ctx_.CommonStartupFolder}) {
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
    PathVerdict verdict = JudgeFolder(platform_.files, Protected(), folder);
    if (verdict != PathVerdict::Ok) {
      AddFailure("<Folder> ", folder, std::string(Reason(verdict)) + kCrLf);
      continue;
    }
    bool inside = PosNoCase(appFolder_, folder) > 0;
    uint32_t code = EmptyAndRemoveFolder(folder, inside ? maskList : "");
    if (code != 0 && !(inside && deleteAll))
      AddFailure("<Folder> ", folder, ErrorText(platform_.system, code));
  }
}

// ---------------------------------------------------------------------------------------------
// Registry keys, and the associations put back as they were before the install.

void UninstallRun::DeleteKey(const std::string& rootToken, const std::string& keyPath) {
  if (!keyPath.empty() && MayDeleteKey(rootToken, keyPath))
    DeleteRegKey(platform_.registry, rootToken, keyPath);
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
  IRegistry& registry = platform_.registry;
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
  std::string upper = Upper(appFolder_);
  for (const std::string* known :
       {&ctx_.TempFolder, &ctx_.WindowsFolder, &ctx_.SystemFolder, &ctx_.ProgramFilesFolder}) {
    if (!known->empty() && upper == Upper(*known)) return;
  }
  // A folder that holds one of those, or a drive root, is left alone as well.
  if (appFolder_.size() == 3 || IsProtectedFolder(platform_.files, Protected(), appFolder_)) return;
  uint32_t code = EmptyAndRemoveFolder(appFolder_, deleteAll ? "*.*|" : maskList);
  if (code == 0) return;
  failureLog += "<SetupFolder> " + appFolder_ + kCrLf;
  if (code == err::DirNotEmpty || code == err::AccessDenied) {
    failureLog += deleteAll ? "A " + ctx_.SetupString +
                                  " folder couldn't be removed because an error occurred though "
                                  "it tried the deletion of all the file, folders."
                            : "A " + ctx_.SetupString +
                                  " folder couldn't be removed because a file was left in the "
                                  "folder.";
    failureLog += std::string(kCrLf) + "Delete it from Explorer and so on directly." + kCrLf;
  } else {
    failureLog += ErrorText(platform_.system, code) + kCrLf;
  }
  ++failureCount;
}

void UninstallRun::ReportFailures() {
  if (failureCount == 0) return;
  view_.ShowStatus("Some of the management failed.");
  int answer = view_.ShowMessageBox("Some of the management failed in the " + ctx_.UnSetupString +
                                        "." + kCrLf + "Do you indicate details?",
                                    "Warning", mb::YesNo | mb::IconExclamation);
  if (answer != id::Yes) return;
  view_.ShowFailureDetails("The details indication of the deletion management failure", failureLog,
                           true);
}

void UninstallRun::Complete() {
  std::string text = ctx_.UnSetupString + " is now complete.";
  view_.ShowStatus(text);
  view_.ShowMessageBox(text, "Complete", mb::Ok | mb::IconInformation);
  view_.EndRun(RunEnd::Completed, false);
}

}  // namespace orvane
