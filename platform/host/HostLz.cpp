// HostLz: reads the source whole (compressed files are small next to their output), streams the
// expansion into a temporary file in the destination's folder, then renames it over the
// destination.
#include "platform/host/HostLz.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/WinTypes.h"
#include "platform/host/HostErrors.h"
#include "platform/host/Machine.h"
#include "platform/host/RegularFile.h"
#include "support/Szdd.h"

namespace orvane::host {
namespace {

// Reads a whole host file; `headOnly` stops after the SZDD header. 0 or a Win32 code.
uint32_t ReadHostFile(const std::filesystem::path& path, std::string& bytes, bool headOnly) {
  // Only a regular file is read (5 otherwise, as for a folder opened as a file on Windows).
  uint32_t error = err::Ok;
  struct stat st;
  int fd = OpenRegularFile(path, &error, &st);
  if (fd < 0) return error;
  bytes.clear();
  std::size_t want = headOnly ? kSzddHeaderSize : static_cast<std::size_t>(st.st_size);
  bytes.resize(want);
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (headOnly) break;
      bytes.resize(bytes.size() + 65536);  // the file grew since fstat
    }
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      return Win32ErrorOf(error, path);
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  ::close(fd);
  return err::Ok;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string HostLz::ExpandedName(const std::string& path) {
  std::filesystem::path hostPath;
  if (machine_.Resolve(path, hostPath) != 0) return path;
  std::string head;
  if (ReadHostFile(hostPath, head, true) != 0) return path;
  SzddHeader header;
  if (ReadSzddHeader(head.data(), head.size(), header) != SzddStatus::Ok) return path;
  return ExpandedPath(path, header.lastChar);
}

uint32_t HostLz::Expand(const std::string& source, const std::string& destination) {
  std::filesystem::path sourcePath, destinationPath;
  if (uint32_t error = machine_.Resolve(source, sourcePath)) return error;
  if (uint32_t error = machine_.ResolveForWriting(destination, destinationPath)) return error;
  std::string bytes;
  if (uint32_t error = ReadHostFile(sourcePath, bytes, false)) return error;
  // Windows refuses to replace a read-only file; the host keeps that attribute as missing write
  // permission bits, which a rename would otherwise ignore.
  struct stat st;
  if (::stat(destinationPath.c_str(), &st) == 0 &&
      (S_ISDIR(st.st_mode) || (st.st_mode & 0222) == 0))
    return err::AccessDenied;

  // The temporary file lives in the destination's folder so that the rename cannot cross devices.
  std::string temporary = destinationPath.string() + ".lzXXXXXX";
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) return Win32ErrorOf(errno, destinationPath);
  ::fchmod(fd, 0644);

  uint32_t result = err::Ok;
  int writeErrno = 0;
  auto sink = [&](const char* data, std::size_t size) {
    if (WriteAll(fd, data, size)) return true;
    writeErrno = errno;
    return false;
  };
  const SzddStatus status = ExpandOrCopy(bytes.data(), bytes.size(), sink);
  if (status == SzddStatus::WriteFailed)
    result = Win32ErrorOf(writeErrno, destinationPath);
  else if (status != SzddStatus::Ok)
    result = err::InvalidData;
  if (::close(fd) != 0 && result == err::Ok) result = Win32ErrorOf(errno, destinationPath);
  if (result == err::Ok && ::rename(temporary.c_str(), destinationPath.c_str()) != 0)
    result = Win32ErrorOf(errno, destinationPath);
  if (result != err::Ok) ::unlink(temporary.c_str());
  return result;
}

}  // namespace orvane::host
