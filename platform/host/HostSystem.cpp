// System information of the emulated machine and the clock. The mutex is an exclusive lock on a
// file in the machine's "locks" folder, held until this object goes away; the message texts are
// the English system texts of the error codes the program meets.
#include "platform/host/HostSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "platform/host/Machine.h"

#ifndef ORVANE_FILE_VERSION
#define ORVANE_FILE_VERSION "1.0.0.1"
#endif

namespace orvane::host {

HostSystem::HostSystem(Machine& machine, std::string programPath, std::string firstArgument)
    : machine_(machine),
      programPath_(std::move(programPath)),
      firstArgument_(std::move(firstArgument)) {}

HostSystem::~HostSystem() {
  for (const auto& [name, fd] : mutexes_) close(fd);
}

int HostSystem::PlatformId() {
  return machine_.Settings().platformId;
}

std::string HostSystem::TempPath() {
  return machine_.TempFolder() + "\\";
}
std::string HostSystem::WindowsDirectory() {
  return machine_.WindowsFolder();
}
std::string HostSystem::SystemDirectory() {
  return machine_.SystemFolder();
}

std::string HostSystem::FileVersion(const std::string& path) {
  if (!path.empty() && UpperCp932(path) == UpperCp932(programPath_)) return ORVANE_FILE_VERSION;
  return "";
}

std::string HostSystem::MessageText(uint32_t code) {
  switch (code) {
    case 0:
      return "The operation completed successfully.";
    case 1:
      return "Incorrect function.";
    case 2:
      return "The system cannot find the file specified.";
    case 3:
      return "The system cannot find the path specified.";
    case 4:
      return "The system cannot open the file.";
    case 5:
      return "Access is denied.";
    case 6:
      return "The handle is invalid.";
    case 8:
      return "Not enough memory resources are available to process this command.";
    case 11:
      return "An attempt was made to load a program with an incorrect format.";
    case 13:
      return "The data is invalid.";
    case 15:
      return "The system cannot find the drive specified.";
    case 16:
      return "The directory cannot be removed.";
    case 17:
      return "The system cannot move the file to a different disk drive.";
    case 18:
      return "There are no more files.";
    case 19:
      return "The media is write protected.";
    case 21:
      return "The device is not ready.";
    case 32:
      return "The process cannot access the file because it is being used by another process.";
    case 33:
      return "The process cannot access the file because another process has locked a portion "
             "of the file.";
    case 39:
      return "The disk is full.";
    case 53:
      return "The network path was not found.";
    case 67:
      return "The network name cannot be found.";
    case 80:
      return "The file exists.";
    case 82:
      return "The directory or file cannot be created.";
    case 87:
      return "The parameter is incorrect.";
    case 112:
      return "There is not enough space on the disk.";
    case 123:
      return "The filename, directory name, or volume label syntax is incorrect.";
    case 145:
      return "The directory is not empty.";
    case 183:
      return "Cannot create a file when that file already exists.";
    case 193:
      return "%1 is not a valid Win32 application.";
    case 206:
      return "The filename or extension is too long.";
    case 267:
      return "The directory name is invalid.";
    default:
      return "";
  }
}

int32_t HostSystem::LocalDosDateTime(int64_t fileTime) {
  // FILETIME counts 100-ns ticks from 1601; floor division keeps times before 1970 right.
  int64_t seconds = fileTime / 10000000;
  if (fileTime % 10000000 < 0) --seconds;
  time_t t = static_cast<time_t>(seconds - 11644473600LL);
  struct tm local = {};
  if (localtime_r(&t, &local) == nullptr) return 0;
  int year = local.tm_year + 1900;
  uint32_t date, time;
  if (year < 1980) {
    date = (0u << 9) | (1u << 5) | 1u;  // 1980-01-01 00:00:00, the earliest DOS time
    time = 0;
  } else if (year > 2107) {
    date = (127u << 9) | (12u << 5) | 31u;  // the latest DOS time
    time = (23u << 11) | (59u << 5) | 29u;
  } else {
    date = (static_cast<uint32_t>(year - 1980) << 9) |
           (static_cast<uint32_t>(local.tm_mon + 1) << 5) | static_cast<uint32_t>(local.tm_mday);
    time = (static_cast<uint32_t>(local.tm_hour) << 11) |
           (static_cast<uint32_t>(local.tm_min) << 5) |
           static_cast<uint32_t>(std::min(local.tm_sec, 59) / 2);
  }
  return static_cast<int32_t>((date << 16) | time);
}

bool HostSystem::CreateSingleInstanceMutex(const std::string& name) {
  if (mutexes_.count(name)) return true;
  std::string file;
  for (unsigned char c : name) {
    if (isalnum(c) || c == '.' || c == '_' || c == '-') {
      file += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      file += hex;
    }
  }
  std::filesystem::path folder = machine_.Folder() / "locks";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::filesystem::path lock = folder / (file + ".lock");
  int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  mutexes_[name] = fd;
  return true;
}

void HostSystem::RestartWindows() {
  machine_.Restart();
}

void HostClock::Sleep(uint32_t milliseconds) {
  total_ += milliseconds;
  if (onPause_) onPause_(milliseconds);
  if (!virtual_) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace orvane::host
