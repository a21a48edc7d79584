// The emulated Windows machine: one host folder holding drives, registry and settings.
// Resolves Windows paths to host paths without regard to ASCII letter case, and confines every
// path to the machine folder and the mapped distribution folder.
#pragma once
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvane::host {

class HostRegistry;

struct MachineSettings {
  int platformId = 2;  // 2: Windows NT layout; 1: Windows 95 layout
  std::string userName = "User";
};

class Machine {
 public:
  // Opens the machine in `folder`, making the folder, the drive C: skeleton, the registry and the
  // settings file on first use. Throws std::runtime_error with a one-line message when the folder
  // cannot be made or its settings or registry cannot be read.
  static std::unique_ptr<Machine> Open(const std::filesystem::path& folder,
                                       const MachineSettings& settingsForNewMachine = {});
  ~Machine();

  const std::filesystem::path& Folder() const { return folder_; }
  const MachineSettings& Settings() const { return settings_; }
  HostRegistry& Registry() { return *registry_; }

  // Maps a host folder as drive `letter` (A to Z, not C) and records it in the settings.
  void MapDrive(char letter, const std::filesystem::path& hostFolder);
  // The host folder of a drive, empty when the drive does not exist.
  std::filesystem::path DriveFolder(char letter) const;
  // Makes a Windows path name a host file that lies outside the drives (the running program
  // itself, reachable as "<drive>:\SETUP.EXE" of the distribution drive). Not persisted.
  void AddVirtualFile(const std::string& windowsPath, const std::filesystem::path& hostFile);

  // Resolves an absolute Windows path ("C:\Dir\File.txt", "/" accepted as separator, "." and ".."
  // folded as Windows folds them) to a host path. Each existing component is matched without
  // regard to ASCII letter case (and, failing that, against the 8.3 aliases of its folder);
  // components that do not exist keep the case given. Code page 932 names become UTF-8.
  // Returns 0, or: 3 for an unknown drive or a relative path, 53 for a UNC path, 123 for a name
  // Windows forbids (a forbidden character, or a device name: CON, PRN, AUX, NUL, COM1-COM9,
  // LPT1-LPT9, with or without an extension) or that is not valid code page 932, 206 for a path
  // longer than 259 characters, 5 when the path would lead outside the machine (a symbolic link
  // out).
  uint32_t Resolve(const std::string& windowsPath, std::filesystem::path& hostPath) const;
  // The same, also giving what stat() says of the result (links followed) when it exists, so
  // that callers need not examine it again.
  uint32_t Resolve(const std::string& windowsPath, std::filesystem::path& hostPath,
                   struct stat& finalStat, bool& exists) const;
  // Resolve for an operation that creates, writes, replaces, renames, moves, deletes or sets the
  // attributes of the entry: the same, and 5 when the path leads to a mapped program file (by
  // its Windows name or by any other name of the same host file). The running program may be
  // read and copied through the machine, never changed.
  uint32_t ResolveForWriting(const std::string& windowsPath, std::filesystem::path& hostPath) const;
  uint32_t ResolveForWriting(const std::string& windowsPath, std::filesystem::path& hostPath,
                             struct stat& finalStat, bool& exists) const;
  // True when a host path is a mapped program file, or another name (link) of the same file.
  bool IsProgramFile(const std::filesystem::path& hostPath) const;
  // The Windows path of a host path inside a drive; empty when it lies in none.
  std::string ToWindowsPath(const std::filesystem::path& hostPath) const;
  // The path in canonical Windows form ("C:\Dir\File.txt": upper-case drive letter, "\"
  // separators, "." and ".." folded, no trailing separator except at a drive root), with the
  // same checks and error codes as Resolve except those that need the disk.
  uint32_t Normalize(const std::string& windowsPath, std::string& normalized) const;
  // Tells the resolver that this process made an entry (file or folder) at `hostPath`, so that
  // the cached names of its folder stay valid without listing the folder again.
  void NoteCreated(const std::filesystem::path& hostPath) const;
  // True when the real location of a host path (symbolic links followed) lies inside the machine
  // folder, a mapped drive or a virtual file.
  bool IsInside(const std::filesystem::path& hostPath) const;
  // The 8.3 alias of the entry `utf8Name` of a host folder (code page 932): the name itself when
  // it is a valid 8.3 name, else six characters, "~n" and three of the extension, numbered in
  // name order among the folder's entries. Empty when the name has no code page 932 form.
  static std::string ShortName(const std::filesystem::path& hostFolder,
                               const std::string& utf8Name);

  // The layout's Windows, system and temporary folders (Windows paths without trailing "\").
  std::string WindowsFolder() const;
  std::string SystemFolder() const;
  std::string TempFolder() const;

  // The [FreeSpace] setting of a drive: a number of bytes or "fail"; nothing when the drive's
  // real free space is reported. SetFreeSpace records one (an empty value removes it).
  std::optional<std::string> FreeSpaceSetting(char letter) const;
  void SetFreeSpace(char letter, const std::string& value);

  // The current folder of this process on the machine (SetCurrentDirectory), a Windows path.
  const std::string& CurrentFolder() const { return currentFolder_; }
  void SetCurrentFolder(const std::string& windowsPath) { currentFolder_ = windowsPath; }

  // Carries out the replacements recorded for the next start (PendingFileRenameOperations and
  // the [rename] section of WININIT.INI), as a restart of the machine does.
  void Restart();

 private:
  Machine() = default;
  void LoadSettings();
  void SaveSettings() const;
  void MakeSkeleton();
  // The two halves of Restart: the registry's PendingFileRenameOperations, then (Windows 95
  // layout) the [rename] section of WININIT.INI.
  void CarryOutPendingRenames();
  void CarryOutWininitRenames();
  // IsProgramFile, given what stat() says of the path when it exists (null when it does not).
  bool IsProgramFile(const std::filesystem::path& hostPath, const struct stat* info) const;

  // The steps of Resolve. A walk goes from a drive's folder down the components of a path.
  struct ResolveWalk;
  // The host file of a virtual file the path names, or null.
  const std::filesystem::path* VirtualFile(char drive,
                                           const std::vector<std::string>& components) const;
  // Whether a drive's folder is itself a symbolic link, or missing (examined once per drive).
  bool DriveIsLink(char drive, const std::string& root) const;
  // Adds one component to the walk: the existing entry it names, else the name as written.
  uint32_t ResolveComponent(ResolveWalk& walk, const std::string& component) const;
  // Looks up the entry a component names in the folder that `folderSlash` ends with ("/" last):
  // the name as written, else the same name in another letter case, else the entry it is the 8.3
  // alias of. `onDisk` becomes the entry's name (the name as written when none matches); true
  // when it exists, with what lstat says of it in `st`.
  bool FindEntry(const std::string& folderSlash, const std::string& component,
                 const std::string& utf8, std::string& onDisk, struct stat& st) const;
  // The confinement check at the end of a walk: 5 when a link on the way leads out of the machine.
  uint32_t CheckConfined(const ResolveWalk& walk, const std::string& root) const;

  std::filesystem::path folder_;
  MachineSettings settings_;
  std::map<char, std::filesystem::path> drives_;
  std::map<char, std::string> freeSpace_;
  std::map<std::string, std::filesystem::path> virtualFiles_;  // upper-cased Windows path
  std::unique_ptr<HostRegistry> registry_;
  std::string currentFolder_ = "C:\\";

  // The upper-cased names of a folder's entries, valid while the folder's change time and inode
  // stay as they were when it was listed. A lookup of a name that does not exist otherwise lists
  // the whole folder, which makes filling one folder with n new files cost n^2.
  struct FolderNames {
    int64_t changed = 0;
    uint64_t inode = 0;
    std::unordered_map<std::string, std::string> byUpper;
  };
  // The entry of `folder` whose name equals `utf8` without regard to ASCII letter case (the first
  // in byte order when several do), or empty.
  std::string FindNameNoCase(const std::filesystem::path& folder, const std::string& utf8) const;
  mutable std::unordered_map<std::string, FolderNames> folderNames_;
  // Whether a drive's folder is itself a symbolic link (then every path is checked for where it
  // really leads); examined once per drive.
  mutable std::map<char, bool> driveIsLink_;
};

// Letter case folding of ASCII letters in a code page 932 text (trail bytes left alone).
std::string UpperCp932(const std::string& text);

}  // namespace orvane::host
