// Packages and logs that try to reach past the machine through what it maps in: the running
// program's own file, a hard link in the distribution folder, device names, and a FIFO standing
// where the program expects a file.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "tests/scenarios/Scenario.h"

namespace orvane::scenario {
namespace {

namespace fs = std::filesystem;

const char kHead[] =
    "[Title]\nSetup=Conf Setup\nUnSetup=Conf UnInstall\nProgram=Conf\n[Extend]\nSetupSpeed=1\n";
const char kToApp[] = "final folder C:\\App\\\nfinal tick overwrite\n";
const char kShowDetails[] = "box yes \"Warning\"\ndetails continue\n";

class ConfinementScenario : public Scenario {
 protected:
  static std::string HostBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
};

// The program is mapped in as D:\SETUP.EXE (and, started with a log, C:\WINDOWS\UNORVANE.EXE).
// An INI entry naming it, a copy onto it (which waits for the restart, the file being busy) and
// an uninstall log listing it all fail; copying from it still works.
TEST_F(ConfinementScenario, RunningProgramIsCopiedButNeverChanged) {
  fs::path program = UseRunnerCopy();
  const std::string original = HostBytes(program);
  const fs::perms mode = fs::status(program).permissions();
  WriteScript(std::string(kHead) +
              "[CopyFile]\nFile1=(App)SETUP.EXE\nFile2=(Edr)PAYLOAD.TXT|SETUP.EXE\n"
              "[IniFile]\nData1=Pwn,Key,Value,(Edr)SETUP.EXE\n");
  WriteDist("PAYLOAD.TXT", "payload");
  fs::last_write_time(Dist() / "PAYLOAD.TXT", fs::last_write_time(program) + std::chrono::hours(1));
  RunResult install = Install(std::string(kToApp) + kShowDetails + "restart yes\n");
  // (Compared as a truth value: the program's bytes would flood the failure message.)
  EXPECT_TRUE(HostBytes(program) == original) << install.transcript;
  EXPECT_EQ(fs::status(program).permissions(), mode);
  EXPECT_TRUE(ReadFile("C:\\App\\SETUP.EXE") == original);
  // The copy onto the program is refused outright (access denied), not put off to the restart.
  EXPECT_TRUE(install.Has("text \"<File> D:\\\\SETUP.EXE\\r\\n")) << install.transcript;
  EXPECT_FALSE(install.Has("restart ->")) << install.transcript;

  SetIni("C:\\App\\UNSETUP.INI", "DeleteFile", "File99", "C:\\WINDOWS\\UNORVANE.EXE");
  RunResult uninstall = Run({"--log", "C:\\App\\UNSETUP.INI"}, kShowDetails);
  EXPECT_TRUE(uninstall.Has("start \"C:\\\\WINDOWS\\\\UNORVANE.EXE\"")) << uninstall.transcript;
  EXPECT_TRUE(fs::exists(program)) << uninstall.transcript;
  EXPECT_TRUE(HostBytes(program) == original);
}

// A file of the distribution folder that is a hard link to a file outside: copying onto its
// Windows path gives the name a new file and leaves the file outside as it was.
TEST_F(ConfinementScenario, CopyOntoHardLinkLeavesTheLinkedFileAlone) {
  SCENARIO_EMULATED_MACHINE_ONLY(
      "the emulated machine keeps its files apart from the host's; on Windows a hard link is "
      "the machine's own and a copy onto it changes every name of the file");
  fs::path outside = Root() / "outside.txt";
  std::ofstream(outside, std::ios::binary) << "outside";
  fs::create_hard_link(outside, Dist() / "LINKED.TXT");
  WriteScript(std::string(kHead) + "[CopyFile]\nFile1=(Edr)PAYLOAD.TXT|LINKED.TXT\n");
  WriteDist("PAYLOAD.TXT", "payload");
  fs::last_write_time(Dist() / "PAYLOAD.TXT", fs::last_write_time(outside) + std::chrono::hours(1));
  RunResult r = Install(kToApp);
  EXPECT_EQ(r.exitCode, 0) << r.transcript;
  EXPECT_EQ(HostBytes(outside), "outside");
  EXPECT_EQ(HostBytes(Dist() / "LINKED.TXT"), "payload");
}

// Device names never become files, whatever their letter case or extension, in any component.
TEST_F(ConfinementScenario, DeviceNamesAreRefused) {
  WriteScript(std::string(kHead) +
              "[CopyFile]\nFile1=(App)GOOD.TXT\nFile2=(App)GOOD.TXT|Nul.txt\n"
              "File3=(App)COM1\\GOOD.TXT\n[IniFile]\nData1=S,K,V,(App)aux\n");
  WriteDist("GOOD.TXT", "good");
  RunResult r = Install(std::string(kToApp) + kShowDetails);
  EXPECT_EQ(ReadFile("C:\\App\\GOOD.TXT"), "good") << r.transcript;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(HostPath("C:\\App")))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"GOOD.TXT", "UNSETUP.INI"})) << r.transcript;
  EXPECT_TRUE(r.Has("<File> C:\\\\App\\\\Nul.txt\\r\\n")) << r.transcript;
  EXPECT_TRUE(r.Has("<File> C:\\\\App\\\\COM1\\\\GOOD.TXT\\r\\n")) << r.transcript;
}

// A FIFO where the script, the licence or a file to copy should be: the run ends, as with a file
// that cannot be read. The time limit turns a hang into a failure.
TEST_F(ConfinementScenario, FifoInTheDistributionFolderDoesNotBlock) {
  SetRunTimeLimit(30);
  ASSERT_EQ(mkfifo((Dist() / "SETUP.INI").c_str(), 0644), 0);
  RunResult script = Install();
  EXPECT_FALSE(script.timedOut) << script.transcript;
  EXPECT_EQ(script.exitCode, 1603) << script.transcript;
  EXPECT_TRUE(script.Has("Initialize File Not Found")) << script.transcript;

  fs::remove(Dist() / "SETUP.INI");
  SCENARIO_EMULATED_MACHINE_ONLY(
      "a named pipe is a Linux host's file type; Wine lists it as a file but refuses its "
      "attributes (87), so the licence page is left out where the emulated machine shows it");
  WriteScript(std::string(kHead) +
              "[EULA]\nFile=LICENSE.TXT\n[CopyFile]\nFile1=(App)GOOD.TXT\n"
              "File2=(App)PIPE.TXT\n");
  WriteDist("GOOD.TXT", "good");
  ASSERT_EQ(mkfifo((Dist() / "LICENSE.TXT").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((Dist() / "PIPE.TXT").c_str(), 0644), 0);
  RunResult copy = Install(std::string(kToApp) + kShowDetails);
  EXPECT_FALSE(copy.timedOut) << copy.transcript;
  EXPECT_TRUE(copy.Has("page licence")) << copy.transcript;
  EXPECT_EQ(ReadFile("C:\\App\\GOOD.TXT"), "good") << copy.transcript;
  EXPECT_FALSE(Exists("C:\\App\\PIPE.TXT"));
  EXPECT_TRUE(copy.Has("<File> C:\\\\App\\\\PIPE.TXT")) << copy.transcript;
}

}  // namespace
}  // namespace orvane::scenario
