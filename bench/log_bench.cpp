// Times the uninstall log writer: a 1,000- and a 10,000-entry [DeleteFile] list written after an
// earlier log's entries (half of them re-installed), rendered and saved through the host files.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "install/UninstallLog.h"
#include "platform/host/HostFiles.h"
#include "platform/host/Machine.h"

namespace {

double WriteLog(orvane::IFiles& files, int entries) {
  // The earlier install's files, then this install's: every other one is a re-install.
  std::vector<std::string> list;
  for (int i = 0; i < entries / 2; ++i)
    list.push_back("C:\\Program Files\\App\\DATA\\FILE" + std::to_string(i * 2) + ".DAT,/S");
  for (int i = 0; i < entries; ++i)
    list.push_back("C:\\Program Files\\App\\DATA\\FILE" + std::to_string(i) + ".DAT");
  auto start = std::chrono::steady_clock::now();
  orvane::UninstallLogWriter log;
  log.Set("Title", "UnSetup", "Bench UnInstall");
  log.WriteList("DeleteFile", "File", list, true);
  log.Set("ProgramID", "ID", "Bench");
  uint32_t error = log.Save(files, "C:\\UNSETUP.INI");
  auto end = std::chrono::steady_clock::now();
  if (error != 0) std::fprintf(stderr, "save failed: %u\n", error);
  return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace

int main() {
  char tmpl[] = "/tmp/orvane-logbench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  std::filesystem::path folder = tmpl;
  double small = 0, large = 0;
  {
    auto machine = orvane::host::Machine::Open(folder / "machine");
    orvane::host::HostFiles files(*machine);
    // Best of five runs each: the machine is shared, and a single run measures its neighbours.
    WriteLog(files, 1000);  // warm-up
    small = large = 1e9;
    for (int run = 0; run < 5; ++run) {
      small = std::min(small, WriteLog(files, 1000));
      large = std::min(large, WriteLog(files, 10000));
    }
  }
  std::filesystem::remove_all(folder);
  std::printf("log of 1000 entries: %.2f ms\nlog of 10000 entries: %.2f ms\nratio: %.1f\n", small,
              large, large / small);
  return 0;
}
