// The profile functions on Windows. Each INI file is parsed once into an IniDocument and kept
// while its size and last-write time stay as they were; a write checks the file's identity too
// (its file index, which a replacement changes) before it trusts the parsed copy, so that a
// change another process made in the same clock tick is never written over.
#include "platform/win32/Win32Profile.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <unordered_map>

#include "platform/win32/Win32Paths.h"
#include "support/IniDocument.h"
#include "support/WindowsPath.h"

namespace orvane::win32 {
namespace {

// Every INI write of the machine, by any process of the program, holds this mutex from reading
// the file to replacing it. One mutex for all files: writes are short.
const wchar_t kMutexName[] = L"Global\\OrvaneSetup.ProfileWrite";
const wchar_t kLocalMutexName[] = L"OrvaneSetup.ProfileWrite";
// The temporary file a write renames into place, beside the file (a rename cannot leave the
// volume). Its name is fixed and used only under the mutex: a writer that was killed leaves at
// most one stray file per folder, which the next write there replaces.
const char kTemporaryName[] = "OVPROF$.TMP";

// What a file looked like at one moment. `index` (the file's identity on its volume) is known
// only when the stamp was taken through an open handle; 0 otherwise.
struct Stamp {
  bool exists = false;
  uint32_t attributes = 0;
  uint64_t size = 0;
  uint64_t lastWrite = 0;
  uint64_t index = 0;
  uint32_t volume = 0;

  bool SameContent(const Stamp& other) const {
    return exists == other.exists && size == other.size && lastWrite == other.lastWrite &&
           attributes == other.attributes;
  }
  bool SameFile(const Stamp& other) const {
    return SameContent(other) && index == other.index && volume == other.volume;
  }
};

uint64_t Join(DWORD high, DWORD low) {
  return (static_cast<uint64_t>(high) << 32) | low;
}

// The stamp GetFileAttributesEx gives: no file index, no handle opened.
Stamp QuickStamp(const std::wstring& path) {
  Stamp stamp;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    stamp.exists = true;
    stamp.attributes = data.dwFileAttributes;
    stamp.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    stamp.lastWrite = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
  }
  return stamp;
}

// An open file for reading, closed with the object.
class ReadHandle {
 public:
  // Opens `path`: 0 with the file's full stamp, 0 with `exists` false when there is no such file,
  // or a Win32 error code (5 for a folder or anything but a file on disk).
  uint32_t Open(const std::wstring& path, Stamp& stamp) {
    stamp = Stamp();
    handle_ = CreateFileW(path.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
      DWORD err = GetLastError();
      return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? 0 : err;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle_) != FILE_TYPE_DISK) return ERROR_ACCESS_DENIED;
    if (!GetFileInformationByHandle(handle_, &info)) return GetLastError();
    stamp.exists = true;
    stamp.attributes = info.dwFileAttributes;
    stamp.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.lastWrite = Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    stamp.index = Join(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.volume = info.dwVolumeSerialNumber;
    return 0;
  }
  // The whole file from where reading stands. 0 or a Win32 error code.
  uint32_t ReadAll(std::string& text) {
    text.clear();
    char buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(handle_, buffer, sizeof buffer, &got, nullptr)) return GetLastError();
      if (got == 0) return 0;
      text.append(buffer, got);
    }
  }
  ~ReadHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Writes `text` to `temporary`, flushes it and renames it over `target`. `attributes` are the
// HIDDEN and SYSTEM attributes the file keeps. 0 or a Win32 error code; on failure the
// temporary is gone and `target` is as it was.
uint32_t ReplaceDurably(const std::wstring& temporary, const std::wstring& target,
                        const std::string& text, DWORD attributes) {
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  uint32_t err = 0;
  for (size_t done = 0; !err && done < text.size();) {
    DWORD wrote = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1 << 24));
    if (!::WriteFile(file, text.data() + done, want, &wrote, nullptr))
      err = GetLastError();
    else
      done += wrote;
  }
  if (!err && !FlushFileBuffers(file)) err = GetLastError();
  if (!CloseHandle(file) && !err) err = GetLastError();
  if (!err && !MoveFileExW(temporary.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    err = GetLastError();
  if (err) DeleteFileW(temporary.c_str());
  return err;
}

// Holds a mutex for the life of the object.
class MutexLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {
    DWORD result = mutex ? WaitForSingleObject(mutex, INFINITE) : WAIT_FAILED;
    // An owner that ended without releasing it left no write half done: the rename is atomic.
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
  }
  ~MutexLock() {
    if (held_) ReleaseMutex(mutex_);
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;
  bool Held() const { return held_; }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

HANDLE OpenWriteMutex() {
  for (const wchar_t* name : {kMutexName, kLocalMutexName}) {
    // "Global\" names the mutex for every session where the system has sessions.
    if (HANDLE mutex = CreateMutexW(nullptr, FALSE, name)) return mutex;
    // Made by another user, whose mutex this one may wait on but not open for all access.
    if (GetLastError() == ERROR_ACCESS_DENIED)
      if (HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name)) return mutex;
  }
  return nullptr;
}

std::string CurrentFolder() {
  DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return "";
  std::wstring buffer(size, L'\0');
  DWORD length = GetCurrentDirectoryW(size, buffer.data());
  if (length == 0 || length >= size) return "";
  buffer.resize(length);
  std::string folder;
  return FromWide(buffer, folder) ? folder : "";
}

std::string SystemWindowsFolder() {
  wchar_t buffer[MAX_PATH + 1];
  UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  std::string folder;
  if (length == 0 || length > MAX_PATH || !FromWide(std::wstring(buffer, length), folder))
    return "";
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

}  // namespace

struct Win32Profile::Impl {
  struct Entry {
    Stamp stamp;
    IniDocument doc;
  };
  // A profile path resolved: the file in the system's form and the cache's key for it.
  struct File {
    std::string canonical;
    std::wstring wide;
    std::string key;
  };

  std::string windowsFolder;
  std::unordered_map<std::string, Entry> cache;  // folded canonical path -> parsed file
  HANDLE mutex = nullptr;

  ~Impl() {
    if (mutex) CloseHandle(mutex);
  }

  // Resolves a profile path: none means WIN.INI, a name without a folder lives in the Windows
  // folder, a folder without a drive is taken from the current folder. False when the path is
  // refused.
  bool Resolve(const std::string& path, File& file) const {
    std::string windows = path.empty() ? "win.ini" : path;
    bool hasFolder = windows.find_first_of("\\/") != std::string::npos ||
                     (windows.size() >= 2 && windows[1] == ':');
    if (!hasFolder) {
      windows = windowsFolder + "\\" + windows;
    } else if (windows.size() < 2 || windows[1] != ':') {
      std::string current = CurrentFolder();
      if (windows[0] == '\\' || windows[0] == '/') {
        if (windows.size() < 2 || (windows[1] != '\\' && windows[1] != '/'))
          windows = current.substr(0, 2) + windows;
      } else {
        bool endsWithSep = !current.empty() && (current.back() == '\\' || current.back() == '/');
        windows = current + (endsWithSep ? "" : "\\") + windows;
      }
    }
    if (CanonicalPath(windows, file.canonical) != 0 || !ToWide(file.canonical, file.wide))
      return false;
    file.key = FoldCase(file.canonical);
    return true;
  }

  // The parsed file, read again when it changed. `exact` (for a write, under the mutex) also
  // compares the file's identity, which needs the file opened; otherwise its size and time are
  // enough. Null when the file cannot be read.
  Entry* Load(const File& file, bool exact) {
    auto it = cache.find(file.key);
    if (!exact && it != cache.end() && QuickStamp(file.wide).SameContent(it->second.stamp))
      return &it->second;
    ReadHandle handle;
    Stamp stamp;
    if (handle.Open(file.wide, stamp) != 0) {
      if (it != cache.end()) cache.erase(it);
      return nullptr;
    }
    if (it != cache.end() && stamp.SameFile(it->second.stamp)) return &it->second;
    std::string text;
    if (stamp.exists && handle.ReadAll(text) != 0) {
      if (it != cache.end()) cache.erase(it);
      return nullptr;
    }
    Entry& entry = cache[file.key];
    entry.stamp = stamp;
    entry.doc = IniDocument::Parse(text);
    return &entry;
  }

  // Writes the parsed file over the file on disk. 0 or a Win32 error code.
  uint32_t Publish(const File& file, Entry& entry) {
    if (entry.stamp.exists && (entry.stamp.attributes & FILE_ATTRIBUTE_READONLY))
      return ERROR_ACCESS_DENIED;  // renaming over a read-only file would succeed
    std::string folder, name;
    std::wstring temporary;
    if (!SplitLastSeparator(file.canonical, folder, name) ||
        !ToWide(folder + "\\" + kTemporaryName, temporary))
      return ERROR_INVALID_NAME;
    DWORD kept = entry.stamp.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (uint32_t err = ReplaceDurably(temporary, file.wide, entry.doc.Text(), kept)) return err;
    ReadHandle handle;
    if (handle.Open(file.wide, entry.stamp) != 0) entry.stamp = Stamp();
    return 0;
  }
};

Win32Profile::Win32Profile(std::string windowsFolder) : impl_(std::make_unique<Impl>()) {
  if (windowsFolder.empty()) windowsFolder = SystemWindowsFolder();
  if (!windowsFolder.empty() && windowsFolder.back() == '\\') windowsFolder.pop_back();
  impl_->windowsFolder = windowsFolder;
  impl_->mutex = OpenWriteMutex();
}

Win32Profile::~Win32Profile() = default;

std::string Win32Profile::GetString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t capacity,
                                    const std::string& path) {
  std::optional<std::string> value;
  Impl::File file;
  if (impl_->Resolve(path, file))
    if (Impl::Entry* entry = impl_->Load(file, false)) value = entry->doc.Get(section, key);
  return IniDocument::ProfileResult(value, defaultValue, capacity);
}

bool Win32Profile::WriteString(const std::optional<std::string>& section,
                               const std::optional<std::string>& key,
                               const std::optional<std::string>& value, const std::string& path) {
  Impl::File file;
  if (!impl_->Resolve(path, file)) return false;
  if (!section) {
    // The flush: forget the parsed copy so that the next call reads the file afresh.
    if (!key && !value) impl_->cache.erase(file.key);
    return false;
  }
  MutexLock lock(impl_->mutex);
  if (!lock.Held()) return false;
  Impl::Entry* entry = impl_->Load(file, true);
  if (!entry) return false;
  IniDocument& doc = entry->doc;
  if (!doc.ApplyWrite(*section, key, value)) return true;  // the file stays as it is
  if (impl_->Publish(file, *entry) != 0) {
    impl_->cache.erase(file.key);  // the document holds a change that is not on disk
    return false;
  }
  return true;
}

}  // namespace orvane::win32
