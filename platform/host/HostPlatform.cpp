// The whole host platform in one object: opens the machine and builds every backend over it.
#include "platform/host/HostPlatform.h"

#include "platform/host/HostComponents.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostLz.h"
#include "platform/host/HostProcesses.h"
#include "platform/host/HostProfile.h"
#include "platform/host/HostRegistry.h"
#include "platform/host/HostSystem.h"

namespace orvane::host {

HostPlatform::HostPlatform(const std::filesystem::path& machineFolder, HostPlatformOptions options)
    : machine_(Machine::Open(machineFolder, options.newMachine)) {
  if (!options.programHostPath.empty() && !options.programPath.empty() &&
      machine_->ToWindowsPath(options.programHostPath).empty())
    machine_->AddVirtualFile(options.programPath, options.programHostPath);
  files_ = std::make_unique<HostFiles>(*machine_);
  profile_ = std::make_unique<HostProfile>(*machine_, machine_->WindowsFolder());
  lz_ = std::make_unique<HostLz>(*machine_);
  components_ = std::make_unique<HostComponents>(*machine_);
  processes_ = std::make_unique<HostProcesses>(*machine_);
  shell_ = std::make_unique<HostShell>(*machine_, *files_, *processes_, std::move(options.shell));
  system_ = std::make_unique<HostSystem>(*machine_, options.programPath, options.firstArgument);
  clock_ = std::make_unique<HostClock>(options.virtualClock, std::move(options.onPause));
}

HostPlatform::~HostPlatform() = default;

Platform HostPlatform::Bundle(IUserInterface& ui) {
  return Platform{
      *files_, *profile_, machine_->Registry(), *shell_, *lz_, *components_, *processes_, *system_,
      *clock_, ui};
}

}  // namespace orvane::host
