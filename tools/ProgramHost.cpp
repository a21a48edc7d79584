// Program start on an emulated machine, shared by the runner and the desktop program.
#include "tools/ProgramHost.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/Application.h"
#include "platform/host/HostPlatform.h"
#include "platform/host/HostProcesses.h"
#include "platform/host/HostRegistry.h"
#include "tools/ToolSupport.h"
#include "ui/headless/Transcript.h"

namespace orvane::tools {
namespace {

std::string Quote(const std::string& cp932) { return headless::Transcript::Quote(cp932); }

std::string Hex(long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%08lX", value);
  return buffer;
}

// Program starts and "open" reach the record, then the real machine.
class RecordingProcesses : public IProcesses {
 public:
  RecordingProcesses(IProcesses& inner, ProgramUi& ui) : inner_(inner), ui_(ui) {}
  int Start(const std::string& program, const std::string& arguments) override {
    int process = inner_.Start(program, arguments);
    ui_.Record("run " + Quote(program) + " " + Quote(arguments) + " -> " +
               (process ? "started" : "not started"));
    return process;
  }
  bool Wait(int process, uint32_t timeoutMs) override { return inner_.Wait(process, timeoutMs); }
  void Close(int process) override { inner_.Close(process); }

 private:
  IProcesses& inner_;
  ProgramUi& ui_;
};

class RecordingShell : public IShell {
 public:
  RecordingShell(IShell& inner, ProgramUi& ui) : inner_(inner), ui_(ui) {}
  std::string SpecialFolderPath(int csidl) override { return inner_.SpecialFolderPath(csidl); }
  uint32_t SaveShellLink(const std::string& link, const std::string& target,
                         const std::string& folder, const std::string& arguments) override {
    return inner_.SaveShellLink(link, target, folder, arguments);
  }
  int Execute(const std::string& verb, const std::string& file,
              const std::optional<std::string>& parameters) override {
    int result = inner_.Execute(verb, file, parameters);
    ui_.Record(verb + " " + Quote(file) + " " + (parameters ? Quote(*parameters) : std::string("-")) +
               " -> " + std::to_string(result));
    return result;
  }
  void ChangeNotify(long event) override {
    inner_.ChangeNotify(event);
    ui_.Record("notify " + Hex(event));
  }

 private:
  IShell& inner_;
  ProgramUi& ui_;
};

}  // namespace

std::filesystem::path SelfExecutable() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self;
}

bool StartedAsMachineProgram(int argc, char** argv, StartRequest& request) {
  const char* machine = std::getenv("ORVANE_MACHINE");
  if (!machine || !*machine) return false;
  std::filesystem::path self = SelfExecutable();
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
  if (argc > 1) {
    try {
      request.firstArgument = FromTerminal(argv[1]);
    } catch (const std::exception&) {
      request.firstArgument = argv[1];
    }
  }
  const char* realTime = std::getenv("ORVANE_REAL_TIME");
  request.realTime = realTime && std::string(realTime) == "1";
  return true;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             const std::set<std::string>& valued,
                             const std::set<std::string>& flags,
                             const std::filesystem::path& defaultFolder) {
  CommandLine line;
  line.request.machineFolder = DefaultMachineFolder();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
      return args[++i];
    };
    if (a == "--help" || a == "-h") {
      line.help = true;
      return line;
    } else if (a == "--machine") {
      line.request.machineFolder = value();
    } else if (a == "--drive") {
      std::string d = value();
      if (d.size() != 1 || !std::isalpha(static_cast<unsigned char>(d[0])) ||
          std::toupper(static_cast<unsigned char>(d[0])) == 'C')
        throw std::invalid_argument("--drive takes one letter other than C");
      line.request.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(d[0])));
    } else if (a == "--log") {
      line.request.firstArgument = FromTerminal(value());
    } else if (a == "--uninstall") {
      line.uninstallName = value();
    } else if (valued.count(a)) {
      line.values[a] = value();
    } else if (flags.count(a)) {
      line.switches.insert(a);
    } else if (!a.empty() && a[0] == '-') {
      throw std::invalid_argument("unknown option " + a);
    } else if (line.request.distribution.empty()) {
      line.request.distribution = a;
    } else {
      throw std::invalid_argument("more than one distribution folder");
    }
  }
  StartRequest& r = line.request;
  if (r.distribution.empty() && r.firstArgument.empty() && line.uninstallName.empty() &&
      !defaultFolder.empty() && std::filesystem::exists(defaultFolder / "SETUP.INI"))
    r.distribution = defaultFolder;
  int modes = !r.distribution.empty() + !r.firstArgument.empty() + !line.uninstallName.empty();
  if (modes != 1) throw std::invalid_argument("give one distribution folder, --log or --uninstall");
  if (!r.distribution.empty() && !std::filesystem::is_directory(r.distribution))
    throw std::invalid_argument("no such folder: " + r.distribution.string());
  return line;
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
  ui.Record("start " + Quote(options.programPath) + " " + Quote(request.firstArgument));
  if (ui.RecordLost() && request.programPath.empty()) return kExitTranscriptLost;

  std::unique_ptr<host::HostPlatform> host;
  host = std::make_unique<host::HostPlatform>(request.machineFolder, options);
  if (!request.distribution.empty())
    host->GetMachine().MapDrive(request.drive, std::filesystem::absolute(request.distribution));

  Platform inner = host->Bundle(ui.Ui());
  RecordingProcesses processes(inner.processes, ui);
  RecordingShell shell(inner.shell, ui);
  Platform platform{inner.files,      inner.profile,  inner.registry, shell,       inner.lz,
                    inner.components, processes,      inner.system,   inner.clock, inner.ui};
  Application app(platform);
  ui.Attach(app, host->GetMachine());

  ProgramOutcome outcome = app.Run();
  int code = kExitCancelled;
  switch (outcome) {
    case ProgramOutcome::AlreadyRunning: code = kExitAlreadyRunning; break;
    case ProgramOutcome::Failed: code = kExitFailed; break;
    case ProgramOutcome::Completed:
      code = app.ctx.RestartRequired ? kExitRestartRequired : kExitCompleted;
      break;
    case ProgramOutcome::Left: code = kExitCancelled; break;
  }
  if (ui.Stopped()) code = kExitFailed;
  ui.Finish(code);
  return code;
}

std::string ExecUninstallCommand(const std::filesystem::path& machineFolder,
                                 const std::string& entryName,
                                 const std::function<void(const std::string&)>& record) {
  std::unique_ptr<host::Machine> machine = host::Machine::Open(machineFolder);
  const std::string key =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + FromTerminal(entryName);
  RegValue value;
  if (machine->Registry().GetValue(RegRoot::LocalMachine, key, "UninstallString", value) != 0 ||
      value.data.empty())
    return "no Add/Remove Programs entry named '" + entryName + "' with an uninstall command";
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
  if (machine->Resolve(program, hostProgram) != 0 || !std::filesystem::is_regular_file(hostProgram))
    return "the uninstall command names a program that does not exist: " + ToTerminal(program);
  if (!host::IsHostExecutable(hostProgram.string()))
    return "the uninstall command's program cannot be started: " + ToTerminal(program);
  record("uninstall " + headless::Transcript::QuoteUtf8(entryName) + " command " + Quote(command));

  setenv("ORVANE_MACHINE", std::filesystem::absolute(machineFolder).c_str(), 1);
  std::string hostString = hostProgram.string();
  std::string argumentUtf8 = ToTerminal(argument);
  std::vector<char*> argv = {hostString.data()};
  if (!argument.empty()) argv.push_back(argumentUtf8.data());
  argv.push_back(nullptr);
  execv(hostString.c_str(), argv.data());
  return "the uninstall command could not be started";
}

}  // namespace orvane::tools
