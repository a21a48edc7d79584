// Shared-file counts in SharedDLLs, self-registering components, and replacement of files in use
// at the next restart.
#pragma once
#include <string>

#include "install/ProgramError.h"

namespace orvane {

class IComponents;
class IRegistry;
class IRunView;
struct Platform;
struct SetupContext;

enum class CountChange { Add, Remove };
enum class Registration { Register, Unregister };

// The count of a path; 0 when missing or not a reg::Dword, INT32_MAX for any larger count.
int SharedCount(IRegistry& registry, const std::string& path);
// Raises or lowers the count; a present file nobody counted counts as used once, and a raise stops
// at INT32_MAX. A count that cannot be written raises ProgramError (the run stops there).
int UpdateSharedCount(Platform& platform, const std::string& path, CountChange change);
// Calls DllRegisterServer / DllUnregisterServer; true only when registration returned 0. A failed
// registration is reported through `view`, a component that does not load only in an install
// (`setup`); unregistering is silent.
bool RegisterComponent(Platform& platform, IRunView& view, bool setup, const std::string& path,
                       Registration mode);
// DllUnregisterServer, silently whatever happens: what a deletion does before a component goes.
void UnregisterComponent(IComponents& components, const std::string& path);
bool IsComponentFile(const std::string& path);
// Copies `source` to a temporary file in the Windows folder and has it replace `destination` when
// the machine next starts (by the context's WindowsFolder and PlatformId); a failure is reported
// through `view`.
bool ReplaceAtRestart(Platform& platform, IRunView& view, const SetupContext& ctx,
                      const std::string& source, const std::string& destination);

}  // namespace orvane
