// orvane-machine: looks inside an emulated Windows machine and exercises its platform layer.
// Paths are Windows paths of the machine; texts are UTF-8 on the terminal.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <cstring>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include "app/Environment.h"
#include "install/FileOps.h"
#include "install/PathTokens.h"
#include "install/SetupContext.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostLz.h"
#include "platform/host/HostPlatform.h"
#include "platform/host/HostProfile.h"
#include "platform/host/HostRegistry.h"
#include "platform/host/HostShell.h"
#include "platform/host/HostSystem.h"
#include "platform/host/Machine.h"
#include "support/ShellLink.h"
#include "support/uIniFile.h"
#include "support/uStrOp.h"
#include "tools/CommandOptions.h"
#include "tools/ToolSupport.h"

using namespace orvane;
using namespace orvane::host;
using orvane::tools::FromTerminal;
using orvane::tools::ToTerminal;
using orvane::tools::UsageError;

namespace {

const char kUsage[] =
    "usage: orvane-machine [--machine DIR] COMMAND [ARGUMENTS]\n"
    "       orvane-machine --help | --version\n"
    "options (before the command):\n"
    "  --machine DIR                      the machine folder (default $ORVANE_MACHINE, else\n"
    "                                     $XDG_DATA_HOME/orvane/machine, else\n"
    "                                     ~/.local/share/orvane/machine)\n"
    "commands:\n"
    "  init [--platform nt|9x]            make the machine folder (nothing changes if it exists)\n"
    "  path WINPATH                       the host path of a Windows path\n"
    "  tree [WINPATH]                     the files and folders below a folder (default C:\\)\n"
    "  tokens                             every path token and its value\n"
    "  ini get FILE SECTION KEY [DEFAULT] read an INI value\n"
    "  ini set FILE SECTION KEY VALUE     write an INI value\n"
    "  reg get KEY [NAME]                 a registry value (type and data)\n"
    "  reg set KEY NAME TYPE DATA         write a value: REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY\n"
    "  reg delete KEY                     delete a key with its subkeys\n"
    "  reg export [KEY]                   the registry (or one key) as REGEDIT text\n"
    "  copy SRC DST                       copy a file as the installer does\n"
    "  expand SRC DST                     expand a compressed file (DST may be a folder)\n"
    "  link FILE                          the target, folder and arguments of a shortcut\n"
    "  restart                            restart the machine: carry out pending replacements\n"
    "  programs                           the Add/Remove Programs entries\n"
    "init, ini set and reg set make the machine when the folder holds none; the other commands\n"
    "need an existing machine.\n"
    "exit codes: 0 done, 1 the command failed (a Windows error, no machine, an unreadable\n"
    "machine.ini or registry.reg), 2 bad command line (an unknown command, wrong arguments,\n"
    "an unknown option or value), whether or not the machine is there\n";

// The machine with its platform layer, as the program would see it (no program running).
struct Tool {
  explicit Tool(const std::filesystem::path& folder, const MachineSettings& settings = {})
      : platform(folder, Options(settings)),
        machine(&platform.GetMachine()),
        files(&platform.Files()),
        system(&platform.System()),
        shell(&platform.Shell()),
        profile(&platform.Profile()),
        lz(&platform.Lz()) {}
  static HostPlatformOptions Options(const MachineSettings& settings) {
    HostPlatformOptions options;
    options.newMachine = settings;
    return options;
  }
  HostRegistry& registry() { return platform.Registry(); }

  HostPlatform platform;
  Machine* machine;
  HostFiles* files;
  HostSystem* system;
  HostShell* shell;
  HostProfile* profile;
  HostLz* lz;
};

void Need(const std::vector<std::string>& args, size_t from, size_t to) {
  if (args.size() < from || args.size() > to) throw UsageError("wrong number of arguments");
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char buffer[4];
  for (unsigned char c : bytes) {
    std::snprintf(buffer, sizeof buffer, "%s%02x", out.empty() ? "" : ",", c);
    out += buffer;
  }
  return out;
}

const std::map<uint32_t, const char*> kTypeNames = {{reg::Sz, "REG_SZ"},
                                                    {reg::ExpandSz, "REG_EXPAND_SZ"},
                                                    {reg::Binary, "REG_BINARY"},
                                                    {reg::Dword, "REG_DWORD"},
                                                    {reg::MultiSz, "REG_MULTI_SZ"}};

std::string ShowValue(const RegValue& value) {
  auto name = kTypeNames.find(value.type);
  std::string type = name != kTypeNames.end() ? name->second : "type " + std::to_string(value.type);
  uint32_t dword = 0;
  if (value.AsDword(dword)) return type + " " + std::to_string(dword);
  if (value.type == reg::Sz || value.type == reg::ExpandSz)
    return type + " " + ToTerminal(value.data);
  return type + " " + Hex(value.data);
}

// Windows error code with its text, for commands that fail on the machine.
int Fail(Tool& tool, const std::string& what, uint32_t code) {
  std::cerr << "orvane-machine: " << what << ": error " << code << ": "
            << tool.system->MessageText(code) << "\n";
  return 1;
}

void Tree(Tool& tool, const std::string& folder, int depth) {
  std::vector<FindEntry> entries;
  if (ListFolder(*tool.files, AddPathDelim(folder, "B") + "*.*", entries) != 0) return;
  for (const FindEntry& entry : entries) {
    std::string path = AddPathDelim(folder, "B") + entry.name;
    std::cout << std::string(depth * 2, ' ') << ToTerminal(entry.name)
              << (entry.info.IsFolder() ? "\\" : "  (" + std::to_string(entry.info.size) + " bytes)")
              << "\n";
    if (entry.info.IsFolder()) Tree(tool, path, depth + 1);
  }
}

// The commands. `args` holds the command and its arguments, already in the program's code page.
using Args = std::vector<std::string>;

int InitCommand(const std::filesystem::path& machineFolder, const Args& args) {
  const tools::ParsedOptions options =
      tools::ParseOptions({args.begin() + 1, args.end()}, {{"platform", true}});
  if (options.help) {
    std::cout << kUsage;
    return 0;
  }
  if (!options.operands.empty()) throw UsageError("init takes no arguments");
  MachineSettings settings;
  const std::string platform = options.Value("platform", "nt");
  if (platform != "nt" && platform != "9x") throw UsageError("--platform is nt or 9x");
  settings.platformId = platform == "nt" ? 2 : 1;
  Tool tool(machineFolder, settings);
  std::cout << "machine " << tool.machine->Folder().string() << " (platform "
            << tool.machine->Settings().platformId << ")\n";
  return 0;
}

int PathCommand(Tool& tool, const Args& args) {
  Need(args, 2, 2);
  std::filesystem::path host;
  uint32_t code = tool.machine->Resolve(args[1], host);
  if (code != 0) return Fail(tool, "path " + ToTerminal(args[1]), code);
  std::cout << host.string() << "\n";
  return 0;
}

int TreeCommand(Tool& tool, const Args& args) {
  Need(args, 1, 2);
  std::string folder = args.size() == 2 ? args[1] : "C:\\";
  if (!FolderExists(*tool.files, folder)) return Fail(tool, "tree " + ToTerminal(folder), 3);
  std::cout << ToTerminal(AddPathDelim(folder, "B")) << "\n";
  Tree(tool, folder, 1);
  return 0;
}

int TokensCommand(Tool& tool, const Args& args) {
  Need(args, 1, 1);
  SetupContext ctx;
  ComputeEnvironment(*tool.system, tool.registry(), *tool.files, *tool.shell, ctx);
  for (const auto& [token, value] : PathTokenValues(ctx))
    std::cout << token << " " << ToTerminal(value) << "\n";
  return 0;
}

int IniCommand(Tool& tool, const Args& args) {
  if (args.size() >= 2 && args[1] == "get") {
    Need(args, 5, 6);
    std::cout << ToTerminal(ReadIni(*tool.profile, args[3], args[4],
                                    args.size() == 6 ? args[5] : "", args[2]))
              << "\n";
    return 0;
  }
  if (args.size() >= 2 && args[1] == "set") {
    Need(args, 6, 6);
    if (!WriteIni(*tool.profile, args[3], args[4], args[5], args[2]))
      throw std::runtime_error("cannot write " + ToTerminal(args[2]));
    return 0;
  }
  throw UsageError("ini needs get or set");
}

// The value `reg set` writes: TYPE and DATA as the command line gives them.
RegValue ParseRegData(const std::string& type, const std::string& data) {
  if (type == "REG_SZ" || type == "REG_EXPAND_SZ")
    return RegValue::String(data, type == "REG_SZ" ? reg::Sz : reg::ExpandSz);
  if (type == "REG_DWORD") {
    char* end = nullptr;
    unsigned long number = std::strtoul(data.c_str(), &end, 0);
    if (data.empty() || *end != '\0' || number > 0xFFFFFFFFul)
      throw UsageError("REG_DWORD data must be a number (decimal or 0x hex)");
    return RegValue::Dword(static_cast<uint32_t>(number));
  }
  if (type == "REG_BINARY") {
    std::string bytes, digits;
    for (char c : data)
      if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
      else if (c != ',' && c != ' ') throw UsageError("REG_BINARY data must be hex bytes");
    if (digits.size() % 2) throw UsageError("REG_BINARY data must be whole bytes");
    for (size_t i = 0; i < digits.size(); i += 2)
      bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return {reg::Binary, bytes};
  }
  throw UsageError("unknown type " + type);
}

int RegCommand(Tool& tool, const Args& args) {
  if (args.size() < 2) throw UsageError("reg needs get, set, delete or export");
  const std::string& verb = args[1];
  if (verb == "export") {
    Need(args, 2, 3);
    std::string text = tool.registry().Export(args.size() == 3 ? ToTerminal(args[2]) : "");
    if (text.empty()) throw std::runtime_error("no such key: " + ToTerminal(args[2]));
    std::cout << text;
    return 0;
  }
  Need(args, 3, 6);
  RegRoot root;
  std::string path;
  if (!ParseRootedKey(args[2], root, path))
    throw UsageError("a key starts with HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, "
                     "HKEY_LOCAL_MACHINE or HKEY_USERS (or HKCR, HKCU, HKLM, HKU)");
  if (verb == "get") {
    Need(args, 3, 4);
    RegValue value;
    uint32_t code = tool.registry().GetValue(root, path, args.size() == 4 ? args[3] : "", value);
    if (code != 0) return Fail(tool, "reg get", code);
    std::cout << ShowValue(value) << "\n";
    return 0;
  }
  if (verb == "set") {
    Need(args, 6, 6);
    RegValue value = ParseRegData(args[4], args[5]);
    uint32_t code = tool.registry().CreateKey(root, path);
    if (code == 0) code = tool.registry().SetValue(root, path, args[3], value);
    if (code != 0) return Fail(tool, "reg set", code);
    return 0;
  }
  if (verb == "delete") {
    Need(args, 3, 3);
    uint32_t code = tool.registry().DeleteTree(root, path);
    if (code != 0) return Fail(tool, "reg delete", code);
    return 0;
  }
  throw UsageError("reg needs get, set, delete or export");
}

int CopyCommand(Tool& tool, const Args& args) {
  Need(args, 3, 3);
  uint32_t code = CopyFileTo(*tool.files, args[1], args[2]);
  std::cout << code << " " << ToTerminal(ErrorText(*tool.system, code));
  if (code == 0) std::cout << "\n";
  return code == 0 ? 0 : 1;
}

int ExpandCommand(Tool& tool, const Args& args) {
  Need(args, 3, 3);
  std::string name = ExtractFileName(tool.lz->ExpandedName(args[1]));
  std::string destination = args[2];
  if (FolderExists(*tool.files, destination)) destination = AddPathDelim(destination, "B") + name;
  uint32_t code = tool.lz->Expand(args[1], destination);
  std::cout << "expanded name " << ToTerminal(name) << "\n";
  if (code != 0) return Fail(tool, "expand", code);
  std::cout << "written " << ToTerminal(destination) << "\n";
  return 0;
}

int LinkCommand(Tool& tool, const Args& args) {
  Need(args, 2, 2);
  std::string bytes;
  uint32_t code = tool.files->ReadFile(args[1], bytes);
  if (code != 0) return Fail(tool, "link", code);
  std::string target, folder, arguments;
  if (!ParseShellLink(bytes, target, folder, arguments))
    throw std::runtime_error(ToTerminal(args[1]) + " is not a shell link");
  std::cout << "target " << ToTerminal(target) << "\nfolder " << ToTerminal(folder)
            << "\narguments " << ToTerminal(arguments) << "\n";
  return 0;
}

int RestartCommand(Tool& tool, const Args& args) {
  Need(args, 1, 1);
  tool.machine->Restart();
  std::cout << "restarted\n";
  return 0;
}

int ProgramsCommand(Tool& tool, const Args& args) {
  Need(args, 1, 1);
  const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  std::vector<std::string> keys;
  tool.registry().EnumKeys(RegRoot::LocalMachine, uninstall, keys);
  // By key name, letter case ignored: the registry lists subkeys in an order of its own.
  std::sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
    return MapString(a, lcmap::UpperCase) < MapString(b, lcmap::UpperCase);
  });
  for (const std::string& key : keys) {
    RegValue name, command;
    tool.registry().GetValue(RegRoot::LocalMachine, uninstall + "\\" + key, "DisplayName", name);
    tool.registry().GetValue(RegRoot::LocalMachine, uninstall + "\\" + key, "UninstallString",
                             command);
    std::cout << ToTerminal(key) << "\t" << ToTerminal(name.data) << "\t"
              << ToTerminal(command.data) << "\n";
  }
  return 0;
}

// The commands that work on an existing machine (every one but init).
const std::map<std::string, int (*)(Tool&, const Args&)> kCommands = {
    {"path", PathCommand},        {"tree", TreeCommand}, {"tokens", TokensCommand},
    {"ini", IniCommand},          {"reg", RegCommand},   {"copy", CopyCommand},
    {"expand", ExpandCommand},    {"link", LinkCommand}, {"restart", RestartCommand},
    {"programs", ProgramsCommand}};

int Run(const std::filesystem::path& machineFolder, Args args) {
  if (args.empty()) throw UsageError("no command");
  const std::string command = args[0];
  if (command == "init") return InitCommand(machineFolder, args);
  auto found = kCommands.find(command);
  if (found == kCommands.end()) throw UsageError("unknown command " + command);
  // Only commands that write make a machine where there is none: a mistyped folder given to
  // any other command is reported, not filled with a new machine.
  const bool writes =
      (command == "ini" || command == "reg") && args.size() >= 2 && args[1] == "set";
  std::error_code ec;
  if (!writes && !std::filesystem::exists(machineFolder / "machine.ini", ec))
    throw std::runtime_error("no machine in " + machineFolder.string() +
                             " (no machine.ini there; 'init' makes one)");
  Tool tool(machineFolder);
  // Every argument after the command is a Windows path or text of the machine.
  for (size_t i = 1; i < args.size(); ++i) args[i] = FromTerminal(args[i]);
  return found->second(tool, args);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    // The options end at the command: what follows belongs to the command.
    const tools::ParsedOptions options =
        tools::ParseOptions(tools::CommandArguments(argc, argv), {{"machine", true}}, true);
    if (tools::AnswerHelpOrVersion(options, kUsage, "orvane-machine")) return 0;
    const std::filesystem::path machine =
        options.Has("machine") ? options.Value("machine") : tools::DefaultMachineFolder();
    return Run(machine, options.operands);
  } catch (const UsageError& error) {
    std::cerr << "orvane-machine: " << error.what() << "\n" << kUsage;
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "orvane-machine: " << error.what() << "\n";
    return 1;
  }
}
