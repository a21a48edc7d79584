// SZDD encoding: every size up to 70,000 bytes back through the decoder, the window's edges, input
// in pieces, the compressed names, and the peer tools (msexpand expands our files; mscompress
// compresses no better).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

#include "support/Szdd.h"
#include "support/SzddWriter.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

// The full sweep of sizes takes tens of seconds in an optimised build; a build with sanitizers or
// without optimisation takes a sample of it.
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
constexpr bool kFullSweep = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kFullSweep = false;
#else
constexpr bool kFullSweep = true;
#endif
#else
constexpr bool kFullSweep = true;
#endif

// 70,000 bytes of stretches of the kinds that make different items: random bytes (literals),
// runs of one byte and of blanks (long matches, the window's own fill), copies from 2,000 to
// 6,000 bytes back (matches at the window's far edge and beyond it), words and two-letter noise
// (short matches of every length).
const std::string& SweepData() {
  static const std::string data = [] {
    std::mt19937 rng(13);
    static const char* const kWords[] = {"setup ", "the ", "C:\\WINDOWS\\", "\r\n", ".DLL "};
    std::string d;
    while (d.size() < 70000) {
      unsigned kind = rng() % 10;
      if (kind < 5) {
        for (int i = 0; i < 600; ++i) d += static_cast<char>(rng());
      } else if (kind < 7) {
        d.append(50 + rng() % 700, "\0 \xFF"[rng() % 3]);
      } else if (kind < 9 && d.size() > 6000) {
        d += d.substr(d.size() - 2000 - rng() % 4000, 100 + rng() % 900);
      } else {
        for (int i = 0; i < 40; ++i) d += kWords[rng() % 5];
        for (int i = 0; i < 60; ++i) d += "ab"[rng() % 2];
      }
    }
    d.resize(70000);
    return d;
  }();
  return data;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string bytes(size, '\0');
  for (auto& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

std::string Expanded(const std::string& compressed) {
  std::string out;
  EXPECT_EQ(ExpandSzdd(compressed, out), SzddStatus::Ok);
  return out;
}

// Every size from 0 to 70,000 in eight shards (sizes by their remainder modulo 8), so that the
// test runner spreads them over the cores.
class SzddEverySize : public ::testing::TestWithParam<int> {};

TEST_P(SzddEverySize, RoundTripsThroughTheDecoder) {
  const std::string& data = SweepData();
  int failures = 0;
  for (std::size_t n = static_cast<std::size_t>(GetParam()); n <= data.size(); n += 8) {
    if (!kFullSweep && n > 600 && n % 97 != 0) continue;
    const std::string input(data, 0, n);
    const std::string compressed = CompressSzdd(input, 'x');
    std::string out;
    if (ExpandSzdd(compressed, out) != SzddStatus::Ok || out != input) {
      ADD_FAILURE() << "size " << n << " does not come back";
      if (++failures == 5) break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Shards, SzddEverySize, ::testing::Range(0, 8));

TEST(SzddWriter, WritesTheHeaderAndUsesTheWholeWindow) {
  const std::string empty = CompressSzdd("", 'T');
  EXPECT_EQ(empty, std::string("SZDD\x88\xF0\x27\x33"
                               "AT\0\0\0\0",
                               14));
  const std::string tiny = CompressSzdd("ab", 'T');
  EXPECT_EQ(tiny, std::string("SZDD\x88\xF0\x27\x33"
                              "AT\x02\0\0\0"
                              "\x03"
                              "ab",
                              17));
  SzddHeader header;
  const std::string big = CompressSzdd(std::string(0x30201, 'z'), 0);
  ASSERT_EQ(ReadSzddHeader(big.data(), big.size(), header), SzddStatus::Ok);
  EXPECT_EQ(header.size, 0x30201u);
  EXPECT_EQ(header.lastChar, 0);

  // Leading blanks come from the window's fill: one match of 18 bytes.
  EXPECT_EQ(CompressSzdd(std::string(18, ' ')).size(), 14u + 1 + 2);
  // A repeat exactly 4,096 bytes back is in reach and is coded as matches alone; one a byte
  // further is out of reach (a match from there would not come back).
  const std::string r = RandomBytes(4096, 7);
  const std::string inReach = CompressSzdd(r + r), outOfReach = CompressSzdd(r + "x" + r);
  EXPECT_LT(inReach.size(), 14 + 4096 * 9 / 8 + 4096 / 18 * 17 / 8 + 8);
  EXPECT_GT(outOfReach.size(), inReach.size() + 3000);
  EXPECT_EQ(Expanded(inReach), r + r);
  EXPECT_EQ(Expanded(outOfReach), r + "x" + r);
}

TEST(SzddWriter, InputInPiecesGivesTheSameFile) {
  // Over a megabyte: several blocks of the parse, the last one short.
  std::string data;
  for (int i = 0; data.size() < 1100000; ++i)
    data += i % 3 ? RandomBytes(300, i) : "Line " + std::to_string(i % 500) + " of the text\r\n";
  const std::string whole = CompressSzdd(data, 'e');
  EXPECT_EQ(Expanded(whole), data);
  std::string pieces;
  SzddEncoder encoder([&](const char* d, std::size_t n) { return pieces.append(d, n), true; }, 'e',
                      data.size());
  std::mt19937 rng(3);
  for (std::size_t at = 0; at < data.size();) {
    std::size_t n =
        std::min<std::size_t>(data.size() - at, rng() % 3 ? rng() % 50 : rng() % 300000);
    ASSERT_TRUE(encoder.Write(data.data() + at, n));
    at += n;
  }
  ASSERT_TRUE(encoder.Finish());
  EXPECT_TRUE(pieces == whole);

  // More input than announced is still encoded in full (the header keeps the announced size, a
  // lower bound for the decoder).
  std::string more;
  SzddEncoder short_([&](const char* d, std::size_t n) { return more.append(d, n), true; }, 0, 10);
  ASSERT_TRUE(short_.Write(data.data(), 600000));
  ASSERT_TRUE(short_.Finish());
  EXPECT_EQ(Expanded(more), data.substr(0, 600000));

  // A sink that refuses stops the encoder with false.
  SzddEncoder refused([](const char*, std::size_t) { return false; }, 0, data.size());
  EXPECT_FALSE(refused.Write(data.data(), data.size()) && refused.Finish());
}

// Random data of 64 MiB (4 MiB in a build that takes a sample), with every eighth block of 64 KiB
// a repeat of one before it.
TEST(SzddWriter, LargeRandomFilesRoundTrip) {
  const std::size_t size = (kFullSweep ? 64 : 4) << 20, block = 1 << 16;
  std::string data(size, '\0');
  std::mt19937_64 rng(21);
  for (std::size_t at = 0; at < size; at += block) {
    if (at > 0 && rng() % 8 == 0)
      data.replace(at, block, data, at - block * (1 + rng() % (at / block)), block);
    else
      for (std::size_t i = at; i < at + block; i += 8) {
        uint64_t v = rng();
        std::memcpy(&data[i], &v, 8);
      }
  }
  const std::string compressed = CompressSzdd(data, 'x');
  EXPECT_TRUE(Expanded(compressed) == data);
}

TEST(SzddWriter, CompressedNamesExpandToTheOriginal) {
  const std::pair<std::string, std::string> cases[] = {
      {"README.TXT", "README.TX_"},
      {"setup.exe", "setup.ex_"},
      {"A.B.C", "A.B._"},
      {"FOO.", "FOO_"},
      {"X.Y_", "X.Y_"},
      {".profile", ".profil_"},
      {"NOEXT", "NOEXT._"},
      // A half-width katakana is one byte and is recorded; a double-byte character is not.
      {"DATA.\xB1", "DATA._"},
      {"\x95\x5C.\x95\x5C", "\x95\x5C.\x95\x5C_"},
  };
  for (const auto& [name, compressed] : cases) {
    SCOPED_TRACE(name);
    SzddName c = CompressedName(name);
    EXPECT_EQ(c.name, compressed);
    // Names whose letters all share one case come back exactly; "._" leaves the dot.
    if (name != "NOEXT") {
      EXPECT_EQ(ExpandedName(c.name, c.lastChar), name);
    }
  }
  EXPECT_EQ(ExpandedName(CompressedName("NOEXT").name, CompressedName("NOEXT").lastChar), "NOEXT.");
  EXPECT_EQ(CompressedName("").name, "");
}

// The Debian tools: msexpand must give back what we compressed, and mscompress must not
// compress better. Skipped when the package mscompress is not installed.
class SzddWriterPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v msexpand >/dev/null && command -v mscompress >/dev/null") != 0)
      GTEST_SKIP() << "mscompress/msexpand not installed (Debian package mscompress)";
    std::string pattern = (fs::temp_directory_path() / "szddwriter.XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  static void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Runs `command` in the folder with the file names after it.
  bool Run(const std::string& command, const std::vector<std::string>& names) {
    std::string line = "cd '" + dir_.string() + "' && " + command;
    for (const std::string& name : names) line += " '" + name + "'";
    return std::system((line + " >/dev/null 2>&1").c_str()) == 0;
  }
  fs::path dir_;
};

TEST_F(SzddWriterPeerTest, MsexpandGivesBackEveryFile) {
  std::vector<std::pair<std::string, std::string>> files;  // compressed name, original data
  for (std::size_t size : {0, 1, 2, 3, 15, 16, 17, 18, 19, 4095, 4096, 4097, 4113, 70000})
    files.emplace_back("S" + std::to_string(size) + ".BI_", SweepData().substr(0, size));
  files.emplace_back("RANDOM.BI_", RandomBytes(300000, 9));
  files.emplace_back("BLANKS.BI_", std::string(9000, ' '));
  std::vector<std::string> names;
  for (const auto& [name, data] : files) {
    Write(dir_ / name, CompressSzdd(data, 'N'));
    names.push_back(name);
  }
  // One run for all (msexpand writes each without the trailing "_").
  ASSERT_TRUE(Run("msexpand", names));
  for (const auto& [name, data] : files)
    EXPECT_TRUE(Read(dir_ / name.substr(0, name.size() - 1)) == data) << name;
}

TEST_F(SzddWriterPeerTest, CompressesAtLeastAsWellAsMscompress) {
  std::string text;
  for (const char* source : {"support/Szdd.cpp", "support/IniDocument.cpp", "README.md"})
    text += Read(fs::path(ORVANE_EXAMPLES).parent_path() / source);
  ASSERT_GT(text.size(), 10000u);
  const std::pair<std::string, std::string> inputs[] = {
      {"text.txt", text},
      {"component.so", Read(TEST_COMPONENT_PATH)},
      {"mixed.bin", SweepData()},
  };
  for (const auto& [name, data] : inputs) {
    SCOPED_TRACE(name);
    Write(dir_ / name, data);
    ASSERT_TRUE(Run("mscompress", {name}));
    const std::size_t peer = Read(dir_ / (name + "_")).size(), ours = CompressSzdd(data).size();
    EXPECT_LE(ours, peer);
    std::cout << name << ": " << data.size() << " bytes, ours " << ours << ", mscompress " << peer
              << "\n";
  }
}

}  // namespace
}  // namespace orvane
