// System information, the single-instance mutex, system message texts, and the clock.
#pragma once
#include <cstdint>
#include <string>

namespace orvane {

class ISystem {
 public:
  virtual ~ISystem() = default;

  // dwPlatformId of GetVersionEx; -1 when the call fails.
  virtual int PlatformId() = 0;
  // Full Windows path of the running program file.
  virtual std::string ProgramPath() = 0;
  // The first command-line argument, empty when there is none.
  virtual std::string FirstArgument() = 0;
  // GetTempPathA, GetWindowsDirectoryA, GetSystemDirectoryA: empty when the call fails.
  virtual std::string TempPath() = 0;
  virtual std::string WindowsDirectory() = 0;
  virtual std::string SystemDirectory() = 0;
  // The "FileVersion" text of a program file's version resource, empty when it has none.
  virtual std::string FileVersion(const std::string& path) = 0;
  // FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM) in English; empty for an unknown code.
  virtual std::string MessageText(uint32_t code) = 0;
  // A FILETIME converted to local time and packed as a DOS date-time (date high, time low).
  virtual int32_t LocalDosDateTime(int64_t fileTime) = 0;
  // OpenMutex / CreateMutex for the life of the process: false when another process holds it.
  virtual bool CreateSingleInstanceMutex(const std::string& name) = 0;
  // Restarts Windows. On an emulated machine this restarts that machine (pending file
  // replacements are carried out); the real host is never restarted.
  virtual void RestartWindows() = 0;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // Sleep(ms): a pause that belongs to the visible behaviour.
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace orvane
