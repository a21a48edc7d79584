// The registry kept in memory: four roots, HKEY_CLASSES_ROOT as a view of
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, keys and value names matched without regard to letter case.
// It lists subkeys in name order (as Windows' registry keeps them), not in the order they were
// made, so that code relying on more than the contract shows it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace orvane::memory {

class MemoryRegistry : public IRegistry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

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

  struct Key;

 private:
  Key* Locate(RegRoot root, const std::string& path, bool create, Key** parent = nullptr);

  std::unique_ptr<Key> machine_, user_, users_;
};

}  // namespace orvane::memory
