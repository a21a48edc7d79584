// Processes: starting a program of the machine and waiting for it.
#pragma once
#include <cstdint>
#include <string>

namespace orvane {

class IProcesses {
 public:
  virtual ~IProcesses() = default;

  // CreateProcess(program, arguments, ...) with the caller's environment and current folder.
  // Returns a process id above 0, or 0 when the program could not be started.
  virtual int Start(const std::string& program, const std::string& arguments) = 0;
  // WaitForSingleObject on the process: true once it has ended, false after `timeoutMs`.
  virtual bool Wait(int process, uint32_t timeoutMs) = 0;
  // CloseHandle: forgets the process (it is not stopped).
  virtual void Close(int process) = 0;
};

}  // namespace orvane
