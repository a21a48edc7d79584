// The profile functions over any IFiles: each call reads the INI file through the files
// interface, and each change writes the whole file back, with the rules of IniDocument.
#pragma once
#include <string>

#include "platform/Profile.h"

namespace orvane {
class IFiles;
}

namespace orvane::memory {

class MemoryProfile : public IProfile {
 public:
  // `windowsFolder` ("C:\WINDOWS") is where a file name without a folder lives.
  MemoryProfile(IFiles& files, std::string windowsFolder);

  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& defaultValue, size_t capacity,
                        const std::string& path) override;
  // Nothing is cached, so the flush has nothing to do; like Windows it returns false, as does a
  // null section with a key or value. False when the file cannot be read or written.
  bool WriteString(const std::optional<std::string>& section, const std::optional<std::string>& key,
                   const std::optional<std::string>& value, const std::string& path) override;

 private:
  std::string FullPath(const std::string& path) const;

  IFiles& files_;
  std::string windowsFolder_;
};

}  // namespace orvane::memory
