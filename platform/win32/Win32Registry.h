// The registry on the real Win32 API (the W functions): key and value names, and the data of
// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ values, converted between code page 932 and UTF-16 at
// the edge; data of other types as raw bytes. HKEY_CLASSES_ROOT is the system's merged view.
//
// Each executable sees its own view of HKEY_LOCAL_MACHINE\SOFTWARE (no KEY_WOW64_32KEY or
// KEY_WOW64_64KEY): the 32-bit program the 32-bit view, the 64-bit program the 64-bit one. That
// is the view that matches the file system each one sees (System32 and Program Files are
// redirected the same way for a 32-bit process), so that the ProgramFilesDir it reads, the shared
// DLL counts it keeps and the files they count agree; an uninstaller is a copy of the program
// that installed, so it finds the entries its installer wrote.
#pragma once
#include "platform/Registry.h"

namespace orvane::win32 {

// Key paths: 161 for an empty name in a path (a leading, trailing or doubled "\"); 87 for a key
// name over 255 characters or a name or text that is not valid code page 932. A text the system
// holds that has no code page 932 form is given with "?" for each such character.
class Win32Registry : public IRegistry {
 public:
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
};

}  // namespace orvane::win32
