// The in-memory backend in the conformance suite: files, profile and registry.
#include "platform/memory/MemoryFiles.h"
#include "platform/memory/MemoryProfile.h"
#include "platform/memory/MemoryRegistry.h"
#include "tests/conformance/Backend.h"

namespace orvane::conformance {
namespace {

class MemoryBackend : public Backend {
 public:
  MemoryBackend() { files_.CreateFolder("C:\\WINDOWS"); }
  IFiles& Files() override { return files_; }
  IProfile& Profile() override { return profile_; }
  IRegistry& Registry() override { return registry_; }
  std::string WindowsFolder() override { return "C:\\WINDOWS"; }
  bool ActsAsMachine() override { return false; }
  std::shared_ptr<void> HoldOpen(const std::string& path) override {
    files_.SetInUse(path, true);
    return std::shared_ptr<void>(
        this, [path](MemoryBackend* self) { self->files_.SetInUse(path, false); });
  }

 private:
  memory::MemoryFiles files_;
  memory::MemoryProfile profile_{files_, "C:\\WINDOWS"};
  memory::MemoryRegistry registry_;
};

std::unique_ptr<Backend> MakeMemoryBackend() {
  return std::make_unique<MemoryBackend>();
}

ORVANE_CONFORMANCE_BACKEND(Memory, &MakeMemoryBackend);

}  // namespace
}  // namespace orvane::conformance
