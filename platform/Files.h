// Files and folders: the single simple operations the core builds its file routines on.
// Paths are absolute Windows paths in code page 932. Every call returns 0 or a Win32 error code.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace orvane {

struct FileInfo {
  uint32_t attributes = 0;  // attr:: flags; attr::Directory for folders
  uint64_t size = 0;        // bytes; 0 for folders
  int64_t lastWrite = 0;    // FILETIME: 100-ns ticks since 1601-01-01 UTC
  bool IsFolder() const { return (attributes & attr::Directory) != 0; }
};

struct FindEntry {
  std::string name;  // the entry's name as stored (letter case preserved)
  FileInfo info;
};

class IFiles {
 public:
  virtual ~IFiles() = default;

  // Attributes, size and time of one file or folder. 2 or 3 when it does not exist.
  virtual uint32_t GetInfo(const std::string& path, FileInfo& info) = 0;
  // FindFirstFile/FindNextFile: the entries of a folder whose names match the last component of
  // `pattern` ("*" and "?" as on Windows, letter case ignored; "*.*" matches every name; Windows
  // also matches a name's 8.3 alias, so "*.HTM" may list "PAGE.HTML"). What callers may rely on:
  // - every matching entry once, in no promised order (NTFS lists by name, FAT as made);
  // - "." and ".." may or may not be among them (Windows lists them in every folder but a drive
  //   root): callers skip them;
  // - 3 when the folder does not exist; 0 or 2 for an existing folder where nothing but the dots
  //   matches, so an empty folder lists nothing else.
  virtual uint32_t Find(const std::string& pattern, std::vector<FindEntry>& entries) = 0;
  // CreateDirectory: one level only; 183 when it exists, 3 when the parent is missing.
  virtual uint32_t CreateFolder(const std::string& path) = 0;
  // RemoveDirectory: only an empty folder; 145 when not empty.
  virtual uint32_t RemoveFolder(const std::string& path) = 0;
  // DeleteFile: 5 for a read-only file or a folder, 32 when another process holds the file.
  virtual uint32_t RemoveFile(const std::string& path) = 0;
  // CopyFile: the destination takes the source's content, attributes and time.
  // 32 when the destination is held by another process, 5 when it is read-only.
  virtual uint32_t Copy(const std::string& source, const std::string& destination,
                        bool failIfExists) = 0;
  // MoveFileEx without delay: a rename, replacing an existing destination when `replace` is set.
  virtual uint32_t Move(const std::string& source, const std::string& destination,
                        bool replace) = 0;
  // MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING: recorded where
  // Windows NT keeps it and carried out when the machine next starts.
  virtual uint32_t MoveFileAtRestart(const std::string& source, const std::string& destination) = 0;
  // SetFileAttributes. Only READONLY has an effect where the file system has no other attributes.
  virtual uint32_t SetAttributes(const std::string& path, uint32_t attributes) = 0;
  // Whole-file reads and writes (the writer creates or truncates).
  virtual uint32_t ReadFile(const std::string& path, std::string& bytes) = 0;
  virtual uint32_t WriteFile(const std::string& path, const std::string& bytes) = 0;
  // SetCurrentDirectory.
  virtual uint32_t SetCurrentFolder(const std::string& path) = 0;
  // GetDiskFreeSpaceEx: bytes available to the caller on the drive of `root` ("C:\").
  virtual bool DiskFreeSpaceEx(const std::string& root, int64_t& freeBytes) = 0;
  // GetDiskFreeSpace: the drive's geometry.
  virtual bool DiskFreeSpace(const std::string& root, uint32_t& sectorsPerCluster,
                             uint32_t& bytesPerSector, uint32_t& freeClusters) = 0;
  // GetShortPathName: the 8.3 form of an existing path (the path itself on a volume that keeps no
  // 8.3 names); empty when the path does not exist.
  virtual std::string ShortPath(const std::string& path) = 0;
};

}  // namespace orvane
