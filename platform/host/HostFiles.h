// Files and folders of the emulated machine: the IFiles operations over the drives of a Machine,
// with Windows error codes, the read-only attribute as the owner write bit, and "in use" as a
// lock that another process holds on the file. Copies and writes replace an existing file by a
// new one (never writing into it, which a hard link would carry elsewhere); only regular files
// are read (5 for anything else); a mapped program file is never changed (5).
#pragma once
#include <filesystem>
#include "platform/Files.h"

namespace orvane::host {

class Machine;

class HostFiles : public IFiles {
 public:
  explicit HostFiles(Machine& machine) : machine_(machine) {}

  uint32_t GetInfo(const std::string& path, FileInfo& info) override;
  uint32_t Find(const std::string& pattern, std::vector<FindEntry>& entries) override;
  uint32_t CreateFolder(const std::string& path) override;
  uint32_t RemoveFolder(const std::string& path) override;
  uint32_t RemoveFile(const std::string& path) override;
  uint32_t Copy(const std::string& source, const std::string& destination,
                bool failIfExists) override;
  uint32_t Move(const std::string& source, const std::string& destination, bool replace) override;
  uint32_t MoveFileAtRestart(const std::string& source, const std::string& destination) override;
  uint32_t SetAttributes(const std::string& path, uint32_t attributes) override;
  uint32_t ReadFile(const std::string& path, std::string& bytes) override;
  uint32_t WriteFile(const std::string& path, const std::string& bytes) override;
  uint32_t SetCurrentFolder(const std::string& path) override;
  bool DiskFreeSpaceEx(const std::string& root, int64_t& freeBytes) override;
  bool DiskFreeSpace(const std::string& root, uint32_t& sectorsPerCluster, uint32_t& bytesPerSector,
                     uint32_t& freeClusters) override;
  std::string ShortPath(const std::string& path) override;

 private:
  Machine& machine_;
};

// Windows wildcard match of one name ("*", "?", "*.*" matching every name), letter case ignored.
bool MatchesWildcard(const std::string& pattern, const std::string& name);
// True when another process (or another open file of this one) holds a lock on the host file.
bool IsFileInUse(const std::string& hostPath);

}  // namespace orvane::host
