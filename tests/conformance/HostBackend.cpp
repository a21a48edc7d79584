// The Linux backend in the conformance suite: a fresh emulated machine in a temporary folder.
#include <stdlib.h>

#include <filesystem>

#include "platform/host/HostFiles.h"
#include "platform/host/HostLz.h"
#include "platform/host/HostPlatform.h"
#include "platform/host/HostProfile.h"
#include "platform/host/HostRegistry.h"
#include "platform/host/HostSystem.h"
#include "tests/conformance/Backend.h"
#include "tests/unit/MachineFixture.h"

namespace orvane::conformance {
namespace {

class HostBackend : public Backend {
 public:
  HostBackend() {
    char folder[] = "/tmp/orvane-conformance-XXXXXX";
    if (!mkdtemp(folder)) throw std::runtime_error("cannot make a temporary folder");
    folder_ = folder;
    platform_ = std::make_unique<host::HostPlatform>(folder_ / "machine");
  }
  ~HostBackend() override {
    platform_.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  IFiles& Files() override { return platform_->Files(); }
  IProfile& Profile() override { return platform_->Profile(); }
  IRegistry& Registry() override { return platform_->Registry(); }
  IShell* Shell() override { return &platform_->Shell(); }
  ILzExpand* Lz() override { return &platform_->Lz(); }
  std::string WindowsFolder() override { return platform_->System().WindowsDirectory(); }
  std::shared_ptr<void> HoldOpen(const std::string& path) override {
    std::filesystem::path host;
    if (platform_->GetMachine().Resolve(path, host) != 0) return nullptr;
    auto lock = std::make_shared<host::testing::ChildLock>(host);
    return lock->Locked() ? lock : nullptr;
  }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<host::HostPlatform> platform_;
};

std::unique_ptr<Backend> MakeHostBackend() {
  return std::make_unique<HostBackend>();
}

ORVANE_CONFORMANCE_BACKEND(Host, &MakeHostBackend);

}  // namespace
}  // namespace orvane::conformance
