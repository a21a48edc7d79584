// Files and folders of the emulated machine. Differences from Windows: the only attribute a file
// carries is READONLY (the owner write bit; files report ARCHIVE besides), 8.3 aliases are
// computed from the folder's names instead of being stored, and "in use" means locked.
#include "platform/host/HostFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/host/DurableFile.h"
#include "platform/host/HostErrors.h"
#include "platform/host/HostRegistry.h"
#include "platform/host/Machine.h"
#include "platform/host/RegularFile.h"
#include "support/Cp932.h"
#include "support/WindowsPath.h"

namespace fs = std::filesystem;

namespace orvane::host {
namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";

int64_t ToFileTime(const struct timespec& t) {
  return (static_cast<int64_t>(t.tv_sec) + 11644473600LL) * 10000000LL + t.tv_nsec / 100;
}

FileInfo InfoOf(const struct stat& st) {
  FileInfo info;
  if (S_ISDIR(st.st_mode)) {
    info.attributes = attr::Directory;
  } else {
    info.attributes = attr::Archive;
    if (!(st.st_mode & S_IWUSR)) info.attributes |= attr::ReadOnly;
    info.size = static_cast<uint64_t>(st.st_size);
  }
  info.lastWrite = ToFileTime(st.st_mtim);
  return info;
}

// The characters of a code page 932 text, a double-byte character as one unit.
std::vector<std::string> Units(const std::string& text) {
  std::vector<std::string> units;
  for (size_t i = 0; i < text.size();) {
    size_t len = (IsLeadChar(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    units.push_back(UpperCp932(text.substr(i, len)));
    i += len;
  }
  return units;
}

bool Glob(const std::string& pattern, const std::string& name) {
  std::vector<std::string> p = Units(pattern), n = Units(name);
  // match[j]: the pattern so far matches the first j units of the name.
  std::vector<bool> match(n.size() + 1, false);
  match[0] = true;
  for (const std::string& unit : p) {
    std::vector<bool> next(n.size() + 1, false);
    if (unit == "*") {
      bool any = false;
      for (size_t j = 0; j <= n.size(); ++j) next[j] = any = any || match[j];
    } else {
      for (size_t j = 1; j <= n.size(); ++j)
        next[j] = match[j - 1] && (unit == "?" || unit == n[j - 1]);
    }
    match.swap(next);
  }
  return match[n.size()];
}

// Splits "C:\Dir\*.txt" into "C:\Dir" and "*.txt" at the last separator; a drive's root keeps
// its "\".
bool SplitLast(const std::string& path, std::string& folder, std::string& name) {
  if (!SplitLastSeparator(path, folder, name)) return false;
  if (folder.size() == 2 && folder[1] == ':') folder += "\\";
  return true;
}

// Copies the bytes of one open file into another: copy_file_range, or plain reads and writes
// where the kernel cannot copy between the two files. 0 or a Win32 error code.
uint32_t CopyBytes(int in, int out) {
  bool fallback = false;
  while (!fallback) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (n == 0) return 0;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
        errno == EPERM)
      fallback = true;
    else
      return Win32ErrorOf(errno);
  }
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t n = read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Win32ErrorOf(errno);
    if (n == 0) return 0;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buffer.data() + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return Win32ErrorOf(errno);
      done += w;
    }
  }
}

// Checks that a host file may be deleted: not a folder, not read-only, not in use.
uint32_t CheckWritable(const struct stat& st, const fs::path& host) {
  if (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR)) return err::AccessDenied;
  if (IsFileInUse(host.string())) return err::SharingViolation;
  return 0;
}

// Checks that a host file may be replaced: as CheckWritable, and not a program that is running
// (Windows refuses to overwrite one; Linux would let a rename replace it). Opening the file for
// writing without truncating it tells, and changes nothing.
uint32_t CheckReplaceable(const struct stat& st, const fs::path& host) {
  if (uint32_t err = CheckWritable(st, host)) return err;
  if (S_ISREG(st.st_mode) && (st.st_mode & 0111)) {
    int fd = open(host.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0)
      close(fd);
    else if (errno == ETXTBSY)
      return err::SharingViolation;
  }
  return 0;
}

// The process's file-creation mask (read once; the program never changes it).
mode_t CurrentUmask() {
  static const mode_t mask = [] {
    mode_t m = umask(0);
    umask(m);
    return m;
  }();
  return mask;
}

// Makes a new, empty temporary file beside `destination` (same folder, so that a rename can put
// it in place) under a name no other process can take. Returns its descriptor, or -1 with errno.
int MakeTemporaryBeside(const fs::path& destination, std::string& temporary) {
  // A hidden name tied to the destination's, cut short enough for the host's name limit (and at a
  // character boundary, so that the name stays UTF-8).
  std::string name = destination.filename().string();
  size_t keep = std::min<size_t>(name.size(), 200);
  while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
    --keep;
  temporary = (destination.parent_path() / ("." + name.substr(0, keep) + ".tmpXXXXXX")).string();
  return mkostemp(temporary.data(), O_CLOEXEC);
}

// Where a write to an existing `host` file goes: the file itself, or the file a symbolic link
// there leads to (the resolver has checked that it lies inside the machine), so that the link
// stays a link as it does on Windows.
fs::path ReplacementTarget(const fs::path& host) {
  struct stat st;
  if (lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return host;
  char* real = realpath(host.c_str(), nullptr);
  if (!real) return host;
  fs::path target(real);
  free(real);
  return target;
}

// Writes a file through `fill` (which returns 0 or a Win32 error code) and gives it `mode` and,
// when `times` is given, those access and modification times. A new destination is made in place
// (never over a file that appeared meanwhile); an existing one is never opened for writing: the
// content goes to a temporary file beside it, which is renamed over it. So a destination that
// is a hard link to a file elsewhere only loses its name to the new file, and a failure leaves
// the old file as it was and no temporary file behind. Returns 0 or a Win32 error code.
template <typename Fill>
uint32_t WriteHostFile(const fs::path& destination, bool exists, mode_t mode,
                       const struct timespec* times, Fill fill) {
  fs::path target = destination;
  std::string temporary;
  int out = -1;
  if (!exists) {
    out = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0 && errno != EEXIST) return Win32ErrorOf(errno, destination);
  }
  bool replacing = out < 0;
  if (replacing) {
    target = ReplacementTarget(destination);
    out = MakeTemporaryBeside(target, temporary);
    if (out < 0) return Win32ErrorOf(errno, destination);
  }
  uint32_t err = fill(out);
  // A new file already has the usual permissions; only a different mode needs setting.
  if (!err && (replacing || (mode & 07777) != (0644 & ~CurrentUmask())) &&
      fchmod(out, mode & 07777) != 0)
    err = Win32ErrorOf(errno, destination);
  if (!err && times) {
    struct timespec both[2] = {times[0], times[1]};
    if (futimens(out, both) != 0) err = Win32ErrorOf(errno, destination);
  }
  if (close(out) != 0 && !err) err = Win32ErrorOf(errno, destination);
  if (!err && replacing && rename(temporary.c_str(), target.c_str()) != 0)
    err = Win32ErrorOf(errno, destination);
  if (err) unlink(replacing ? temporary.c_str() : target.c_str());
  return err;
}

// Copies `source` to `destination` with the source's mode and modification time. Only a regular
// source is read (a FIFO would block, a device never end).
uint32_t CopyHostFile(const fs::path& source, const fs::path& destination,
                      bool destinationExisted) {
  uint32_t openError = 0;
  struct stat st;
  int in = OpenRegularFile(source, &openError, &st);
  if (in < 0) return openError;
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  uint32_t err = WriteHostFile(destination, destinationExisted, st.st_mode, times,
                               [in](int out) { return CopyBytes(in, out); });
  close(in);
  return err;
}

}  // namespace

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
  if (pattern == "*" || pattern == "*.*") return true;
  if (Glob(pattern, name)) return true;
  // "NAME.*" also matches "NAME", and "NAME." matches a name without an extension.
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
      Glob(pattern.substr(0, pattern.size() - 2), name))
    return true;
  if (!pattern.empty() && pattern.back() == '.' && name.find('.') == std::string::npos &&
      Glob(pattern.substr(0, pattern.size() - 1), name))
    return true;
  return false;
}

bool IsFileInUse(const std::string& hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  bool inUse = false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    inUse = errno == EWOULDBLOCK;
  } else {
    flock(fd, LOCK_UN);
  }
  if (!inUse) {
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    if (fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) inUse = true;
  }
  close(fd);
  return inUse;
}

uint32_t HostFiles::GetInfo(const std::string& path, FileInfo& info) {
  fs::path host;
  struct stat st;
  bool exists = false;
  if (uint32_t err = machine_.Resolve(path, host, st, exists)) return err;
  if (!exists) return Win32ErrorOf(ENOENT, host);
  info = InfoOf(st);
  return 0;
}

uint32_t HostFiles::Find(const std::string& pattern, std::vector<FindEntry>& entries) {
  entries.clear();
  std::string folder, name;
  if (!SplitLast(pattern, folder, name)) return err::PathNotFound;

  // A name without wildcards is looked up directly instead of matched against every entry, so
  // that asking for one file's size does not cost a listing of its whole folder. (A link that
  // leads out of the machine is left to the listing below, which shows it without following it.)
  if (!name.empty() && name.find_first_of("*?") == std::string::npos && name != "." &&
      name != "..") {
    fs::path entry;
    struct stat es;
    bool exists = false;
    uint32_t err = machine_.Resolve(pattern, entry, es, exists);
    if (err == 0) {
      std::string cp932;
      if (!exists) return Win32ErrorOf(ENOENT, entry);
      if (!Utf8ToCp932(entry.filename().string(), cp932)) return err::FileNotFound;
      entries.push_back({cp932, InfoOf(es)});
      return 0;
    }
    if (err != err::AccessDenied) return err;
  }

  fs::path host;
  if (uint32_t err = machine_.Resolve(folder, host)) return err;
  struct stat st;
  if (stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return err::PathNotFound;
  if (name.empty()) return err::FileNotFound;
  std::string normalized;
  machine_.Normalize(folder, normalized);
  bool driveRoot = normalized.size() == 3;

  if (!driveRoot) {
    struct stat parent;
    if (MatchesWildcard(name, ".")) entries.push_back({".", InfoOf(st)});
    if (MatchesWildcard(name, ".."))
      entries.push_back(
          {"..", InfoOf(stat(host.parent_path().c_str(), &parent) == 0 ? parent : st)});
  }
  std::vector<FindEntry> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(host, ec)) {
    std::string cp932;
    if (!Utf8ToCp932(entry.path().filename().string(), cp932)) continue;
    if (!MatchesWildcard(name, cp932)) continue;
    struct stat es;
    // A link leading out of the machine is listed, but nothing is read through it.
    if (lstat(entry.path().c_str(), &es) != 0) continue;
    if (S_ISLNK(es.st_mode)) {
      if (!machine_.IsInside(entry.path()))
        es.st_size = 0;
      else if (stat(entry.path().c_str(), &es) != 0)
        continue;
    }
    found.push_back({cp932, InfoOf(es)});
  }
  std::sort(found.begin(), found.end(), [](const FindEntry& a, const FindEntry& b) {
    return UpperCp932(a.name) < UpperCp932(b.name);
  });
  entries.insert(entries.end(), found.begin(), found.end());
  return entries.empty() ? static_cast<uint32_t>(err::FileNotFound) : 0u;
}

uint32_t HostFiles::CreateFolder(const std::string& path) {
  fs::path host;
  if (uint32_t err = machine_.ResolveForWriting(path, host)) return err;
  if (mkdir(host.c_str(), 0755) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return err::PathNotFound;
    return Win32ErrorOf(errno, host);
  }
  machine_.NoteCreated(host);
  return 0;
}

uint32_t HostFiles::RemoveFolder(const std::string& path) {
  fs::path host;
  if (uint32_t err = machine_.ResolveForWriting(path, host)) return err;
  std::string normalized;
  machine_.Normalize(path, normalized);
  if (normalized.size() == 3) return err::AccessDenied;  // a drive root
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return Win32ErrorOf(errno, host);
  if (!S_ISDIR(st.st_mode)) return err::Directory;
  if (rmdir(host.c_str()) != 0) return Win32ErrorOf(errno, host);
  return 0;
}

uint32_t HostFiles::RemoveFile(const std::string& path) {
  fs::path host;
  if (uint32_t err = machine_.ResolveForWriting(path, host)) return err;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return Win32ErrorOf(errno, host);
  if (uint32_t err = CheckWritable(st, host)) return err;
  if (unlink(host.c_str()) != 0) return Win32ErrorOf(errno, host);
  return 0;
}

uint32_t HostFiles::Copy(const std::string& source, const std::string& destination,
                         bool failIfExists) {
  fs::path from, to;
  struct stat ss, ds;
  bool sourceExists = false, exists = false;
  if (uint32_t err = machine_.Resolve(source, from, ss, sourceExists)) return err;
  if (uint32_t err = machine_.ResolveForWriting(destination, to, ds, exists)) return err;
  if (!sourceExists) return Win32ErrorOf(ENOENT, from);
  if (S_ISDIR(ss.st_mode)) return err::AccessDenied;
  if (exists) {
    if (failIfExists) return err::FileExists;
    if (ss.st_dev == ds.st_dev && ss.st_ino == ds.st_ino) return err::SharingViolation;
    if (uint32_t err = CheckReplaceable(ds, to)) return err;
  }
  uint32_t err = CopyHostFile(from, to, exists);
  if (err == 0 && !exists) machine_.NoteCreated(to);
  return err;
}

uint32_t HostFiles::Move(const std::string& source, const std::string& destination, bool replace) {
  fs::path from, to;
  if (uint32_t err = machine_.ResolveForWriting(source, from)) return err;
  if (uint32_t err = machine_.ResolveForWriting(destination, to)) return err;
  struct stat ss, ds;
  if (lstat(from.c_str(), &ss) != 0) return Win32ErrorOf(errno, from);
  if (S_ISREG(ss.st_mode) && IsFileInUse(from.string())) return err::SharingViolation;
  if (lstat(to.c_str(), &ds) == 0) {
    if (ss.st_dev == ds.st_dev && ss.st_ino == ds.st_ino) {
      // The same entry under another letter case: give it the new spelling.
      std::string normalized, folder, name, utf8;
      machine_.Normalize(destination, normalized);
      if (SplitLast(normalized, folder, name) && Cp932ToUtf8(name, utf8))
        to = to.parent_path() / utf8;
    } else {
      if (!replace) return err::AlreadyExists;
      struct stat target;
      if (stat(to.c_str(), &target) == 0)
        if (uint32_t err = CheckReplaceable(target, to)) return err;
    }
  }
  // A file is flushed before it is published under its new name, and the folders after, so that
  // a crash cannot leave an empty or half-written file under that name (the uninstall log is
  // replaced this way). Only a failure to write the data stops the move; a file that cannot be
  // opened for reading still moves.
  if (S_ISREG(ss.st_mode)) {
    int err = FlushFile(from.string());
    if (err == EIO || err == ENOSPC || err == EDQUOT) return Win32ErrorOf(err, from);
  }
  if (rename(from.c_str(), to.c_str()) == 0) {
    machine_.NoteCreated(to);
    FlushFolderOf(to.string());
    if (from.parent_path() != to.parent_path()) FlushFolderOf(from.string());
    return 0;
  }
  if (errno != EXDEV) return Win32ErrorOf(errno, to);
  if (S_ISDIR(ss.st_mode)) return err::NotSameDevice;
  struct stat existing;
  if (uint32_t err = CopyHostFile(from, to, lstat(to.c_str(), &existing) == 0)) return err;
  if (unlink(from.c_str()) != 0) return Win32ErrorOf(errno, from);
  return 0;
}

uint32_t HostFiles::MoveFileAtRestart(const std::string& source, const std::string& destination) {
  std::string from, to;
  fs::path host;
  if (uint32_t err = machine_.Normalize(source, from)) return err;
  if (uint32_t err = machine_.ResolveForWriting(source, host)) return err;
  if (!destination.empty()) {
    if (uint32_t err = machine_.Normalize(destination, to)) return err;
    if (uint32_t err = machine_.ResolveForWriting(destination, host)) return err;
  }
  HostRegistry& reg = machine_.Registry();
  RegValue value;
  if (reg.GetValue(RegRoot::LocalMachine, kSessionManager, kPendingRenames, value) != 0 ||
      value.type != reg::MultiSz)
    value = {reg::MultiSz, ""};
  // Drop the closing NUL of the list, append the pair, close the list again.
  std::string& data = value.data;
  while (data.size() >= 2 && data[data.size() - 1] == '\0' && data[data.size() - 2] == '\0')
    data.pop_back();
  if (data == std::string(1, '\0')) data.clear();
  data += "\\??\\" + from + '\0';
  data += (to.empty() ? std::string() : "!\\??\\" + to) + '\0';
  data += '\0';
  if (uint32_t err = reg.CreateKey(RegRoot::LocalMachine, kSessionManager)) return err;
  return reg.SetValue(RegRoot::LocalMachine, kSessionManager, kPendingRenames, value);
}

uint32_t HostFiles::SetAttributes(const std::string& path, uint32_t attributes) {
  fs::path host;
  if (uint32_t err = machine_.ResolveForWriting(path, host)) return err;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return Win32ErrorOf(errno, host);
  if (S_ISDIR(st.st_mode)) return 0;
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & attr::ReadOnly) ? (mode & ~0222) : (mode | S_IWUSR);
  if (mode != (st.st_mode & 07777) && chmod(host.c_str(), mode) != 0)
    return Win32ErrorOf(errno, host);
  return 0;
}

uint32_t HostFiles::ReadFile(const std::string& path, std::string& bytes) {
  fs::path host;
  if (uint32_t err = machine_.Resolve(path, host)) return err;
  return ReadRegularFile(host, bytes);
}

uint32_t HostFiles::WriteFile(const std::string& path, const std::string& bytes) {
  fs::path host;
  struct stat st;
  bool exists = false;
  if (uint32_t err = machine_.ResolveForWriting(path, host, st, exists)) return err;
  if (exists)
    if (uint32_t err = CheckReplaceable(st, host)) return err;
  // An existing file keeps its permissions, as a truncating write would keep them.
  mode_t mode = exists ? st.st_mode : (0644 & ~CurrentUmask());
  uint32_t err = WriteHostFile(host, exists, mode, nullptr, [&bytes, &host](int fd) {
    for (size_t done = 0; done < bytes.size();) {
      ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return Win32ErrorOf(errno, host);
      done += static_cast<size_t>(w);
    }
    return uint32_t{0};
  });
  if (err) return err;
  if (!exists) machine_.NoteCreated(host);
  return 0;
}

uint32_t HostFiles::SetCurrentFolder(const std::string& path) {
  fs::path host;
  std::string normalized;
  if (uint32_t err = machine_.Resolve(path, host)) return err;
  machine_.Normalize(path, normalized);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return Win32ErrorOf(errno, host);
  if (!S_ISDIR(st.st_mode)) return err::Directory;
  machine_.SetCurrentFolder(normalized);
  return 0;
}

bool HostFiles::DiskFreeSpaceEx(const std::string& root, int64_t& freeBytes) {
  freeBytes = -1;
  if (root.size() < 2 || root[1] != ':') return false;
  fs::path folder = machine_.DriveFolder(root[0]);
  if (folder.empty()) return false;
  if (auto setting = machine_.FreeSpaceSetting(root[0])) {
    if (*setting == "fail") return false;
    try {
      freeBytes = std::stoll(*setting);
      return true;
    } catch (...) {
      return false;
    }
  }
  struct statvfs vfs;
  if (statvfs(folder.c_str(), &vfs) != 0) return false;
  freeBytes = static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
  return true;
}

bool HostFiles::DiskFreeSpace(const std::string& root, uint32_t& sectorsPerCluster,
                              uint32_t& bytesPerSector, uint32_t& freeClusters) {
  int64_t freeBytes = 0;
  if (!DiskFreeSpaceEx(root, freeBytes)) return false;
  sectorsPerCluster = 8;
  bytesPerSector = 512;
  uint64_t clusters = static_cast<uint64_t>(freeBytes) / 4096;
  freeClusters = static_cast<uint32_t>(std::min<uint64_t>(clusters, 0xFFFFFFFFu));
  return true;
}

std::string HostFiles::ShortPath(const std::string& path) {
  fs::path host;
  std::string normalized;
  if (machine_.Resolve(path, host) != 0 || machine_.Normalize(path, normalized) != 0) return "";
  std::error_code ec;
  if (!fs::exists(host, ec)) return "";
  fs::path drive = machine_.DriveFolder(normalized[0]);
  fs::path relative = host.lexically_relative(drive);
  if (relative.empty() || *relative.begin() == "..") return normalized;  // a virtual file
  std::string result = normalized.substr(0, 3);
  fs::path folder = drive;
  bool first = true;
  for (const fs::path& part : relative) {
    if (part == ".") continue;
    std::string name = Machine::ShortName(folder, part.string());
    if (name.empty()) return "";
    result += (first ? "" : "\\") + name;
    first = false;
    folder /= part;
  }
  return result;
}

}  // namespace orvane::host
