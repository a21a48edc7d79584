// The SZDD encoder's files expanded by the system's own LZ library (LZOpenFileW, LZCopy,
// GetExpandedNameW): byte for byte, from empty files to a few megabytes, names restored.
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <lzexpand.h>
// clang-format on

#include <random>

#include "support/SzddWriter.h"
#include "tests/win32/Win32TestSupport.h"

namespace orvane::win32 {
namespace {

using namespace testing;

// Random bytes, runs and repeats, so that every kind of item and match length occurs.
std::string Mixed(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string d;
  while (d.size() < size) {
    switch (rng() % 3) {
      case 0:
        for (int i = 0; i < 500; ++i) d += static_cast<char>(rng());
        break;
      case 1:
        d.append(20 + rng() % 400, " \0"[rng() % 2]);
        break;
      default:
        if (d.size() > 5000) d += d.substr(d.size() - 1000 - rng() % 3500, 50 + rng() % 500);
    }
  }
  d.resize(size);
  return d;
}

TEST(SzddLz32, TheSystemExpandsTheEncodersFiles) {
  std::vector<std::size_t> sizes;
  for (std::size_t n = 0; n <= 40; ++n) sizes.push_back(n);
  for (std::size_t n : {4095, 4096, 4097, 4113, 70000, 600000, 3000000}) sizes.push_back(n);
  const std::string folder = WorkFolder();
  for (std::size_t size : sizes) {
    SCOPED_TRACE(size);
    const std::string data = Mixed(size, static_cast<unsigned>(size));
    const std::string source = folder + "F" + std::to_string(size) + ".tX_";
    WriteBytes(source, CompressSzdd(data, 't'));

    std::wstring wideSource = W(source), wideDestination = W(folder + "OUT.BIN");
    OFSTRUCT in{}, out{};
    INT from = LZOpenFileW(wideSource.data(), &in, OF_READ);
    INT to = LZOpenFileW(wideDestination.data(), &out, OF_CREATE);
    ASSERT_GE(from, 0);
    ASSERT_GE(to, 0);
    LONG copied = LZCopy(from, to);
    LZClose(from);
    LZClose(to);
    EXPECT_EQ(copied, static_cast<LONG>(size));
    EXPECT_TRUE(ReadBytes(folder + "OUT.BIN") == data);

    wchar_t expanded[MAX_PATH];
    ASSERT_EQ(GetExpandedNameW(wideSource.data(), expanded), 1);
    EXPECT_EQ(std::wstring(expanded), W(folder + "F" + std::to_string(size) + ".tXT"));
  }
}

}  // namespace
}  // namespace orvane::win32
