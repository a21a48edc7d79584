// Tests of the emulated machine: skeleton and settings, path resolution (letter case, code page
// 932 names, folding, bad paths), confinement to the machine, 8.3 aliases and restart renames.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <fstream>

#include "MachineFixture.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostRegistry.h"
#include "platform/host/Machine.h"

namespace orvane::host::testing {
namespace {

namespace fs = std::filesystem;

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

std::string RegString(Machine& m, RegRoot root, const std::string& key, const std::string& name) {
  RegValue value;
  if (m.Registry().GetValue(root, key, name, value) != 0) return "<missing>";
  return value.data;
}

using MachineTest = MachineFixture;

TEST_F(MachineTest, NewNtMachineHasSkeletonFoldersAndShellFolderValues) {
  fs::path c = root_ / "machine" / "drive_c";
  for (const char* folder :
       {"WINDOWS/system32", "Program Files", "Users/User/AppData/Local/Temp", "Users/User/Desktop",
        "Users/User/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Startup",
        "Users/User/AppData/Roaming/Microsoft/Windows/SendTo",
        "ProgramData/Microsoft/Windows/Start Menu/Programs/Startup", "Users/Public/Desktop"})
    EXPECT_TRUE(fs::is_directory(c / folder)) << folder;
  EXPECT_EQ(RegString(*machine_, RegRoot::LocalMachine,
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"),
            "C:\\Program Files");
  EXPECT_EQ(RegString(*machine_, RegRoot::CurrentUser, kShellFolders, "Desktop"),
            "C:\\Users\\User\\Desktop");
  EXPECT_EQ(RegString(*machine_, RegRoot::CurrentUser, kShellFolders, "Startup"),
            "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup");
  EXPECT_EQ(RegString(*machine_, RegRoot::LocalMachine, kShellFolders, "Common Programs"),
            "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
  EXPECT_EQ(machine_->SystemFolder(), "C:\\WINDOWS\\system32");
  EXPECT_EQ(machine_->TempFolder(), "C:\\Users\\User\\AppData\\Local\\Temp");
}

TEST_F(MachineTest, ReopeningKeepsSettingsAndChangesNothing) {
  machine_->MapDrive('d', root_ / "dist");
  machine_->SetFreeSpace('C', "fail");
  machine_->Registry().DeleteValue(RegRoot::CurrentUser, kShellFolders, "Desktop");
  fs::remove(root_ / "machine" / "drive_c" / "Users" / "User" / "Desktop");
  machine_.reset();

  MachineSettings other;
  other.platformId = 1;
  other.userName = "Someone";
  machine_ = Machine::Open(root_ / "machine", other);
  EXPECT_EQ(machine_->Settings().platformId, 2);
  EXPECT_EQ(machine_->Settings().userName, "User");
  EXPECT_EQ(machine_->DriveFolder('D'), fs::weakly_canonical(root_ / "dist"));
  EXPECT_EQ(machine_->FreeSpaceSetting('c').value_or(""), "fail");
  EXPECT_EQ(RegString(*machine_, RegRoot::CurrentUser, kShellFolders, "Desktop"), "<missing>");
  EXPECT_FALSE(fs::exists(root_ / "machine" / "drive_c" / "Users" / "User" / "Desktop"));
  EXPECT_FALSE(fs::exists(root_ / "machine" / "drive_c" / "WINDOWS" / "SYSTEM"));
}

class MachineWin95Test : public MachineFixture {
  MachineSettings NewMachineSettings() const override {
    MachineSettings s;
    s.platformId = 1;
    return s;
  }
};

TEST_F(MachineWin95Test, NewWin95MachineHasItsOwnLayoutAndNoCommonFolders) {
  fs::path c = root_ / "machine" / "drive_c";
  for (const char* folder :
       {"WINDOWS/SYSTEM", "WINDOWS/TEMP", "Program Files", "WINDOWS/Start Menu/Programs/StartUp",
        "WINDOWS/Desktop", "WINDOWS/SendTo"})
    EXPECT_TRUE(fs::is_directory(c / folder)) << folder;
  EXPECT_FALSE(fs::exists(c / "Users"));
  EXPECT_EQ(RegString(*machine_, RegRoot::CurrentUser, kShellFolders, "Programs"),
            "C:\\WINDOWS\\Start Menu\\Programs");
  EXPECT_EQ(RegString(*machine_, RegRoot::LocalMachine, kShellFolders, "Common Programs"),
            "<missing>");
  EXPECT_EQ(machine_->TempFolder(), "C:\\WINDOWS\\TEMP");
}

TEST_F(MachineTest, ResolveMatchesExistingComponentsWithoutCaseAndKeepsNewOnes) {
  fs::path c = root_ / "machine" / "drive_c";
  WriteHostFile(c / "Program Files" / "MyApp" / "Data.TXT", "x");
  EXPECT_EQ(Host("c:/PROGRAM FILES/myapp/data.txt"), c / "Program Files" / "MyApp" / "Data.TXT");
  EXPECT_EQ(Host("C:\\program files\\NewDir\\File.Txt"),
            c / "Program Files" / "NewDir" / "File.Txt");
  // Folding: "." vanishes, ".." never climbs above the drive root, doubled separators collapse.
  EXPECT_EQ(Host("C:\\WINDOWS\\..\\..\\..\\x.txt"), c / "x.txt");
  EXPECT_EQ(Host("C:\\a\\.\\b\\..\\\\c"), c / "a" / "c");
  EXPECT_EQ(Host("C:\\"), c);
  EXPECT_EQ(machine_->ToWindowsPath(c / "Program Files" / "MyApp"), "C:\\Program Files\\MyApp");
}

TEST_F(MachineTest, Cp932NamesAreStoredAsUtf8) {
  // "表" is 0x95 0x5C in code page 932: its trail byte is a backslash, not a separator.
  const std::string name = "C:\\\x95\x5C\\\x83\x65\x83\x58\x83\x67.txt";  // 表\テスト.txt
  fs::path host = Host(name);
  EXPECT_EQ(host, root_ / "machine" / "drive_c" / "表" / "テスト.txt");
  EXPECT_EQ(machine_->ToWindowsPath(host), name);
  fs::path ignored;
  EXPECT_EQ(machine_->Resolve("C:\\bad\x81", ignored), 123u);  // a lead byte without trail
  // A lead byte before a byte that cannot follow it is no character: "/" is not taken for a
  // trail byte, and the canonical form refuses it too rather than keep half a character once
  // the trailing "." is dropped.
  EXPECT_EQ(machine_->Resolve("C:\\\x81/x", ignored), 123u);
  std::string normalized;
  EXPECT_EQ(machine_->Normalize("C:\\a\x8C.\\b", normalized), 123u);
}

TEST_F(MachineTest, ResolveRejectsBadPathsWithWindowsCodes) {
  fs::path host;
  EXPECT_EQ(machine_->Resolve("\\\\server\\share\\x", host), 53u);
  EXPECT_EQ(machine_->Resolve("//server/share", host), 53u);
  EXPECT_EQ(machine_->Resolve("dir\\x.txt", host), 3u);
  EXPECT_EQ(machine_->Resolve("\\dir\\x.txt", host), 3u);
  EXPECT_EQ(machine_->Resolve("C:dir", host), 3u);
  EXPECT_EQ(machine_->Resolve("Q:\\x.txt", host), 3u);
  for (const char* bad :
       {"C:\\a<b", "C:\\a>b", "C:\\a|b", "C:\\a\"b", "C:\\a*", "C:\\a?", "C:\\a:b", "C:\\a\x01"})
    EXPECT_EQ(machine_->Resolve(bad, host), 123u) << bad;
  std::string longest = "C:\\" + std::string(128, 'a') + "\\" + std::string(127, 'a');  // 259
  EXPECT_EQ(machine_->Resolve(longest, host), 0u);
  EXPECT_EQ(machine_->Resolve(longest + "b", host), 206u);
}

// Windows keeps the device names in every folder: no file or folder of the machine takes one.
TEST_F(MachineTest, DeviceNamesAreRefusedInAnyComponent) {
  fs::path host;
  std::string normalized;
  for (const char* device : {"C:\\CON", "C:\\nul", "C:\\Aux.txt", "C:\\prn.tar.gz", "C:\\com1",
                             "C:\\LPT9.log", "C:\\Dir\\Com3\\x.txt", "C:\\NUL .txt", "C:\\con."}) {
    EXPECT_EQ(machine_->Resolve(device, host), 123u) << device;
    EXPECT_EQ(machine_->Normalize(device, normalized), 123u) << device;
  }
  for (const char* plain : {"C:\\CONSOLE", "C:\\com10", "C:\\lpt", "C:\\NULL.TXT", "C:\\xcon",
                            "C:\\.aux", "C:\\Dir\\con-x.txt"})
    EXPECT_EQ(machine_->Resolve(plain, host), 0u) << plain;
}

TEST_F(MachineTest, NothingReachesOutsideThroughLinks) {
  fs::path outside = root_ / "outside";
  fs::create_directories(outside);
  WriteHostFile(outside / "target.txt", "outside");
  fs::path c = root_ / "machine" / "drive_c";
  fs::create_directory_symlink(outside, c / "out");
  fs::create_symlink(outside / "target.txt", c / "link.txt");
  fs::create_symlink(outside / "missing.txt", c / "dangling.txt");
  fs::create_directory_symlink(c / "WINDOWS", c / "inside");

  fs::path host;
  EXPECT_EQ(machine_->Resolve("C:\\out\\new.txt", host), 5u);
  EXPECT_EQ(machine_->Resolve("C:\\OUT", host), 5u);
  EXPECT_EQ(machine_->Resolve("C:\\link.txt", host), 5u);
  EXPECT_EQ(machine_->Resolve("C:\\dangling.txt", host), 5u);
  EXPECT_EQ(machine_->Resolve("C:\\inside\\system32", host), 0u);

  HostFiles files(*machine_);
  EXPECT_EQ(files.WriteFile("C:\\out\\new.txt", "x"), 5u);
  EXPECT_EQ(files.CreateFolder("C:\\out\\sub"), 5u);
  WriteHostFile(c / "src.txt", "data");
  EXPECT_EQ(files.Copy("C:\\src.txt", "C:\\link.txt", false), 5u);
  EXPECT_EQ(files.Copy("C:\\src.txt", "C:\\dangling.txt", false), 5u);
  EXPECT_EQ(files.Move("C:\\src.txt", "C:\\out\\moved.txt", true), 5u);
  EXPECT_EQ(files.RemoveFile("C:\\link.txt"), 5u);
  // An absolute host path is just a path on drive C:.
  EXPECT_EQ(files.WriteFile("C:" + outside.string() + "/abs.txt", "x"), 3u);
  EXPECT_EQ(files.WriteFile("C:\\..\\..\\..\\..\\escape.txt", "x"), 0u);
  EXPECT_TRUE(fs::exists(c / "escape.txt"));

  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(outside)) left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"target.txt"});
  EXPECT_EQ(ReadHostFile(outside / "target.txt"), "outside");
  EXPECT_FALSE(fs::exists(root_ / "escape.txt"));
}

TEST_F(MachineTest, MappedDrivesAndVirtualFilesResolve) {
  WriteHostFile(root_ / "dist" / "SETUP.INI", "[Extend]\n");
  machine_->MapDrive('D', root_ / "dist");
  EXPECT_EQ(Host("d:\\setup.ini"), fs::canonical(root_ / "dist" / "SETUP.INI"));
  EXPECT_EQ(machine_->ToWindowsPath(root_ / "dist" / "SETUP.INI"), "D:\\SETUP.INI");
  EXPECT_THROW(machine_->MapDrive('C', root_), std::invalid_argument);

  WriteHostFile(root_ / "bin" / "program", "binary");
  machine_->AddVirtualFile("E:\\SETUP.EXE", root_ / "bin" / "program");
  EXPECT_EQ(Host("e:\\setup.exe"), root_ / "bin" / "program");
  fs::path host;
  EXPECT_EQ(machine_->Resolve("E:\\OTHER.EXE", host), 3u);  // no such drive
}

TEST_F(MachineTest, ShortNamesAreNumberedInNameOrderAndResolveBack) {
  fs::path c = root_ / "machine" / "drive_c";
  WriteHostFile(c / "Long Name One.txt", "1");
  WriteHostFile(c / "Long Name Two.txt", "2");
  WriteHostFile(c / "Long Name Three.text", "4");
  WriteHostFile(c / "readme.txt", "3");
  EXPECT_EQ(Machine::ShortName(c, "Long Name One.txt"), "LONGNA~1.TXT");
  EXPECT_EQ(Machine::ShortName(c, "Long Name Two.txt"), "LONGNA~2.TXT");
  EXPECT_EQ(Machine::ShortName(c, "Long Name Three.text"), "LONGNA~1.TEX");
  EXPECT_EQ(Machine::ShortName(c, "readme.txt"), "readme.txt");
  EXPECT_EQ(Machine::ShortName(c, "Program Files"), "PROGRA~1");
  EXPECT_EQ(Host("C:\\longna~2.txt"), c / "Long Name Two.txt");
  EXPECT_EQ(Host("C:\\PROGRA~1\\NEW.DLL"), c / "Program Files" / "NEW.DLL");
}

TEST_F(MachineTest, RestartCarriesOutPendingRenamesEvenOverLockedFiles) {
  fs::path c = root_ / "machine" / "drive_c";
  WriteHostFile(c / "WINDOWS" / "new.dll", "new");
  WriteHostFile(c / "WINDOWS" / "system32" / "app.dll", "old");
  WriteHostFile(c / "WINDOWS" / "stale.tmp", "stale");
  HostFiles files(*machine_);
  ASSERT_EQ(files.MoveFileAtRestart("C:\\WINDOWS\\NEW.DLL", "C:\\WINDOWS\\SYSTEM32\\APP.DLL"), 0u);
  ASSERT_EQ(files.MoveFileAtRestart("C:\\WINDOWS\\stale.tmp", ""), 0u);
  ChildLock lock(c / "WINDOWS" / "system32" / "app.dll");
  ASSERT_TRUE(lock.Locked());

  machine_->Restart();
  EXPECT_EQ(ReadHostFile(c / "WINDOWS" / "system32" / "app.dll"), "new");
  EXPECT_FALSE(fs::exists(c / "WINDOWS" / "new.dll"));
  EXPECT_FALSE(fs::exists(c / "WINDOWS" / "stale.tmp"));
  RegValue value;
  EXPECT_EQ(machine_->Registry().GetValue(RegRoot::LocalMachine, kSessionManager,
                                          "PendingFileRenameOperations", value),
            2u);
}

TEST_F(MachineWin95Test, RestartCarriesOutWininitRenamesAndKeepsOtherSections) {
  fs::path c = root_ / "machine" / "drive_c";
  WriteHostFile(c / "Program Files" / "My Application" / "App.dll", "old");
  WriteHostFile(c / "WINDOWS" / "OVTMP1.TMP", "new");
  WriteHostFile(c / "WINDOWS" / "OVTMP2.TMP", "gone");
  WriteHostFile(c / "WINDOWS" / "WININIT.INI",
                "[Other]\r\nkeep=1\r\n[rename]\r\n"
                "C:\\PROGRA~1\\MYAPPL~1\\APP.DLL=C:\\WINDOWS\\OVTMP1.TMP\r\n"
                "NUL=C:\\WINDOWS\\OVTMP2.TMP\r\n");
  machine_->Restart();
  EXPECT_EQ(ReadHostFile(c / "Program Files" / "My Application" / "App.dll"), "new");
  EXPECT_FALSE(fs::exists(c / "WINDOWS" / "OVTMP1.TMP"));
  EXPECT_FALSE(fs::exists(c / "WINDOWS" / "OVTMP2.TMP"));
  EXPECT_EQ(ReadHostFile(c / "WINDOWS" / "WININIT.INI"), "[Other]\r\nkeep=1\r\n");
}

}  // namespace
}  // namespace orvane::host::testing

namespace orvane::host::testing {
namespace {

// The resolver caches a folder's names; entries made by this process and by others must both be
// found without regard to letter case.
TEST_F(MachineTest, CachedFolderNamesFollowNewEntries) {
  HostFiles files(*machine_);
  WriteHostFile(Host("C:\\DATA\\First.TXT"), "1");
  EXPECT_EQ(Host("C:\\data\\FIRST.txt").filename(), "First.TXT");  // lists and caches DATA
  ASSERT_EQ(files.Copy("C:\\DATA\\First.TXT", "C:\\DATA\\Second.Txt", false), 0u);
  EXPECT_EQ(Host("C:\\DATA\\SECOND.TXT").filename(), "Second.Txt");
  ASSERT_EQ(files.CreateFolder("C:\\DATA\\Sub"), 0u);
  EXPECT_EQ(Host("C:\\DATA\\SUB\\X").parent_path().filename(), "Sub");
  // Made behind the resolver's back, a little later: the folder's change time tells.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  WriteHostFile(root_ / "machine" / "drive_c" / "DATA" / "Third.TXT", "3");
  EXPECT_EQ(Host("C:\\DATA\\third.txt").filename(), "Third.TXT");
  // A cached name that disappeared is not handed out.
  std::filesystem::remove(root_ / "machine" / "drive_c" / "DATA" / "Third.TXT");
  EXPECT_EQ(Host("C:\\DATA\\third.txt").filename(), "third.txt");
}

}  // namespace
}  // namespace orvane::host::testing
