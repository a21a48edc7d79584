// Win32Processes and Win32Components under Wine: a program started with exactly its command line,
// our folder and environment, waited for and closed; component entry points called from a DLL in
// a CP932 folder, and the library freed again.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/win32/Win32Components.h"
#include "platform/win32/Win32Processes.h"
#include "tests/win32/Win32TestSupport.h"

namespace orvane::win32 {
namespace {

using namespace testing;

TEST(Win32Processes, AProgramGetsItsCommandLineOurFolderAndEnvironment) {
  const std::string report = WorkFolder() + "process.txt";
  SetEnvironment(L"ORVANE_HELPER_MODE", L"report");
  SetEnvironment(L"ORVANE_HELPER_REPORT", W(report));
  SetEnvironment(L"ORVANE_HELPER_VALUE", L"\u5024");  // 値
  SetEnvironment(L"ORVANE_HELPER_EXIT", L"7");
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  const std::string folder = JapaneseFolder();
  SetCurrentDirectoryW(W(folder).c_str());
  Win32Processes processes;
  const int process = processes.Start(BuildFolder() + "helper.exe", "one \"two three\"");
  SetCurrentDirectoryW(previous);
  SetEnvironment(L"ORVANE_HELPER_EXIT", L"");
  ASSERT_GT(process, 0);
  ASSERT_TRUE(processes.Wait(process, 30000));
  EXPECT_EQ(processes.ExitCode(process), 7);
  // The arguments alone are the command line; the folder loses its trailing "\".
  EXPECT_EQ(ReadBytes(report),
            "one \"two three\"\n" + Utf8(folder.substr(0, folder.size() - 1)) + "\n\xE5\x80\xA4\n");
  processes.Close(process);
  EXPECT_EQ(processes.ExitCode(process), -1);
  EXPECT_TRUE(processes.Wait(process, 0));  // a closed process is not waited for
  EXPECT_EQ(processes.Start(WorkFolder() + "none.exe", ""), 0);
}

TEST(Win32Processes, WaitingEndsAtTheTimeOut) {
  SetEnvironment(L"ORVANE_HELPER_MODE", L"sleep");
  Win32Processes processes;
  const int process = processes.Start(BuildFolder() + "helper.exe", "");
  ASSERT_GT(process, 0);
  EXPECT_FALSE(processes.Wait(process, 100));
  EXPECT_EQ(processes.ExitCode(process), -1);
  HANDLE handle = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(process));
  ASSERT_NE(handle, nullptr);
  TerminateProcess(handle, 3);
  CloseHandle(handle);
  EXPECT_TRUE(processes.Wait(process, 30000));
  EXPECT_EQ(processes.ExitCode(process), 3);
}

TEST(Win32Components, EntryPointsAreCalledAndTheLibraryFreed) {
  const std::string dll = JapaneseFolder() + "\x83\x5C.dll", log = WorkFolder() + "component.log";
  CopyBuilt("test_component.dll", dll);
  CopyBuilt("test_component_partial.dll", WorkFolder() + "partial.dll");
  // The component reads these through the C runtime that it shares with this program.
  _putenv(("ORVANE_TEST_COMPONENT_LOG=" + log).c_str());
  _putenv("ORVANE_TEST_COMPONENT_RESULT=0x80004005");
  Win32Components components;
  int32_t result = 0;
  EXPECT_EQ(components.CallEntry(dll, "DllRegisterServer", result), ComponentCall::Called);
  EXPECT_EQ(static_cast<uint32_t>(result), 0x80004005u);
  EXPECT_EQ(GetModuleHandleW(W(dll).c_str()), nullptr);
  _putenv("ORVANE_TEST_COMPONENT_RESULT=0");
  EXPECT_EQ(components.CallEntry(dll, "DllUnregisterServer", result), ComponentCall::Called);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadBytes(log), "DllRegisterServer\r\nDllUnregisterServer\r\n");  // text mode
  EXPECT_EQ(components.CallEntry(WorkFolder() + "partial.dll", "DllUnregisterServer", result),
            ComponentCall::EntryMissing);
  EXPECT_EQ(GetModuleHandleW(W(WorkFolder() + "partial.dll").c_str()), nullptr);
  WriteBytes(WorkFolder() + "text.dll", "not a program");
  EXPECT_EQ(components.CallEntry(WorkFolder() + "text.dll", "DllRegisterServer", result),
            ComponentCall::NotLoaded);
  EXPECT_EQ(components.CallEntry(WorkFolder() + "none.dll", "DllRegisterServer", result),
            ComponentCall::NotLoaded);
}

}  // namespace
}  // namespace orvane::win32
