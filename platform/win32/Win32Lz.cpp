// Win32Lz: the source is read whole (compressed files are small next to their output); the
// expansion is written in large blocks into a temporary file that MoveFileExW puts in place.
#include "platform/win32/Win32Lz.h"

#include <windows.h>

#include "platform/WinTypes.h"
#include "platform/win32/Win32ShellText.h"
#include "support/Szdd.h"

namespace orvane::win32 {
namespace {

struct File {
  HANDLE handle;
  ~File() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

// Reads a file whole, or only its first `limit` bytes. 0 or the system's error code.
uint32_t ReadWhole(const std::wstring& path, std::string& bytes, size_t limit = SIZE_MAX) {
  File file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) return GetLastError();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.handle, &size)) return GetLastError();
  bytes.clear();
  size_t want = static_cast<uint64_t>(size.QuadPart) < limit ? size.QuadPart : limit;
  bytes.resize(want);
  size_t got = 0;
  while (got < want) {
    DWORD chunk = static_cast<DWORD>(want - got < (1u << 30) ? want - got : (1u << 30));
    DWORD read = 0;
    if (!ReadFile(file.handle, bytes.data() + got, chunk, &read, nullptr)) return GetLastError();
    if (read == 0) break;  // the file shrank since its size was taken
    got += read;
  }
  bytes.resize(got);
  return 0;
}

bool WriteAll(HANDLE file, const char* data, size_t size) {
  while (size > 0) {
    DWORD chunk = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30)), written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

std::string Win32Lz::ExpandedName(const std::string& path) {
  std::wstring file;
  std::string head;
  SzddHeader header;
  if (shelltext::SystemPath(path, file) != 0 || ReadWhole(file, head, kSzddHeaderSize) != 0 ||
      ReadSzddHeader(head.data(), head.size(), header) != SzddStatus::Ok)
    return path;
  return ExpandedPath(path, header.lastChar);
}

uint32_t Win32Lz::Expand(const std::string& source, const std::string& destination) {
  std::wstring from, to;
  if (uint32_t error = shelltext::SystemPath(source, from)) return error;
  if (uint32_t error = shelltext::SystemPath(destination, to)) return error;
  std::string bytes;
  if (uint32_t error = ReadWhole(from, bytes)) return error;
  // Windows refuses to replace a read-only file or a folder; Wine's MoveFileEx replaces a
  // read-only file, so the attributes are checked here for the same answer on both.
  DWORD attributes = GetFileAttributesW(to.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return err::AccessDenied;

  // The temporary file lives in the destination's folder, so that the move is a rename.
  std::wstring temporary;
  File out{INVALID_HANDLE_VALUE};
  for (unsigned attempt = 0; attempt < 100 && out.handle == INVALID_HANDLE_VALUE; ++attempt) {
    temporary =
        to + L".~lz" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt);
    out.handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (out.handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
      return GetLastError();
  }
  if (out.handle == INVALID_HANDLE_VALUE) return err::AccessDenied;

  uint32_t result = err::Ok;
  uint32_t writeError = err::Ok;
  auto sink = [&](const char* data, size_t size) {
    if (WriteAll(out.handle, data, size)) return true;
    writeError = GetLastError();
    if (writeError == err::Ok) writeError = err::AccessDenied;
    return false;
  };
  const SzddStatus status = ExpandOrCopy(bytes.data(), bytes.size(), sink);
  if (status == SzddStatus::WriteFailed)
    result = writeError;
  else if (status != SzddStatus::Ok)
    result = err::InvalidData;
  if (!CloseHandle(out.handle) && result == err::Ok) result = GetLastError();
  out.handle = INVALID_HANDLE_VALUE;
  if (result == err::Ok && !MoveFileExW(temporary.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
    result = GetLastError();
  if (result != err::Ok) DeleteFileW(temporary.c_str());
  return result;
}

}  // namespace orvane::win32
