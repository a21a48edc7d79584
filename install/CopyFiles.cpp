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
    name = MapString(StrLeft(name, 255), LCMAP_UPPERCASE);
    result.destination = DelPathDelim(ExtractFilePath(destination), "B") + AddPathDelim(name, "T");
  }
  result.temporary = ctx_.TempFolder + "EXPAND.OVT";
  if (FileExists(app_.platform.files, result.temporary)) DeleteFiles(app_, result.temporary);
  result.error = app_.platform.lz.Expand(source, result.temporary);
  return result;
}

bool InstallRun::CopyFiles() {
  IFiles& files = app_.platform.files;
  ISystem& system = app_.platform.system;
  TfrmStatus& status = app_.frmStatus();
  const std::string& s = ctx_.SetupString;
  processed = 0;
  copiedSize = 0;

  for (int n = 1;; ++n) {
    // 1-5: the entry, its disk-change prefix, flags, destination and source.
    std::string value = EntryValue(n);
    if (value.empty()) break;
    std::string text = ExpandPathTokens(ctx_, value);
    bool diskChange = StrLeft(text, 5) == "(Dch)";
    if (diskChange) text = StrFrom(text, 6);
    std::string flags = GetField(text, ",", 2);
    if (!flags.empty()) flags = "," + flags;
    text = GetField(text, ",", 1);
    CopyTarget target = ResolveCopyTarget(text);
    std::string destination = target.destination;
    std::string source = ctx_.SourceFolder + target.sourceName;

    // 6: the disk question, at least once, until the source is there.
    if (diskChange) {
      ++diskNumber;
      while (true) {
        int answer = ShowMessageBox(
            app_, "Exchange it for the disk of NO." + std::to_string(diskNumber) + ".",
            "Disk Change", MB_OKCANCEL | MB_ICONINFORMATION);
        if (answer == IDCANCEL) {
          ShowMessageBox(app_, "The " + s + " couldn't be continued.", "Fatal Error",
                         MB_OK | MB_ICONHAND);
          main_.SetEndConfirmed();
          main_.SetEndRequested();
          return false;
        }
        if (FileExists(files, source)) break;
      }
    }

    bool skip = false;
    if (!FileExists(files, source)) {
      // 7: a missing source is skipped and logged.
      if (!Status("A copy is skipped because a file doesn't exist.\r\nSkipping -> " + destination))
        return false;
      AddFailure("<File> " + source + "\r\n" + "The file of the copy cause wasn't found." + "\r\n" +
                 "\r\n");
      ++processed;
      skip = true;
    }

    if (!skip) {
      // 8: a compressed source is expanded into a temporary file first.
      bool compressed = false;
      std::string compressedName;
      uint32_t expandError = 0;
      if (StrRight(source, 1) == "_") {
        compressed = true;
        compressedName = target.sourceName;
        Expanded expanded = ExpandCompressed(source, destination);
        source = expanded.temporary;
        destination = expanded.destination;
        expandError = expanded.error;
      }

      // 9.
      if (!Status("A file is being copied...\r\nCopying -> " + destination)) return false;

      uint32_t error = 0;
      if (expandError != 0) {
        // A source that could not be expanded counts as a failed copy: nothing is installed.
        error = expandError;
        ++processed;
      } else {
        // 10: an existing destination is overwritten on request or when older.
        bool copy = true;
        if (FileExists(files, destination)) {
          if (!overwrite) {
            copy = ShowMessageBox(app_,
                                  destination + "\r\n" + "\r\n" + "This file has already existed." +
                                      "\r\n" + "May I overwrite it?",
                                  "Overwriting Confirmation", MB_YESNO | MB_ICONQUESTION) != IDNO;
          } else {
            copy = FileDosDateTime(files, system, source) >
                   FileDosDateTime(files, system, destination);
          }
        }
        // 11-13.
        if (PosNoCase("/S", flags) != 0) UpdateSharedCount(app_, destination, CountChange::Add);
        if (PosNoCase("/W", flags) != 0) copy = false;
        error = copy ? CopyFileTo(files, source, destination) : 0;
        // 14-15.
        ++processed;
        if (PosNoCase("/R", flags) != 0 && FileExists(files, destination))
          RegisterComponent(app_, destination, Registration::Register);
      }

      // 16: the removal entry, a replacement at restart, or a failure entry.
      if (error == 0) {
        fileList.push_back(destination + flags);
      } else if (error == ERROR_SHARING_VIOLATION) {
        ctx_.LockedFilesPending = true;
        ReplaceAtRestart(app_, source, destination);
      } else {
        AddFailure("<File> " + destination + "\r\n" + ErrorText(system, error) + "\r\n");
      }

      // 17.
      if (compressed) {
        DeleteFiles(app_, source);
        source = ctx_.SourceFolder + compressedName;
      }

      // 18: the copied size, while progress goes by size.
      if (sizeProgress) {
        int64_t size = 0;
        if (!FindFileSize(files, source, size)) {
          sizeProgress = false;
          ShowMessageBox(app_,
                         "It is changed how to indicate progress conditions because it failed in "
                         "the acquisition of the file size.",
                         "Internal Error", MB_OK | MB_ICONEXCLAMATION);
        } else {
          copiedSize += size == 0 ? 1 : size;
        }
      }
    }

    // 19: the progress bar and label, then the pace.
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
    if (Aborted()) return false;
    Pause();
  }
  return true;
}

}  // namespace orvane
