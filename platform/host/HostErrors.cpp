// The errno to Win32 error code table of the Linux backend.
#include "platform/host/HostErrors.h"

#include <cerrno>

#include "platform/WinTypes.h"

namespace orvane::host {

uint32_t Win32ErrorOf(int error) {
  switch (error) {
    case 0:
      return err::Ok;
    case ENOENT:
    case ENOTDIR:
      return err::PathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return err::AccessDenied;
    case ENOSPC:
    case EDQUOT:
      return err::DiskFull;
    case EEXIST:
      return err::AlreadyExists;
    case ENOTEMPTY:
      return err::DirNotEmpty;
    case ENAMETOOLONG:
      return err::FilenameExcedRange;
    case EROFS:
      return err::WriteProtect;
    case EBUSY:
    case ETXTBSY:
      return err::SharingViolation;
    case EXDEV:
      return err::NotSameDevice;
    default:
      return err::AccessDenied;
  }
}

uint32_t Win32ErrorOf(int error, const std::filesystem::path& hostPath) {
  if (error != ENOENT) return Win32ErrorOf(error);
  std::error_code ec;
  return std::filesystem::is_directory(hostPath.parent_path(), ec) ? err::FileNotFound
                                                                   : err::PathNotFound;
}

}  // namespace orvane::host
