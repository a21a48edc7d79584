// The whole host platform in one object: an emulated machine opened from a folder and every
// platform interface over it, handed out as the Platform bundle.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/host/HostShell.h"
#include "platform/host/Machine.h"

namespace orvane::host {

class HostFiles;
class HostProfile;
class HostLz;
class HostComponents;
class HostProcesses;
class HostSystem;
class HostClock;

struct HostPlatformOptions {
  MachineSettings newMachine;  // settings of a machine made by this call
  bool virtualClock = true;    // pauses are reported, not slept
  std::function<void(uint32_t)> onPause;
  // The running program: its host file and the Windows path it is reachable under (made a
  // virtual file of the machine when it lies outside the drives).
  std::filesystem::path programHostPath;
  std::string programPath;
  std::string firstArgument;
  ShellOptions shell;  // document opener and callbacks
};

class HostPlatform {
 public:
  // Opens (or makes) the machine in `machineFolder`; throws std::runtime_error as Machine::Open.
  HostPlatform(const std::filesystem::path& machineFolder, HostPlatformOptions options = {});
  ~HostPlatform();

  Machine& GetMachine() { return *machine_; }
  HostFiles& Files() { return *files_; }
  HostSystem& System() { return *system_; }
  HostClock& Clock() { return *clock_; }
  HostProcesses& Processes() { return *processes_; }
  HostShell& Shell() { return *shell_; }
  HostProfile& Profile() { return *profile_; }
  HostLz& Lz() { return *lz_; }
  HostRegistry& Registry() { return machine_->Registry(); }

  Platform Bundle(IUserInterface& ui);

 private:
  std::unique_ptr<Machine> machine_;
  std::unique_ptr<HostFiles> files_;
  std::unique_ptr<HostProfile> profile_;
  std::unique_ptr<HostLz> lz_;
  std::unique_ptr<HostComponents> components_;
  std::unique_ptr<HostProcesses> processes_;
  std::unique_ptr<HostShell> shell_;
  std::unique_ptr<HostSystem> system_;
  std::unique_ptr<HostClock> clock_;
};

}  // namespace orvane::host
