// Opening host files for reading without blocking on a FIFO or device node.
#include "platform/host/RegularFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/WinTypes.h"
#include "platform/host/HostErrors.h"

namespace orvane::host {

int OpenRegularFile(const std::filesystem::path& path, uint32_t* error, struct stat* info) {
  // O_NONBLOCK makes opening a FIFO return at once instead of waiting for a writer; O_NOCTTY
  // keeps a terminal from becoming ours.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (error) *error = Win32ErrorOf(errno, path);
    return -1;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    if (error) *error = err::AccessDenied;
    return -1;
  }
  // Reads of a regular file ignore the flag; it is cleared so that nothing else sees it.
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  if (info) *info = st;
  if (error) *error = err::Ok;
  return fd;
}

uint32_t ReadRegularFile(const std::filesystem::path& path, std::string& bytes) {
  uint32_t error = err::Ok;
  struct stat st;
  int fd = OpenRegularFile(path, &error, &st);
  if (fd < 0) return error;
  bytes.clear();
  bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = Win32ErrorOf(errno, path);
      break;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return error;
}

}  // namespace orvane::host
