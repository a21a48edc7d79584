// Processes on the real API. The handle of each started process is kept until Close, so that
// its id stays valid (Windows does not reuse the id of a process whose handle is open).
#include "platform/win32/Win32Processes.h"

#include <windows.h>

#include <vector>

#include "platform/win32/Win32ShellText.h"

namespace orvane::win32 {

Win32Processes::~Win32Processes() {
  for (const auto& [id, handle] : handles_) CloseHandle(handle);
}

int Win32Processes::Start(const std::string& program, const std::string& arguments) {
  std::wstring application, command;
  if (shelltext::SystemPath(program, application) != 0 || !shelltext::Wide(arguments, command))
    return 0;
  STARTUPINFOW startup = {};
  GetStartupInfoW(&startup);
  startup.cb = sizeof startup;
  startup.wShowWindow = SW_SHOWMINNOACTIVE;
  // The reserved fields carry this process's own C runtime hand-over, not the child's.
  startup.lpReserved = nullptr;
  startup.cbReserved2 = 0;
  startup.lpReserved2 = nullptr;
  std::vector<wchar_t> commandLine(command.begin(), command.end());
  commandLine.push_back(L'\0');  // CreateProcessW may write into its command line
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &info))
    return 0;
  CloseHandle(info.hThread);
  int id = static_cast<int>(info.dwProcessId);
  if (id <= 0) {
    CloseHandle(info.hProcess);
    return 0;
  }
  handles_[id] = info.hProcess;
  return id;
}

bool Win32Processes::Wait(int process, uint32_t timeoutMs) {
  auto it = handles_.find(process);
  if (it == handles_.end()) return true;
  return WaitForSingleObject(it->second, timeoutMs) != WAIT_TIMEOUT;
}

void Win32Processes::Close(int process) {
  auto it = handles_.find(process);
  if (it == handles_.end()) return;
  CloseHandle(it->second);
  handles_.erase(it);
}

int Win32Processes::ExitCode(int process) const {
  auto it = handles_.find(process);
  DWORD code = 0;
  if (it == handles_.end() || !GetExitCodeProcess(it->second, &code) || code == STILL_ACTIVE)
    return -1;
  return static_cast<int>(code);
}

}  // namespace orvane::win32
