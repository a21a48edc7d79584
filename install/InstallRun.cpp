// The install run's frame and preparation: status steps, pauses, the abort and cancel paths, the
// relation table, the size pass, the free-space and destination questions, the earlier log and
// the [MakeFolder] phase; then the later phases in their fixed order.
#include "install/InstallRun.h"

#include <memory>

#include "install/FileOps.h"
#include "install/PathTokens.h"
#include "install/SetupContext.h"
#include "install/UninstallLog.h"
#include "platform/Platform.h"
#include "support/MBUtils.h"
#include "support/uIniFile.h"
#include "support/uStrOp.h"

namespace orvane {

// ---- Restore table -------------------------------------------------------------------------

bool RestoreTable::Merge(const std::string& value) {
  for (std::string& slot : slots) {
    if (PosNoCase(value, slot) != 0) return false;
    if (slot.empty()) {
      slot = value;
      return true;
    }
  }
  return false;
}

bool RestoreTable::Covers(const std::string& extension) const {
  for (const std::string& slot : slots)
    if (PosNoCase(extension, GetField(slot, ",", 1)) != 0) return true;
  return false;
}

bool RestoreTable::Add(const std::string& value) {
  for (std::string& slot : slots) {
    if (slot.empty()) {
      slot = value;
      return true;
    }
  }
  return false;
}

// ---- Entry point ---------------------------------------------------------------------------

InstallRun::InstallRun(Platform& platform, SetupContext& ctx, IRunView& view)
    : restore(ctx.Restore), platform_(platform), ctx_(ctx), view_(view) {}

void InstallRun::Run() {
  if (!Prepare()) return;
  if (!MakeFolders()) return;
  view_.ShowProgressFrame(true);
  if (!CopyFiles()) return;
  view_.ShowProgressFrame(false);
  fileList.push_back(ctx_.UninstallLogPath);
  if (!MakeShortcuts()) return;
  if (!WriteRegistry()) return;
  if (!WriteIniFiles()) return;
  AddScriptRemovalEntries();
  if (!MakeRelations()) return;
  Complete();
}

// ---- Helpers -------------------------------------------------------------------------------

bool InstallRun::Status(const std::string& text, bool abortTest) {
  view_.ShowStatus(text);
  return !(abortTest && Aborted());
}

bool InstallRun::Aborted() const {
  return view_.AbortRequested();
}

void InstallRun::Cancel() {
  const std::string& s = ctx_.SetupString;
  view_.ShowMessageBox("The " + s + " couldn't be continued.", "Cancellation of a " + s,
                       mb::Ok | mb::IconHand);
  view_.EndRun(RunEnd::Cancelled, false);
}

void InstallRun::EndRun(RunEnd end) {
  view_.EndRun(end, true);
}

void InstallRun::Sleep(uint32_t ms) {
  platform_.clock.Sleep(ms);
}

void InstallRun::Pause() {
  Sleep(static_cast<uint32_t>(ctx_.SetupSpeed < 1 ? 1 : ctx_.SetupSpeed));
}

std::string InstallRun::Script(const std::string& section, const std::string& key,
                               const std::string& defaultValue) {
  return ReadIni(platform_.profile, section, key, defaultValue, ctx_.ScriptPath);
}

void InstallRun::AddFailure(const std::string& entry) {
  failureLog += entry;
  ++failureCount;
}

bool FindFileSize(IFiles& files, const std::string& path, int64_t& size) {
  std::vector<FindEntry> entries;
  if (ListFolder(files, path, entries) != 0) return false;
  uint64_t bytes = entries.front().info.size;
  size = bytes > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(bytes);
  return true;
}

namespace {

// The drive part of a path: "C:" for "C:\...", "\\server\share" for a UNC path, else empty.
std::string DrivePart(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    size_t server = path.find('\\', 2);
    if (server == std::string::npos) return path;
    size_t share = path.find('\\', server + 1);
    return share == std::string::npos ? path : path.substr(0, share);
  }
  return "";
}

}  // namespace

// ---- Preparation: the choices, the sizes, free space, the destination and the earlier log --

bool InstallRun::Prepare() {
  // No restart is pending yet; the user's choices are read from the wizard once.
  ctx_.RestartRequired = false;
  ctx_.LockedFilesPending = false;
  const InstallChoices choices = view_.InstallOptions();
  installType = choices.installType;
  overwrite = choices.overwrite;
  scutDesktop = choices.desktop;
  scutStartMenu = choices.startMenu;
  scutStartUp = choices.startUp;
  scutSendTo = choices.sendTo;

  // The status window replaces the wizard, after a pause in which neither is seen.
  view_.HideWizard();
  view_.ProcessMessages();
  Sleep(500);
  view_.ShowStatusWindow();

  const std::string& s = ctx_.SetupString;
  // The opening texts with their fixed pauses; the [Relate] table is read meanwhile.
  Status("Starting " + s + "...", false);
  Sleep(1000);
  Status("The initial information of the " + s + " is being made...", false);
  ReadRelationTable();
  Pause();

  // The total size, for the free-space check and the progress by size.
  if (!Status("The total size of a file to copy is being checked...")) return false;
  Pause();
  if (!SizePass()) return false;
  if (!CheckFreeSpace()) return false;

  // The destination folder, made when the user agrees.
  if (!Status("A " + s + " folder is being examined...")) return false;
  if (!PrepareFolder()) return false;

  // An earlier install into the same folder: its log's entries carry over into this one.
  LoadPreviousLog();

  // From here on the user may abort the run.
  view_.EnableAbort(true);
  return true;
}

void InstallRun::ReadRelationTable() {
  relations.clear();
  for (int n = 1; n <= 20; ++n) {
    std::string name = Script("Relate", "Name" + std::to_string(n));
    if (name.empty()) continue;
    std::string file = Script("Relate", "File" + std::to_string(n));
    if (file.empty()) continue;
    relations.push_back({name, file});
  }
}

bool InstallRun::SizePass() {
  IFiles& files = platform_.files;
  for (int n = 1;; ++n) {
    std::string value = EntryValue(n);
    if (value.empty()) break;
    ++entryCount;
    std::string text = GetField(value, ",", 1);
    int bar = PosNoCase("|", text);
    if (bar > 0) text = StrLeft(text, bar - 1);
    std::string source = ctx_.SourceFolder + ExtractFileName(text);
    int64_t size = 0;
    if (!FileExists(files, source) || !FindFileSize(files, source, size)) {
      sizeProgress = false;
      continue;
    }
    totalSize += size == 0 ? 1 : size;
  }
  return true;
}

bool InstallRun::CheckFreeSpace() {
  if (!sizeProgress) return true;
  const std::string& s = ctx_.SetupString;
  Status("The free capacity which is necessary for the " + s + " is being checked...", false);
  IFiles& files = platform_.files;
  std::string drive = DrivePart(view_.DestinationFolder());
  int64_t freeBytes = -1;
  bool queried = GetFreeBytesEx(files, drive, freeBytes);
  if (!queried) queried = GetFreeBytes(files, drive, freeBytes);
  if (!queried) freeBytes = -1;
  if (freeBytes <= totalSize) {
    std::string text;
    if (freeBytes >= 0) {
      text =
          "It has the possibility to become an error because it is short of the free "
          "capacity of the disk.\r\nDo you continue the " +
          s + " just like this?";
    } else {
      text =
          "The free capacity acquisition function of the disk failed.\r\nThe disk capacity "
          "which is necessary for the " +
          s + " is " + std::to_string(totalSize) + " Byte." + "\r\n" + "Continue the " + s +
          " just like this if disk capacity is sufficient." + "\r\n" + "\r\n" +
          "Do you continue the " + s + " just like this?";
    }
    if (view_.ShowMessageBox(text, "Shortage of free capacity", mb::YesNo | mb::IconQuestion) ==
        id::No) {
      Cancel();
      return false;
    }
  }
  Pause();
  return true;
}

bool InstallRun::PrepareFolder() {
  IFiles& files = platform_.files;
  ctx_.AppFolder = AddPathDelim(view_.DestinationFolder(), "B");
  if (!FolderExists(files, ctx_.AppFolder)) {
    int answer = view_.ShowMessageBox(
        ctx_.AppFolder + "\r\n" + "\r\n" + "This folder doesn't exist. May I make it?",
        "Folder Preparation", mb::YesNo | mb::IconQuestion);
    if (answer == id::Yes && !ForceFolders(files, ctx_.AppFolder)) {
      view_.ShowMessageBox("It failed in the preparation of the " + ctx_.SetupString + " folder." +
                               "\r\n" + "\r\n" + "Report it to the program author immediately.",
                           "Fatal Error", mb::Ok | mb::IconHand);
      answer = id::No;
    }
    if (answer != id::Yes) {
      Cancel();
      return false;
    }
  }
  ctx_.AppDriveRoot = StrLeft(ctx_.AppFolder, 2) + "\\";
  return true;
}

void InstallRun::LoadPreviousLog() {
  IFiles& files = platform_.files;
  ctx_.UninstallLogPath = ctx_.AppFolder + "UNSETUP.INI";
  ctx_.BackupLogPath = ctx_.WorkFolder + "UNSETUPOV.INI";
  if (!FileExists(files, ctx_.UninstallLogPath)) return;
  CopyFileTo(files, ctx_.UninstallLogPath, ctx_.BackupLogPath);

  // The earlier associations come from the log itself, every number even after a gap.
  IniDocument log = ReadLogDocument(files, ctx_.UninstallLogPath);
  for (int n = 1; n <= 20; ++n) {
    std::string value = log.Get("RestoreRelate", "Key" + std::to_string(n)).value_or("");
    if (!value.empty()) restore.Merge(value);
  }

  // The earlier removal entries come from the backup, so that a re-install keeps them.
  IniDocument backup = ReadLogDocument(files, ctx_.BackupLogPath);
  struct Source {
    const char* section;
    const char* stem;
    std::vector<std::string>* list;
  } sources[] = {{"DeleteFolder", "Folder", &folderList},
                 {"DeleteFile", "File", &fileList},
                 {"DeleteShortCut", "File", &shortcutList},
                 {"DeleteRegistry", "Key", &registryList},
                 {"AddDeleteFile", "File", &addFileList}};
  for (const Source& source : sources)
    for (const std::string& value : ReadNumberedKeys(backup, source.section, source.stem))
      source.list->push_back(value);
}

// ---- [MakeFolder]: the package's own folders, recorded for removal ------------------------

bool InstallRun::MakeFolders() {
  IFiles& files = platform_.files;
  for (int n = 1;; ++n) {
    std::string value = Script("MakeFolder", "Folder" + std::to_string(n));
    if (value.empty()) break;
    std::string path = ExpandPathTokens(ctx_, AddPathDelim(value, "B"));
    if (!Status("A folder is being made...\r\nMaking -> " + path)) return false;
    uint32_t error = files.CreateFolder(path);
    if (error == 0 || error == err::AlreadyExists) {
      folderList.push_back(path);
    } else {
      AddFailure("<Folder> " + path + "\r\n" + ErrorText(platform_.system, error) + "\r\n");
    }
    Pause();
  }
  return true;
}

}  // namespace orvane
