// Starting the program on an emulated machine with a chosen user interface: the part that the
// headless runner and the desktop program share. Decides how the program was started (from a
// distribution folder, with an uninstall log, or as a program of the machine such as the
// uninstaller copy), builds the platform, runs the program and turns its outcome into an exit
// code that follows msiexec's conventions.
#pragma once
#include <filesystem>
#include <functional>
#include <memory>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace orvane {
class Application;
namespace host {
class Machine;
}
}  // namespace orvane

namespace orvane::tools {

// Exit codes.
enum : int {
  kExitCompleted = 0,
  kExitCancelled = 1602,  // the user left the wizard, cancelled or aborted
  kExitFailed = 1603,     // the error screen, an error that escaped a run, a stuck program
  kExitAlreadyRunning = 1618,
  kExitTranscriptLost = 1622,  // the transcript could not be written (msiexec's log file error)
  kExitBadCommandLine = 1639,
  kExitRestartRequired = 3010,
};

struct StartRequest {
  std::filesystem::path machineFolder;
  std::filesystem::path distribution;  // install: the distribution folder
  char drive = 'D';                    // the drive letter it is reachable under
  std::string firstArgument;           // code page 932: an uninstall log path, or empty
  std::string programPath;             // the program's Windows path when it is a machine file
  std::filesystem::path programHostPath;
  bool realTime = false;
  std::string documentOpener;  // host command that opens documents, empty: only report them
};

// A user interface for one run: made before the program object, attached to it afterwards.
class ProgramUi {
 public:
  virtual ~ProgramUi() = default;
  virtual IUserInterface& Ui() = 0;
  virtual void Attach(Application& app, host::Machine& machine) = 0;
  // One line of the run's record (pauses, program starts, documents opened, notifications).
  virtual void Record(const std::string& line) = 0;
  // True when the record cannot be written. Checked after the first line: the program does not
  // start without its record, but once started it runs to its end whatever happens to it.
  virtual bool RecordLost() const { return false; }
  // Exit code adjustments: true when the interface stopped the program itself.
  virtual bool Stopped() const { return false; }
  virtual void Finish(int /*exitCode*/) {}
};

// A tool's command line: what starts the program, and the tool's own options.
struct CommandLine {
  StartRequest request;
  std::string uninstallName;
  std::map<std::string, std::string> values;  // the tool's own options that take a value
  std::set<std::string> switches;             // the tool's own options without a value
  bool help = false;
};

// Parses the options the tools share (--machine, --drive, --log, --uninstall, one distribution
// folder, --help) and the tool's own (`valued` take a value, `flags` do not). Exactly one way to
// start must be given unless `defaultFolder` (a distribution folder to use when none is named)
// exists. Throws std::invalid_argument with a one-line message.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::set<std::string>& valued,
                             const std::set<std::string>& flags,
                             const std::filesystem::path& defaultFolder = {});

// Runs the program to its end and returns the exit code; kExitTranscriptLost, before anything
// ran, when the record's first line cannot be written (unless the program is a program of the
// machine, which continues a run already begun).
int RunProgram(const StartRequest& request, ProgramUi& ui);

// The path of the running executable.
std::filesystem::path SelfExecutable();

// When this executable lies inside the drives of the machine named by $ORVANE_MACHINE, it was
// started as a program of that machine (for example the uninstaller copy): fills the request.
bool StartedAsMachineProgram(int argc, char** argv, StartRequest& request);

// Reads the UninstallString of an Add/Remove Programs entry and starts exactly that command in
// place of this process (the program file of the machine with the quoted log path), as Windows
// does when the user removes the program. Returns only on failure, with an explanation.
std::string ExecUninstallCommand(const std::filesystem::path& machineFolder,
                                 const std::string& entryName,
                                 const std::function<void(const std::string&)>& record);

}  // namespace orvane::tools
