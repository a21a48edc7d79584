// The well-known folders of the machine the program runs on: Windows, system, temporary,
// Program Files and the shell folders, with the platform id, as the set-up computes them.
#pragma once

namespace orvane {

class IFiles;
class IRegistry;
class IShell;
class ISystem;
struct SetupContext;

// Fills PlatformId, ProgramPath, SourceFolder, TempFolder, WindowsFolder, SystemFolder, AppFolder,
// ProgramFilesFolder, the drive roots and the shell folders, and adds a line to StartupErrors for
// a Windows or system folder the system cannot give.
void ComputeEnvironment(ISystem& system, IRegistry& registry, IFiles& files, IShell& shell,
                        SetupContext& ctx);

}  // namespace orvane
