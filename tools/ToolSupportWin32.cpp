// Shared pieces of the command-line tools on Windows: arguments and environment read as UTF-16
// and kept in UTF-8, and standard output in binary mode.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "tools/ToolSupport.h"

namespace orvane::tools {
namespace {

// GetFullPathNameW: the absolute path, and where its last name begins.
std::wstring FullPath(const std::string& utf8, size_t* namePart = nullptr) {
  const std::wstring path = WideText(utf8);
  std::wstring full(MAX_PATH, L'\0');
  wchar_t* name = nullptr;
  for (;;) {
    DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &name);
    if (length == 0) return path;
    if (length < full.size()) {
      if (namePart) *namePart = name ? static_cast<size_t>(name - full.data()) : length;
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

}  // namespace

std::string DefaultMachineFolder() { return {}; }

std::FILE* OpenFile(const std::string& utf8, const char* mode) {
  return _wfopen(WideText(utf8).c_str(), WideText(mode).c_str());
}

bool IsFolder(const std::string& utf8) {
  const DWORD attributes = GetFileAttributesW(WideText(utf8).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& utf8) {
  return GetFileAttributesW(WideText(utf8).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string AbsolutePath(const std::string& utf8) {
  return utf8.empty() ? utf8 : Utf8Text(FullPath(utf8));
}

std::string FolderOf(const std::string& utf8) {
  size_t name = 0;
  std::wstring full = FullPath(utf8, &name);
  full.resize(name);
  // A root such as C:\ keeps its backslash; a folder below it does not.
  if (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  return Utf8Text(full);
}

std::vector<std::string> CommandArguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide && i < count; ++i) arguments.push_back(Utf8Text(wide[i]));
  if (wide) LocalFree(wide);
  return arguments;
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
  const wchar_t* value = _wgetenv(WideText(name).c_str());
  if (!value) return std::nullopt;
  return Utf8Text(value);
}

void SetEnvironmentValue(const std::string& name, const std::string& utf8) {
  // Both the C runtime's copy and the process's own block: programs started later get the latter.
  std::wstring wideName = WideText(name), wideValue = WideText(utf8);
  _wputenv_s(wideName.c_str(), wideValue.c_str());
  SetEnvironmentVariableW(wideName.c_str(), wideValue.c_str());
}

void KeepRunningWhenOutputCloses() {
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace orvane::tools
