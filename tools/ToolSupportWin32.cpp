// Shared pieces of the command-line tools on Windows: arguments and environment read as UTF-16
// and kept in UTF-8, and standard output in binary mode.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "support/Cp932.h"
#include "tools/ToolSupport.h"

namespace orvane::tools {
namespace {

std::string Utf8(const wchar_t* text) {
  std::u16string wide(reinterpret_cast<const char16_t*>(text));
  std::string out;
  Utf16ToUtf8(wide, out);  // an unpaired surrogate leaves what came before it
  return out;
}

std::wstring Wide(const std::string& utf8) {
  std::u8string text(utf8.begin(), utf8.end());
  return std::filesystem::path(text).wstring();
}

}  // namespace

std::filesystem::path DefaultMachineFolder() { return {}; }

std::vector<std::string> CommandArguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide && i < count; ++i) arguments.push_back(Utf8(wide[i]));
  if (wide) LocalFree(wide);
  return arguments;
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
  const wchar_t* value = _wgetenv(Wide(name).c_str());
  if (!value) return std::nullopt;
  return Utf8(value);
}

void SetEnvironmentValue(const std::string& name, const std::string& utf8) {
  // Both the C runtime's copy and the process's own block: programs started later get the latter.
  std::wstring wideName = Wide(name), wideValue = Wide(utf8);
  _wputenv_s(wideName.c_str(), wideValue.c_str());
  SetEnvironmentVariableW(wideName.c_str(), wideValue.c_str());
}

void KeepRunningWhenOutputCloses() {
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace orvane::tools
