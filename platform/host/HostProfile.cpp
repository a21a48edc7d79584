// The profile functions on the emulated machine. Each INI file is parsed once into an
// IniDocument and kept until it changes on disk (size, modification time or inode differ) or we
// write it ourselves; writes replace the file atomically and keep the cache current.
// A write reads, changes and replaces the file under one machine-wide lock, so that processes
// writing the same file do not lose each other's changes.
#include "platform/host/HostProfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <unordered_map>

#include "platform/host/DurableFile.h"
#include "platform/host/FileStamp.h"
#include "platform/host/Machine.h"
#include "platform/host/RegularFile.h"
#include "support/IniDocument.h"

namespace orvane::host {
namespace {


bool ReadAll(const std::string& path, std::string& text) {
  int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  text.clear();
  char buf[65536];
  while (true) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

// An exclusive lock on a file for the life of the object.
class FileLock {
 public:
  explicit FileLock(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    int rc;
    while ((rc = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

struct HostProfile::Impl {
  struct Entry {
    FileStamp stamp;
    IniDocument doc;
  };

  Machine& machine;
  std::string windowsFolder;
  std::unordered_map<std::string, Entry> cache;  // host path -> parsed file
  mutable std::unordered_map<std::string, std::string> resolvedFiles;  // Windows -> host path

  // Every INI write of the machine holds this lock from reading the file to replacing it. One
  // lock for all files keeps nothing beside the files themselves, and writes are short.
  std::string lockFile;
  // The temporary that writes rename into place, and the device of the folder that holds it.
  std::string temporary;
  dev_t machineDevice = 0;

  Impl(Machine& m, std::string w) : machine(m), windowsFolder(std::move(w)) {
    lockFile = (machine.Folder() / "profile.lock").string();
    temporary = (machine.Folder() / "profile.tmp").string();
    struct stat st;
    if (::stat(machine.Folder().c_str(), &st) == 0) machineDevice = st.st_dev;
  }

  // Writes `text` over the file `host` through a temporary renamed into place; 0 or an errno.
  // The temporary's name is fixed and used only under the lock, so a writer that was killed
  // leaves at most one stray file and the next write replaces it. It lies in the machine folder,
  // where a stray file stands in no one's way (an uninstall could not remove a folder holding
  // it), when that folder is on the INI file's file system; a rename cannot cross file systems,
  // so elsewhere (a mapped distribution folder) it lies beside the file.
  int Replace(const std::string& host, const std::string& text, mode_t mode) const {
    size_t slash = host.rfind('/');
    std::string folder = host.substr(0, slash == 0 ? 1 : slash);
    std::string beside = host.substr(0, slash + 1) + "." + host.substr(slash + 1) + ".tmp";
    struct stat st;
    if (machineDevice != 0 && ::stat(folder.c_str(), &st) == 0 && st.st_dev == machineDevice) {
      int err = ReplaceFileDurably(temporary, host, text, mode);
      if (err != EXDEV) return err;  // EXDEV: one device mounted twice (a bind mount)
    }
    return ReplaceFileDurably(beside, host, text, mode);
  }

  // The host path of an INI file name; false when it cannot be resolved.
  bool HostPath(const std::string& path, std::string& host, bool& fromCache) const {
    fromCache = false;
    std::string windows = path.empty() ? "win.ini" : path;
    bool hasFolder = windows.find_first_of("\\/") != std::string::npos ||
                     (windows.size() >= 2 && windows[1] == ':');
    if (!hasFolder) {
      windows = windowsFolder + "\\" + windows;
    } else if (windows.size() < 2 || windows[1] != ':') {
      // A folder but no drive: relative to the current folder, or to its drive's root.
      const std::string& current = machine.CurrentFolder();
      if (windows[0] == '\\' || windows[0] == '/') {
        if (windows.size() < 2 || (windows[1] != '\\' && windows[1] != '/'))
          windows = current.substr(0, 2) + windows;
      } else {
        bool endsWithSep = !current.empty() && (current.back() == '\\' || current.back() == '/');
        windows = current + (endsWithSep ? "" : "\\") + windows;
      }
    }
    // Scripts are read key by key: an existing file's resolution is kept while the file is there.
    // (Load examines the file anyway and forgets the resolution when the file has gone.)
    auto known = resolvedFiles.find(windows);
    if (known != resolvedFiles.end()) {
      host = known->second;
      fromCache = true;
      return true;
    }
    std::filesystem::path resolved;
    if (machine.Resolve(windows, resolved) != 0) return false;
    host = resolved.string();
    struct stat st;
    if (::stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      if (resolvedFiles.size() > 1024) resolvedFiles.clear();
      resolvedFiles[windows] = host;
    }
    return true;
  }

  // The parsed file a profile path names, or null when the path cannot be resolved.
  Entry* Open(const std::string& path, std::string& host) {
    bool fromCache = false;
    if (!HostPath(path, host, fromCache)) return nullptr;
    Entry* entry = &Load(host);
    if (fromCache && !entry->stamp.exists) {
      // The file went away, or now exists under another letter case: resolve the name again.
      resolvedFiles.clear();
      if (!HostPath(path, host, fromCache)) return nullptr;
      entry = &Load(host);
    }
    return entry;
  }

  // The parsed file, read again when it changed on disk since it was parsed.
  Entry& Load(const std::string& host) {
    FileStamp now = StampOf(host);
    auto it = cache.find(host);
    if (it != cache.end() && it->second.stamp == now) return it->second;
    Entry& entry = cache[host];
    entry.stamp = now;
    std::string text;
    if (now.exists && S_ISREG(now.mode) && ReadAll(host, text))
      entry.doc = IniDocument::Parse(text);
    else
      entry.doc = IniDocument();
    return entry;
  }
};

HostProfile::HostProfile(Machine& machine, std::string windowsFolder)
    : impl_(std::make_unique<Impl>(machine, std::move(windowsFolder))) {}

HostProfile::~HostProfile() = default;

std::string HostProfile::GetString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue, size_t capacity,
                                   const std::string& path) {
  std::string host;
  std::optional<std::string> value;
  if (Impl::Entry* entry = impl_->Open(path, host)) value = entry->doc.Get(section, key);
  return IniDocument::ProfileResult(value, defaultValue, capacity);
}

bool HostProfile::WriteString(const std::optional<std::string>& section,
                              const std::optional<std::string>& key,
                              const std::optional<std::string>& value, const std::string& path) {
  std::string host;
  bool fromCache = false;
  if (!impl_->HostPath(path, host, fromCache)) return false;
  if (!section) {
    // The flush: forget the cached copy so that the next call reads the file afresh.
    if (!key && !value) impl_->cache.erase(host);
    return false;
  }
  FileLock lock(impl_->lockFile);
  if (!lock.Held()) return false;
  // Under the lock the cached copy is checked against the disk again: another process may have
  // written the file since it was read.
  Impl::Entry* opened = impl_->Open(path, host);
  if (!opened) return false;
  Impl::Entry& entry = *opened;
  IniDocument& doc = entry.doc;
  if (!doc.ApplyWrite(*section, key, value)) return true;  // the file stays as it is
  // A read-only file cannot be replaced, although renaming over it would succeed.
  bool ok =
      !(entry.stamp.exists && (!S_ISREG(entry.stamp.mode) || !(entry.stamp.mode & S_IWUSR))) &&
      !impl_->machine.IsProgramFile(host);
  if (ok) ok = impl_->Replace(host, doc.Text(), entry.stamp.exists ? entry.stamp.mode : 0) == 0;
  if (ok) {
    entry.stamp = StampOf(host);
  } else {
    impl_->cache.erase(host);  // the document holds a change that is not on disk
  }
  return ok;
}

}  // namespace orvane::host
