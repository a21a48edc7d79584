// A distribution folder on the host's disk as the checker sees it: its SETUP.INI and its disk
// folders, with files found as Windows finds them (names without regard to ASCII letter case).
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "pack/ScriptCheck.h"

namespace orvane::pack {

class DistFolder : public IDistFiles {
 public:
  // `path` is a distribution folder or its SETUP.INI. `disks` are the folders of disks 2, 3, ...;
  // without them, a folder whose name ends in a number (DISK1) has as later disks the folders
  // beside it with the next numbers (DISK2, DISK3, ...). Throws std::runtime_error when the
  // script cannot be found or read.
  DistFolder(const std::filesystem::path& path, const std::vector<std::filesystem::path>& disks);

  const std::filesystem::path& ScriptPath() const { return script_; }
  const std::string& ScriptBytes() const { return bytes_; }

  int DiskCount() const override { return static_cast<int>(disks_.size()); }
  bool HasFile(int disk, const std::string& relative) const override;

 private:
  std::filesystem::path script_;
  std::string bytes_;
  std::vector<std::filesystem::path> disks_;  // disk 1 first
};

// The entry of `folder` named `name` (UTF-8) without regard to ASCII letter case; empty when
// there is none.
std::filesystem::path FindEntry(const std::filesystem::path& folder, const std::string& name);

}  // namespace orvane::pack
