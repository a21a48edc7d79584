// Starting the program with a chosen user interface: the part that the headless runner and the
// desktop program share. Decides how the program was started (from a distribution folder, with an
// uninstall log, or as a program of the machine such as the uninstaller copy), builds the
// platform, runs the program and turns its outcome into an exit code that follows msiexec's
// conventions. ProgramHost.cpp holds what is the same everywhere; ProgramHostLinux.cpp starts
// the program on an emulated machine, ProgramHostWin32.cpp on the Windows it runs on.
#pragma once
#include <functional>
#include <memory>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace orvane {
class Application;
}

namespace orvane::tools {

// Exit codes.
enum : int {
  kExitCompleted = 0,
  kExitCancelled = 1602,  // the user left the wizard, cancelled or aborted
  kExitFailed = 1603,     // the error screen, an error that escaped a run, a stuck program
  kExitUnknownProduct = 1605,  // --uninstall names no Add/Remove Programs entry with a command
  kExitAlreadyRunning = 1618,
  kExitTranscriptLost = 1622,  // the transcript could not be written (msiexec's log file error)
  kExitBadCommandLine = 1639,
  kExitRestartRequired = 3010,
};

// True where the program runs on an emulated machine (Linux), false on Windows, where the options
// that describe that machine (--machine, --drive) do not apply.
extern const bool kEmulatedMachine;

// Host paths are kept in UTF-8, as the tools keep file names (see ToolSupport.h).
struct StartRequest {
  std::string machineFolder;
  std::string distribution;            // install: the distribution folder
  char drive = 'D';                    // the drive letter it is reachable under
  std::string firstArgument;           // code page 932: an uninstall log path, or empty
  std::string programPath;             // the program's Windows path when it is a machine file
  std::string programHostPath;
  bool realTime = false;
  std::string documentOpener;  // host command that opens documents, empty: only report them
};

// Puts the folder of a disk (a host folder the user names) in the drive that the program reads
// its disks from, as inserting the disk would; false when the system refused.
using DiskChanger = std::function<bool(char drive, const std::string& folder)>;

// A user interface for one run: made before the program object, attached to it afterwards.
class ProgramUi {
 public:
  virtual ~ProgramUi() = default;
  virtual IUserInterface& Ui() = 0;
  virtual void Attach(Application& app, const DiskChanger& insertDisk) = 0;
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
  bool version = false;
};

// Parses the options the tools share (--machine, --drive, --log, --uninstall, one distribution
// folder, --help, --version) and the tool's own (`valued` take a value, `flags` do not). Exactly one way to
// start must be given unless `defaultFolder` (a distribution folder to use when none is named)
// exists. Throws std::invalid_argument with a one-line message.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::set<std::string>& valued,
                             const std::set<std::string>& flags,
                             const std::string& defaultFolder = {});

// Runs the program to its end and returns the exit code; kExitTranscriptLost, before anything
// ran, when the record's first line cannot be written (unless the program is a program of the
// machine, which continues a run already begun).
int RunProgram(const StartRequest& request, ProgramUi& ui);

// The part of RunProgram that is the same everywhere: the program on `platform` with the
// record's program starts, documents and notifications, to its end; returns the exit code.
int RunApplication(const Platform& platform, ProgramUi& ui, const DiskChanger& insertDisk);
// The record's first line: the program's Windows path and first argument.
std::string StartLine(const std::string& programPath, const std::string& firstArgument);

// The path of the running executable, and the folder it stands in.
std::string SelfExecutable();
std::string SelfFolder();

// True when this process was started as a program of the machine (for example the uninstaller
// copy, by an uninstall command): fills the request from `arguments` (after the program name)
// and the environment. On Linux that is an executable inside the drives of the machine named by
// $ORVANE_MACHINE; on Windows a process whose starter put $ORVANE_TRANSCRIPT in its environment,
// or one started with a single argument that is not an option or a folder (as Add/Remove
// Programs starts the uninstaller with its log).
bool StartedAsMachineProgram(const std::vector<std::string>& arguments, StartRequest& request);

// Reads the UninstallString of an Add/Remove Programs entry and runs exactly that command (the
// program file of the machine with the quoted log path), as Windows does when the user removes
// the program; the options go along in the environment. On an emulated machine the command
// replaces this process and the call returns only on failure; on Windows the command is started
// and waited for. Returns the command's exit code; when it could not be run, `problem` is set and
// the code is kExitUnknownProduct (no such entry, or one without a command) or kExitFailed (the
// command's program is missing or cannot be started). `record` takes the transcript line that
// names the command before it starts. `extra` arguments (the installer's switches) follow the
// command's own.
int RunUninstallCommand(const std::string& machineFolder, const std::string& entryName,
                        const std::function<void(const std::string&)>& record,
                        std::string& problem, const std::vector<std::string>& extra = {});

}  // namespace orvane::tools
