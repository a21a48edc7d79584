// The [CopyFile] phase of the install run: variant keys, disk changes, compressed sources, the
// overwrite rules, shared counts, registration, files in use, the failure log and the progress.
#include <algorithm>

#include "app/Application.h"
#include "app/Main.h"
#include "install/FileOps.h"
#include "install/InstallRun.h"
#include "install/PathTokens.h"
#include "install/SharedFiles.h"
#include "support/MBUtils.h"
#include "support/uIniFile.h"
#include "support/uStrOp.h"
#include "windows/Status.h"

namespace orvane {

CopyTarget ResolveCopyTarget(const std::string& filePart) {
  CopyTarget target;
  int bar = PosNoCase("|", filePart);
  if (bar > 0) {
    std::string before = StrLeft(filePart, bar - 1);
    target.destination =
        DelPathDelim(ExtractFilePath(before), "B") + AddPathDelim(StrFrom(filePart, bar + 1), "T");
    target.sourceName = ExtractFileName(before);
  } else if (StrRight(filePart, 1) == "_") {
    target.destination = DelPathDelim(ExtractFilePath(filePart), "B") + "\\AUTO.EXT";
    target.sourceName = ExtractFileName(filePart);
  } else {
    target.destination = filePart;
    target.sourceName = ExtractFileName(filePart);
  }
  return target;
}

std::string InstallRun::EntryValue(int n) {
  std::string key = "File" + std::to_string(n);
  if (installType == "1") return Script("CopyFile", key);
  std::string value = Script("CopyFile", key + "_" + installType);
  return value.empty() ? Script("CopyFile", key) : value;
}

InstallRun::Expanded InstallRun::ExpandCompressed(const std::string& source,
                                                  const std::string& destination) {
  Expanded result;
  result.destination = destination;
  if (ExtractFileName(destination) == "AUTO.EXT") {
    std::string name = ExtractFileName(app_.platform.lz.ExpandedName(source));
    name = MapString(StrLeft(name, 255), lcmap::UpperCase);
    result.destination = DelPathDelim(ExtractFilePath(destination), "B") + AddPathDelim(name, "T");
  }
  result.temporary = ctx_.TempFolder + "EXPAND.OVT";
  if (FileExists(app_.platform.files, result.temporary)) DeleteFiles(app_, result.temporary);
  result.error = app_.platform.lz.Expand(source, result.temporary);
  return result;
}

// One [CopyFile] entry as the phase works on it: where the file goes, where it comes from, and
// the flags text kept for the log (with its leading ",", or empty).
struct InstallRun::CopyEntry {
  std::string destination;
  std::string source;
  std::string sourceName;
  std::string flags;
  bool diskChange = false;
};

bool InstallRun::CopyFiles() {
  processed = 0;
  copiedSize = 0;
  for (int n = 1;; ++n) {
    CopyEntry entry;
    if (!ReadCopyEntry(n, entry)) break;
    if (entry.diskChange && !AskForDisk(entry.source)) return false;
    if (!FileExists(app_.platform.files, entry.source)) {
      if (!SkipMissingSource(entry)) return false;
    } else if (!InstallEntry(entry)) {
      return false;
    }
    if (!ShowCopyProgress(n)) return false;
    Pause();
  }
  return true;
}

bool InstallRun::ReadCopyEntry(int n, CopyEntry& entry) {
  std::string value = EntryValue(n);
  if (value.empty()) return false;
  std::string text = ExpandPathTokens(ctx_, value);
  // "(Dch)", in exactly this letter case, asks for the next disk before the entry.
  entry.diskChange = StrLeft(text, 5) == "(Dch)";
  if (entry.diskChange) text = StrFrom(text, 6);
  entry.flags = GetField(text, ",", 2);
  if (!entry.flags.empty()) entry.flags = "," + entry.flags;
  CopyTarget target = ResolveCopyTarget(GetField(text, ",", 1));
  entry.destination = target.destination;
  entry.sourceName = target.sourceName;
  entry.source = ctx_.SourceFolder + target.sourceName;
  return true;
}

bool InstallRun::AskForDisk(const std::string& source) {
  ++diskNumber;
  // Asked at least once, even when the source is there already.
  while (true) {
    int answer =
        ShowMessageBox(app_, "Exchange it for the disk of NO." + std::to_string(diskNumber) + ".",
                       "Disk Change", mb::OkCancel | mb::IconInformation);
    if (answer == id::Cancel) {
      ShowMessageBox(app_, "The " + ctx_.SetupString + " couldn't be continued.", "Fatal Error",
                     mb::Ok | mb::IconHand);
      main_.SetEndConfirmed();
      main_.SetEndRequested();
      return false;
    }
    if (FileExists(app_.platform.files, source)) return true;
  }
}

bool InstallRun::SkipMissingSource(const CopyEntry& entry) {
  if (!Status("A copy is skipped because a file doesn't exist.\r\nSkipping -> " +
              entry.destination))
    return false;
  AddFailure("<File> " + entry.source + "\r\n" + "The file of the copy cause wasn't found." +
             "\r\n" + "\r\n");
  ++processed;
  return true;
}

bool InstallRun::InstallEntry(const CopyEntry& entry) {
  // A compressed source is expanded into a temporary file, which is then copied; its header may
  // name the destination.
  std::string source = entry.source;
  std::string destination = entry.destination;
  const bool compressed = StrRight(source, 1) == "_";
  uint32_t error = 0;
  if (compressed) {
    Expanded expanded = ExpandCompressed(source, destination);
    source = expanded.temporary;
    destination = expanded.destination;
    error = expanded.error;
  }

  if (!Status("A file is being copied...\r\nCopying -> " + destination)) return false;
  if (error != 0) {
    // A source that could not be expanded counts as a failed copy: nothing is installed.
    ++processed;
  } else {
    error = CopyOrKeep(source, destination, entry.flags);
  }
  RecordCopy(error, source, destination, entry.flags);

  if (compressed) DeleteFiles(app_, source);
  // The size that counts is that of the file on the disk, compressed or not.
  if (sizeProgress) AddCopiedSize(entry.source);
  return true;
}

uint32_t InstallRun::CopyOrKeep(const std::string& source, const std::string& destination,
                                const std::string& flags) {
  IFiles& files = app_.platform.files;
  ISystem& system = app_.platform.system;
  // An existing destination is replaced when the user agrees or, with the overwrite option on,
  // only by a strictly newer source.
  bool copy = true;
  if (FileExists(files, destination)) {
    if (!overwrite) {
      copy = ShowMessageBox(app_,
                            destination + "\r\n" + "\r\n" + "This file has already existed." +
                                "\r\n" + "May I overwrite it?",
                            "Overwriting Confirmation", mb::YesNo | mb::IconQuestion) != id::No;
    } else {
      copy = FileDosDateTime(files, system, source) > FileDosDateTime(files, system, destination);
    }
  }
  // A shared file is counted whether or not it is copied; /W never copies.
  if (PosNoCase("/S", flags) != 0) UpdateSharedCount(app_, destination, CountChange::Add);
  if (PosNoCase("/W", flags) != 0) copy = false;
  uint32_t error = copy ? CopyFileTo(files, source, destination) : 0;
  ++processed;
  if (PosNoCase("/R", flags) != 0 && FileExists(files, destination))
    RegisterComponent(app_, destination, Registration::Register);
  return error;
}

void InstallRun::RecordCopy(uint32_t error, const std::string& source,
                            const std::string& destination, const std::string& flags) {
  if (error == 0) {
    fileList.push_back(destination + flags);
  } else if (error == err::SharingViolation) {
    // The destination is in use: it is replaced at the next restart, which the run then asks
    // for, and it gets no removal entry.
    ctx_.LockedFilesPending = true;
    ReplaceAtRestart(app_, source, destination);
  } else {
    AddFailure("<File> " + destination + "\r\n" + ErrorText(app_.platform.system, error) + "\r\n");
  }
}

void InstallRun::AddCopiedSize(const std::string& source) {
  int64_t size = 0;
  if (!FindFileSize(app_.platform.files, source, size)) {
    sizeProgress = false;
    ShowMessageBox(app_,
                   "It is changed how to indicate progress conditions because it failed in the "
                   "acquisition of the file size.",
                   "Internal Error", mb::Ok | mb::IconExclamation);
    return;
  }
  copiedSize += size == 0 ? 1 : size;
}

bool InstallRun::ShowCopyProgress(int n) {
  TfrmStatus& status = app_.frmStatus();
  int64_t position;
  if (sizeProgress) {
    position = totalSize > 0 ? copiedSize * 100 / totalSize : 100;
  } else {
    position = entryCount > 0 ? static_cast<int64_t>(n) * 100 / entryCount : 100;
  }
  position = std::clamp<int64_t>(position, 0, 100);
  status.prgStatus.position = static_cast<int>(position);
  status.lblStatus.caption = std::to_string(status.prgStatus.position) + "%(" +
                             std::to_string(processed) + "/" + std::to_string(entryCount) + ")";
  app_.ProcessMessages();
  return !Aborted();
}

}  // namespace orvane
