// Flushing files and folders to disk, and the write-flush-rename-flush sequence built on it.
#include "platform/host/DurableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orvane::host {
namespace {

int Sync(int fd) {
  while (::fsync(fd) != 0) {
    if (errno == EINTR) continue;
    // A descriptor of a kind that cannot be flushed (some special file systems) holds nothing
    // that a flush could save.
    if (errno == EINVAL || errno == EROFS) return 0;
    return errno;
  }
  return 0;
}

int SyncPath(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
  if (fd < 0) return errno;
  int err = Sync(fd);
  ::close(fd);
  return err;
}

}  // namespace

int FlushFile(const std::string& path) {
  return SyncPath(path, 0);
}

int FlushFolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  return SyncPath(folder, O_DIRECTORY);
}

int ReplaceFileDurably(const std::string& temporary, const std::string& target,
                       const std::string& text, mode_t mode) {
  // A temporary left by a writer that was killed is removed, not reused: it may carry another
  // file's permissions.
  ::unlink(temporary.c_str());
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  int err = 0;
  for (size_t done = 0; !err && done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      err = errno;
    else if (n == 0)
      err = ENOSPC;
    else
      done += static_cast<size_t>(n);
  }
  if (!err && mode && ::fchmod(fd, mode & 07777) != 0) err = errno;
  if (!err) err = Sync(fd);
  if (::close(fd) != 0 && !err) err = errno;
  if (!err && ::rename(temporary.c_str(), target.c_str()) != 0) err = errno;
  if (err) {
    ::unlink(temporary.c_str());
    return err;
  }
  // The new file is in place; a failure to flush its folder cannot undo that.
  FlushFolderOf(target);
  return 0;
}

}  // namespace orvane::host
