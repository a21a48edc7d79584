// Files and folders in memory. Names are matched without regard to ASCII letter case and keep the
// case they were made with; "/" counts as "\" and "." and ".." fold as Windows folds them.
// Differences from Windows: folder attributes are not kept, there are no 8.3 aliases, and a file
// is "in use" only when a test says so.
#include "platform/memory/MemoryFiles.h"

#include <algorithm>
#include <cctype>

#include "platform/memory/Names.h"
#include "support/MBUtils.h"

namespace orvane::memory {

struct MemoryFiles::Node {
  std::string name;  // as made
  bool folder = false;
  uint32_t attributes = 0;  // READONLY, HIDDEN, SYSTEM, ARCHIVE of a file
  int64_t lastWrite = 0;
  bool inUse = false;
  std::string bytes;
  std::vector<std::unique_ptr<Node>> entries;  // in the order they were made

  Node* Child(const std::string& childName) const {
    const std::string folded = FoldName(childName);
    for (const auto& entry : entries)
      if (FoldName(entry->name) == folded) return entry.get();
    return nullptr;
  }
  std::unique_ptr<Node> Detach(const Node* child) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
      if (it->get() != child) continue;
      std::unique_ptr<Node> taken = std::move(*it);
      entries.erase(it);
      return taken;
    }
    return nullptr;
  }
  bool Holds(const Node* other) const {
    for (const auto& entry : entries)
      if (entry.get() == other || entry->Holds(other)) return true;
    return false;
  }
};

// Where a path leads: the folder that holds (or would hold) its last name, and the entry itself
// when it exists. A drive root has no parent.
struct MemoryFiles::Place {
  char drive = 0;
  Node* parent = nullptr;
  Node* node = nullptr;
  std::string name;
};

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// Splits "C:\A\B" into its drive letter and names, "." and ".." folded. 3 for a path that is not
// absolute on a drive (a relative or UNC path).
uint32_t Parse(const std::string& path, char& drive, std::vector<std::string>& names) {
  names.clear();
  if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])))
    return err::PathNotFound;
  if (path.size() > 2 && !IsSeparator(path[2])) return err::PathNotFound;
  drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  std::string name;
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      if (name == "..") {
        if (!names.empty()) names.pop_back();
      } else if (!name.empty() && name != ".") {
        names.push_back(name);
      }
      name.clear();
    } else if (IsLeadChar(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      name += path.substr(i++, 2);
    } else {
      name += path[i];
    }
  }
  return 0;
}

// The folder part and the last name of a pattern, split at its last separator.
bool SplitLast(const std::string& path, std::string& folder, std::string& name) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadChar(static_cast<unsigned char>(path[i])))
      ++i;
    else if (IsSeparator(path[i]))
      last = i;
  }
  if (last == std::string::npos) return false;
  folder = path.substr(0, last);
  name = path.substr(last + 1);
  return true;
}

FileInfo InfoOf(const MemoryFiles::Node& node) {
  FileInfo info;
  info.lastWrite = node.lastWrite;
  if (node.folder) {
    info.attributes = attr::Directory;
  } else {
    info.attributes = node.attributes != 0 ? node.attributes : attr::Normal;
    info.size = node.bytes.size();
  }
  return info;
}

bool ReadOnly(const MemoryFiles::Node& node) {
  return (node.attributes & attr::ReadOnly) != 0;
}

// Why an existing entry cannot be replaced or deleted, or 0.
uint32_t Unwritable(const MemoryFiles::Node& node) {
  if (node.folder || ReadOnly(node)) return err::AccessDenied;
  if (node.inUse) return err::SharingViolation;
  return 0;
}

}  // namespace

MemoryFiles::MemoryFiles() : clock_(126227808000000000LL) {  // 2001-01-01 00:00 UTC
  AddDrive('C');
}

MemoryFiles::~MemoryFiles() = default;

void MemoryFiles::AddDrive(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (drives_.count(letter)) return;
  auto root = std::make_unique<Node>();
  root->folder = true;
  root->lastWrite = clock_;
  drives_[letter] = std::move(root);
  freeBytes_[letter] = int64_t{1} << 40;
}

void MemoryFiles::SetInUse(const std::string& path, bool inUse) {
  Place place;
  if (Locate(path, place) == 0 && place.node) place.node->inUse = inUse;
}

void MemoryFiles::SetFreeSpace(char drive, int64_t bytes) {
  freeBytes_[static_cast<char>(std::toupper(static_cast<unsigned char>(drive)))] = bytes;
}

int64_t MemoryFiles::Tick() {
  clock_ += 10000000;  // one second
  return clock_;
}

uint32_t MemoryFiles::Locate(const std::string& path, Place& place) {
  std::vector<std::string> names;
  if (uint32_t err = Parse(path, place.drive, names)) return err;
  auto drive = drives_.find(place.drive);
  if (drive == drives_.end()) return err::PathNotFound;
  Node* folder = drive->second.get();
  if (names.empty()) {
    place.node = folder;
    return 0;
  }
  for (size_t i = 0; i + 1 < names.size(); ++i) {
    folder = folder->Child(names[i]);
    if (!folder || !folder->folder) return err::PathNotFound;
  }
  place.parent = folder;
  place.name = names.back();
  place.node = folder->Child(place.name);
  return 0;
}

// Gives a file new content, as much as the drive has room for.
uint32_t MemoryFiles::Store(Node& file, char drive, const std::string& bytes) {
  int64_t& free = freeBytes_[drive];
  const int64_t room = free + static_cast<int64_t>(file.bytes.size());
  file.lastWrite = Tick();
  if (static_cast<int64_t>(bytes.size()) > room) {
    file.bytes = bytes.substr(0, static_cast<size_t>(std::max<int64_t>(room, 0)));
    free = room - static_cast<int64_t>(file.bytes.size());
    return err::DiskFull;
  }
  file.bytes = bytes;
  free = room - static_cast<int64_t>(bytes.size());
  return 0;
}

uint32_t MemoryFiles::GetInfo(const std::string& path, FileInfo& info) {
  Place place;
  if (uint32_t err = Locate(path, place)) return err;
  if (!place.node) return err::FileNotFound;
  info = InfoOf(*place.node);
  return 0;
}

uint32_t MemoryFiles::Find(const std::string& pattern, std::vector<FindEntry>& entries) {
  entries.clear();
  std::string folderPath, name;
  if (!SplitLast(pattern, folderPath, name)) return err::PathNotFound;
  Place place;
  if (uint32_t err = Locate(folderPath, place)) return err;
  if (!place.node || !place.node->folder) return err::PathNotFound;
  for (const auto& entry : place.node->entries)
    if (MatchesPattern(name, entry->name)) entries.push_back({entry->name, InfoOf(*entry)});
  return entries.empty() ? static_cast<uint32_t>(err::FileNotFound) : 0u;
}

uint32_t MemoryFiles::CreateFolder(const std::string& path) {
  Place place;
  if (uint32_t err = Locate(path, place)) return err;
  if (place.node) return err::AlreadyExists;
  auto folder = std::make_unique<Node>();
  folder->name = place.name;
  folder->folder = true;
  folder->lastWrite = Tick();
  place.parent->entries.push_back(std::move(folder));
  return 0;
}

uint32_t MemoryFiles::RemoveFolder(const std::string& path) {
  Place place;
  if (uint32_t err = Locate(path, place)) return err;
  if (!place.node) return err::FileNotFound;
  if (!place.parent) return err::AccessDenied;  // a drive root
  if (!place.node->folder) return err::Directory;
  if (!place.node->entries.empty()) return err::DirNotEmpty;
  place.parent->Detach(place.node);
  return 0;
}

uint32_t MemoryFiles::RemoveFile(const std::string& path) {
  Place place;
  if (uint32_t err = Locate(path, place)) return err;
  if (!place.node) return err::FileNotFound;
  if (uint32_t err = Unwritable(*place.node)) return err;
  freeBytes_[place.drive] += static_cast<int64_t>(place.node->bytes.size());
  place.parent->Detach(place.node);
  return 0;
}

uint32_t MemoryFiles::Copy(const std::string& source, const std::string& destination,
                           bool failIfExists) {
  Place from, to;
  if (uint32_t err = Locate(source, from)) return err;
  if (!from.node) return err::FileNotFound;
  if (from.node->folder) return err::AccessDenied;
  if (uint32_t err = Locate(destination, to)) return err;
  if (to.node) {
    if (failIfExists) return err::FileExists;
    if (to.node == from.node) return err::SharingViolation;
    if (uint32_t err = Unwritable(*to.node)) return err;
  } else {
    auto file = std::make_unique<Node>();
    file->name = to.name;
    to.node = file.get();
    to.parent->entries.push_back(std::move(file));
  }
  uint32_t err = Store(*to.node, to.drive, from.node->bytes);
  to.node->attributes = from.node->attributes;
  to.node->lastWrite = from.node->lastWrite;
  return err;
}

uint32_t MemoryFiles::Move(const std::string& source, const std::string& destination,
                           bool replace) {
  Place from, to;
  if (uint32_t err = Locate(source, from)) return err;
  if (!from.node) return err::FileNotFound;
  if (!from.parent) return err::AccessDenied;
  if (uint32_t err = Locate(destination, to)) return err;
  if (!to.parent) return err::AccessDenied;
  if (from.drive != to.drive) return err::NotSameDevice;
  if (from.node->inUse) return err::SharingViolation;
  if (from.node == to.parent || from.node->Holds(to.parent)) return err::AccessDenied;
  if (to.node == from.node) {  // the same entry under another letter case
    from.node->name = to.name;
    return 0;
  }
  if (to.node) {
    if (!replace) return err::AlreadyExists;
    if (uint32_t err = Unwritable(*to.node)) return err;
    freeBytes_[to.drive] += static_cast<int64_t>(to.node->bytes.size());
    to.parent->Detach(to.node);
  }
  std::unique_ptr<Node> moved = from.parent->Detach(from.node);
  moved->name = to.name;
  to.parent->entries.push_back(std::move(moved));
  return 0;
}

uint32_t MemoryFiles::MoveFileAtRestart(const std::string& source, const std::string& destination) {
  char drive;
  std::vector<std::string> names;
  if (uint32_t err = Parse(source, drive, names)) return err;
  if (!destination.empty())
    if (uint32_t err = Parse(destination, drive, names)) return err;
  pendingRenames_.emplace_back(source, destination);
  return 0;
}

uint32_t MemoryFiles::SetAttributes(const std::string& path, uint32_t attributes) {
  Place place;
  if (uint32_t err = Locate(path, place)) return err;
  if (!place.node) return err::FileNotFound;
  if (!place.node->folder)
    place.node->attributes =
        attributes & (attr::ReadOnly | attr::Hidden | attr::System | attr::Archive);
  return 0;
}

uint32_t MemoryFiles::ReadFile(const std::string& path, std::string& bytes) {
  Place place;
  if (uint32_t err = Locate(path, place)) return err;
  if (!place.node) return err::FileNotFound;
  if (place.node->folder) return err::AccessDenied;
  bytes = place.node->bytes;
  return 0;
}

uint32_t MemoryFiles::WriteFile(const std::string& path, const std::string& bytes) {
  Place place;
  if (uint32_t err = Locate(path, place)) return err;
  if (place.node) {
    if (uint32_t err = Unwritable(*place.node)) return err;
  } else {
    if (!place.parent) return err::AccessDenied;
    auto file = std::make_unique<Node>();
    file->name = place.name;
    file->attributes = attr::Archive;
    place.node = file.get();
    place.parent->entries.push_back(std::move(file));
  }
  return Store(*place.node, place.drive, bytes);
}

uint32_t MemoryFiles::SetCurrentFolder(const std::string& path) {
  Place place;
  if (uint32_t err = Locate(path, place)) return err;
  if (!place.node) return err::FileNotFound;
  if (!place.node->folder) return err::Directory;
  currentFolder_ = path;
  return 0;
}

bool MemoryFiles::DiskFreeSpaceEx(const std::string& root, int64_t& freeBytes) {
  freeBytes = -1;
  if (root.size() < 2 || root[1] != ':') return false;
  auto free = freeBytes_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(root[0]))));
  if (free == freeBytes_.end()) return false;
  freeBytes = free->second;
  return true;
}

bool MemoryFiles::DiskFreeSpace(const std::string& root, uint32_t& sectorsPerCluster,
                                uint32_t& bytesPerSector, uint32_t& freeClusters) {
  int64_t freeBytes = 0;
  if (!DiskFreeSpaceEx(root, freeBytes)) return false;
  sectorsPerCluster = 8;
  bytesPerSector = 512;
  freeClusters = static_cast<uint32_t>(std::min<int64_t>(freeBytes / 4096, 0xFFFFFFFFLL));
  return true;
}

std::string MemoryFiles::ShortPath(const std::string& path) {
  Place place;
  return Locate(path, place) == 0 && place.node ? path : std::string();
}

}  // namespace orvane::memory
