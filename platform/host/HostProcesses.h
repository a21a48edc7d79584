// Processes of the emulated machine: programs inside the drives started as host processes
// (posix_spawn), with the Windows command line split into arguments as Windows programs do.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace orvane::host {

class Machine;

class HostProcesses : public IProcesses {
 public:
  explicit HostProcesses(Machine& machine) : machine_(machine) {}
  ~HostProcesses() override;

  int Start(const std::string& program, const std::string& arguments) override;
  bool Wait(int process, uint32_t timeoutMs) override;
  void Close(int process) override;

  // The exit status of an ended process that has not been closed (-1 when unknown).
  int ExitCode(int process) const;

 private:
  void ReapClosed();

  Machine& machine_;
  std::map<int, int> running_;  // pid -> exit status once ended (-1 while running)
  std::set<int> closed_;        // closed while still running: reaped when they end
};

// Splits a Windows command line into arguments: blanks separate, double quotes group,
// backslashes escape a quote the way the C runtime's parser does.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// True when the host can run the file: a regular file with an execute bit, a "#!" script or
// an ELF program.
bool IsHostExecutable(const std::string& hostPath);

}  // namespace orvane::host
