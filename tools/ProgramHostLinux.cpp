// Program start on an emulated machine (Linux): the machine folder, the program mapped in as a
// file of the machine, and the uninstall command executed in place of this process.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/host/HostPlatform.h"
#include "platform/host/HostProcesses.h"
#include "platform/host/HostRegistry.h"
#include "tools/ProgramHost.h"
#include "tools/ToolSupport.h"
#include "ui/headless/Transcript.h"

namespace orvane::tools {

const bool kEmulatedMachine = true;

std::string SelfExecutable() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.string();
}

bool StartedAsMachineProgram(const std::vector<std::string>& arguments, StartRequest& request) {
  const char* machine = std::getenv("ORVANE_MACHINE");
  if (!machine || !*machine) return false;
  const std::string self = SelfExecutable();
  std::unique_ptr<host::Machine> opened;
  try {
    if (!std::filesystem::exists(std::filesystem::path(machine) / "machine.ini")) return false;
    opened = host::Machine::Open(machine);
  } catch (const std::exception&) {
    return false;
  }
  std::string windowsPath = opened->ToWindowsPath(self);
  if (windowsPath.empty()) return false;
  request.machineFolder = machine;
  request.programPath = windowsPath;
  request.programHostPath = self;
  if (!arguments.empty()) {
    try {
      request.firstArgument = FromTerminal(arguments[0]);
    } catch (const std::exception&) {
      request.firstArgument = arguments[0];
    }
  }
  const char* realTime = std::getenv("ORVANE_REAL_TIME");
  request.realTime = realTime && std::string(realTime) == "1";
  return true;
}

int RunProgram(const StartRequest& request, ProgramUi& ui) {
  host::HostPlatformOptions options;
  options.virtualClock = !request.realTime;
  options.onPause = [&ui](uint32_t ms) { ui.Record("pause " + std::to_string(ms)); };
  options.programHostPath = request.programHostPath.empty() ? SelfExecutable()
                                                            : request.programHostPath;
  options.programPath = request.programPath;
  options.firstArgument = request.firstArgument;
  options.shell.documentOpener = request.documentOpener;
  if (!request.distribution.empty() && request.programPath.empty())
    options.programPath = std::string(1, request.drive) + ":\\SETUP.EXE";
  // Started with an uninstall log but not from the machine's uninstaller copy: the program
  // stands where the install run puts that copy.
  if (request.distribution.empty() && options.programPath.empty())
    options.programPath = host::Machine::Open(request.machineFolder)->WindowsFolder() +
                          "\\UNORVANE.EXE";

  // The record's first line goes out before the machine is touched: a record that cannot be
  // written stops the program here. A program of the machine (the uninstall command) continues
  // a run that the runner began and goes on.
  ui.Record(StartLine(options.programPath, request.firstArgument));
  if (ui.RecordLost() && request.programPath.empty()) return kExitTranscriptLost;

  std::unique_ptr<host::HostPlatform> host;
  host = std::make_unique<host::HostPlatform>(request.machineFolder, options);
  if (!request.distribution.empty())
    host->GetMachine().MapDrive(request.drive, std::filesystem::absolute(request.distribution));
  host::Machine& machine = host->GetMachine();
  return RunApplication(host->Bundle(ui.Ui()), ui,
                        [&machine](char drive, const std::string& folder) {
                          machine.MapDrive(drive, std::filesystem::absolute(folder));
                          return true;
                        });
}

int RunUninstallCommand(const std::string& machineFolder, const std::string& entryName,
                        const std::function<void(const std::string&)>& record,
                        std::string& problem, const std::vector<std::string>& extra) {
  std::unique_ptr<host::Machine> machine = host::Machine::Open(machineFolder);
  const std::string key =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + FromTerminal(entryName);
  RegValue value;
  if (machine->Registry().GetValue(RegRoot::LocalMachine, key, "UninstallString", value) != 0 ||
      value.data.empty()) {
    problem = "no Add/Remove Programs entry named '" + entryName + "' with an uninstall command";
    return kExitUnknownProduct;
  }
  const std::string command = value.data;
  // CreateProcess's reading of an unquoted program path: the program is the text before the
  // first blank that is followed by a quoted argument (or before the first blank).
  std::string program = command, argument;
  size_t split = command.find(" \"");
  if (split == std::string::npos) split = command.find(' ');
  if (split != std::string::npos) {
    program = command.substr(0, split);
    argument = command.substr(split + 1);
  }
  if (program.size() > 1 && program.front() == '"' && program.back() == '"')
    program = program.substr(1, program.size() - 2);
  std::vector<std::string> words = host::SplitCommandLine(argument);
  argument = words.empty() ? "" : words[0];

  std::filesystem::path hostProgram;
  if (machine->Resolve(program, hostProgram) != 0 ||
      !std::filesystem::is_regular_file(hostProgram)) {
    problem = "the uninstall command names a program that does not exist: " + ToTerminal(program);
    return kExitFailed;
  }
  if (!host::IsHostExecutable(hostProgram.string())) {
    problem = "the uninstall command's program cannot be started: " + ToTerminal(program);
    return kExitFailed;
  }
  record("uninstall " + headless::Transcript::QuoteUtf8(entryName) + " command " +
         headless::Transcript::Quote(command));

  setenv("ORVANE_MACHINE", std::filesystem::absolute(machineFolder).c_str(), 1);
  std::string hostString = hostProgram.string();
  std::string argumentUtf8 = ToTerminal(argument);
  std::vector<char*> argv = {hostString.data()};
  if (!argument.empty()) argv.push_back(argumentUtf8.data());
  std::vector<std::string> extraArguments = extra;
  for (std::string& word : extraArguments) argv.push_back(word.data());
  argv.push_back(nullptr);
  execv(hostString.c_str(), argv.data());
  problem = "the uninstall command could not be started";
  return kExitFailed;
}

}  // namespace orvane::tools
