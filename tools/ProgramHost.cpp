// Program start, the part shared by every system and by the runner and the desktop program: the
// command line, the record of program starts, documents and notifications, and the exit code.
#include "tools/ProgramHost.h"

#include <cctype>
#include <cstdio>
#include <optional>

#include "app/Application.h"
#include "tools/CommandOptions.h"
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

CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             const std::set<std::string>& valued,
                             const std::set<std::string>& flags,
                             const std::string& defaultFolder) {
  std::vector<OptionSpec> specs = {{"machine", true}, {"drive", true}, {"log", true},
                                   {"uninstall", true}};
  for (const std::string& name : valued) specs.push_back({name.substr(2), true});
  for (const std::string& name : flags) specs.push_back({name.substr(2), false});
  const ParsedOptions parsed = ParseOptions(args, specs);
  CommandLine line;
  line.request.machineFolder = DefaultMachineFolder();
  line.help = parsed.help;
  line.version = parsed.version;
  if (line.help || line.version) return line;
  for (const char* option : {"machine", "drive"})
    if (parsed.Has(option) && !kEmulatedMachine)
      throw std::invalid_argument(std::string("--") + option +
                                  " does not apply on Windows: the program works on this "
                                  "machine, and the distribution folder keeps its own drive");
  if (parsed.Has("machine")) line.request.machineFolder = parsed.Value("machine");
  if (parsed.Has("drive")) {
    const std::string d = parsed.Value("drive");
    if (d.size() != 1 || !std::isalpha(static_cast<unsigned char>(d[0])) ||
        std::toupper(static_cast<unsigned char>(d[0])) == 'C')
      throw std::invalid_argument("--drive takes one letter other than C");
    line.request.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(d[0])));
  }
  if (parsed.Has("log")) line.request.firstArgument = FromTerminal(parsed.Value("log"));
  line.uninstallName = parsed.Value("uninstall");
  for (const std::string& name : valued)
    if (parsed.Has(name.substr(2))) line.values[name] = parsed.Value(name.substr(2));
  for (const std::string& name : flags)
    if (parsed.Has(name.substr(2))) line.switches.insert(name);
  if (parsed.operands.size() > 1) throw std::invalid_argument("more than one distribution folder");
  if (!parsed.operands.empty()) line.request.distribution = parsed.operands[0];
  StartRequest& r = line.request;
  if (r.distribution.empty() && r.firstArgument.empty() && line.uninstallName.empty() &&
      !defaultFolder.empty() && Exists(defaultFolder + "/SETUP.INI"))
    r.distribution = defaultFolder;
  int modes = !r.distribution.empty() + !r.firstArgument.empty() + !line.uninstallName.empty();
  if (modes != 1) throw std::invalid_argument("give one distribution folder, --log or --uninstall");
  if (!r.distribution.empty() && !IsFolder(r.distribution))
    throw std::invalid_argument("no such folder: " + r.distribution);
  return line;
}

int RunApplication(const Platform& inner, ProgramUi& ui, const DiskChanger& insertDisk) {
  RecordingProcesses processes(inner.processes, ui);
  RecordingShell shell(inner.shell, ui);
  Platform platform{inner.files,      inner.profile,  inner.registry, shell,       inner.lz,
                    inner.components, processes,      inner.system,   inner.clock, inner.ui};
  Application app(platform);
  ui.Attach(app, insertDisk);

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

std::string SelfFolder() { return FolderOf(SelfExecutable()); }

std::string StartLine(const std::string& programPath, const std::string& firstArgument) {
  return "start " + Quote(programPath) + " " + Quote(firstArgument);
}

}  // namespace orvane::tools
