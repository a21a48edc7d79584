// The shell of the emulated machine. Special folders are read from the "Shell Folders" keys the
// machine registers at first use (a test may delete one to get a missing folder); links are
// written in the MS-SHLLINK format; "open" runs programs and hands documents on.
#include "platform/host/HostShell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <vector>

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/host/HostProcesses.h"
#include "platform/host/HostRegistry.h"
#include "platform/host/Machine.h"
#include "support/ShellLink.h"

extern char** environ;

namespace fs = std::filesystem;

namespace orvane::host {
namespace {

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

void Reap(std::set<int>& pids) {
  for (auto it = pids.begin(); it != pids.end();) {
    int status = 0;
    it = waitpid(*it, &status, WNOHANG) == 0 ? std::next(it) : pids.erase(it);
  }
}

}  // namespace

HostShell::HostShell(Machine& machine, IFiles& files, IProcesses& processes, ShellOptions options)
    : machine_(machine), files_(files), processes_(processes), options_(std::move(options)) {}

HostShell::~HostShell() {
  Reap(openers_);
}

std::string HostShell::SpecialFolderPath(int csidl) {
  bool common = false;
  std::string name;
  switch (csidl) {
    case csidl::Programs:
      name = "Programs";
      break;
    case csidl::Startup:
      name = "Startup";
      break;
    case csidl::SendTo:
      name = "SendTo";
      break;
    case csidl::StartMenu:
      name = "Start Menu";
      break;
    case csidl::DesktopDirectory:
      name = "Desktop";
      break;
    case csidl::CommonStartMenu:
      name = "Common Start Menu";
      common = true;
      break;
    case csidl::CommonPrograms:
      name = "Common Programs";
      common = true;
      break;
    case csidl::CommonStartup:
      name = "Common Startup";
      common = true;
      break;
    case csidl::CommonDesktopDirectory:
      name = "Common Desktop";
      common = true;
      break;
    default:
      return "";
  }
  // The Windows 95 family has no common folders.
  if (common && machine_.Settings().platformId == 1) return "";
  RegValue value;
  if (machine_.Registry().GetValue(common ? RegRoot::LocalMachine : RegRoot::CurrentUser,
                                   kShellFolders, name, value) != 0)
    return "";
  if (value.type != reg::Sz && value.type != reg::ExpandSz) return "";
  std::string folder = value.data;
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

uint32_t HostShell::SaveShellLink(const std::string& linkPath, const std::string& target,
                                  const std::string& workingFolder, const std::string& arguments) {
  return files_.WriteFile(linkPath, BuildShellLink(target, workingFolder, arguments));
}

int HostShell::Execute(const std::string& verb, const std::string& file,
                       const std::optional<std::string>& parameters) {
  Reap(openers_);
  if (!verb.empty() && verb != "open") return 31;  // SE_ERR_NOASSOC
  fs::path host;
  if (uint32_t err = machine_.Resolve(file, host)) return err == 3 ? 3 : err == 5 ? 5 : 2;
  std::error_code ec;
  if (!fs::exists(host, ec)) return fs::is_directory(host.parent_path(), ec) ? 2 : 3;

  if (fs::is_regular_file(host, ec) && IsHostExecutable(host.string())) {
    int pid = processes_.Start(file, parameters.value_or(""));
    if (pid <= 0) return 11;  // ERROR_BAD_FORMAT
    processes_.Close(pid);
    return 42;
  }

  if (options_.onOpenDocument) options_.onOpenDocument(file, parameters.value_or(""));
  if (!options_.documentOpener.empty()) {
    std::vector<std::string> argv = {options_.documentOpener, host.string()};
    std::vector<char*> argp;
    for (std::string& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argp[0], nullptr, nullptr, argp.data(), environ) != 0) return 31;
    openers_.insert(pid);
  }
  return 42;
}

void HostShell::ChangeNotify(long event) {
  if (options_.onChangeNotify) options_.onChangeNotify(event);
}

}  // namespace orvane::host
