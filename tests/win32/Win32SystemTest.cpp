// Win32System under Wine: the version the prefix poses as, the folders, the program path and
// first argument of a started program, version resources, message texts, DOS times and the mutex
// across processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32System.h"
#include "support/ErrorTexts.h"
#include "tests/win32/Win32TestSupport.h"

namespace orvane::win32 {
namespace {

using namespace testing;

// Runs the helper program (a copy at `program`, or the built one) in `mode` and gives its exit
// code.
int RunHelper(const std::wstring& mode, const std::string& arguments,
              const std::string& program = BuildFolder() + "helper.exe") {
  SetEnvironment(L"ORVANE_HELPER_MODE", mode);
  Win32Processes processes;
  int process = processes.Start(program, arguments);
  if (process == 0 || !processes.Wait(process, 30000)) return -1;
  return processes.ExitCode(process);
}

TEST(Win32System, PlatformAndFoldersAreTheSystems) {
  Win32System system;
  // run_tests.sh names the platform the prefix poses as (1 under "winecfg /v win98").
  const char* expected = std::getenv("ORVANE_EXPECT_PLATFORM");
  EXPECT_EQ(system.PlatformId(), expected ? std::atoi(expected) : 2);
  const std::string windows = system.WindowsDirectory();
  EXPECT_TRUE(IsFolder(windows)) << windows;
  EXPECT_EQ(system.SystemDirectory().compare(0, windows.size() + 1, windows + "\\"), 0);
  const std::string temp = system.TempPath();
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(IsFolder(temp)) << temp;
  EXPECT_EQ(system.ProgramPath(), BuildFolder() + "win32_shell_tests.exe");
}

TEST(Win32System, FirstArgumentSkipsTheProgramAndKeepsBackslashes) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"P.EXE C:\\A\\UNSETUP.INI", L"C:\\A\\UNSETUP.INI"},
      {L"\"C:\\Program Files\\P.EXE\" \"C:\\x y\\UNSETUP.INI\" more", L"C:\\x y\\UNSETUP.INI"},
      {L"\"C:\\a b\\P.EXE\"\targ", L"arg"},
      {L"P.EXE \"C:\\dir\\\" next", L"C:\\dir\\"},
      {L"P.EXE C:\\x\" y\"z w", L"C:\\x yz"},
      {L"P.EXE", L""},
      {L"P.EXE   ", L""},
      {L"", L""},
  };
  for (const auto& [line, argument] : cases)
    EXPECT_EQ(FirstCommandLineArgument(line), argument) << std::wstring(line).size();
}

TEST(Win32System, AStartedProgramKnowsItsPathAndFirstArgument) {
  const std::string report = WorkFolder() + "system.txt";
  SetEnvironment(L"ORVANE_HELPER_REPORT", W(report));
  // A CP932 folder (0x5C trail bytes) comes back byte for byte in every ANSI code page.
  const std::string japanese = JapaneseFolder() + "UNORVANE.EXE";
  CopyBuilt("helper.exe", japanese);
  ASSERT_EQ(
      RunHelper(L"system", "UNORVANE.EXE \"C:\\Program Files\\X Y\\UNSETUP.INI\" more", japanese),
      0);
  EXPECT_EQ(ReadBytes(report), "C:\\Program Files\\X Y\\UNSETUP.INI\n" + japanese + "\n");
  // A folder CP932 cannot write ("\u00e9") is given in its short form, which names the same file.
  const std::wstring accented = W(WorkFolder()) + L"caf\u00e9";
  CreateDirectoryW(accented.c_str(), nullptr);
  CopyFileW(W(BuildFolder() + "helper.exe").c_str(), (accented + L"\\helper.exe").c_str(), FALSE);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  std::wstring commandLine = L"helper.exe";
  ASSERT_TRUE(CreateProcessW((accented + L"\\helper.exe").c_str(), commandLine.data(), nullptr,
                             nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  WaitForSingleObject(info.hProcess, 30000);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  const std::string lines = ReadBytes(report);
  const std::string path = lines.substr(1, lines.size() - 2);  // after the empty first argument
  EXPECT_EQ(lines.front(), '\n');
  EXPECT_TRUE(std::all_of(path.begin(), path.end(), [](char c) { return c > 0; })) << path;
  EXPECT_EQ(path.substr(path.size() - 11), "\\helper.exe");
  EXPECT_TRUE(Exists(path)) << path;
}

TEST(Win32System, FileVersionIsTheTextOfTheFirstTranslation) {
  Win32System system;
  // helper.rc: Japanese first ("2.5.0.17 ベータ"), then English ("9.9.9.9").
  EXPECT_EQ(system.FileVersion(BuildFolder() + "helper.exe"), "2.5.0.17 \x83\x78\x81\x5B\x83\x5E");
  EXPECT_EQ(system.FileVersion(BuildFolder() + "test_component.dll"), "");
  EXPECT_EQ(system.FileVersion(WorkFolder() + "none.exe"), "");
}

TEST(Win32System, MessageTextsOfTheCodesTheProgramMeets) {
  Win32System system;
  std::string differences;
  for (uint32_t code : {2u, 3u, 5u, 13u, 17u, 19u, 32u, 53u, 67u, 80u, 87u, 112u, 123u, 145u, 183u,
                        193u, 206u, 267u}) {
    std::string text = system.MessageText(code);
    SCOPED_TRACE(std::to_string(code) + " " + text);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), ' ');
    if (text != EnglishErrorText(code))
      differences += "  " + std::to_string(code) + ": \"" + text + "\" (Windows: \"" +
                     EnglishErrorText(code) + "\")\n";
  }
  EXPECT_EQ(system.MessageText(0x20000001u), "");  // a code no table has
  if (!differences.empty())
    std::printf("system texts that differ from Windows':\n%s", differences.c_str());
}

TEST(Win32System, DosTimesAreLocalAndHeldInTheDosRange) {
  Win32System system;
  auto fileTime = [](WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME when = {year, month, 0, day, hour, minute, second, 0};
    FILETIME time;
    SystemTimeToFileTime(&when, &time);
    return static_cast<int64_t>(static_cast<uint64_t>(time.dwHighDateTime) << 32 |
                                time.dwLowDateTime);
  };
  // run_tests.sh runs Wine with TZ=Asia/Tokyo: nine hours ahead of UTC, no daylight saving.
  EXPECT_EQ(static_cast<uint32_t>(system.LocalDosDateTime(fileTime(2001, 2, 3, 20, 5, 7))),
            ((21u << 9 | 2u << 5 | 4u) << 16) | (5u << 11 | 5u << 5 | 3u));
  const int32_t earliest = (1 << 5 | 1) << 16;
  EXPECT_EQ(system.LocalDosDateTime(fileTime(1979, 12, 31, 16, 0, 0)), earliest | 1 << 11);
  EXPECT_EQ(system.LocalDosDateTime(fileTime(1979, 12, 31, 14, 0, 0)), earliest);
  EXPECT_EQ(system.LocalDosDateTime(-1), earliest);
  EXPECT_EQ(static_cast<uint32_t>(system.LocalDosDateTime(fileTime(2200, 1, 1, 0, 0, 0))),
            ((127u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u));
}

TEST(Win32System, TheMutexIsHeldAgainstOtherProcessesUntilReleased) {
  const std::string name = "ORVANEMX-\x83\x5C-" + std::to_string(GetCurrentProcessId());
  SetEnvironment(L"ORVANE_HELPER_VALUE", W(name));
  {
    Win32System system;
    ASSERT_TRUE(system.CreateSingleInstanceMutex(name));
    EXPECT_TRUE(system.CreateSingleInstanceMutex(name));  // ours already
    EXPECT_FALSE(Win32System().CreateSingleInstanceMutex(name));
    EXPECT_EQ(RunHelper(L"mutex", "helper"), 0);
  }
  EXPECT_EQ(RunHelper(L"mutex", "helper"), 1);
}

}  // namespace
}  // namespace orvane::win32
