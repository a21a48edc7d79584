// Tests of the emulated machine's system services (DOS times, the single-instance mutex, message
// texts, folders), the clock, processes (argument splitting, start, wait) and the shell.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "MachineFixture.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostProcesses.h"
#include "platform/host/HostRegistry.h"
#include "platform/host/HostShell.h"
#include "platform/host/HostSystem.h"
#include "support/ShellLink.h"

namespace orvane::host::testing {
namespace {

namespace fs = std::filesystem;

int64_t FileTimeOfUtc(int year, int month, int day, int hour, int minute, int second) {
  struct tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return (static_cast<int64_t>(timegm(&t)) + 11644473600LL) * 10000000LL;
}

// Runs `body` in a child process and returns its exit status.
template <typename F>
int InChild(F body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class HostSystemTest : public MachineFixture {
 protected:
  void TearDown() override {
    if (savedTz_)
      setenv("TZ", savedTz_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
    MachineFixture::TearDown();
  }
  void SetTimeZone(const char* tz) {
    if (!savedTz_) savedTz_ = getenv("TZ") ? getenv("TZ") : "";
    setenv("TZ", tz, 1);
    tzset();
  }
  std::optional<std::string> savedTz_;
};

TEST_F(HostSystemTest, DosDateTimeIsLocalTimePackedWithTwoSecondSteps) {
  HostSystem system(*machine_, "C:\\SETUP.EXE", "");
  SetTimeZone("UTC");
  int64_t t = FileTimeOfUtc(2001, 2, 3, 4, 5, 7);
  // Date: year-1980 << 9 | month << 5 | day; time: hour << 11 | minute << 5 | seconds / 2.
  EXPECT_EQ(static_cast<uint32_t>(system.LocalDosDateTime(t)), 0x2A4320A3u);
  EXPECT_EQ(static_cast<uint32_t>(system.LocalDosDateTime(t + 5000000)), 0x2A4320A3u);
  SetTimeZone("JST-9");
  EXPECT_EQ(static_cast<uint32_t>(system.LocalDosDateTime(t)), 0x2A4368A3u);
  EXPECT_EQ(
      static_cast<uint32_t>(system.LocalDosDateTime(FileTimeOfUtc(2030, 12, 31, 23, 59, 59))) >> 16,
      (51u << 9) | (1u << 5) | 1u);  // already the next year in Japan
  SetTimeZone("UTC");
  EXPECT_EQ(static_cast<uint32_t>(system.LocalDosDateTime(FileTimeOfUtc(1970, 6, 1, 0, 0, 0))),
            0x00210000u);  // before 1980: the earliest DOS date
}

TEST_F(HostSystemTest, MutexIsHeldAgainstOtherProcessesForTheObjectsLife) {
  auto tryInChild = [this] {
    return InChild([this] {
      HostSystem other(*machine_, "C:\\SETUP.EXE", "");
      return other.CreateSingleInstanceMutex("ORVANEMX") ? 0 : 1;
    });
  };
  auto system = std::make_unique<HostSystem>(*machine_, "C:\\SETUP.EXE", "");
  ASSERT_TRUE(system->CreateSingleInstanceMutex("ORVANEMX"));
  EXPECT_TRUE(system->CreateSingleInstanceMutex("ORVANEMX"));  // our own handle again
  EXPECT_EQ(tryInChild(), 1);
  EXPECT_TRUE(system->CreateSingleInstanceMutex("Other Name/With Slash"));
  system.reset();
  EXPECT_EQ(tryInChild(), 0);
}

TEST_F(HostSystemTest, MessageTextsAreTheEnglishSystemTexts) {
  HostSystem system(*machine_, "C:\\SETUP.EXE", "");
  EXPECT_EQ(system.MessageText(3), "The system cannot find the path specified.");
  EXPECT_EQ(system.MessageText(32),
            "The process cannot access the file because it is being used by another process.");
  EXPECT_EQ(system.MessageText(123),
            "The filename, directory name, or volume label syntax is incorrect.");
  EXPECT_EQ(system.MessageText(183), "Cannot create a file when that file already exists.");
  EXPECT_EQ(system.MessageText(112), "There is not enough space on the disk.");
  EXPECT_EQ(system.MessageText(99999), "");
}

TEST_F(HostSystemTest, FoldersVersionAndPlatformFollowTheMachine) {
  HostSystem system(*machine_, "D:\\Setup.exe", "C:\\App\\UNSETUP.INI");
  EXPECT_EQ(system.PlatformId(), 2);
  EXPECT_EQ(system.TempPath(), "C:\\Users\\User\\AppData\\Local\\Temp\\");
  EXPECT_EQ(system.WindowsDirectory(), "C:\\WINDOWS");
  EXPECT_EQ(system.SystemDirectory(), "C:\\WINDOWS\\system32");
  EXPECT_EQ(system.FileVersion("d:\\SETUP.EXE"), ORVANE_FILE_VERSION);
  EXPECT_EQ(system.FileVersion("C:\\WINDOWS\\other.exe"), "");
  EXPECT_EQ(system.FirstArgument(), "C:\\App\\UNSETUP.INI");

  MachineSettings old;
  old.platformId = 1;
  auto win95 = Machine::Open(root_ / "win95", old);
  HostSystem system95(*win95, "A:\\SETUP.EXE", "");
  EXPECT_EQ(system95.PlatformId(), 1);
  EXPECT_EQ(system95.TempPath(), "C:\\WINDOWS\\TEMP\\");
  EXPECT_EQ(system95.SystemDirectory(), "C:\\WINDOWS\\SYSTEM");
}

TEST_F(HostSystemTest, VirtualClockRecordsPausesWithoutSleeping) {
  std::vector<uint32_t> pauses;
  HostClock clock(true, [&](uint32_t ms) { pauses.push_back(ms); });
  auto start = std::chrono::steady_clock::now();
  clock.Sleep(5000);
  clock.Sleep(350);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(pauses, (std::vector<uint32_t>{5000, 350}));
  EXPECT_EQ(clock.TotalPaused(), 5350u);
  HostClock real(false);
  start = std::chrono::steady_clock::now();
  real.Sleep(30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(HostSystemCommandLine, SplitsLikeWindowsPrograms) {
  EXPECT_EQ(SplitCommandLine("  one \"two three\"  four"),
            (std::vector<std::string>{"one", "two three", "four"}));
  EXPECT_EQ(SplitCommandLine("a\\\"b c\\\\\"d e\" \"\""),
            (std::vector<std::string>{"a\"b", "c\\d e", ""}));
  EXPECT_EQ(SplitCommandLine("C:\\Dir\\ \"x\"\"y\""),
            (std::vector<std::string>{"C:\\Dir\\", "x\"y"}));
  // "表" ends in a 0x5C trail byte that must not escape the closing quote.
  EXPECT_EQ(SplitCommandLine("\"\x95\x5C\" z"), (std::vector<std::string>{"\x95\x5C", "z"}));
}

class HostSystemProcessTest : public MachineFixture {
 protected:
  void WriteScript(const std::string& name, const std::string& body, bool executable) {
    fs::path path = root_ / "machine" / "drive_c" / "tools" / name;
    WriteHostFile(path, "#!/bin/sh\n" + body);
    fs::permissions(path, executable ? fs::perms(0755) : fs::perms(0644));
  }
  // Waits up to two seconds for a host file to appear.
  bool Appears(const fs::path& path) {
    for (int i = 0; i < 200 && !fs::exists(path); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(path);
  }
};

TEST_F(HostSystemProcessTest, StartsProgramsWithArgumentsFolderAndMachine) {
  WriteScript("args.sh",
              "printf '%s\\n' \"$@\" > \"$ORVANE_MACHINE/drive_c/args.txt\"\n"
              "pwd >> \"$ORVANE_MACHINE/drive_c/args.txt\"\nexit 3\n",
              true);
  HostProcesses processes(*machine_);
  machine_->SetCurrentFolder("C:\\WINDOWS");
  int pid = processes.Start("c:\\TOOLS\\args.sh", "one \"two three\" C:\\x");
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(processes.Wait(pid, 5000));
  EXPECT_EQ(processes.ExitCode(pid), 3);
  processes.Close(pid);
  EXPECT_EQ(
      ReadHostFile(root_ / "machine" / "drive_c" / "args.txt"),
      "one\ntwo three\nC:\\x\n" + (root_ / "machine" / "drive_c" / "WINDOWS").string() + "\n");

  // A "#!" script without the execute bit still runs; a plain document or a missing file does not.
  WriteScript("plain.sh", "exit 0\n", false);
  int second = processes.Start("C:\\tools\\plain.sh", "");
  EXPECT_GT(second, 0);
  EXPECT_TRUE(processes.Wait(second, 5000));
  WriteHostFile(root_ / "machine" / "drive_c" / "readme.txt", "text");
  EXPECT_EQ(processes.Start("C:\\readme.txt", ""), 0);
  EXPECT_EQ(processes.Start("C:\\tools\\missing.sh", ""), 0);

  WriteScript("slow.sh", "sleep 1\n", true);
  int slow = processes.Start("C:\\tools\\slow.sh", "");
  ASSERT_GT(slow, 0);
  EXPECT_FALSE(processes.Wait(slow, 50));
  EXPECT_TRUE(processes.Wait(slow, 5000));
}

TEST_F(HostSystemProcessTest, ShellFoldersOpenAndLinks) {
  HostFiles files(*machine_);
  HostProcesses processes(*machine_);
  std::vector<std::string> opened;
  std::vector<long> notified;
  ShellOptions options;
  options.onOpenDocument = [&](const std::string& f, const std::string& p) {
    opened.push_back(f + "|" + p);
  };
  options.onChangeNotify = [&](long e) { notified.push_back(e); };
  HostShell shell(*machine_, files, processes, options);

  EXPECT_EQ(shell.SpecialFolderPath(csidl::DesktopDirectory), "C:\\Users\\User\\Desktop");
  EXPECT_EQ(shell.SpecialFolderPath(csidl::CommonDesktopDirectory), "C:\\Users\\Public\\Desktop");
  machine_->Registry().DeleteValue(
      RegRoot::LocalMachine,
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Common Desktop");
  EXPECT_EQ(shell.SpecialFolderPath(csidl::CommonDesktopDirectory), "");

  EXPECT_EQ(shell.Execute("open", "C:\\missing.txt", std::nullopt), 2);
  EXPECT_EQ(shell.Execute("open", "C:\\nodir\\missing.txt", std::nullopt), 3);
  WriteHostFile(root_ / "machine" / "drive_c" / "readme.txt", "text");
  EXPECT_EQ(shell.Execute("open", "C:\\readme.txt", std::string("p")), 42);
  EXPECT_EQ(opened, std::vector<std::string>{"C:\\readme.txt|p"});
  WriteScript("touch.sh", "touch \"$ORVANE_MACHINE/drive_c/ran.txt\"\n", true);
  EXPECT_EQ(shell.Execute("open", "C:\\tools\\touch.sh", std::nullopt), 42);
  EXPECT_TRUE(Appears(root_ / "machine" / "drive_c" / "ran.txt"));
  EXPECT_EQ(opened.size(), 1u);

  ASSERT_EQ(
      shell.SaveShellLink("C:\\Users\\User\\Desktop\\App.lnk", "C:\\App\\app.exe", "C:\\App", "-x"),
      0u);
  std::string target, folder, arguments;
  ASSERT_TRUE(ParseShellLink(
      ReadHostFile(root_ / "machine" / "drive_c" / "Users" / "User" / "Desktop" / "App.lnk"),
      target, folder, arguments));
  EXPECT_EQ(target + "|" + folder + "|" + arguments, "C:\\App\\app.exe|C:\\App|-x");
  EXPECT_EQ(shell.SaveShellLink("C:\\NoFolder\\App.lnk", "C:\\App\\app.exe", "", ""), 3u);

  shell.ChangeNotify(shcne::AssocChanged);
  EXPECT_EQ(notified, std::vector<long>{shcne::AssocChanged});
}

}  // namespace
}  // namespace orvane::host::testing
