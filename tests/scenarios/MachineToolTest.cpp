// orvane-machine: every sub-command on a fresh machine, and one-line errors on bad input.
#include <fstream>

#include "tests/scenarios/Scenario.h"

namespace orvane::scenario {
namespace {

class MachineTool : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    SCENARIO_EMULATED_MACHINE_ONLY("orvane-machine is the emulated machine's own tool");
  }
  // Runs orvane-machine on this scenario's machine; arguments are shell words.
  int Tool(const std::string& arguments, std::string* output = nullptr) {
    return Shell(std::string(ORVANE_MACHINE_TOOL) + " --machine '" + MachineFolder().string() +
                     "' " + arguments,
                 output);
  }
  std::string Out(const std::string& arguments) {
    std::string output;
    EXPECT_EQ(Tool(arguments, &output), 0) << arguments << "\n" << output;
    return output;
  }
};

TEST_F(MachineTool, InitPathAndTokens) {
  EXPECT_NE(Out("init").find("(platform 2)"), std::string::npos);
  EXPECT_EQ(Out("path 'c:\\windows\\SYSTEM32\\New File.txt'"),
            (MachineFolder() / "drive_c" / "WINDOWS" / "system32" / "New File.txt").string() + "\n");
  std::string tokens = Out("tokens");
  EXPECT_NE(tokens.find("(Win) C:\\WINDOWS\\\n"), std::string::npos) << tokens;
  EXPECT_NE(tokens.find("(Prg) C:\\Program Files\\\n"), std::string::npos);
  EXPECT_NE(tokens.find("(C_Dsk) C:\\Users\\Public\\Desktop\\\n"), std::string::npos);
  std::string output;
  // ".." stops at the drive root, so this stays inside the machine.
  EXPECT_EQ(Out("path 'C:\\..\\..\\..\\etc\\passwd'"),
            (MachineFolder() / "drive_c" / "etc" / "passwd").string() + "\n");
  EXPECT_NE(Tool("path '\\\\server\\share\\x'", &output), 0);
  EXPECT_NE(output.find("error 53"), std::string::npos) << output;
}

TEST_F(MachineTool, IniAndRegistryRoundTrips) {
  Out("init");
  Out("ini set WIN.INI Section Key 'a value'");
  EXPECT_EQ(Out("ini get 'C:\\WINDOWS\\win.ini' section KEY"), "a value\n");
  EXPECT_EQ(Out("ini get WIN.INI Section Missing 'the default'"), "the default\n");
  Out("reg set 'HKLM\\SOFTWARE\\Vendor\\App' Count REG_DWORD 0x2a");
  Out("reg set 'HKCR\\.abc' '' REG_SZ abcfile");
  EXPECT_EQ(Out("reg get 'HKEY_LOCAL_MACHINE\\software\\vendor\\app' count"), "REG_DWORD 42\n");
  std::string exported = Out("reg export 'HKLM\\SOFTWARE\\Classes\\.abc'");
  EXPECT_NE(exported.find("@=\"abcfile\""), std::string::npos) << exported;
  Out("reg delete 'HKLM\\SOFTWARE\\Vendor'");
  std::string output;
  EXPECT_NE(Tool("reg get 'HKLM\\SOFTWARE\\Vendor\\App' Count", &output), 0);
  EXPECT_NE(output.find("error 2"), std::string::npos);
}

TEST_F(MachineTool, CopyExpandLinkRestartAndPrograms) {
  Out("init");
  std::ofstream(HostPath("C:\\SRC.TXT"), std::ios::binary) << "text";
  EXPECT_EQ(Out("copy 'C:\\SRC.TXT' 'C:\\DST.TXT'"), "0 \n");
  std::string output;
  EXPECT_NE(Tool("copy 'C:\\NONE.TXT' 'C:\\DST.TXT'", &output), 0);
  EXPECT_EQ(output.rfind("2 ", 0), 0u) << output;  // the code, then its full-width text
  // An uncompressed file passes through expand unchanged under its own name.
  EXPECT_NE(Out("expand 'C:\\SRC.TXT' 'C:\\WINDOWS'").find("expanded name SRC.TXT"),
            std::string::npos);
  EXPECT_EQ(ReadFile("C:\\WINDOWS\\SRC.TXT"), "text");
  EXPECT_EQ(Out("restart"), "restarted\n");
  EXPECT_EQ(Out("programs"), "");
  // Listed by key name, whatever order the registry keeps the keys in.
  const std::string uninstall = "'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  Out("reg set " + uninstall + "Zeta' DisplayName REG_SZ Z");
  Out("reg set " + uninstall + "alpha' DisplayName REG_SZ A");
  EXPECT_EQ(Out("programs"), "alpha\tA\t\nZeta\tZ\t\n");
}

// Exit status 2 for a command line the tool cannot take (whether or not the machine exists), 1
// for a command that failed.
TEST_F(MachineTool, BadInputGivesOneLineAndTheDocumentedStatus) {
  std::string output;
  EXPECT_EQ(Tool("bogus", &output), 2) << output;
  EXPECT_NE(Out("init --platform=9x").find("(platform 1)"), std::string::npos);
  for (const char* bad : {"", "bogus", "reg", "reg get", "reg get NOROOT\\\\Key",
                          "reg set 'HKLM\\X' N REG_DWORD nope", "ini get A", "copy one",
                          "init --platform=xp"}) {
    EXPECT_EQ(Tool(bad, &output), 2) << bad;
    EXPECT_EQ(output.rfind("orvane-machine: ", 0), 0u) << bad << ": " << output;
  }
  {
    std::ofstream registry(MachineFolder() / "registry.reg", std::ios::app);
    registry << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Broken]\n\"A\"=dword:zz\n";
  }
  EXPECT_EQ(Tool("reg export", &output), 1);
  EXPECT_NE(output.find("registry.reg:"), std::string::npos) << output;
}

}  // namespace
}  // namespace orvane::scenario
