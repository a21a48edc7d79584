// Times the uninstall log writer: a 1,000- and a 10,000-entry [DeleteFile] list written after an
// earlier log's entries (half of them re-installed), rendered and saved through the platform's
// files; then the 10,000 entries read back key by key through its profile functions, as the
// uninstaller reads them. Built for Linux (the emulated machine) and for Windows (the real API).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "install/UninstallLog.h"
#include "support/uIniFile.h"

#ifdef _WIN32
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Profile.h"
#else
#include <stdlib.h>

#include <filesystem>

#include "platform/host/HostFiles.h"
#include "platform/host/HostProfile.h"
#include "platform/host/Machine.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double WriteLog(orvane::IFiles& files, const std::string& logPath, int entries) {
  // The earlier install's files, then this install's: every other one is a re-install.
  std::vector<std::string> list;
  for (int i = 0; i < entries / 2; ++i)
    list.push_back("C:\\Program Files\\App\\DATA\\FILE" + std::to_string(i * 2) + ".DAT,/S");
  for (int i = 0; i < entries; ++i)
    list.push_back("C:\\Program Files\\App\\DATA\\FILE" + std::to_string(i) + ".DAT");
  auto start = Clock::now();
  orvane::UninstallLogWriter log;
  log.Set("Title", "UnSetup", "Bench UnInstall");
  log.WriteList("DeleteFile", "File", list, true);
  log.Set("ProgramID", "ID", "Bench");
  uint32_t error = log.Save(files, logPath);
  double elapsed = Milliseconds(start);
  if (error != 0) std::fprintf(stderr, "save failed: %u\n", error);
  return elapsed;
}

// Reads every entry of the log's [DeleteFile] section, File1 up to the first empty one.
double ReadLog(orvane::IProfile& profile, const std::string& logPath, int& read) {
  auto start = Clock::now();
  for (read = 0;; ++read)
    if (orvane::ReadIni(profile, "DeleteFile", "File" + std::to_string(read + 1), "", logPath)
            .empty())
      break;
  return Milliseconds(start);
}

// Best of five runs each: the machine is shared, and a single run measures its neighbours.
void Run(orvane::IFiles& files, orvane::IProfile& profile, const std::string& logPath) {
  WriteLog(files, logPath, 1000);  // warm-up
  double small = 1e9, large = 1e9, reading = 1e9;
  int read = 0;
  for (int run = 0; run < 5; ++run) {
    small = std::min(small, WriteLog(files, logPath, 1000));
    large = std::min(large, WriteLog(files, logPath, 10000));
    reading = std::min(reading, ReadLog(profile, logPath, read));
  }
  std::printf("log of 1000 entries: %.2f ms\nlog of 10000 entries: %.2f ms\nratio: %.1f\n", small,
              large, large / small);
  std::printf("%d entries read back through the profile functions: %.2f ms\n", read, reading);
}

}  // namespace

int main() {
#ifdef _WIN32
  orvane::win32::Win32Files files;
  orvane::win32::Win32Profile profile;
  files.CreateFolder("C:\\ORVBENCH");
  Run(files, profile, "C:\\ORVBENCH\\UNSETUP.INI");
  files.RemoveFile("C:\\ORVBENCH\\UNSETUP.INI");
  files.RemoveFolder("C:\\ORVBENCH");
#else
  char tmpl[] = "/tmp/orvane-logbench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  std::filesystem::path folder = tmpl;
  {
    auto machine = orvane::host::Machine::Open(folder / "machine");
    orvane::host::HostFiles files(*machine);
    orvane::host::HostProfile profile(*machine, machine->WindowsFolder());
    Run(files, profile, "C:\\UNSETUP.INI");
  }
  std::filesystem::remove_all(folder);
#endif
  return 0;
}
