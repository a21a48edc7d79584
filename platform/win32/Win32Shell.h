// The Windows shell: special folders, shell links through the shell's own link object, "open"
// through ShellExecute and change notifications. COM is initialised for the thread that makes
// this object, for as long as it lives.
#pragma once
#include <optional>
#include <string>

#include "platform/Shell.h"

namespace orvane::win32 {

class Win32Shell : public IShell {
 public:
  Win32Shell();
  ~Win32Shell() override;
  Win32Shell(const Win32Shell&) = delete;
  Win32Shell& operator=(const Win32Shell&) = delete;

  // The folder of `csidl` from SHGetSpecialFolderLocation (CP932, or its short form when the
  // path holds a character CP932 lacks).
  std::string SpecialFolderPath(int csidl) override;
  // IShellLinkW + IPersistFile::Save; an HRESULT of the Win32 facility gives its error code
  // (3 for a missing folder), any other failure 5. A link whose texts do not fit the ANSI code
  // page is written by support/ShellLink instead, which keeps the target in UTF-16 as well:
  // Wine's link object stores the target's local path in the ANSI code page alone.
  uint32_t SaveShellLink(const std::string& linkPath, const std::string& target,
                         const std::string& workingFolder, const std::string& arguments) override;
  int Execute(const std::string& verb, const std::string& file,
              const std::optional<std::string>& parameters) override;
  void ChangeNotify(long event) override;

 private:
  bool comInitialised_ = false;
};

}  // namespace orvane::win32
