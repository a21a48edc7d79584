// The [CopyFile] entries as the copy phase reads them, their rewriting, and the disk assignment.
#include "pack/DistLayout.h"

#include <cctype>
#include <map>
#include <set>

#include "install/FileOps.h"
#include "install/InstallRun.h"
#include "install/PathTokens.h"
#include "install/SetupContext.h"
#include "support/MBUtils.h"
#include "support/Szdd.h"
#include "support/uStrOp.h"

namespace orvane::pack {
namespace {

const char kDiskChange[] = "(Dch)";

// Folder values for the path tokens: any folder ending in "\" gives the same source names.
SetupContext TokenContext() {
  SetupContext ctx;
  ctx.SourceFolder = ctx.SourceDriveRoot = "A:\\";
  ctx.WindowsDriveRoot = ctx.AppDriveRoot = "C:\\";
  ctx.AppFolder = "C:\\APP\\";
  ctx.TempFolder = "C:\\TEMP\\";
  ctx.WindowsFolder = "C:\\WINDOWS\\";
  ctx.SystemFolder = "C:\\WINDOWS\\SYSTEM\\";
  ctx.ProgramFilesFolder = "C:\\PROGRAM FILES\\";
  ctx.StartMenuFolder = ctx.CommonStartMenuFolder = "C:\\MENU\\";
  ctx.ProgramsFolder = ctx.CommonProgramsFolder = "C:\\MENU\\PROGRAMS\\";
  ctx.DesktopFolder = ctx.CommonDesktopFolder = "C:\\DESKTOP\\";
  ctx.StartupFolder = ctx.CommonStartupFolder = "C:\\MENU\\STARTUP\\";
  ctx.SendToFolder = "C:\\SENDTO\\";
  return ctx;
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

bool Ascii(const std::string& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The entry number and variant of a key name: "File12" gives 12, "File12_2" 12; 0 for others.
int EntryNumber(const std::string& key) {
  const std::string upper = Upper(key);
  if (upper.compare(0, 4, "FILE") != 0) return 0;
  std::size_t i = 4;
  int number = 0;
  while (i < upper.size() && std::isdigit(static_cast<unsigned char>(upper[i])) && number < 100000)
    number = number * 10 + (upper[i++] - '0');
  if (i == 4 || (i < upper.size() && upper[i] != '_')) return 0;
  // The install reads File<n> and File<n>_<type>, the number written without leading zeros.
  if (upper[4] == '0') return 0;
  return number;
}

// The destination the copy phase computes for a value, and its source name.
CopyTarget Target(const std::string& value) {
  std::string text = ExpandPathTokens(TokenContext(), value);
  if (StrLeft(text, 5) == kDiskChange) text = StrFrom(text, 6);
  return ResolveCopyTarget(GetField(text, ",", 1));
}

}  // namespace

std::string CopySourceName(const std::string& value) {
  return Target(value).sourceName;
}

std::vector<CopyEntry> ReadCopyEntries(const IniDocument& script) {
  // The key names by entry number, the first of each name only (the one the install reads).
  std::map<int, std::vector<std::string>> byNumber;
  std::set<std::string> seen;
  for (const std::string& name : script.KeyNames("CopyFile"))
    if (int n = EntryNumber(name); n > 0 && seen.insert(Upper(name)).second)
      byNumber[n].push_back(name);
  std::vector<CopyEntry> entries;
  for (int n = 1;; ++n) {
    CopyEntry entry;
    entry.number = n;
    for (const std::string& name : byNumber[n]) {
      std::string value = script.Get("CopyFile", name).value_or("");
      if (value.empty()) continue;
      CopyKey key;
      key.key = name;
      key.diskChange = StrLeft(value, 5) == kDiskChange;
      key.value = key.diskChange ? StrFrom(value, 6) : value;
      key.sourceName = CopySourceName(key.value);
      entry.keys.push_back(key);
    }
    if (entry.keys.empty()) break;
    entries.push_back(entry);
  }
  return entries;
}

bool CompressedValue(const std::string& value, const std::string& compressedName, char lastChar,
                     std::string& rewritten, std::string& error) {
  const CopyTarget before = Target(value);
  const std::string filePart = GetField(value, ",", 1);
  const std::string rest = value.substr(filePart.size());  // "," and the flags, or nothing
  const int bar = PosNoCase("|", filePart);
  std::string source = bar > 0 ? StrLeft(filePart, bar - 1) : filePart;
  const std::string after = bar > 0 ? StrFrom(filePart, bar + 1) : "";
  // The name is the literal end of the text before the bar (tokens stand at its start).
  const std::string& name = before.sourceName;
  if (name.empty() || source.size() < name.size() ||
      source.compare(source.size() - name.size(), name.size(), name) != 0) {
    error = "the source name of '" + value + "' cannot be replaced";
    return false;
  }
  source.replace(source.size() - name.size(), name.size(), compressedName);

  std::string part;
  if (bar > 0) {
    part = source + "|" + after;
  } else if (Ascii(name) && Upper(ExpandedName(compressedName, lastChar)) == name) {
    // The header's name, upper-cased, is the destination's: the classic form, "(App)X.TX_".
    part = source;
  } else {
    part = source + "|" + name;
  }
  rewritten = part + rest;

  const CopyTarget now = Target(rewritten);
  const bool sameDestination =
      now.destination == before.destination ||
      (ExtractFileName(now.destination) == "AUTO.EXT" &&
       ExtractFilePath(now.destination) == ExtractFilePath(before.destination));
  if (now.sourceName != compressedName || !sameDestination) {
    error = "'" + value + "' cannot take the compressed source " + compressedName;
    return false;
  }
  return true;
}

bool AssignDisks(uint64_t diskSize, uint64_t firstDiskBytes,
                 const std::vector<std::vector<DiskFile>>& entryFiles, std::vector<int>& disks,
                 std::string& error) {
  disks.clear();
  if (firstDiskBytes > diskSize) {
    error = "the first disk cannot hold the program, the script and the wizard's files (" +
            std::to_string(firstDiskBytes) + " bytes)";
    return false;
  }
  int disk = 1;
  uint64_t used = firstDiskBytes;
  std::set<std::string> onDisk;
  for (const std::vector<DiskFile>& files : entryFiles) {
    auto added = [&](bool fresh) {
      uint64_t bytes = 0;
      std::set<std::string> counted;
      for (const DiskFile& file : files)
        if ((fresh || !onDisk.count(Upper(file.name))) && counted.insert(Upper(file.name)).second)
          bytes += file.size;
      return bytes;
    };
    if (used + added(false) > diskSize) {
      ++disk;
      used = 0;
      onDisk.clear();
      if (added(true) > diskSize) {
        error = "the files of [CopyFile] File" + std::to_string(disks.size() + 1) + " (" +
                std::to_string(added(true)) + " bytes) do not fit on one disk";
        return false;
      }
    }
    used += added(false);
    for (const DiskFile& file : files) onDisk.insert(Upper(file.name));
    disks.push_back(disk);
  }
  return true;
}

}  // namespace orvane::pack
