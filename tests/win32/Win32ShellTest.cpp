// The Win32 shell under Wine: special folders, links read back by the project's reader (and by
// lnkinfo in run_tests.sh, from the expectations written here), and ShellExecute.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/WinTypes.h"
#include "platform/win32/Win32Shell.h"
#include "support/ShellLink.h"
#include "tests/win32/Win32TestSupport.h"

namespace orvane::win32 {
namespace {

using namespace testing;

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

TEST(Win32Shell, SpecialFoldersAreExistingFoldersInTheirPlaces) {
  Win32Shell shell;
  for (int csidl : {csidl::Programs, csidl::Startup, csidl::SendTo, csidl::StartMenu,
                    csidl::DesktopDirectory, csidl::CommonStartMenu, csidl::CommonPrograms,
                    csidl::CommonStartup, csidl::CommonDesktopDirectory}) {
    std::string folder = shell.SpecialFolderPath(csidl);
    SCOPED_TRACE(std::to_string(csidl) + " " + folder);
    ASSERT_GE(folder.size(), 4u);
    EXPECT_EQ(folder.substr(1, 2), ":\\");
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(IsFolder(folder));
  }
  const std::string menu = shell.SpecialFolderPath(csidl::StartMenu);
  const std::string programs = shell.SpecialFolderPath(csidl::Programs);
  EXPECT_TRUE(StartsWith(programs, menu + "\\"));
  EXPECT_TRUE(StartsWith(shell.SpecialFolderPath(csidl::Startup), programs + "\\"));
  const std::string common = shell.SpecialFolderPath(csidl::CommonStartMenu);
  EXPECT_TRUE(StartsWith(shell.SpecialFolderPath(csidl::CommonPrograms), common + "\\"));
  EXPECT_EQ(shell.SpecialFolderPath(0x7FFF), "");
}

TEST(Win32Shell, LinksHoldTheirPropertiesInEveryCodePage) {
  Win32Shell shell;
  // run_tests.sh hands a folder whose links it reads with lnkinfo afterwards.
  const char* given = std::getenv("ORVANE_LINK_FOLDER");
  const std::string folder = given ? std::string(given) + "\\" : WorkFolder();
  struct Link {
    std::string file, target, workingFolder, arguments;
  } links[] = {
      // ASCII texts fit every ANSI code page: the shell's own link object writes these.
      {"Viewer.lnk", "C:\\App\\Viewer.exe", "C:\\App", "/S \"x y\""},
      {"Bare.lnk", "C:\\Other.exe", "", ""},
      // CP932 texts (trail bytes 0x5C): the link object in code page 932, the project's writer in
      // any other.
      {"\x83\x5C\x83\x74\x83\x67.lnk", "C:\\\x83\x5C\x83\x74\x83\x67\\\x95\x5C.EXE",
       "C:\\\x83\x5C\x83\x74\x83\x67", "/\x83\x5C x"},
  };
  std::string expectations;
  for (const Link& link : links) {
    SCOPED_TRACE(link.target);
    ASSERT_EQ(
        shell.SaveShellLink(folder + link.file, link.target, link.workingFolder, link.arguments),
        0u);
    std::string target, workingFolder, arguments;
    ASSERT_TRUE(ParseShellLink(ReadBytes(folder + link.file), target, workingFolder, arguments));
    EXPECT_EQ(target, link.target);
    EXPECT_EQ(workingFolder, link.workingFolder);
    EXPECT_EQ(arguments, link.arguments);
    expectations += Utf8(link.file + "\t" + link.target + "\t" + link.workingFolder + "\t" +
                         link.arguments + "\n");
  }
  WriteBytes(folder + "expected.txt", expectations);
  // Saving again replaces a link whole.
  const std::string again = WorkFolder() + "Again.lnk";
  ASSERT_EQ(shell.SaveShellLink(again, "C:\\Old.exe", "C:\\Old", "/old"), 0u);
  ASSERT_EQ(shell.SaveShellLink(again, "C:\\New.exe", "C:\\", ""), 0u);
  std::string target, workingFolder, arguments;
  ASSERT_TRUE(ParseShellLink(ReadBytes(again), target, workingFolder, arguments));
  EXPECT_EQ(target + "|" + workingFolder + "|" + arguments, "C:\\New.exe|C:\\|");
  EXPECT_EQ(shell.SaveShellLink(WorkFolder() + "None\\X.lnk", "C:\\X.exe", "C:\\", ""), 3u);
}

TEST(Win32Shell, ExecuteStartsProgramsAndReportsMissingFiles) {
  Win32Shell shell;
  const std::string report = WorkFolder() + "execute.txt";
  SetEnvironment(L"ORVANE_HELPER_MODE", L"report");
  SetEnvironment(L"ORVANE_HELPER_REPORT", W(report));
  EXPECT_GT(shell.Execute("open", BuildFolder() + "helper.exe", std::string("a \"b c\"")), 32);
  // ShellExecute does not wait for the program: the report is read until it holds its three
  // lines (while the helper writes it, the file exists but cannot be opened, or holds part).
  std::string bytes = ReadBytes(report);
  for (int i = 0; i < 200 && std::count(bytes.begin(), bytes.end(), '\n') < 3; ++i) {
    Sleep(50);
    bytes = ReadBytes(report);
  }
  EXPECT_NE(bytes.find(" a \"b c\"\n"), std::string::npos) << bytes;
  EXPECT_EQ(shell.Execute("open", WorkFolder() + "none.exe", std::nullopt), SE_ERR_FNF);
  // Windows reports the missing folder (3); Wine 8 reports the file (2).
  int missingFolder = shell.Execute("open", WorkFolder() + "none\\none.exe", std::nullopt);
  EXPECT_TRUE(missingFolder == SE_ERR_PNF || missingFolder == SE_ERR_FNF) << missingFolder;
}

}  // namespace
}  // namespace orvane::win32
