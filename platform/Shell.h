// The shell: special folders, shell links, "open" and change notifications.
#pragma once
#include <optional>
#include <string>

namespace orvane {

class IShell {
 public:
  virtual ~IShell() = default;

  // SHGetSpecialFolderLocation + SHGetPathFromIDListA: the folder without a trailing backslash,
  // or empty when the system has no such folder.
  virtual std::string SpecialFolderPath(int csidl) = 0;
  // A shell link (IShellLinkA + IPersistFile::Save) at `linkPath` with exactly these three
  // properties; `arguments` may be empty. Returns 0 or a Win32 error code.
  virtual uint32_t SaveShellLink(const std::string& linkPath, const std::string& target,
                                 const std::string& workingFolder,
                                 const std::string& arguments) = 0;
  // ShellExecuteA(desktop, verb, file, parameters, no folder, SW_SHOWNORMAL). Values above 32
  // mean success; 2 file not found, 3 path not found, 11 bad format, 31 no association.
  virtual int Execute(const std::string& verb, const std::string& file,
                      const std::optional<std::string>& parameters) = 0;
  // SHChangeNotify(event, SHCNF_IDLIST, null, null).
  virtual void ChangeNotify(long event) = 0;
};

}  // namespace orvane
