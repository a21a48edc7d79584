// System information of the emulated machine (platform, folders, message texts, DOS times, the
// single-instance mutex as a file lock) and the clock, virtual or real.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "platform/System.h"

namespace orvane::host {

class Machine;

class HostSystem : public ISystem {
 public:
  // `programPath`: the Windows path of the running program; `firstArgument`: its first
  // command-line argument (empty when there is none).
  HostSystem(Machine& machine, std::string programPath, std::string firstArgument);
  ~HostSystem() override;

  int PlatformId() override;
  std::string ProgramPath() override { return programPath_; }
  std::string FirstArgument() override { return firstArgument_; }
  std::string TempPath() override;
  std::string WindowsDirectory() override;
  std::string SystemDirectory() override;
  std::string FileVersion(const std::string& path) override;
  std::string MessageText(uint32_t code) override;
  int32_t LocalDosDateTime(int64_t fileTime) override;
  bool CreateSingleInstanceMutex(const std::string& name) override;
  void RestartWindows() override;

 private:
  Machine& machine_;
  std::string programPath_;
  std::string firstArgument_;
  std::map<std::string, int> mutexes_;  // name -> descriptor holding the lock
};

// The file whose lock is the single-instance mutex `name` on the machine in `machineFolder`.
std::filesystem::path MutexLockFile(const std::filesystem::path& machineFolder,
                                    const std::string& name);

// Sleep(ms): in virtual mode the pause is only reported to `onPause` (and counted); in real mode
// the thread sleeps (and `onPause`, when given, is told as well).
class HostClock : public IClock {
 public:
  explicit HostClock(bool virtualTime = true, std::function<void(uint32_t)> onPause = {})
      : virtual_(virtualTime), onPause_(std::move(onPause)) {}
  void Sleep(uint32_t milliseconds) override;
  // The sum of all pauses so far, in milliseconds.
  uint64_t TotalPaused() const { return total_; }

 private:
  bool virtual_;
  std::function<void(uint32_t)> onPause_;
  uint64_t total_ = 0;
};

}  // namespace orvane::host
