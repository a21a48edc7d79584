// INI files through the profile functions GetPrivateProfileStringA and WritePrivateProfileStringA.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

namespace orvane {

class IProfile {
 public:
  virtual ~IProfile() = default;

  // GetPrivateProfileStringA with a buffer of `capacity` bytes: at most capacity - 1 characters of
  // the value (or of the default) are returned. A missing file, section or key yields the default
  // with its trailing blanks removed. A path without a folder means the Windows folder.
  virtual std::string GetString(const std::string& section, const std::string& key,
                                const std::string& defaultValue, size_t capacity,
                                const std::string& path) = 0;
  // WritePrivateProfileStringA; std::nullopt stands for a null pointer: a null value deletes the
  // key, a null key deletes the section, all three null flush the cached copy of `path`.
  // Returns false when the file cannot be written.
  virtual bool WriteString(const std::optional<std::string>& section,
                           const std::optional<std::string>& key,
                           const std::optional<std::string>& value, const std::string& path) = 0;
};

}  // namespace orvane
