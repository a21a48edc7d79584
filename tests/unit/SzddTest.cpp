// SZDD expansion: round trips through the compression tool, hand-made streams for the window
// rules, cut and damaged files, the expanded-name rule, and HostLz on an emulated machine.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "platform/WinTypes.h"
#include "platform/host/HostLz.h"
#include "platform/host/Machine.h"
#include "support/Szdd.h"

namespace orvane::host {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "szddtest.XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}
// Runs `tool` on `file` inside its folder (both tools work on names given on their command line).
bool RunTool(const char* tool, const fs::path& file) {
  std::string command = "cd '" + file.parent_path().string() + "' && " + tool + " '" +
                        file.filename().string() + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

std::string Header(char mode, char lastChar, uint32_t size) {
  std::string h("SZDD\x88\xF0\x27\x33", 8);
  h += mode;
  h += lastChar;
  for (int i = 0; i < 4; ++i) h += static_cast<char>((size >> (8 * i)) & 0xFF);
  return h;
}

// Expands from an exactly sized heap block, so reading past the end is a real overrun that the
// sanitizer build reports.
SzddStatus ExpandExact(const std::string& bytes, std::string& out) {
  std::unique_ptr<char[]> block(new char[bytes.size() + 1]);
  std::copy(bytes.begin(), bytes.end(), block.get());
  out.clear();
  return ExpandSzdd(block.get(), bytes.size(), [&out](const char* d, std::size_t n) {
    out.append(d, n);
    return true;
  });
}

std::string RepetitiveText(std::size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; ++i)
    text += "Line " + std::to_string(i % 97) + ": the quick brown fox jumps over the lazy dog\r\n";
  text.resize(size);
  return text;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string bytes(size, '\0');
  for (auto& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

class SzddToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("mscompress") || !HaveTool("msexpand"))
      GTEST_SKIP() << "mscompress/msexpand not installed (Debian package mscompress)";
  }
  // Compresses `data` with the tool and returns the compressed file's bytes.
  std::string Compress(const std::string& name, const std::string& data) {
    fs::path file = dir_.path / name;
    WriteFile(file, data);
    EXPECT_TRUE(RunTool("mscompress", file));
    return ReadFile(file.string() + "_");
  }
  TempDir dir_;
};

TEST_F(SzddToolTest, ExpandsFilesMadeByTheCompressionToolExactly) {
  const std::pair<const char*, std::string> cases[] = {
      {"random.bin", RandomBytes(100000, 1)}, {"text.txt", RepetitiveText(300000)},
      {"window.bin", RepetitiveText(4096)},   {"zeros.bin", std::string(70000, '\0')},
      {"blanks.txt", std::string(5000, ' ')},  // matches the window's initial fill
      {"sixteen.bin", RandomBytes(16, 2)},
  };
  for (const auto& [name, data] : cases) {
    SCOPED_TRACE(name);
    std::string compressed = Compress(name, data);
    ASSERT_TRUE(IsSzdd(compressed));
    SzddHeader header;
    ASSERT_EQ(ReadSzddHeader(compressed.data(), compressed.size(), header), SzddStatus::Ok);
    EXPECT_EQ(header.size, data.size());
    std::string out;
    ASSERT_EQ(ExpandSzdd(compressed, out), SzddStatus::Ok);
    EXPECT_TRUE(out == data) << "expanded " << out.size() << " bytes of " << data.size();
  }
}

// The tool writes wrong data for inputs shorter than 16 bytes (an empty file comes out as one
// byte), so for these the reference is the peer expander run on the same compressed file.
TEST_F(SzddToolTest, TinyFilesExpandLikeThePeerExpander) {
  for (std::size_t size : {0, 1, 5, 15}) {
    SCOPED_TRACE(size);
    std::string name = "tiny" + std::to_string(size) + ".dat";
    std::string compressed = Compress(name, RandomBytes(size, 3));
    fs::path copy = dir_.path / ("peer" + std::to_string(size) + ".da_");
    WriteFile(copy, compressed);
    ASSERT_TRUE(RunTool("msexpand", copy));
    std::string peer = ReadFile(dir_.path / ("peer" + std::to_string(size) + ".da"));
    std::string out;
    SzddStatus status = ExpandSzdd(compressed, out);
    if (status == SzddStatus::Ok)
      EXPECT_EQ(out, peer);
    else
      EXPECT_EQ(status, SzddStatus::Truncated);  // the tool's data ended inside a pair
  }
}

TEST_F(SzddToolTest, EveryCutOfACompressedFileFailsCleanly) {
  const std::string data = RepetitiveText(2000) + RandomBytes(300, 4);
  const std::string compressed = Compress("cut.txt", data);
  for (std::size_t cut = 0; cut <= compressed.size(); ++cut) {
    SCOPED_TRACE(cut);
    std::string out;
    SzddStatus status = ExpandExact(compressed.substr(0, cut), out);
    if (cut < 8)
      EXPECT_EQ(status, SzddStatus::NotCompressed);
    else if (cut < compressed.size())
      EXPECT_EQ(status, SzddStatus::Truncated);
    else
      EXPECT_EQ(status, SzddStatus::Ok);
  }
  // Damaged data still decodes to something without reading out of bounds.
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    std::string damaged = compressed;
    for (int k = 0; k < 4; ++k)
      damaged[kSzddHeaderSize + rng() % (damaged.size() - kSzddHeaderSize)] ^=
          static_cast<char>(1 + rng() % 255);
    std::string out;
    SzddStatus status = ExpandExact(damaged, out);
    EXPECT_TRUE(status == SzddStatus::Ok || status == SzddStatus::Truncated);
  }
}

TEST(SzddDecode, FollowsTheWindowRules) {
  // The byte streams read best as written, flag byte first.
  // clang-format off
  std::string out;
  // Header only: empty output.
  EXPECT_EQ(ExpandSzdd(Header('A', 0, 0), out), SzddStatus::Ok);
  EXPECT_EQ(out, "");
  // Positions before the first write position hold blanks.
  EXPECT_EQ(ExpandSzdd(Header('A', 0, 5) + std::string("\x00\x00\x02", 3), out), SzddStatus::Ok);
  EXPECT_EQ(out, "     ");
  // An overlapping copy repeats what it is writing: "ab" at 0xFF0, then 0xFF0 for 18 bytes.
  EXPECT_EQ(ExpandSzdd(Header('A', 0, 20) + std::string("\x03" "ab" "\xF0\xFF", 5), out),
            SzddStatus::Ok);
  EXPECT_EQ(out, "abababababababababab");
  // Writes wrap from 0xFFF to 0: 16 literals fill 0xFF0..0xFFF and "Q" lands at 0; then a copy
  // from 0xFF0 and one that reads across the wrap (0xFFE, 0xFFF, 0, 1).
  const std::string stream = "\xFF" "ABCDEFGH" "\xFF" "IJKLMNOP" "\x01" "Q" "\xF0\xF0" "\xFE\xF1";
  EXPECT_EQ(ExpandSzdd(Header('A', 0, 24) + stream, out), SzddStatus::Ok);
  EXPECT_EQ(out, "ABCDEFGHIJKLMNOPQABCOPQA");
  // The recorded size is a lower bound only: more data is expanded in full.
  EXPECT_EQ(ExpandSzdd(Header('A', 0, 1) + std::string("\x03xy", 3), out), SzddStatus::Ok);
  EXPECT_EQ(out, "xy");
  EXPECT_EQ(ExpandSzdd(Header('A', 0, 3) + std::string("\x03xy", 3), out), SzddStatus::Truncated);
  EXPECT_EQ(ExpandSzdd(Header('B', 0, 2) + std::string("\x03xy", 3), out),
            SzddStatus::UnknownMode);
  // clang-format on
}

TEST(SzddDecode, OtherFormatsAreNotCompressed) {
  std::string out;
  const std::string kwaj("KWAJ\x88\xF0\x27\xD1\x03\x00\x12\x00\x00\x00", 14);
  const std::string oldForm("SZ\x88\xF0\x27\x33\xD1\x00\x00\x00\x00\x00\x00\x00", 14);
  for (const std::string& bytes : {kwaj, oldForm, std::string("plain text"), std::string()}) {
    EXPECT_FALSE(IsSzdd(bytes));
    EXPECT_EQ(ExpandSzdd(bytes, out), SzddStatus::NotCompressed);
  }
}

TEST(SzddName, RestoresTheRecordedLastCharacter) {
  EXPECT_EQ(ExpandedName("FILE.BL_", 'a'), "FILE.BLA");
  EXPECT_EQ(ExpandedName("FILE.BL_", 'A'), "FILE.BLA");
  EXPECT_EQ(ExpandedName("file.bl_", 'A'), "file.bla");
  EXPECT_EQ(ExpandedName("Setup.Ex_", 'E'), "Setup.Exe");  // the last letter is lower case
  EXPECT_EQ(ExpandedName("DATA.12_", 'x'), "DATA.12X");
  EXPECT_EQ(ExpandedName("123.45_", '6'), "123.456");
  EXPECT_EQ(ExpandedName("123.45_", 'q'), "123.45q");  // no letter: recorded case kept
  EXPECT_EQ(ExpandedName("FILE.TX_", 0), "FILE.TX");
  EXPECT_EQ(ExpandedName("FILE.TXT", 'a'), "FILE.TXT");
  EXPECT_EQ(ExpandedName("", 'a'), "");
  // "\x83\x5F" is one double-byte character whose trail byte is "_": not a trailing "_".
  EXPECT_EQ(ExpandedName("A\x83\x5F", 'x'), "A\x83\x5F");
  // A double-byte character's trail byte "a" is not a letter of the name.
  EXPECT_EQ(ExpandedName("X\x83\x61.\x83\x61_", 'e'),
            "X\x83\x61.\x83\x61"
            "E");
  // In a path only the file-name part counts; a trail byte 0x5C ends no folder, so "ab" belongs
  // to the name and sets the letter case.
  EXPECT_EQ(ExpandedPath("C:\\Dir.x\\ab\x83\x5C"
                         "1_",
                         'T'),
            "C:\\Dir.x\\ab\x83\x5C"
            "1t");
  EXPECT_EQ(ExpandedPath("D:DATA.TX_", 'T'), "D:DATA.TXT");
}

class SzddHostLzTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = Machine::Open(dir_.path / "machine");
    lz_ = std::make_unique<HostLz>(*machine_);
  }
  fs::path Host(const std::string& windowsPath) {
    fs::path host;
    EXPECT_EQ(machine_->Resolve(windowsPath, host), 0u) << windowsPath;
    return host;
  }
  TempDir dir_;
  std::unique_ptr<Machine> machine_;
  std::unique_ptr<HostLz> lz_;
};

TEST_F(SzddHostLzTest, ExpandsCompressedAndCopiesPlainFiles) {
  WriteFile(Host("C:\\SRC.TX_"), Header('A', 't', 5) + std::string("\x1F"
                                                                   "hello",
                                                                   6));
  WriteFile(Host("C:\\PLAIN.BIN"), std::string("KWAJ\x88\xF0\x27\xD1 as is", 14));
  WriteFile(Host("C:\\OUT.TXT"), "old contents that are longer");
  EXPECT_EQ(lz_->Expand("C:\\src.tx_", "C:\\OUT.TXT"), 0u);
  EXPECT_EQ(ReadFile(Host("C:\\OUT.TXT")), "hello");
  EXPECT_EQ(lz_->Expand("C:\\PLAIN.BIN", "C:\\COPY.BIN"), 0u);
  EXPECT_EQ(ReadFile(Host("C:\\COPY.BIN")), std::string("KWAJ\x88\xF0\x27\xD1 as is", 14));

  EXPECT_EQ(lz_->ExpandedName("C:\\src.tx_"), "C:\\src.txt");
  EXPECT_EQ(lz_->ExpandedName("C:\\PLAIN.BIN"), "C:\\PLAIN.BIN");
  EXPECT_EQ(lz_->ExpandedName("C:\\MISSING.TX_"), "C:\\MISSING.TX_");
}

TEST_F(SzddHostLzTest, FailuresLeaveTheDestinationAlone) {
  WriteFile(Host("C:\\CUT.TX_"), Header('A', 't', 50) + std::string("\x1F"
                                                                    "hello",
                                                                    6));
  WriteFile(Host("C:\\ODD.TX_"), Header('B', 't', 5) + std::string("\x1F"
                                                                   "hello",
                                                                   6));
  WriteFile(Host("C:\\OUT.TXT"), "keep me");
  const auto before = std::distance(fs::directory_iterator(Host("C:\\")), {});
  EXPECT_EQ(lz_->Expand("C:\\CUT.TX_", "C:\\OUT.TXT"), err::InvalidData);
  EXPECT_EQ(lz_->Expand("C:\\ODD.TX_", "C:\\OUT.TXT"), err::InvalidData);
  EXPECT_EQ(lz_->Expand("C:\\NONE.TX_", "C:\\OUT.TXT"), err::FileNotFound);
  EXPECT_EQ(lz_->Expand("C:\\CUT.TX_", "C:\\NO SUCH FOLDER\\OUT.TXT"), err::PathNotFound);
  EXPECT_EQ(ReadFile(Host("C:\\OUT.TXT")), "keep me");
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(Host("C:\\")), {}), before);
  // A read-only destination is not replaced.
  ::chmod(Host("C:\\OUT.TXT").c_str(), 0444);
  WriteFile(Host("C:\\GOOD.TX_"), Header('A', 't', 2) + std::string("\x03hi", 3));
  EXPECT_EQ(lz_->Expand("C:\\GOOD.TX_", "C:\\OUT.TXT"), err::AccessDenied);
  EXPECT_EQ(ReadFile(Host("C:\\OUT.TXT")), "keep me");
}

}  // namespace
}  // namespace orvane::host
