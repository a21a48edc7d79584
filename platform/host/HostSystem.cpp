// System information of the emulated machine and the clock. The mutex is an exclusive lock on a
// file in the machine's "locks" folder, held until this object goes away; the message texts are
// the English system texts of the error codes the program meets (support/ErrorTexts).
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
#include "support/ErrorTexts.h"

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
  return EnglishErrorText(code);
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

std::filesystem::path MutexLockFile(const std::filesystem::path& machineFolder,
                                    const std::string& name) {
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
  return machineFolder / "locks" / (file + ".lock");
}

bool HostSystem::CreateSingleInstanceMutex(const std::string& name) {
  if (mutexes_.count(name)) return true;
  std::filesystem::path lock = MutexLockFile(machine_.Folder(), name);
  std::error_code ec;
  std::filesystem::create_directories(lock.parent_path(), ec);
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
