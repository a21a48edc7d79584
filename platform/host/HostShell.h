// The shell of the emulated machine: special folders from the registered shell folders, .lnk
// files, "open" (programs started, documents handed to an opener or reported) and change
// notifications reported to a callback.
#pragma once
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "platform/Shell.h"

namespace orvane {
class IFiles;
class IProcesses;
}  // namespace orvane

namespace orvane::host {

class Machine;

struct ShellOptions {
  // Host command that opens a document (for example "xdg-open"); empty: documents are only
  // reported through `onOpenDocument`.
  std::string documentOpener;
  std::function<void(const std::string& file, const std::string& params)> onOpenDocument;
  std::function<void(long event)> onChangeNotify;
};

class HostShell : public IShell {
 public:
  HostShell(Machine& machine, IFiles& files, IProcesses& processes, ShellOptions options = {});
  ~HostShell() override;

  std::string SpecialFolderPath(int csidl) override;
  uint32_t SaveShellLink(const std::string& linkPath, const std::string& target,
                         const std::string& workingFolder, const std::string& arguments) override;
  int Execute(const std::string& verb, const std::string& file,
              const std::optional<std::string>& parameters) override;
  void ChangeNotify(long event) override;

 private:
  Machine& machine_;
  IFiles& files_;
  IProcesses& processes_;
  ShellOptions options_;
  std::set<int> openers_;  // opener processes not yet reaped
};

}  // namespace orvane::host
