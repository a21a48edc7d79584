// Processes on the real API: CreateProcessW, WaitForSingleObject and CloseHandle, a process
// known to the core by its process id.
#pragma once
#include <map>
#include <string>

#include "platform/Processes.h"

namespace orvane::win32 {

class Win32Processes : public IProcesses {
 public:
  Win32Processes() = default;
  ~Win32Processes() override;
  Win32Processes(const Win32Processes&) = delete;
  Win32Processes& operator=(const Win32Processes&) = delete;

  // The program path is the application name and `arguments` alone the command line (an empty
  // one when there are none); the start-up information is this process's own, shown minimised
  // without activation; no handles are inherited; the environment and current folder are ours.
  int Start(const std::string& program, const std::string& arguments) override;
  bool Wait(int process, uint32_t timeoutMs) override;
  void Close(int process) override;

  // The exit code of a process not yet closed: -1 while it runs or when it is unknown.
  int ExitCode(int process) const;

 private:
  std::map<int, void*> handles_;  // process id -> process handle
};

}  // namespace orvane::win32
