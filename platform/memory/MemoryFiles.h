// Files and folders kept in memory: a Windows file system of drives, folders and files with
// attributes and times, for tests and as the second backend that every platform contract case
// runs against. It lists neither "." nor "..", and lists a folder in the order its entries were
// made (as FAT does), so that code relying on more than the contract shows it.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"

namespace orvane::memory {

class MemoryFiles : public IFiles {
 public:
  // Drive C: exists from the start, empty; more drives come with AddDrive.
  MemoryFiles();
  ~MemoryFiles() override;

  void AddDrive(char letter);
  // Marks a file as held open by another process: deleting it, writing it, copying or moving
  // over it and moving it fail with 32 until it is released.
  void SetInUse(const std::string& path, bool inUse);
  // Free space of a drive (a terabyte unless set). A write or copy that does not fit stores the
  // bytes that do and fails with 112.
  void SetFreeSpace(char drive, int64_t bytes);
  // Replacements recorded by MoveFileAtRestart, in order; an empty destination is a deletion.
  const std::vector<std::pair<std::string, std::string>>& PendingRenames() const {
    return pendingRenames_;
  }
  const std::string& CurrentFolder() const { return currentFolder_; }

  uint32_t GetInfo(const std::string& path, FileInfo& info) override;
  uint32_t Find(const std::string& pattern, std::vector<FindEntry>& entries) override;
  uint32_t CreateFolder(const std::string& path) override;
  uint32_t RemoveFolder(const std::string& path) override;
  uint32_t RemoveFile(const std::string& path) override;
  uint32_t Copy(const std::string& source, const std::string& destination,
                bool failIfExists) override;
  // 17 between drives, as MoveFileEx without MOVEFILE_COPY_ALLOWED.
  uint32_t Move(const std::string& source, const std::string& destination, bool replace) override;
  uint32_t MoveFileAtRestart(const std::string& source, const std::string& destination) override;
  uint32_t SetAttributes(const std::string& path, uint32_t attributes) override;
  uint32_t ReadFile(const std::string& path, std::string& bytes) override;
  uint32_t WriteFile(const std::string& path, const std::string& bytes) override;
  uint32_t SetCurrentFolder(const std::string& path) override;
  bool DiskFreeSpaceEx(const std::string& root, int64_t& freeBytes) override;
  bool DiskFreeSpace(const std::string& root, uint32_t& sectorsPerCluster, uint32_t& bytesPerSector,
                     uint32_t& freeClusters) override;
  // The path as given when it exists: a volume that keeps no 8.3 names answers so on Windows.
  std::string ShortPath(const std::string& path) override;

  struct Node;

 private:
  struct Place;
  uint32_t Locate(const std::string& path, Place& place);
  uint32_t Store(Node& file, char drive, const std::string& bytes);
  int64_t Tick();

  std::map<char, std::unique_ptr<Node>> drives_;
  std::map<char, int64_t> freeBytes_;
  std::vector<std::pair<std::string, std::string>> pendingRenames_;
  std::string currentFolder_ = "C:\\";
  int64_t clock_;
};

}  // namespace orvane::memory
