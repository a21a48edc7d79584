// Shared pieces of the command-line tools.
#include "tools/ToolSupport.h"

#include <signal.h>

#include <cstdlib>
#include <stdexcept>

#include "support/Cp932.h"

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

std::string FromTerminal(const std::string& utf8) {
  std::string out;
  if (!Utf8ToCp932(utf8, out))
    throw std::runtime_error("'" + utf8 + "' has characters that code page 932 cannot hold");
  return out;
}

std::string ToTerminal(const std::string& cp932) {
  return DisplayUtf8(cp932);
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
