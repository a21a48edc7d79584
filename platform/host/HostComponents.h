// Self-registering components on the emulated machine: shared objects loaded with dlopen whose
// exported DllRegisterServer / DllUnregisterServer (int32_t(), an HRESULT) are called.
#pragma once
#include "platform/Components.h"

namespace orvane::host {

class Machine;

class HostComponents : public IComponents {
 public:
  explicit HostComponents(Machine& machine) : machine_(machine) {}

  ComponentCall CallEntry(const std::string& path, const std::string& entry,
                          int32_t& result) override;

 private:
  Machine& machine_;
};

}  // namespace orvane::host
