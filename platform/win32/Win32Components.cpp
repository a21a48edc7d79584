// Win32Components: the library is loaded for the one call and freed again whatever the entry
// point does (a C++ exception passing through it included).
#include "platform/win32/Win32Components.h"

#include <windows.h>

#include "platform/win32/Win32ShellText.h"

namespace orvane::win32 {
namespace {

struct Library {
  HMODULE module;
  ~Library() {
    if (module) FreeLibrary(module);
  }
};

}  // namespace

ComponentCall Win32Components::CallEntry(const std::string& path, const std::string& entry,
                                         int32_t& result) {
  std::wstring file;
  if (shelltext::SystemPath(path, file) != 0) return ComponentCall::NotLoaded;
  Library library{LoadLibraryW(file.c_str())};
  if (library.module == nullptr) return ComponentCall::NotLoaded;
  // DllRegisterServer and DllUnregisterServer are STDAPI: no arguments, an HRESULT back.
  using EntryPoint = HRESULT(STDAPICALLTYPE*)();
  auto function = reinterpret_cast<EntryPoint>(
      reinterpret_cast<void*>(GetProcAddress(library.module, entry.c_str())));
  if (function == nullptr) return ComponentCall::EntryMissing;
  result = static_cast<int32_t>(function());
  return ComponentCall::Called;
}

}  // namespace orvane::win32
