// Shared-file counts in SharedDLLs, self-registering components, and replacement of files in use
// at the next restart.
#pragma once
#include <string>

namespace orvane {

class Application;
class IRegistry;

enum class CountChange { Add, Remove };
enum class Registration { Register, Unregister };

// The count of a path; 0 when missing or not a reg::Dword, INT32_MAX for any larger count.
int SharedCount(IRegistry& registry, const std::string& path);
// Raises or lowers the count; a present file nobody counted counts as used once, and a raise stops
// at INT32_MAX. A count that cannot be written raises ProgramError (the run stops there).
int UpdateSharedCount(Application& app, const std::string& path, CountChange change);
// Calls DllRegisterServer / DllUnregisterServer; true only when registration returned 0.
bool RegisterComponent(Application& app, const std::string& path, Registration mode);
bool IsComponentFile(const std::string& path);
// Copies `source` to a temporary file in the Windows folder and has it replace `destination` when
// the machine next starts.
bool ReplaceAtRestart(Application& app, const std::string& source, const std::string& destination);

}  // namespace orvane
