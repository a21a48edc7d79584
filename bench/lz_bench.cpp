// SZDD expansion timing: `lz_bench --generate FILE MiB` writes mixed test data;
// `lz_bench COMPRESSED OUTPUT [ORIGINAL]` times the decoder in memory and file to file (best of 3)
// and checks the result against the original when given.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "support/Szdd.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Text lines, structured binary records, runs of one byte and incompressible noise, in blocks.
int Generate(const char* path, long mebibytes) {
  std::mt19937 rng(20240607);
  const std::size_t total = static_cast<std::size_t>(mebibytes) << 20;
  std::string data;
  data.reserve(total);
  while (data.size() < total) {
    switch (rng() % 4) {
      case 0:
        for (int i = 0; i < 200; ++i)
          data += "Entry " + std::to_string(rng() % 5000) + " = C:\\Program Files\\App\\FILE" +
                  std::to_string(rng() % 300) + ".DLL, /S/R\r\n";
        break;
      case 1:
        for (int i = 0; i < 1024; ++i) {
          uint32_t v = static_cast<uint32_t>(i * 16 + rng() % 4);
          data.append(reinterpret_cast<const char*>(&v), 4);
          data.append("\0\0\0\x01\xFF\xFF\0\0\0\0\0\0", 12);
        }
        break;
      case 2:
        data.append(1000 + rng() % 8000, static_cast<char>(rng() % 3 ? 0 : 0x90));
        break;
      default:
        for (int i = 0; i < 4096; ++i) data += static_cast<char>(rng());
        break;
    }
  }
  data.resize(total);
  std::ofstream(path, std::ios::binary) << data;
  return 0;
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orvane;
  if (argc == 4 && std::string(argv[1]) == "--generate") return Generate(argv[2], atol(argv[3]));
  if (argc < 3) {
    std::fprintf(stderr, "usage: lz_bench COMPRESSED OUTPUT [ORIGINAL] | --generate FILE MiB\n");
    return 2;
  }
  double bestMemory = 1e9, bestFile = 1e9;
  uint64_t produced = 0;
  for (int round = 0; round < 3; ++round) {
    // In memory: the decoder alone, the output discarded block by block.
    const std::string compressed = ReadFile(argv[1]);
    produced = 0;
    auto start = Clock::now();
    SzddStatus status =
        ExpandSzdd(compressed.data(), compressed.size(), [&](const char*, std::size_t n) {
          produced += n;
          return true;
        });
    bestMemory = std::min(bestMemory, Seconds(start));
    if (status != SzddStatus::Ok) {
      std::fprintf(stderr, "expansion failed (%d)\n", static_cast<int>(status));
      return 1;
    }
    // File to file, as an installer does it: read, expand, write.
    start = Clock::now();
    const std::string input = ReadFile(argv[1]);
    int fd = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return 1;
    status = ExpandSzdd(input.data(), input.size(), [fd](const char* d, std::size_t n) {
      return ::write(fd, d, n) == static_cast<ssize_t>(n);
    });
    ::close(fd);
    bestFile = std::min(bestFile, Seconds(start));
    if (status != SzddStatus::Ok) return 1;
  }
  if (argc > 3 && ReadFile(argv[2]) != ReadFile(argv[3])) {
    std::fprintf(stderr, "output differs from the original\n");
    return 1;
  }
  const double mb = static_cast<double>(produced) / 1e6;
  std::printf("output %.1f MB\n", mb);
  std::printf("ours, decoder in memory: %.3f s  %.1f MB/s\n", bestMemory, mb / bestMemory);
  std::printf("ours, file to file:      %.3f s  %.1f MB/s\n", bestFile, mb / bestFile);
  return 0;
}
