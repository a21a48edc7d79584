// The profile functions (GetPrivateProfileStringA, WritePrivateProfileStringA) on the emulated
// machine: INI files are resolved through the machine's drives and kept parsed in a cache that is
// refreshed when a file changes on disk.
#pragma once
#include <memory>
#include <string>

#include "platform/Profile.h"

namespace orvane::host {

class Machine;

class HostProfile : public IProfile {
 public:
  // `windowsFolder` ("C:\WINDOWS") is where a file name without a folder lives.
  HostProfile(Machine& machine, std::string windowsFolder);
  ~HostProfile() override;

  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& defaultValue, size_t capacity,
                        const std::string& path) override;
  // Writes go to disk before the call returns (a temporary file renamed into place). Fails when
  // the folder does not exist, the file is read-only or the path cannot be resolved. Like
  // Windows, the flush (all three null) and a null section with a key or value return false.
  bool WriteString(const std::optional<std::string>& section, const std::optional<std::string>& key,
                   const std::optional<std::string>& value, const std::string& path) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::host
