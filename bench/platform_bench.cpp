// Platform benchmarks: path resolution, ReadIni of numbered keys through the profile cache, and
// CopyFileTo of one large file against cp on the same machine in the same run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "install/FileOps.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostProfile.h"
#include "platform/host/Machine.h"
#include "support/uIniFile.h"

using namespace orvane;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void ReadIniBench(host::Machine& machine, int keys) {
  host::HostProfile profile(machine, machine.WindowsFolder());
  std::filesystem::path host;
  machine.Resolve("C:\\BENCH.INI", host);
  {
    std::ofstream out(host, std::ios::binary);
    out << "[CopyFile]\r\n";
    for (int n = 1; n <= keys; ++n) out << "File" << n << "=(App)\\FILE" << n << ".DAT,/S\r\n";
  }
  // The first read parses the file; every later read must be served from the parsed copy.
  auto first = Clock::now();
  ReadIni(profile, "CopyFile", "File1", "", "C:\\BENCH.INI");
  double firstRead = Seconds(first);
  auto start = Clock::now();
  size_t total = 0;
  for (int n = 1; n <= keys; ++n)
    total += ReadIni(profile, "CopyFile", "File" + std::to_string(n), "", "C:\\BENCH.INI").size();
  double perRead = Seconds(start) / keys * 1e6;
  std::printf("ReadIni, %6d keys: first read %8.1f us, then %6.2f us per key (%zu bytes read)\n",
              keys, firstRead * 1e6, perRead, total);
}

// Machine::Resolve of a path four folders deep in a folder of 1,000 files: written in the case on
// disk, in another letter case (each component matched through the folder-name cache), and a new
// name (the last component not found).
void ResolveBench(host::Machine& machine) {
  std::filesystem::path folder;
  machine.Resolve("C:\\Bench\\Deep\\Folder\\Tree", folder);
  std::filesystem::create_directories(folder);
  for (int n = 0; n < 1000; ++n) std::ofstream(folder / ("File" + std::to_string(n) + ".dat"));
  const int rounds = 100000;
  for (const char* path : {"C:\\Bench\\Deep\\Folder\\Tree\\File500.dat",
                           "C:\\BENCH\\DEEP\\FOLDER\\TREE\\FILE500.DAT",
                           "C:\\Bench\\Deep\\Folder\\Tree\\New500.dat"}) {
    std::filesystem::path host;
    machine.Resolve(path, host);  // fills the folder-name cache
    auto start = Clock::now();
    for (int n = 0; n < rounds; ++n) machine.Resolve(path, host);
    std::printf("Resolve %-40s %6.2f us\n", path, Seconds(start) / rounds * 1e6);
  }
}

void CopyBench(host::Machine& machine, const std::filesystem::path& scratch) {
  const size_t size = 256u << 20;
  std::filesystem::path source;
  machine.Resolve("C:\\BIG.BIN", source);
  {
    std::ofstream out(source, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 2654435761u >> 24);
    for (size_t written = 0; written < size; written += block.size()) {
      block[0] = static_cast<char>(written >> 20);
      out.write(block.data(), block.size());
    }
  }
  host::HostFiles files(machine);
  double best = 1e9, bestCp = 1e9;
  for (int round = 0; round < 3; ++round) {
    std::filesystem::remove(scratch / "cp.bin");
    auto start = Clock::now();
    std::string command = "cp '" + source.string() + "' '" + (scratch / "cp.bin").string() + "'";
    if (std::system(command.c_str()) != 0) std::printf("cp failed\n");
    bestCp = std::min(bestCp, Seconds(start));

    CopyFileTo(files, "C:\\BIG.BIN", "C:\\BIG.TMP");  // warm the destination's blocks equally
    files.RemoveFile("C:\\BIG.TMP");
    start = Clock::now();
    uint32_t code = CopyFileTo(files, "C:\\BIG.BIN", "C:\\BIG.CPY");
    best = std::min(best, Seconds(start));
    if (code != 0) std::printf("CopyFileTo failed: %u\n", code);
    files.RemoveFile("C:\\BIG.CPY");
  }
  std::printf("CopyFileTo 256 MiB: %.3f s (%.0f MB/s); cp: %.3f s; ratio %.2f (goal <= 1.3)\n",
              best, size / best / 1e6, bestCp, best / bestCp);
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path scratch =
      argc > 1 ? std::filesystem::path(argv[1])
               : std::filesystem::temp_directory_path() / "orvane-platform-bench";
  std::filesystem::remove_all(scratch);
  std::filesystem::create_directories(scratch);
  auto machine = host::Machine::Open(scratch / "machine");
  ResolveBench(*machine);
  for (int keys : {100, 1000, 10000}) ReadIniBench(*machine, keys);
  CopyBench(*machine, scratch);
  std::filesystem::remove_all(scratch);
  return 0;
}
