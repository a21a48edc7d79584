// The machine's registry store: four roots, HKEY_CLASSES_ROOT as a view of
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, persisted as a REGEDIT export text file that is replaced
// atomically and locked against a second writer.
#pragma once
#include <filesystem>
#include <memory>
#include <string>

#include "platform/Registry.h"

namespace orvane::host {

// Key paths are split at "\"; an empty name in a path ("A\\B", a leading or trailing "\") fails
// with 161, a key name over 255 characters, a path over 512 levels or a name that has no UTF-8
// form fails with 87. Every change is on disk when the call returns.
class HostRegistry : public IRegistry {
 public:
  // Loads the store from `file` (an absent file is an empty store). Throws std::runtime_error
  // naming the file and line when the text cannot be understood.
  explicit HostRegistry(const std::filesystem::path& file);
  ~HostRegistry() override;

  uint32_t CreateKey(RegRoot root, const std::string& path) override;
  bool KeyExists(RegRoot root, const std::string& path) override;
  uint32_t GetValue(RegRoot root, const std::string& path, const std::string& name,
                    RegValue& value) override;
  uint32_t SetValue(RegRoot root, const std::string& path, const std::string& name,
                    const RegValue& value) override;
  uint32_t DeleteValue(RegRoot root, const std::string& path, const std::string& name) override;
  uint32_t DeleteKey(RegRoot root, const std::string& path) override;
  uint32_t DeleteTree(RegRoot root, const std::string& path) override;
  uint32_t EnumKeys(RegRoot root, const std::string& path,
                    std::vector<std::string>& names) override;
  uint32_t EnumValues(RegRoot root, const std::string& path,
                      std::vector<RegNamedValue>& values) override;

  // The store (or one key with its subkeys, given as "HKEY_...\Path") as REGEDIT export text in
  // UTF-8. Empty when the key does not exist.
  std::string Export(const std::string& key = "") const;

  // When the file was changed on disk into something that cannot be read, every operation fails
  // (error 1009) until it is repaired; this is the "<file>:<line>: <what>" message of that failure.
  const std::string& LoadError() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The store file's text that loading `text` (the contents of a file called `name`) and saving it
// again gives. Throws std::runtime_error("<name>:<line>: <what>") as loading does.
std::string RewriteRegistryText(const std::string& text, const std::string& name);

// Parses "HKEY_LOCAL_MACHINE\Path", "HKLM\Path" and the like into a root and a path.
bool ParseRootedKey(const std::string& key, RegRoot& root, std::string& path);

}  // namespace orvane::host
