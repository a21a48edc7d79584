// Shared pieces of the command-line tools on Linux: the machine folder's default, arguments and
// environment as they come (UTF-8), and SIGPIPE.
#include <signal.h>

#include <cstdlib>

#include "tools/ToolSupport.h"

namespace orvane::tools {
namespace {

void IgnoreSignal(int) {}

}  // namespace

std::filesystem::path DefaultMachineFolder() {
  if (const char* machine = std::getenv("ORVANE_MACHINE"); machine && *machine) return machine;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
    return std::filesystem::path(data) / "orvane" / "machine";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home ? home : ".") / ".local" / "share" / "orvane" / "machine";
}

std::vector<std::string> CommandArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

void SetEnvironmentValue(const std::string& name, const std::string& utf8) {
  setenv(name.c_str(), utf8.c_str(), 1);
}

void KeepRunningWhenOutputCloses() {
  // A handler rather than SIG_IGN: an ignored signal stays ignored in the programs this process
  // starts, a caught one does not.
  struct sigaction action = {};
  action.sa_handler = IgnoreSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGPIPE, &action, nullptr);
}

}  // namespace orvane::tools
