// Shared pieces of the command-line tools on Linux: the machine folder's default, arguments and
// environment as they come (UTF-8), and SIGPIPE.
#include <signal.h>

#include <cstdlib>

#include "tools/ToolSupport.h"

namespace orvane::tools {
namespace {

void IgnoreSignal(int) {}

}  // namespace

std::string DefaultMachineFolder() {
  if (const char* machine = std::getenv("ORVANE_MACHINE"); machine && *machine) return machine;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
    return std::string(data) + "/orvane/machine";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : ".") + "/.local/share/orvane/machine";
}

std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::FILE* OpenFile(const std::string& utf8, const char* mode) {
  return std::fopen(utf8.c_str(), mode);
}

bool IsFolder(const std::string& utf8) {
  std::error_code ec;
  return std::filesystem::is_directory(utf8, ec);
}

bool Exists(const std::string& utf8) {
  std::error_code ec;
  return std::filesystem::exists(utf8, ec);
}

std::string AbsolutePath(const std::string& utf8) {
  return utf8.empty() ? utf8 : std::filesystem::absolute(utf8).string();
}

std::string FolderOf(const std::string& utf8) {
  if (utf8.empty()) return utf8;
  return std::filesystem::absolute(utf8).parent_path().string();
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
