// HostComponents: LoadLibrary / GetProcAddress / FreeLibrary become dlopen / dlsym / dlclose. The
// library is private to the call (RTLD_LOCAL) and bound at once (RTLD_NOW), so a library with
// unresolved symbols fails to load instead of failing later inside the entry point.
#include "platform/host/HostComponents.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/host/Machine.h"

namespace orvane::host {

ComponentCall HostComponents::CallEntry(const std::string& path, const std::string& entry,
                                        int32_t& result) {
  std::filesystem::path hostPath;
  if (machine_.Resolve(path, hostPath) != 0) return ComponentCall::NotLoaded;
  // A path without a "/" would make dlopen search the library path; resolved paths are absolute,
  // but make sure of it.
  std::string file = std::filesystem::absolute(hostPath).string();
  void* module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
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
