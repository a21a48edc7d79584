// Files and folders on the Win32 API. Differences from the emulated machine: a write over an
// existing file truncates it and writes into it (as CopyFile does), where the emulated machine
// writes a new file and renames it over the old one; names the system keeps outside code page 932
// are listed by their 8.3 alias, or not at all when they have none.
#include "platform/win32/Win32Files.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

#include "platform/win32/Win32Paths.h"
#include "support/WindowsPath.h"

namespace orvane::win32 {
namespace {

int64_t FileTimeOf(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                              time.dwLowDateTime);
}

FileInfo InfoOf(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, const FILETIME& lastWrite) {
  FileInfo info;
  info.attributes = attributes;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
    info.size = (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow;
  info.lastWrite = FileTimeOf(lastWrite);
  return info;
}

uint32_t LastError() {
  return static_cast<uint32_t>(GetLastError());
}

// The last name of a search pattern may hold "*" and "?"; every other character that the path
// check refuses is refused here too (among them "<", ">" and "\"", which the system would take
// for wildcards of its own).
uint32_t CheckPatternName(const std::string& name) {
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::string("<>:\"|").find(c) != std::string::npos) return err::InvalidName;
  }
  return 0;
}

// The system's form of a search pattern: the folder checked as any path, the name as a pattern.
uint32_t WidePattern(const std::string& pattern, std::wstring& wide) {
  std::string folder, name;
  if (!SplitLastSeparator(pattern, folder, name)) return err::PathNotFound;
  if (name.find_first_of("*?") == std::string::npos) {
    if (!name.empty()) return WidePath(pattern, wide);
    // "C:\Dir\" names no entry: 2 when the folder exists, as for a name that matches nothing.
    if (uint32_t err = WidePath(folder, wide)) return err;
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return err::FileNotFound;
    return err::PathNotFound;
  }
  std::wstring wideName;
  if (uint32_t err = CheckPatternName(name)) return err;
  if (uint32_t err = WidePath(folder, wide)) return err;
  if (!ToWide(name, wideName)) return err::InvalidName;
  if (wide.back() != L'\\') wide += L'\\';
  wide += wideName;
  return 0;
}

// Flushes a file's data to disk. A file that cannot be opened for writing (read-only, or held by
// another process) is left as it is; only a failure to write its data is an error.
uint32_t FlushFileAt(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  uint32_t err = 0;
  if (!FlushFileBuffers(file)) {
    err = LastError();
    if (err == ERROR_INVALID_FUNCTION || err == ERROR_ACCESS_DENIED) err = 0;  // nothing to flush
  }
  CloseHandle(file);
  return err;
}

// 5 when `path` is a read-only file. The system refuses to write over one, but Wine running as
// root writes over it all the same, so the backend asks first wherever it writes over a file.
uint32_t RefuseReadOnly(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return err::AccessDenied;
  return 0;
}

std::wstring FoldAscii(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return text;
}

// True when the last name of `path` is on disk spelled as in `path`.
bool SpelledAs(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(path.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return path.size() >= wcslen(data.cFileName) &&
         path.compare(path.size() - wcslen(data.cFileName), std::wstring::npos, data.cFileName) ==
             0;
}

// "C:\" for a root given as "C:", "C:\" or "c:\anything"; false when it names no drive letter.
bool DriveRoot(const std::string& root, std::wstring& wide) {
  if (root.size() < 2 || root[1] != ':') return false;
  char letter = root[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return false;
  wide = {static_cast<wchar_t>(letter), L':', L'\\'};
  return true;
}

}  // namespace

uint32_t Win32Files::GetInfo(const std::string& path, FileInfo& info) {
  std::wstring wide;
  if (uint32_t err = WidePath(path, wide)) return err;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return LastError();
  info = InfoOf(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
  return 0;
}

uint32_t Win32Files::Find(const std::string& pattern, std::vector<FindEntry>& entries) {
  entries.clear();
  std::wstring wide;
  if (uint32_t err = WidePattern(pattern, wide)) return err;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(wide.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return LastError();
  do {
    // A name without a code page 932 form is given by its 8.3 alias, which names the same entry;
    // without one it is left out rather than given with "?" in it, which a caller would take for
    // a wildcard.
    std::string name;
    if (!FromWide(data.cFileName, name) &&
        (data.cAlternateFileName[0] == 0 || !FromWide(data.cAlternateFileName, name)))
      continue;
    entries.push_back({name, InfoOf(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow,
                                    data.ftLastWriteTime)});
  } while (FindNextFileW(search, &data));
  uint32_t err = LastError();
  FindClose(search);
  if (err != ERROR_NO_MORE_FILES) return err;
  return entries.empty() ? static_cast<uint32_t>(err::FileNotFound) : 0u;
}

uint32_t Win32Files::CreateFolder(const std::string& path) {
  std::wstring wide;
  if (uint32_t err = WidePath(path, wide)) return err;
  return CreateDirectoryW(wide.c_str(), nullptr) ? 0 : LastError();
}

uint32_t Win32Files::RemoveFolder(const std::string& path) {
  std::wstring wide;
  if (uint32_t err = WidePath(path, wide)) return err;
  if (wide.size() == 3) return err::AccessDenied;  // a drive root
  return RemoveDirectoryW(wide.c_str()) ? 0 : LastError();
}

uint32_t Win32Files::RemoveFile(const std::string& path) {
  std::wstring wide;
  if (uint32_t err = WidePath(path, wide)) return err;
  return DeleteFileW(wide.c_str()) ? 0 : LastError();
}

uint32_t Win32Files::Copy(const std::string& source, const std::string& destination,
                          bool failIfExists) {
  std::wstring from, to;
  if (uint32_t err = WidePath(source, from)) return err;
  if (uint32_t err = WidePath(destination, to)) return err;
  // A new file is made in one call: every lookup of a name that does not exist yet reads the
  // whole folder under Wine. Only an existing destination is checked for the read-only
  // attribute, which Wine running as root would write over.
  if (CopyFileW(from.c_str(), to.c_str(), TRUE)) return 0;
  uint32_t err = LastError();
  if (failIfExists || err != err::FileExists) return err;
  if ((err = RefuseReadOnly(to))) return err;
  return CopyFileW(from.c_str(), to.c_str(), FALSE) ? 0 : LastError();
}

uint32_t Win32Files::Move(const std::string& source, const std::string& destination, bool replace) {
  std::wstring from, to;
  if (uint32_t err = WidePath(source, from)) return err;
  if (uint32_t err = WidePath(destination, to)) return err;
  DWORD attributes = GetFileAttributesW(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  bool newSpelling = from != to && FoldAscii(from) == FoldAscii(to);
  if (replace && !newSpelling)
    if (uint32_t err = RefuseReadOnly(to)) return err;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
    if (uint32_t err = FlushFileAt(from)) return err;
  DWORD flags = MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
  if (replace) flags |= MOVEFILE_REPLACE_EXISTING;
  if (!MoveFileExW(from.c_str(), to.c_str(), flags)) return LastError();
  // A new letter case of the same name is a rename on Windows; Wine takes it for a move onto
  // the file itself and keeps the old spelling. Then the entry goes by a name of its own first.
  if (newSpelling && !SpelledAs(to)) {
    std::wstring between = from + L".ov$";
    if (!MoveFileExW(from.c_str(), between.c_str(), 0)) return LastError();
    if (!MoveFileExW(between.c_str(), to.c_str(), 0)) {
      uint32_t err = LastError();
      MoveFileExW(between.c_str(), from.c_str(), 0);
      return err;
    }
  }
  return 0;
}

uint32_t Win32Files::MoveFileAtRestart(const std::string& source, const std::string& destination) {
  std::wstring from, to;
  if (uint32_t err = WidePath(source, from)) return err;
  if (!destination.empty())
    if (uint32_t err = WidePath(destination, to)) return err;
  // An empty destination deletes the source at the restart.
  return MoveFileExW(from.c_str(), destination.empty() ? nullptr : to.c_str(),
                     MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)
             ? 0
             : LastError();
}

uint32_t Win32Files::SetAttributes(const std::string& path, uint32_t attributes) {
  std::wstring wide;
  if (uint32_t err = WidePath(path, wide)) return err;
  // Only the attributes SetFileAttributes can set; none at all is NORMAL.
  attributes &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE;
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesW(wide.c_str(), attributes) ? 0 : LastError();
}

uint32_t Win32Files::ReadFile(const std::string& path, std::string& bytes) {
  std::wstring wide;
  if (uint32_t err = WidePath(path, wide)) return err;
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  uint32_t err = 0;
  LARGE_INTEGER size;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    err = err::AccessDenied;
  } else if (!GetFileSizeEx(file, &size)) {
    err = LastError();
  } else {
    // Read to the end, however the size changes meanwhile.
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    for (;;) {
      if (done == content.size()) content.resize(std::max<size_t>(content.size() * 2, 65536));
      DWORD want = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1 << 24)), got = 0;
      if (!::ReadFile(file, &content[done], want, &got, nullptr)) {
        err = LastError();
        break;
      }
      if (got == 0) break;
      done += got;
    }
    content.resize(done);
    if (!err) bytes.swap(content);
  }
  CloseHandle(file);
  return err;
}

uint32_t Win32Files::WriteFile(const std::string& path, const std::string& bytes) {
  std::wstring wide;
  if (uint32_t err = WidePath(path, wide)) return err;
  if (uint32_t err = RefuseReadOnly(wide)) return err;
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    uint32_t err = LastError();
    // CREATE_ALWAYS refuses an existing hidden or system file unless the call names those
    // attributes too; a read-only file or a folder stays refused.
    DWORD kept = GetFileAttributesW(wide.c_str());
    if (err != ERROR_ACCESS_DENIED || kept == INVALID_FILE_ATTRIBUTES ||
        (kept & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) ||
        !(kept & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
      return err;
    file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       kept & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError();
  }
  uint32_t err = 0;
  for (size_t done = 0; done < bytes.size();) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24)), wrote = 0;
    if (!::WriteFile(file, bytes.data() + done, want, &wrote, nullptr)) {
      err = LastError();
      break;
    }
    done += wrote;
  }
  if (!CloseHandle(file) && !err) err = LastError();
  return err;
}

uint32_t Win32Files::SetCurrentFolder(const std::string& path) {
  std::wstring wide;
  if (uint32_t err = WidePath(path, wide)) return err;
  return SetCurrentDirectoryW(wide.c_str()) ? 0 : LastError();
}

bool Win32Files::DiskFreeSpaceEx(const std::string& root, int64_t& freeBytes) {
  freeBytes = -1;
  std::wstring wide;
  ULARGE_INTEGER available, total, free;
  if (!DriveRoot(root, wide) || !GetDiskFreeSpaceExW(wide.c_str(), &available, &total, &free))
    return false;
  freeBytes = static_cast<int64_t>(available.QuadPart);
  return true;
}

bool Win32Files::DiskFreeSpace(const std::string& root, uint32_t& sectorsPerCluster,
                               uint32_t& bytesPerSector, uint32_t& freeClusters) {
  std::wstring wide;
  DWORD sectors = 0, bytes = 0, clusters = 0, totalClusters = 0;
  if (!DriveRoot(root, wide) ||
      !GetDiskFreeSpaceW(wide.c_str(), &sectors, &bytes, &clusters, &totalClusters))
    return false;
  sectorsPerCluster = sectors;
  bytesPerSector = bytes;
  freeClusters = clusters;
  return true;
}

std::string Win32Files::ShortPath(const std::string& path) {
  std::wstring wide;
  if (WidePath(path, wide) != 0) return "";
  DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (size == 0) return "";
  std::wstring buffer(size, L'\0');
  DWORD length = GetShortPathNameW(wide.c_str(), buffer.data(), size);
  if (length == 0 || length >= size) return "";
  buffer.resize(length);
  std::string result;
  return FromWide(buffer, result) ? result : "";
}

}  // namespace orvane::win32
