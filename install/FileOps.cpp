// File routines built from the platform's single operations: copying with the attribute reset,
// deleting by pattern, removing folders, creating folder chains, error texts and free space.
#include "install/FileOps.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "install/SharedFiles.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/System.h"
#include "support/MBUtils.h"
#include "support/uStrOp.h"

namespace orvane {
namespace {

// The name with its ASCII letters upper-cased (double-byte characters left whole): the key that
// file names are compared by, as the file system compares them.
std::string NameKey(const std::string& name) {
  std::string key = name;
  for (size_t i = 0; i < key.size(); ++i) {
    if (IsLeadChar(static_cast<unsigned char>(key[i])))
      ++i;
    else if (key[i] >= 'a' && key[i] <= 'z')
      key[i] = static_cast<char>(key[i] - 'a' + 'A');
  }
  return key;
}

// "C:" (a drive root without its backslash).
bool IsDriveRoot(const std::string& folder) {
  return folder.size() == 2 && folder[1] == ':';
}

// Deletes a folder and everything in it, as the shell's delete operation does for a folder
// matched by a wildcard. Returns the first error met; goes on after errors.
uint32_t DeleteTree(Platform& platform, const std::string& folder) {
  IFiles& files = platform.files;
  uint32_t first = 0;
  std::vector<FindEntry> entries;
  std::string base = AddPathDelim(folder, "B");
  if (ListFolder(files, base + "*.*", entries) == 0) {
    for (const FindEntry& entry : entries) {
      std::string path = base + entry.name;
      uint32_t code;
      if (entry.info.IsFolder()) {
        code = DeleteTree(platform, path);
      } else {
        if (IsComponentFile(path)) UnregisterComponent(platform.components, path);
        files.SetAttributes(path, attr::Archive);
        code = files.RemoveFile(path);
      }
      if (code != 0 && first == 0) first = code;
    }
  }
  uint32_t code = files.RemoveFolder(folder);
  return first != 0 ? first : code;
}

}  // namespace

uint32_t ListFolder(IFiles& files, const std::string& pattern, std::vector<FindEntry>& entries) {
  uint32_t code = files.Find(pattern, entries);
  if (code != 0) {
    entries.clear();
    return code;
  }
  std::erase_if(entries, [](const FindEntry& e) { return e.name == "." || e.name == ".."; });
  std::vector<std::pair<std::string, FindEntry>> keyed;
  keyed.reserve(entries.size());
  for (FindEntry& entry : entries)
    keyed.emplace_back(NameKey(entry.name), std::move(entry));
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second.name < b.second.name;
  });
  entries.clear();
  for (auto& [key, entry] : keyed) entries.push_back(std::move(entry));
  return entries.empty() ? static_cast<uint32_t>(err::FileNotFound) : 0u;
}

std::string ExtractFileName(const std::string& path) {
  // The text after the last delimiter "\" or ":" that stands as a character of its own.
  int cut = 0;
  for (int i = 1; i <= static_cast<int>(path.size()); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i - 1]);
    if (IsLeadChar(c)) {
      ++i;
      continue;
    }
    if (c == '\\' || c == ':') cut = i;
  }
  return path.substr(cut);
}

std::string ExtractFilePath(const std::string& path) {
  return path.substr(0, path.size() - ExtractFileName(path).size());
}

uint32_t CopyFileTo(IFiles& files, const std::string& source, const std::string& destination) {
  // The copy is tried first and the destination's attributes cleared only when it fails (a
  // read-only or hidden file refuses it): looking up a file that does not exist yet costs a
  // search of its whole folder on some systems, and most destinations are new.
  uint32_t code = files.Copy(source, destination, false);
  if (code != 0 && files.SetAttributes(destination, attr::Archive) == 0 &&
      code == err::AccessDenied)
    code = files.Copy(source, destination, false);
  if (code == 0) files.SetAttributes(destination, attr::Archive);
  return code;
}

bool FileExists(IFiles& files, const std::string& path) {
  FileInfo info;
  return !path.empty() && files.GetInfo(path, info) == 0 && !info.IsFolder();
}

uint32_t DeleteFiles(Platform& platform, const std::string& path) {
  IFiles& files = platform.files;
  bool wildcard = PosNoCase("*", path) > 0 || PosNoCase("?", path) > 0;
  if (!FileExists(files, path) && !wildcard) return err::FileNotFound;
  if (IsComponentFile(path)) UnregisterComponent(platform.components, path);

  if (!wildcard) {
    // The shell deletes read-only files too when it asks no questions.
    files.SetAttributes(path, attr::Archive);
    return files.RemoveFile(path);
  }
  // A wildcard pattern deletes every match in its folder, matching folders with their contents.
  std::vector<FindEntry> entries;
  uint32_t code = ListFolder(files, path, entries);
  if (code != 0) return code == err::FileNotFound ? 0 : code;
  std::string folder = ExtractFilePath(path);
  uint32_t first = 0;
  for (const FindEntry& entry : entries) {
    std::string target = folder + entry.name;
    if (entry.info.IsFolder()) {
      code = DeleteTree(platform, target);
    } else {
      if (IsComponentFile(target)) UnregisterComponent(platform.components, target);
      files.SetAttributes(target, attr::Archive);
      code = files.RemoveFile(target);
    }
    if (code != 0 && first == 0) first = code;
  }
  return first;
}

uint32_t RemoveFolder(Platform& platform, const std::string& folder, const std::string& patterns) {
  std::string base = AddPathDelim(folder, "B");
  std::string list = patterns;
  while (!list.empty()) {
    std::string piece;
    int bar = PosNoCase("|", list);
    if (bar > 0) {
      piece = StrLeft(list, bar - 1);
      list = StrFrom(list, bar + 1);
    } else {
      piece = list;
      list.clear();
    }
    DeleteFiles(platform, base + piece);
  }
  return platform.files.RemoveFolder(base);
}

bool FolderExists(IFiles& files, const std::string& path) {
  // A search of the folder's "*.*" finds an entry in every existing folder but an empty drive
  // root: Windows lists "." everywhere else. Backends need not list the dots, so a folder whose
  // search finds nothing (2) is asked for itself.
  const std::string folder = DelPathDelim(path, "B");
  std::vector<FindEntry> entries;
  uint32_t code = files.Find(folder + "\\*.*", entries);
  if (code == 0 && !entries.empty()) return true;
  if ((code != 0 && code != err::FileNotFound) || IsDriveRoot(folder)) return false;
  FileInfo info;
  return files.GetInfo(folder, info) == 0 && info.IsFolder();
}

bool ForceFolders(IFiles& files, const std::string& path) {
  std::string rest = AddPathDelim(path, "B");
  std::string prefix;
  bool result = true;
  for (;;) {
    int p = MBPos("\\", rest);
    if (p <= 0) break;
    prefix += StrLeft(rest, p);
    rest = StrFrom(rest, p + 1);
    if (!FolderExists(files, prefix)) result = files.CreateFolder(prefix) == 0;
  }
  return result;
}

std::string ErrorText(ISystem& system, uint32_t code) {
  if (code == 0) return "";
  std::string text = system.MessageText(code);
  // As the runtime's system-message helper does: trailing blanks, line ends and full stops go.
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
    text.pop_back();
  std::string mapped = MapString(text, lcmap::FullWidth);
  return (mapped.empty() ? text : mapped) + "\r\n";
}

bool GetFreeBytesEx(IFiles& files, const std::string& drive, int64_t& freeBytes) {
  freeBytes = -1;
  int64_t bytes = 0;
  if (!files.DiskFreeSpaceEx(AddPathDelim(drive, "B"), bytes)) return false;
  freeBytes = bytes;
  return true;
}

bool GetFreeBytes(IFiles& files, const std::string& drive, int64_t& freeBytes) {
  freeBytes = -1;
  uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0;
  if (!files.DiskFreeSpace(AddPathDelim(drive, "B"), sectorsPerCluster, bytesPerSector,
                           freeClusters))
    return false;
  freeBytes = static_cast<int64_t>(freeClusters) * sectorsPerCluster * bytesPerSector;
  return true;
}

std::string ShortPath(IFiles& files, const std::string& path) { return files.ShortPath(path); }

int32_t FileDosDateTime(IFiles& files, ISystem& system, const std::string& path) {
  FileInfo info;
  if (files.GetInfo(path, info) != 0 || info.IsFolder()) return -1;
  return system.LocalDosDateTime(info.lastWrite);
}

}  // namespace orvane
