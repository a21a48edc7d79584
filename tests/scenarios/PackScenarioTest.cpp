// orvane-pack compress and build: compressed files the install expands under their own names,
// and distribution folders, on one folder or on disks, that install what their sources hold.
#include <fstream>
#include <sstream>

#include "support/Szdd.h"
#include "tests/scenarios/Scenario.h"

namespace orvane::scenario {
namespace {

namespace fs = std::filesystem;

class PackScenario : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    SCENARIO_EMULATED_MACHINE_ONLY("orvane-pack is a Linux tool; its folders install alike");
  }
  int Pack(const std::string& arguments, std::string* output = nullptr) {
    return Shell(std::string(ORVANE_PACK_PATH) + " " + arguments + " 2>&1", output);
  }
  static void Put(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Get(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::string Text(int lines, const std::string& word) {
    std::string text;
    for (int i = 0; i < lines; ++i) text += word + " line " + std::to_string(i % 37) + "\r\n";
    return text;
  }
  std::string Quote(const fs::path& path) const { return "'" + path.string() + "'"; }
};

TEST_F(PackScenario, CompressNamesFilesSoThatTheInstallRestoresThem) {
  const fs::path in = Root() / "in";
  Put(in / "README.TXT", Text(200, "readme"));
  Put(in / "Setup.Exe", Text(50, "program"));
  Put(in / "EMPTY.DAT", "");
  std::string output;
  ASSERT_EQ(Pack("compress " + Quote(in / "README.TXT") + " " + Quote(in / "Setup.Exe") + " " +
                     Quote(in / "EMPTY.DAT") + " --out " + Quote(Root() / "out"),
                 &output),
            0)
      << output;
  for (const auto& [compressed, original] :
       {std::pair<std::string, std::string>{"README.TX_", "README.TXT"},
        {"Setup.Ex_", "Setup.Exe"},
        {"EMPTY.DA_", "EMPTY.DAT"}}) {
    const std::string bytes = Get(Root() / "out" / compressed);
    std::string expanded;
    SzddHeader header;
    ASSERT_EQ(ReadSzddHeader(bytes.data(), bytes.size(), header), SzddStatus::Ok) << compressed;
    EXPECT_EQ(ExpandedName(compressed, header.lastChar), original);
    ASSERT_EQ(ExpandSzdd(bytes, expanded), SzddStatus::Ok);
    EXPECT_EQ(expanded, Get(in / original));
  }
  // Beside the original by default; a file whose compressed name is its own is refused.
  EXPECT_EQ(Pack("compress " + Quote(in / "README.TXT")), 0);
  EXPECT_TRUE(fs::exists(in / "README.TX_"));
  EXPECT_EQ(Pack("compress " + Quote(in / "README.TX_"), &output), 1);
  EXPECT_NE(output.find("own name"), std::string::npos) << output;
  EXPECT_EQ(Pack("compress", &output), 2);
  EXPECT_EQ(Pack("compress --help", &output), 0);
}

// A package of compressed and plain files, an install-type variant, a rename and an entry that
// names its compressed source the classic way, built onto disks and installed from them.
TEST_F(PackScenario, BuildSpreadsFilesOverDisksThatInstall) {
  const fs::path src = Root() / "src";
  Put(src / "APP.EXE", Text(30, "program"));
  Put(src / "readme.txt", Text(40, "readme"));
  Put(src / "docs" / "GUIDE.TXT", Text(300, "guide"));
  Put(src / "docs" / "MANUAL.TXT", Text(400, "manual"));
  std::string library;  // stays as large as it is, so that it goes to the second disk
  for (unsigned i = 0, x = 1; i < 3000; ++i) {
    x = x * 1103515245u + 12345u;
    library += static_cast<char>(x >> 16);
  }
  Put(src / "LIB.DLL", library);
  Put(src / "LICENSE.TXT", "licence\r\n");
  Put(src / "unused.bin", "not named by the script");
  WriteScript(
      "[Title]\nSetup=Pack Test\nUnSetup=Pack Test UnInstall\nProgram=Pack Test\n"
      "[EULA]\nFile=LICENSE.TXT\n[SelectType]\nVisible=True\n"
      "[DefaultFolder]\nFolder=C:\\App\\\n[MakeFolder]\nFolder1=(App)DOCS\n"
      "[CopyFile]\nFile1=(App)APP.EXE\nFile2=(App)readme.txt\n"
      "File2_2=(App)GUIDE.TXT|readme.txt\nFile3=(Dch)(App)DOCS\\MANUAL.TX_\nFile4=(Sys)LIB.DLL,/"
      "S\n");
  const fs::path script = Root() / "SETUP.INI";
  fs::rename(Dist() / "SETUP.INI", script);

  std::string output;
  const std::string common = "build " + Quote(src) + " --script " + Quote(script) +
                             " --compress '*.txt' --setup-exe " + Quote(src / "APP.EXE");
  ASSERT_EQ(Pack(common + " --out " + Quote(Root() / "disks") + " --disk-size 5000", &output), 0)
      << output;
  const fs::path disk1 = Root() / "disks" / "DISK1", disk2 = Root() / "disks" / "DISK2";
  for (const char* name : {"SETUP.EXE", "SETUP.INI", "LICENSE.TXT", "APP.EXE", "readme.tx_"})
    EXPECT_TRUE(fs::exists(disk1 / name)) << name << "\n" << output;
  for (const fs::path& disk : {disk1, disk2}) {
    uint64_t bytes = 0;
    for (const auto& file : fs::directory_iterator(disk)) bytes += file.file_size();
    EXPECT_LE(bytes, 5000u) << disk;
  }
  EXPECT_FALSE(fs::exists(Root() / "disks" / "DISK3"));
  EXPECT_FALSE(fs::exists(disk1 / "unused.bin"));
  // The entries name the compressed files, and "(Dch)" stands where disk 2 begins.
  const std::string written = Get(disk1 / "SETUP.INI");
  EXPECT_NE(written.find("File2=(App)readme.tx_|readme.txt\r\n"), std::string::npos) << written;
  EXPECT_NE(written.find("File2_2=(App)GUIDE.TX_|readme.txt\r\n"), std::string::npos) << written;
  EXPECT_TRUE(fs::exists(disk1 / "MANUAL.TX_"));
  EXPECT_TRUE(fs::exists(disk2 / "LIB.DLL"));
  EXPECT_NE(written.find("File3=(App)DOCS\\MANUAL.TX_\r\nFile4=(Dch)(Sys)LIB.DLL,/S\r\n"),
            std::string::npos)
      << written;
  EXPECT_EQ(written.find("(Dch)"), written.rfind("(Dch)")) << written;

  // The checker, where the tool has it, finds nothing to report.
  if (Pack("check --help") == 0) {
    EXPECT_EQ(Pack("check " + Quote(disk1), &output), 0) << output;
  }

  RunResult r = Run({disk1.string()}, "disk 2 " + disk2.string() + "\nselect-type type1\n");
  EXPECT_EQ(r.exitCode, 0) << r.transcript;
  EXPECT_TRUE(r.Has("box \"Disk Change\" 0x41 \"Exchange it for the disk of NO.2.\" -> ok"));
  EXPECT_EQ(r.Find("details"), -1) << r.transcript;
  EXPECT_EQ(ReadFile("C:\\App\\APP.EXE"), Get(src / "APP.EXE"));
  EXPECT_EQ(ReadFile("C:\\App\\readme.txt"), Get(src / "readme.txt"));
  EXPECT_EQ(ReadFile("C:\\App\\DOCS\\MANUAL.TXT"), Get(src / "docs" / "MANUAL.TXT"));
  EXPECT_EQ(ReadFile("C:\\WINDOWS\\system32\\LIB.DLL"), Get(src / "LIB.DLL"));

  // One folder: no disks, no "(Dch)", and the variant's file under the entry's name.
  ASSERT_EQ(Pack(common + " --out " + Quote(Root() / "one"), &output), 0) << output;
  EXPECT_EQ(Get(Root() / "one" / "SETUP.INI").find("(Dch)"), std::string::npos);
  EXPECT_NE(output.find("removed"), std::string::npos) << output;
  if (Pack("check --help") == 0) {
    EXPECT_EQ(Pack("check " + Quote(Root() / "one"), &output), 0) << output;
  }
  ResetMachine();
  r = Run({(Root() / "one").string()}, "select-type type2\n");
  EXPECT_EQ(r.exitCode, 0) << r.transcript;
  EXPECT_EQ(r.Find("Disk Change"), -1);
  EXPECT_EQ(ReadFile("C:\\App\\readme.txt"), Get(src / "docs" / "GUIDE.TXT"));
  EXPECT_EQ(ReadFile("C:\\App\\DOCS\\MANUAL.TXT"), Get(src / "docs" / "MANUAL.TXT"));
}

TEST_F(PackScenario, BuildRefusesWhatCannotInstallAndLeavesNothing) {
  const fs::path src = Root() / "src";
  Put(src / "BIG.DAT", std::string(5000, 'x'));
  Put(src / "A" / "TWO.DAT", "a");
  Put(src / "B" / "TWO.DAT", "b");
  const fs::path script = Root() / "SETUP.INI";
  const std::string base = "build " + Quote(src) + " --script " + Quote(script) + " --out " +
                           Quote(Root() / "out") + " --setup-exe " + Quote(src / "A" / "TWO.DAT");
  const std::pair<std::string, std::string> cases[] = {
      {"[CopyFile]\r\nFile1=(App)MISSING.DAT\r\n", "MISSING.DAT is not in"},
      {"[CopyFile]\r\nFile1=(App)TWO.DAT\r\n", "several files are named TWO.DAT"},
      {"[CopyFile]\r\nFile1=(App)BIG.DAT\r\n", "do not fit on one disk"},
  };
  for (const auto& [text, message] : cases) {
    std::ofstream(script, std::ios::binary) << text;
    std::string output;
    EXPECT_EQ(Pack(base + " --disk-size 3500", &output), 1) << text;
    EXPECT_NE(output.find(message), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(Root() / "out")) << text;
  }
  std::string output;
  EXPECT_EQ(Pack(base + " --disk-size 12X", &output), 2) << output;
}

}  // namespace
}  // namespace orvane::scenario
