// Tests of ReadIni's growing buffer and WriteIni's flush-then-write order over the in-memory
// profile.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/memory/MemoryFiles.h"
#include "platform/memory/MemoryProfile.h"
#include "support/uIniFile.h"

namespace orvane {
namespace {

struct Disk {
  memory::MemoryFiles files;
};

// The in-memory profile over C:\A.INI and C:\B.INI, recording the buffer size of every read and
// every write.
class RecordingProfile : public Disk, public memory::MemoryProfile {
 public:
  struct Write {
    std::optional<std::string> section, key, value;
    std::string path;
  };
  std::vector<size_t> capacities;
  std::vector<Write> writes;

  RecordingProfile() : MemoryProfile(files, "C:\\WINDOWS") {}
  void Ini(const std::string& text) { ASSERT_EQ(files.WriteFile("C:\\A.INI", text), 0u); }

  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& defaultValue, size_t capacity,
                        const std::string& path) override {
    capacities.push_back(capacity);
    return MemoryProfile::GetString(section, key, defaultValue, capacity, path);
  }
  bool WriteString(const std::optional<std::string>& section, const std::optional<std::string>& key,
                   const std::optional<std::string>& value, const std::string& path) override {
    writes.push_back({section, key, value, path});
    return MemoryProfile::WriteString(section, key, value, path);
  }
};

TEST(IniFileRead, GrowsTheBufferUntilTheValueFits) {
  RecordingProfile profile;
  const std::string v255(255, 'x');
  const std::string v600(600, 'y');
  const std::string v511(511, 'z');
  profile.Ini("[S]\r\nK255=" + v255 + "\r\nK600=" + v600 + "\r\nK511=" + v511 +
              "\r\nShort=abc\r\n");

  EXPECT_EQ(ReadIni(profile, "S", "Short", "", "C:\\A.INI"), "abc");
  EXPECT_EQ(profile.capacities, (std::vector<size_t>{256}));

  profile.capacities.clear();
  EXPECT_EQ(ReadIni(profile, "S", "K255", "", "C:\\A.INI"), v255);
  EXPECT_EQ(profile.capacities, (std::vector<size_t>{256, 512}));

  profile.capacities.clear();
  EXPECT_EQ(ReadIni(profile, "S", "K600", "", "C:\\A.INI"), v600);
  EXPECT_EQ(profile.capacities, (std::vector<size_t>{256, 512, 1024}));

  profile.capacities.clear();
  EXPECT_EQ(ReadIni(profile, "S", "K511", "", "C:\\A.INI"), v511);
  EXPECT_EQ(profile.capacities, (std::vector<size_t>{256, 512, 1024}));
}

TEST(IniFileRead, LongValuesComeBackWholeInFewReads) {
  // Every length next to a buffer size, and a long one: the whole value, and a number of reads
  // that grows with the logarithm of the length (a fixed step makes a megabyte thousands).
  RecordingProfile profile;
  for (size_t length :
       {254u, 255u, 256u, 257u, 510u, 511u, 512u, 600u, 1023u, 1024u, 4095u, 1000000u}) {
    std::string value(length, 'x');
    value.front() = 'a';
    value.back() = 'z';
    profile.Ini("[S]\r\nK=" + value + "\r\n");
    profile.capacities.clear();
    EXPECT_EQ(ReadIni(profile, "S", "K", "", "C:\\A.INI"), value) << length;
    EXPECT_LE(profile.capacities.size(), 13u) << length;  // 256 << 12 > 1000000 + 1
  }
}

TEST(IniFileRead, MissingKeysGiveTheDefault) {
  RecordingProfile profile;
  profile.Ini("[S]\r\nEmpty=\r\n");
  EXPECT_EQ(ReadIni(profile, "S", "Absent", "0,0,0,0", "C:\\A.INI"), "0,0,0,0");
  EXPECT_EQ(ReadIni(profile, "S", "Absent", "", "C:\\A.INI"), "");
  EXPECT_EQ(ReadIni(profile, "S", "Empty", "dflt", "C:\\A.INI"), "");
  // A long default grows the buffer like a long value.
  profile.capacities.clear();
  EXPECT_EQ(ReadIni(profile, "S", "Absent", std::string(300, 'd'), "C:\\A.INI"),
            std::string(300, 'd'));
  EXPECT_EQ(profile.capacities, (std::vector<size_t>{256, 512}));
}

TEST(IniFileWrite, FlushesThePathThenWritesAndReportsTheWrite) {
  RecordingProfile profile;
  EXPECT_TRUE(WriteIni(profile, "Sec", "Key", "", "C:\\B.INI"));
  ASSERT_EQ(profile.writes.size(), 2u);
  const auto& flush = profile.writes[0];
  EXPECT_FALSE(flush.section.has_value());
  EXPECT_FALSE(flush.key.has_value());
  EXPECT_FALSE(flush.value.has_value());
  EXPECT_EQ(flush.path, "C:\\B.INI");
  const auto& write = profile.writes[1];
  EXPECT_EQ(write.section, std::optional<std::string>("Sec"));
  EXPECT_EQ(write.key, std::optional<std::string>("Key"));
  // An empty value is passed as an empty string, not as a null that would delete the key.
  EXPECT_EQ(write.value, std::optional<std::string>(""));
  EXPECT_EQ(write.path, "C:\\B.INI");
  EXPECT_EQ(ReadIni(profile, "Sec", "Key", "dflt", "C:\\B.INI"), "");

  ASSERT_EQ(profile.files.SetAttributes("C:\\B.INI", attr::ReadOnly), 0u);
  EXPECT_FALSE(WriteIni(profile, "Sec", "Key", "v", "C:\\B.INI"));
}

}  // namespace
}  // namespace orvane
