// Self-registering components on the real API: LoadLibraryW, GetProcAddress, the entry point
// call and FreeLibrary.
#pragma once
#include "platform/Components.h"

namespace orvane::win32 {

class Win32Components : public IComponents {
 public:
  ComponentCall CallEntry(const std::string& path, const std::string& entry,
                          int32_t& result) override;
};

}  // namespace orvane::win32
