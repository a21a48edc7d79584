// HostComponents: LoadLibrary / GetProcAddress / FreeLibrary become dlopen / dlsym / dlclose. The
// library is private to the call (RTLD_LOCAL) and bound at once (RTLD_NOW), so a library with
// unresolved symbols fails to load instead of failing later inside the entry point.
#include "platform/host/HostComponents.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>

#include "platform/host/Machine.h"
#include "platform/host/RegularFile.h"

namespace orvane::host {

ComponentCall HostComponents::CallEntry(const std::string& path, const std::string& entry,
                                        int32_t& result) {
  std::filesystem::path hostPath;
  if (machine_.Resolve(path, hostPath) != 0) return ComponentCall::NotLoaded;
  // Only a regular file is loaded (a FIFO in its place would block the loader), and the loader
  // is given the very file that was examined, by its descriptor.
  int fd = OpenRegularFile(hostPath);
  if (fd < 0) return ComponentCall::NotLoaded;
  std::string file = "/proc/self/fd/" + std::to_string(fd);
  void* module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  ::close(fd);
  if (module == nullptr) return ComponentCall::NotLoaded;
  using EntryPoint = int32_t (*)();
  auto function = reinterpret_cast<EntryPoint>(::dlsym(module, entry.c_str()));
  if (function == nullptr) {
    ::dlclose(module);
    return ComponentCall::EntryMissing;
  }
  try {
    result = function();
  } catch (...) {
    ::dlclose(module);
    throw;
  }
  ::dlclose(module);
  return ComponentCall::Called;
}

}  // namespace orvane::host
