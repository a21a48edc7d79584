// The registry: four roots, keys made with their parents, typed values. Key paths are relative to
// the root, separated by "\", and matched without regard to letter case.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace orvane {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

struct RegValue {
  uint32_t type = reg::Sz;
  // reg::Sz / reg::ExpandSz: the text without its terminating NUL; reg::Dword: 4 bytes, least
  // significant first; reg::MultiSz: the strings each followed by NUL, then one more NUL;
  // other types: the raw bytes.
  std::string data;

  static RegValue String(const std::string& text, uint32_t type = reg::Sz) { return {type, text}; }
  static RegValue Dword(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return {reg::Dword, bytes};
  }
  // The 32-bit value of a reg::Dword (false for any other type or size).
  bool AsDword(uint32_t& value) const {
    if (type != reg::Dword || data.size() != 4) return false;
    value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data[i]);
    return true;
  }
};

struct RegNamedValue {
  std::string name;  // empty for the key's default value
  RegValue value;
};

class IRegistry {
 public:
  virtual ~IRegistry() = default;

  // RegCreateKeyEx: the key and every missing parent. 0 when it already exists.
  virtual uint32_t CreateKey(RegRoot root, const std::string& path) = 0;
  virtual bool KeyExists(RegRoot root, const std::string& path) = 0;
  // RegQueryValueEx: 2 when the key or the value is missing.
  virtual uint32_t GetValue(RegRoot root, const std::string& path, const std::string& name,
                            RegValue& value) = 0;
  // RegSetValueEx on an existing key (2 when the key is missing).
  virtual uint32_t SetValue(RegRoot root, const std::string& path, const std::string& name,
                            const RegValue& value) = 0;
  virtual uint32_t DeleteValue(RegRoot root, const std::string& path,
                               const std::string& name) = 0;
  // RegDeleteKey: 5 when the key has subkeys, 2 when it is missing.
  virtual uint32_t DeleteKey(RegRoot root, const std::string& path) = 0;
  // The key with all its subkeys, deepest first.
  virtual uint32_t DeleteTree(RegRoot root, const std::string& path) = 0;
  // RegEnumKeyEx: every subkey's name once, as created, in no promised order (Windows keeps them
  // sorted, other backends as made); 2 when the key is missing.
  virtual uint32_t EnumKeys(RegRoot root, const std::string& path,
                            std::vector<std::string>& names) = 0;
  // RegEnumValue: every value once, in no promised order (Windows lists them in the order in
  // which they were first set, Wine by name; it documents none). 2 when the key is missing.
  virtual uint32_t EnumValues(RegRoot root, const std::string& path,
                              std::vector<RegNamedValue>& values) = 0;
};

}  // namespace orvane
