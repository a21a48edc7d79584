// System information of the real Windows (version, program path and argument, folders, version
// resources, message texts, DOS times), the single-instance mutex, the restart, and the clock.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/System.h"

namespace orvane::win32 {

struct SystemOptions {
  // Stand-ins for the process's own program path and first argument (a runner that drives the
  // program in its own process names them); unset, they come from the system.
  std::optional<std::string> programPath;
  std::optional<std::string> firstArgument;
  // RestartWindows restarts Windows only when this is set; otherwise it only counts the request,
  // so that no test or tool can restart the machine (or a Wine session) by accident.
  bool allowRestart = false;
};

class Win32System : public ISystem {
 public:
  explicit Win32System(SystemOptions options = {});
  ~Win32System() override;
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;

  int PlatformId() override;
  std::string ProgramPath() override;
  std::string FirstArgument() override;
  std::string TempPath() override;
  std::string WindowsDirectory() override;
  std::string SystemDirectory() override;
  std::string FileVersion(const std::string& path) override;
  // The system's English text (US English, else the neutral language's choice when it can be
  // written in CP932), else the project's own English table; without the line end.
  std::string MessageText(uint32_t code) override;
  int32_t LocalDosDateTime(int64_t fileTime) override;
  bool CreateSingleInstanceMutex(const std::string& name) override;
  // With the shutdown privilege enabled, ExitWindowsEx(EWX_REBOOT); see SystemOptions.
  void RestartWindows() override;

  // How many restarts were asked for (carried out or not).
  int RestartRequests() const { return restartRequests_; }

 private:
  SystemOptions options_;
  std::map<std::string, void*> mutexes_;  // name -> mutex handle, held until destruction
  int restartRequests_ = 0;
};

// The first argument of a command line as the program reads it: the program name is skipped
// (quoted up to the next quote, or up to a blank); then blanks end the argument except inside
// quotes, quotes are dropped and backslashes are ordinary characters (a quoted "C:\dir\" is
// the folder, not an escaped quote).
std::wstring FirstCommandLineArgument(const std::wstring& commandLine);

// Sleep(ms). In virtual mode the pause is only reported to `onPause` and counted (the headless
// runner does not wait); otherwise the thread sleeps, and `onPause`, when given, is told too.
class Win32Clock : public IClock {
 public:
  explicit Win32Clock(bool virtualTime = false, std::function<void(uint32_t)> onPause = {})
      : virtual_(virtualTime), onPause_(std::move(onPause)) {}
  void Sleep(uint32_t milliseconds) override;
  uint64_t TotalPaused() const { return total_; }

 private:
  bool virtual_;
  std::function<void(uint32_t)> onPause_;
  uint64_t total_ = 0;
};

}  // namespace orvane::win32
