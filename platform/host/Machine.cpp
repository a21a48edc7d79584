// The emulated Windows machine: settings file, drive C: skeleton, path resolution with letter
// case folding and confinement, 8.3 aliases, and the replacements carried out at a restart.
#include "platform/host/Machine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/WinTypes.h"
#include "platform/host/HostRegistry.h"
#include "platform/host/RegularFile.h"
#include "support/Cp932.h"
#include "support/WindowsPath.h"

namespace fs = std::filesystem;

namespace orvane::host {
namespace {

const char kSettingsFile[] = "machine.ini";
const char kRegistryFile[] = "registry.reg";
const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";
const char kUserShellKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kMachineShellKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// ASCII case folding of a UTF-8 name: multi-byte sequences only hold bytes of 0x80 and above.
std::string UpperUtf8(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string Trim(const std::string& text) {
  size_t b = text.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = text.find_last_not_of(" \t\r\n");
  return text.substr(b, e - b + 1);
}

// A minimal INI reader for the settings file and WININIT.INI: sections in order, each with its
// key/value lines in order.
struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;
};

std::vector<IniSection> ParseIni(const std::string& text) {
  std::vector<IniSection> sections;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      if (close != std::string::npos) {
        sections.push_back({Trim(line.substr(1, close - 1)), {}});
        continue;
      }
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos || sections.empty()) continue;
    sections.back().entries.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
  return sections;
}

// Only a regular file is read: a FIFO in its place would otherwise block the reader forever.
bool ReadWholeFile(const fs::path& path, std::string& bytes) {
  return ReadRegularFile(path, bytes) == 0;
}

bool IsUnder(const fs::path& path, const fs::path& root) {
  auto p = path.begin();
  for (auto r = root.begin(); r != root.end(); ++r, ++p) {
    if (r->empty()) continue;  // a trailing separator of the root
    if (p == path.end() || *p != *r) return false;
  }
  return true;
}

fs::path RealPath(const fs::path& path) {
  std::error_code ec;
  fs::path real = fs::weakly_canonical(path, ec);
  return ec ? fs::path() : real;
}

// The canonical Windows form of a parsed path: "C:\\" and the components joined by "\\".
std::string Joined(char drive, const std::vector<std::string>& components) {
  std::string path = std::string(1, drive) + ":\\";
  for (size_t i = 0; i < components.size(); ++i) path += (i ? "\\" : "") + components[i];
  return path;
}

// The host (UTF-8) name of a parsed component: 123 when it has none or it would hold "/", 206
// when it is longer than the host allows. Confinement rests on every component being one name
// of its own: Parse folds "." and ".." and never gives an empty name, and one that came through
// all the same is refused rather than followed.
uint32_t HostName(const std::string& component, std::string& utf8) {
  if (!Cp932ToUtf8(component, utf8) || utf8.find('/') != std::string::npos) return err::InvalidName;
  if (utf8.size() > 255) return err::FilenameExcedRange;
  if (utf8.empty() || utf8 == "." || utf8 == "..") return err::AccessDenied;
  return 0;
}

// The entry of a host folder whose 8.3 alias is `component` (code page 932, any letter case): the
// first in byte order when several are, empty when none is.
std::string AliasTarget(const fs::path& folder, const std::string& component) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return "";
  const std::string upper = UpperCp932(component);
  std::string first;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::string name = entry.path().filename().string();
    if ((first.empty() || name < first) && UpperCp932(Machine::ShortName(folder, name)) == upper)
      first = name;
  }
  return first;
}

#ifndef NDEBUG
// For assertions on a resolved host path: it is `root` followed by "/name" parts, none of them
// empty, "." or "..".
bool NamesBelow(const std::string& path, const std::string& root) {
  if (path.compare(0, root.size(), root) != 0) return false;
  for (size_t at = root.size(); at < path.size();) {
    size_t end = path.find('/', at + 1);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(at + 1, end - at - 1);
    if (path[at] != '/' || name.empty() || name == "." || name == "..") return false;
    at = end;
  }
  return true;
}

// True when a part of `path` after `root` is a symbolic link.
bool LinkBelow(const std::string& path, const std::string& root) {
  for (size_t at = path.find('/', root.size()); at != std::string::npos;) {
    size_t end = path.find('/', at + 1);
    struct stat st;
    if (lstat(path.substr(0, end).c_str(), &st) != 0) return false;  // new from here on
    if (S_ISLNK(st.st_mode)) return true;
    at = end;
  }
  return false;
}
#endif

// Characters allowed in a valid 8.3 name besides letters, digits and double-byte characters.
bool Is83Char(unsigned char c) {
  if (c >= 0x80) return true;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string("!#$%&'()-@^_`{}~").find(static_cast<char>(c)) != std::string::npos;
}

bool IsValid83(const std::string& name) {
  if (name == "." || name == "..") return true;
  size_t dot = name.find('.');
  std::string base = name.substr(0, dot);
  std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::string::npos && (ext.empty() || ext.find('.') != std::string::npos)) return false;
  for (unsigned char c : base + ext)
    if (!Is83Char(c)) return false;
  return true;
}

// Keeps the characters of `text` usable in an 8.3 name, upper-cased, at most `limit` bytes and
// never splitting a double-byte character.
std::string ShortPart(const std::string& text, size_t limit) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t len = (IsLeadChar(c) && i + 1 < text.size()) ? 2 : 1;
    std::string piece = text.substr(i, len);
    i += len;
    if (len == 1) {
      if (c == ' ' || c == '.') continue;
      piece[0] = Is83Char(c) ? AsciiUpper(piece[0]) : '_';
    }
    if (out.size() + piece.size() > limit) break;
    out += piece;
  }
  return out;
}

struct Layout {
  std::string windows, system, temp, programFiles;
  std::vector<std::string> folders;
  std::vector<std::pair<std::string, std::string>> userShell, commonShell;
};

Layout LayoutOf(const MachineSettings& settings) {
  Layout l;
  l.windows = "C:\\WINDOWS";
  l.programFiles = "C:\\Program Files";
  if (settings.platformId == 1) {
    l.system = "C:\\WINDOWS\\SYSTEM";
    l.temp = "C:\\WINDOWS\\TEMP";
    std::string startMenu = "C:\\WINDOWS\\Start Menu";
    l.userShell = {{"Start Menu", startMenu},
                   {"Programs", startMenu + "\\Programs"},
                   {"Desktop", "C:\\WINDOWS\\Desktop"},
                   {"Startup", startMenu + "\\Programs\\StartUp"},
                   {"SendTo", "C:\\WINDOWS\\SendTo"}};
  } else {
    std::string profile = "C:\\Users\\" + settings.userName;
    std::string roaming = profile + "\\AppData\\Roaming\\Microsoft\\Windows";
    std::string common = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
    l.system = "C:\\WINDOWS\\system32";
    l.temp = profile + "\\AppData\\Local\\Temp";
    l.userShell = {{"Start Menu", roaming + "\\Start Menu"},
                   {"Programs", roaming + "\\Start Menu\\Programs"},
                   {"Desktop", profile + "\\Desktop"},
                   {"Startup", roaming + "\\Start Menu\\Programs\\Startup"},
                   {"SendTo", roaming + "\\SendTo"}};
    l.commonShell = {{"Common Start Menu", common},
                     {"Common Programs", common + "\\Programs"},
                     {"Common Desktop", "C:\\Users\\Public\\Desktop"},
                     {"Common Startup", common + "\\Programs\\Startup"}};
  }
  l.folders = {l.windows, l.system, l.temp, l.programFiles};
  for (const auto& [name, folder] : l.userShell) l.folders.push_back(folder);
  for (const auto& [name, folder] : l.commonShell) l.folders.push_back(folder);
  return l;
}

// Moves a host file the way the restart does: rename, or across devices a copy beside the
// destination renamed over it (never a write into the destination's own file, which may be a
// hard link to a file elsewhere), then the source deleted.
void MoveAtRestart(const fs::path& source, const fs::path& destination) {
  std::error_code ec;
  if (fs::is_directory(destination, ec)) return;
  fs::rename(source, destination, ec);
  if (ec == std::errc::cross_device_link) {
    ec.clear();
    fs::path temporary = destination;
    temporary += ".restart" + std::to_string(::getpid());
    fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::rename(temporary, destination, ec);
    if (ec) {
      fs::remove(temporary, ec);
      return;
    }
    fs::remove(source, ec);
  }
}

}  // namespace

std::string UpperCp932(const std::string& text) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsLeadChar(static_cast<unsigned char>(out[i]))) {
      ++i;
      continue;
    }
    out[i] = AsciiUpper(out[i]);
  }
  return out;
}

Machine::~Machine() = default;

std::unique_ptr<Machine> Machine::Open(const fs::path& folder,
                                       const MachineSettings& settingsForNewMachine) {
  std::unique_ptr<Machine> m(new Machine());
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder))
    throw std::runtime_error("cannot make the machine folder " + folder.string() + ": " +
                             ec.message());
  m->folder_ = fs::canonical(folder);
  bool fresh = !fs::exists(m->folder_ / kSettingsFile);
  if (fresh) {
    m->settings_ = settingsForNewMachine;
    if (m->settings_.platformId != 1) m->settings_.platformId = 2;
  } else {
    m->LoadSettings();
  }
  if (fresh) fs::create_directories(m->folder_ / "drive_c", ec);
  m->registry_ = std::make_unique<HostRegistry>(m->folder_ / kRegistryFile);
  if (fresh) {
    m->MakeSkeleton();
    m->SaveSettings();
  }
  return m;
}

void Machine::LoadSettings() {
  const fs::path file = folder_ / kSettingsFile;
  std::string text;
  if (!ReadWholeFile(file, text)) throw std::runtime_error("cannot read " + file.string());
  // A damaged settings file is reported rather than read as a machine with default settings.
  auto broken = [&](const std::string& why) {
    return std::runtime_error(file.string() + ": " + why + ": not a machine settings file");
  };
  if (text.find('\0') != std::string::npos) throw broken("binary data");
  std::istringstream lines(text);
  int number = 0;
  bool inSection = false;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.back() == ']') inSection = true;
    else if (!inSection || line.find('=') == std::string::npos)
      throw broken("line " + std::to_string(number) + " is neither a section nor a setting");
  }
  std::string platform;
  for (const IniSection& section : ParseIni(text))
    for (const auto& [key, value] : section.entries)
      if (UpperUtf8(section.name) == "MACHINE" && UpperUtf8(key) == "PLATFORM") platform = value;
  if (platform != "1" && platform != "2")
    throw broken(platform.empty() ? "no [Machine] Platform" : "Platform=" + platform +
                                                                 " is neither 1 nor 2");
  for (const IniSection& section : ParseIni(text)) {
    std::string name = UpperUtf8(section.name);
    for (const auto& [key, value] : section.entries) {
      std::string k = UpperUtf8(key);
      char letter = k.size() == 1 ? k[0] : 0;
      if (name == "MACHINE" && k == "PLATFORM") {
        settings_.platformId = value == "1" ? 1 : 2;
      } else if (name == "MACHINE" && k == "USER") {
        if (!value.empty()) settings_.userName = value;
      } else if (name == "DRIVES" && letter >= 'A' && letter <= 'Z' && letter != 'C') {
        drives_[letter] = fs::path(value);
      } else if (name == "FREESPACE" && letter >= 'A' && letter <= 'Z') {
        freeSpace_[letter] = value;
      }
    }
  }
}

void Machine::SaveSettings() const {
  std::ostringstream out;
  out << "[Machine]\nPlatform=" << settings_.platformId << "\nUser=" << settings_.userName << "\n";
  out << "[Drives]\n";
  for (const auto& [letter, folder] : drives_) out << letter << "=" << folder.string() << "\n";
  out << "[FreeSpace]\n";
  for (const auto& [letter, value] : freeSpace_) out << letter << "=" << value << "\n";
  fs::path temp = folder_ / (std::string(kSettingsFile) + ".new");
  {
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    file << out.str();
    if (!file) throw std::runtime_error("cannot write " + temp.string());
  }
  fs::rename(temp, folder_ / kSettingsFile);
}

void Machine::MakeSkeleton() {
  Layout layout = LayoutOf(settings_);
  for (const std::string& folder : layout.folders) {
    fs::path host;
    std::error_code ec;
    if (Resolve(folder, host) == 0) fs::create_directories(host, ec);
  }
  HostRegistry& reg = *registry_;
  const std::string currentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  reg.CreateKey(RegRoot::LocalMachine, currentVersion);
  reg.SetValue(RegRoot::LocalMachine, currentVersion, "ProgramFilesDir",
               RegValue::String(layout.programFiles));
  reg.CreateKey(RegRoot::CurrentUser, kUserShellKey);
  for (const auto& [name, folder] : layout.userShell)
    reg.SetValue(RegRoot::CurrentUser, kUserShellKey, name, RegValue::String(folder));
  if (!layout.commonShell.empty()) {
    reg.CreateKey(RegRoot::LocalMachine, kMachineShellKey);
    for (const auto& [name, folder] : layout.commonShell)
      reg.SetValue(RegRoot::LocalMachine, kMachineShellKey, name, RegValue::String(folder));
  }
}

std::string Machine::WindowsFolder() const {
  return LayoutOf(settings_).windows;
}
std::string Machine::SystemFolder() const {
  return LayoutOf(settings_).system;
}
std::string Machine::TempFolder() const {
  return LayoutOf(settings_).temp;
}

std::optional<std::string> Machine::FreeSpaceSetting(char letter) const {
  auto it = freeSpace_.find(AsciiUpper(letter));
  if (it == freeSpace_.end()) return std::nullopt;
  return it->second;
}

void Machine::SetFreeSpace(char letter, const std::string& value) {
  letter = AsciiUpper(letter);
  if (value.empty())
    freeSpace_.erase(letter);
  else
    freeSpace_[letter] = value;
  SaveSettings();
}

void Machine::MapDrive(char letter, const fs::path& hostFolder) {
  letter = AsciiUpper(letter);
  if (letter < 'A' || letter > 'Z' || letter == 'C')
    throw std::invalid_argument(std::string("cannot map drive ") + letter + ":");
  std::error_code ec;
  fs::path absolute = fs::absolute(hostFolder, ec);
  fs::path real = RealPath(absolute);
  drives_[letter] = real.empty() ? absolute : real;
  driveIsLink_.erase(letter);
  SaveSettings();
}

fs::path Machine::DriveFolder(char letter) const {
  letter = AsciiUpper(letter);
  if (letter == 'C') return folder_ / "drive_c";
  auto it = drives_.find(letter);
  return it == drives_.end() ? fs::path() : it->second;
}

void Machine::AddVirtualFile(const std::string& windowsPath, const fs::path& hostFile) {
  std::string normalized;
  if (Normalize(windowsPath, normalized) != 0) return;
  std::error_code ec;
  virtualFiles_[UpperCp932(normalized)] = fs::absolute(hostFile, ec);
}

uint32_t Machine::Normalize(const std::string& windowsPath, std::string& normalized) const {
  char drive = 0;
  std::vector<std::string> components;
  if (uint32_t err = ParseWindowsPath(windowsPath, drive, components)) return err;
  normalized = Joined(drive, components);
  return 0;
}

uint32_t Machine::Resolve(const std::string& windowsPath, fs::path& hostPath) const {
  struct stat st;
  bool exists = false;
  return Resolve(windowsPath, hostPath, st, exists);
}

// The state of one resolution as it goes from the drive's folder down the components. The host
// path is built as a plain string, one component at a time, each examined with one lstat:
// resolving is on every file operation's path.
struct Machine::ResolveWalk {
  std::string path;          // the host path so far
  bool followLinks = false;  // a link lies on the way: where the path really leads is checked
  bool existing = true;      // every component so far names an existing entry
  struct stat st {};         // what lstat (stat, for a link) says of the last existing component
};

uint32_t Machine::Resolve(const std::string& windowsPath, fs::path& hostPath,
                          struct stat& finalStat, bool& exists) const {
  exists = false;
  char drive = 0;
  std::vector<std::string> components;
  if (uint32_t err = ParseWindowsPath(windowsPath, drive, components)) return err;
  if (const fs::path* file = VirtualFile(drive, components)) {
    hostPath = *file;
    exists = stat(hostPath.c_str(), &finalStat) == 0;
    return 0;
  }
  const std::string root = DriveFolder(drive).string();
  if (root.empty()) return err::PathNotFound;
  ResolveWalk walk;
  walk.path = root;
  walk.followLinks = DriveIsLink(drive, root);
  for (const std::string& component : components)
    if (uint32_t err = ResolveComponent(walk, component)) return err;
  if (uint32_t err = CheckConfined(walk, root)) return err;
  hostPath = walk.path;
  // What the last component's check found is what a caller would stat next.
  if (components.empty()) {  // the drive's folder itself
    exists = stat(walk.path.c_str(), &finalStat) == 0;
  } else {
    exists = walk.existing;
    if (exists) finalStat = walk.st;
  }
  return 0;
}

const fs::path* Machine::VirtualFile(char drive, const std::vector<std::string>& components) const {
  if (virtualFiles_.empty()) return nullptr;
  auto it = virtualFiles_.find(UpperCp932(Joined(drive, components)));
  return it == virtualFiles_.end() ? nullptr : &it->second;
}

bool Machine::DriveIsLink(char drive, const std::string& root) const {
  auto known = driveIsLink_.find(drive);
  if (known == driveIsLink_.end()) {
    struct stat st;
    const bool link = lstat(root.c_str(), &st) != 0 || S_ISLNK(st.st_mode);
    known = driveIsLink_.emplace(drive, link).first;
  }
  return known->second;
}

uint32_t Machine::ResolveComponent(ResolveWalk& walk, const std::string& component) const {
  std::string utf8;
  if (uint32_t err = HostName(component, utf8)) return err;
  walk.path += '/';
  if (!walk.existing) {  // below an entry that does not exist every name is new
    walk.path += utf8;
    return 0;
  }
  std::string onDisk;
  walk.existing = FindEntry(walk.path, component, utf8, onDisk, walk.st);
  if (walk.existing && S_ISLNK(walk.st.st_mode)) {
    walk.followLinks = true;
    // A link whose target is missing cannot be checked: creating through it could land
    // anywhere, so it is refused.
    if (stat((walk.path + onDisk).c_str(), &walk.st) != 0) return err::AccessDenied;
  }
  walk.path += onDisk;
  return 0;
}

bool Machine::FindEntry(const std::string& folderSlash, const std::string& component,
                        const std::string& utf8, std::string& onDisk, struct stat& st) const {
  onDisk = utf8;
  if (lstat((folderSlash + utf8).c_str(), &st) == 0) return true;
  const fs::path folder = folderSlash.substr(0, folderSlash.size() - 1);
  std::string match = FindNameNoCase(folder, utf8);
  if (match.empty() && component.find('~') != std::string::npos)
    match = AliasTarget(folder, component);
  if (match.empty()) return false;
  assert(UpperUtf8(match) == UpperUtf8(utf8) ||
         UpperCp932(ShortName(folder, match)) == UpperCp932(component));
  onDisk = match;
  return lstat((folderSlash + onDisk).c_str(), &st) == 0;
}

uint32_t Machine::CheckConfined(const ResolveWalk& walk,
                                [[maybe_unused]] const std::string& root) const {
  // Each component added one name of its own below the drive's folder, so the path lies in it
  // as written; without a link on the way (the drive's folder included) that is also where it
  // leads, and only a path with one is checked against the machine's roots.
  assert(NamesBelow(walk.path, root));
  assert(walk.followLinks || !LinkBelow(walk.path, root));
  if (walk.followLinks && !IsInside(walk.path)) return err::AccessDenied;
  return 0;
}

uint32_t Machine::ResolveForWriting(const std::string& windowsPath, fs::path& hostPath) const {
  struct stat st;
  bool exists = false;
  return ResolveForWriting(windowsPath, hostPath, st, exists);
}

uint32_t Machine::ResolveForWriting(const std::string& windowsPath, fs::path& hostPath,
                                    struct stat& finalStat, bool& exists) const {
  fs::path resolved;
  if (uint32_t err = Resolve(windowsPath, resolved, finalStat, exists)) return err;
  if (IsProgramFile(resolved, exists ? &finalStat : nullptr)) return err::AccessDenied;
  hostPath = std::move(resolved);
  return 0;
}

bool Machine::IsProgramFile(const fs::path& hostPath) const {
  if (virtualFiles_.empty()) return false;
  struct stat st;
  bool exists = ::stat(hostPath.c_str(), &st) == 0;
  return IsProgramFile(hostPath, exists ? &st : nullptr);
}

bool Machine::IsProgramFile(const fs::path& hostPath, const struct stat* info) const {
  for (const auto& [name, file] : virtualFiles_) {
    // The mapped name itself, even when the program's file has gone (a write would then make a
    // file outside the machine).
    if (hostPath == file) return true;
    // Another name of the same file: a symbolic or hard link inside the machine.
    struct stat program;
    if (info && ::stat(file.c_str(), &program) == 0 && program.st_dev == info->st_dev &&
        program.st_ino == info->st_ino)
      return true;
  }
  return false;
}

namespace {

// A folder's change time in nanoseconds and its inode; false when it cannot be examined.
bool FolderStamp(const fs::path& folder, int64_t& changed, uint64_t& inode) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return false;
  changed = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  inode = st.st_ino;
  return true;
}

}  // namespace

std::string Machine::FindNameNoCase(const fs::path& folder, const std::string& utf8) const {
  int64_t changed = 0;
  uint64_t inode = 0;
  if (!FolderStamp(folder, changed, inode)) return "";
  const std::string wanted = UpperUtf8(utf8);
  auto cached = folderNames_.find(folder.string());
  if (cached != folderNames_.end() && cached->second.changed == changed &&
      cached->second.inode == inode) {
    auto it = cached->second.byUpper.find(wanted);
    if (it == cached->second.byUpper.end()) return "";
    std::error_code ec;
    if (fs::exists(fs::symlink_status(folder / it->second, ec))) return it->second;
    // Gone behind the listing's back within the same clock tick: list the folder again.
  }
  if (folderNames_.size() > 4096) folderNames_.clear();
  FolderNames names{changed, inode, {}};
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::string name = entry.path().filename().string();
    auto [it, added] = names.byUpper.emplace(UpperUtf8(name), name);
    if (!added && name < it->second) it->second = name;
  }
  auto it = names.byUpper.find(wanted);
  std::string found = it == names.byUpper.end() ? "" : it->second;
  folderNames_[folder.string()] = std::move(names);
  return found;
}

void Machine::NoteCreated(const fs::path& hostPath) const {
  auto cached = folderNames_.find(hostPath.parent_path().string());
  if (cached == folderNames_.end()) return;
  int64_t changed = 0;
  uint64_t inode = 0;
  if (!FolderStamp(hostPath.parent_path(), changed, inode) || inode != cached->second.inode) {
    folderNames_.erase(cached);
    return;
  }
  std::string name = hostPath.filename().string();
  auto [it, added] = cached->second.byUpper.emplace(UpperUtf8(name), name);
  if (!added && name < it->second) it->second = name;
  cached->second.changed = changed;
}

bool Machine::IsInside(const fs::path& hostPath) const {
  fs::path real = RealPath(hostPath);
  if (real.empty()) return false;
  if (IsUnder(real, folder_)) return true;
  for (const auto& [letter, folder] : drives_) {
    fs::path root = RealPath(folder);
    if (!root.empty() && IsUnder(real, root)) return true;
  }
  for (const auto& [name, file] : virtualFiles_)
    if (RealPath(file) == real) return true;
  return false;
}

std::string Machine::ToWindowsPath(const fs::path& hostPath) const {
  fs::path path = hostPath.lexically_normal();
  for (const auto& [name, file] : virtualFiles_)
    if (file.lexically_normal() == path) return name;
  std::vector<std::pair<char, fs::path>> roots = {{'C', DriveFolder('C')}};
  for (const auto& [letter, folder] : drives_) roots.emplace_back(letter, folder);
  for (const auto& [letter, root] : roots) {
    for (const fs::path& candidate : {root, RealPath(root)}) {
      if (candidate.empty() || !IsUnder(path, candidate)) continue;
      std::string result = std::string(1, letter) + ":\\";
      bool first = true;
      for (const fs::path& part : path.lexically_relative(candidate)) {
        std::string name = part.string();
        if (name == "." || name.empty()) continue;
        std::string cp932;
        if (!Utf8ToCp932(name, cp932)) return "";
        result += (first ? "" : "\\") + cp932;
        first = false;
      }
      return result;
    }
  }
  return "";
}

std::string Machine::ShortName(const fs::path& hostFolder, const std::string& utf8Name) {
  std::string own;
  if (!Utf8ToCp932(utf8Name, own)) return "";
  if (IsValid83(own)) return own;
  std::vector<std::string> names;  // the folder's names in code page 932, in name order
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(hostFolder, ec)) {
    std::string cp932;
    if (Utf8ToCp932(entry.path().filename().string(), cp932)) names.push_back(cp932);
  }
  if (std::find(names.begin(), names.end(), own) == names.end()) names.push_back(own);
  std::sort(names.begin(), names.end());
  std::set<std::string> taken;
  for (const std::string& name : names)
    if (IsValid83(name)) taken.insert(UpperCp932(name));
  for (const std::string& name : names) {
    if (IsValid83(name)) continue;
    size_t dot = name.rfind('.');
    std::string base = ShortPart(name.substr(0, dot == std::string::npos ? name.size() : dot), 8);
    std::string ext = dot == std::string::npos ? "" : ShortPart(name.substr(dot + 1), 3);
    if (base.empty()) base = "_";
    std::string alias;
    for (int n = 1; n < 1000000; ++n) {
      std::string tail = "~" + std::to_string(n);
      std::string head = ShortPart(base, std::min<size_t>(6, 8 - tail.size()));
      alias = head + tail + (ext.empty() ? "" : "." + ext);
      if (taken.insert(alias).second) break;
    }
    if (name == own) return alias;
  }
  return "";
}

void Machine::Restart() {
  CarryOutPendingRenames();
  if (settings_.platformId == 1) CarryOutWininitRenames();
}

void Machine::CarryOutPendingRenames() {
  HostRegistry& reg = *registry_;
  RegValue pending;
  if (reg.GetValue(RegRoot::LocalMachine, kSessionManager, kPendingRenames, pending) != 0) return;
  std::vector<std::string> items;
  std::string item;
  for (char c : pending.data) {
    if (c == '\0') {
      items.push_back(item);
      item.clear();
    } else {
      item += c;
    }
  }
  if (!item.empty()) items.push_back(item);
  auto strip = [](std::string path) {
    if (!path.empty() && path[0] == '!') path.erase(0, 1);
    if (path.rfind("\\??\\", 0) == 0) path.erase(0, 4);
    return path;
  };
  for (size_t i = 0; i + 1 < items.size() && !items[i].empty(); i += 2) {
    // Both ends change (the source goes away), so neither may be a mapped program file.
    fs::path source, destination;
    if (ResolveForWriting(strip(items[i]), source) != 0) continue;
    std::error_code ec;
    std::string target = strip(items[i + 1]);
    if (target.empty()) {
      fs::remove(source, ec);
    } else if (ResolveForWriting(target, destination) == 0) {
      MoveAtRestart(source, destination);
    }
  }
  reg.DeleteValue(RegRoot::LocalMachine, kSessionManager, kPendingRenames);
}

void Machine::CarryOutWininitRenames() {
  fs::path wininit;
  std::string text;
  if (Resolve(WindowsFolder() + "\\WININIT.INI", wininit) != 0 || !ReadWholeFile(wininit, text))
    return;
  // Carry out the [rename] lines in order and keep every other line of the file.
  std::istringstream in(text);
  std::string line, rest;
  bool inRename = false;
  while (std::getline(in, line)) {
    std::string trimmed = Trim(line);
    if (!trimmed.empty() && trimmed[0] == '[' && trimmed.find(']') != std::string::npos) {
      inRename = UpperUtf8(Trim(trimmed.substr(1, trimmed.rfind(']') - 1))) == "RENAME";
      if (inRename) continue;
    }
    if (!inRename) {
      rest += line + "\n";
      continue;
    }
    size_t eq = trimmed.find('=');
    if (eq == std::string::npos) continue;
    std::string target = Trim(trimmed.substr(0, eq));
    fs::path source, destination;
    if (ResolveForWriting(Trim(trimmed.substr(eq + 1)), source) != 0) continue;
    std::error_code ec;
    if (UpperUtf8(target) == "NUL")
      fs::remove(source, ec);
    else if (ResolveForWriting(target, destination) == 0)
      MoveAtRestart(source, destination);
  }
  std::error_code ec;
  if (Trim(rest).empty()) {
    fs::remove(wininit, ec);
  } else {
    std::ofstream out(wininit, std::ios::binary | std::ios::trunc);
    out << rest;
  }
}

}  // namespace orvane::host
