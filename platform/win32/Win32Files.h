// Files and folders on the real Win32 API (the W functions, paths converted from code page 932),
// with the error codes the system gives. Every path is checked first (Win32Paths.h): a device
// name, a UNC or "\\?\" path, a wildcard or a relative path is refused with a Win32 code and
// reaches no system call. Replacement at restart is MoveFileEx's own (PendingFileRenameOperations).
#pragma once
#include "platform/Files.h"

namespace orvane::win32 {

class Win32Files : public IFiles {
 public:
  uint32_t GetInfo(const std::string& path, FileInfo& info) override;
  uint32_t Find(const std::string& pattern, std::vector<FindEntry>& entries) override;
  uint32_t CreateFolder(const std::string& path) override;
  uint32_t RemoveFolder(const std::string& path) override;
  uint32_t RemoveFile(const std::string& path) override;
  uint32_t Copy(const std::string& source, const std::string& destination,
                bool failIfExists) override;
  // A file is flushed to disk before it takes its new name, so that a crash cannot leave a
  // half-written file under it (the uninstall log is replaced this way).
  uint32_t Move(const std::string& source, const std::string& destination, bool replace) override;
  uint32_t MoveFileAtRestart(const std::string& source, const std::string& destination) override;
  uint32_t SetAttributes(const std::string& path, uint32_t attributes) override;
  // Only a file on disk is read (5 for a folder or anything else).
  uint32_t ReadFile(const std::string& path, std::string& bytes) override;
  uint32_t WriteFile(const std::string& path, const std::string& bytes) override;
  uint32_t SetCurrentFolder(const std::string& path) override;
  bool DiskFreeSpaceEx(const std::string& root, int64_t& freeBytes) override;
  bool DiskFreeSpace(const std::string& root, uint32_t& sectorsPerCluster, uint32_t& bytesPerSector,
                     uint32_t& freeClusters) override;
  std::string ShortPath(const std::string& path) override;
};

}  // namespace orvane::win32
