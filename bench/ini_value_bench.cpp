// ReadIni of one long value (1 MB and 10 MB by default) from an INI file on the emulated machine:
// the whole read, from a parsed-file cache that starts empty, timed once per size.
// Usage: ini_value_bench [MEGABYTES...]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/host/HostProfile.h"
#include "platform/host/Machine.h"
#include "support/uIniFile.h"

using namespace orvane;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  std::vector<double> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atof(argv[i]));
  if (sizes.empty()) sizes = {1, 10};
  char tmpl[] = "/tmp/orvane-ini-bench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  std::filesystem::path scratch = tmpl;
  {
    auto machine = host::Machine::Open(scratch / "machine");
    for (double megabytes : sizes) {
      const size_t length = static_cast<size_t>(megabytes * 1e6);
      std::filesystem::path host;
      machine->Resolve("C:\\LONG.INI", host);
      {
        std::ofstream out(host, std::ios::binary);
        out << "[Section]\r\nBefore=1\r\nLong=" << std::string(length, 'v') << "\r\nAfter=2\r\n";
      }
      host::HostProfile profile(*machine, machine->WindowsFolder());
      auto start = Clock::now();
      std::string value = ReadIni(profile, "Section", "Long", "", "C:\\LONG.INI");
      double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      std::printf("ReadIni of a %zu-byte value: %.3f s%s\n", length, seconds,
                  value.size() == length ? "" : " (WRONG LENGTH)");
      std::fflush(stdout);
    }
  }
  std::filesystem::remove_all(scratch);
  return 0;
}
