// Self-registering components: LoadLibraryA, GetProcAddress, the entry point call, FreeLibrary.
#pragma once
#include <cstdint>
#include <string>

namespace orvane {

enum class ComponentCall { NotLoaded, EntryMissing, Called };

class IComponents {
 public:
  virtual ~IComponents() = default;

  // Loads the file, looks up `entry` ("DllRegisterServer" or "DllUnregisterServer"), calls it with
  // no arguments and frees the library again (also when the call fails). `result` is the
  // entry's HRESULT when it was called.
  virtual ComponentCall CallEntry(const std::string& path, const std::string& entry,
                                  int32_t& result) = 0;
};

}  // namespace orvane
