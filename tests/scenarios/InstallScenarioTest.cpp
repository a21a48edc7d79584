// The install run driven through orvane-run: copying (variants, renames, compressed files, missing
// sources, overwrite rules, files in use), registry, INI and shortcut entries, shared counts, the
// uninstall log and its merge, disk changes, the ways out, the demo package and hostile input.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "tests/scenarios/Scenario.h"
#include "tests/unit/MachineFixture.h"

namespace orvane::scenario {
namespace {

namespace fs = std::filesystem;

// Title, words and pace shared by the packages below; each test appends its own sections.
const char kHead[] =
    "[Title]\nSetup=Scen Setup\nUnSetup=Scen UnInstall\nProgram=Scen\n[Extend]\nSetupSpeed=1\n";
const char kToApp[] = "final folder C:\\App\\\n";

class InstallScenario : public Scenario {
 protected:
  // Compresses `content` with mscompress and returns the compressed bytes; `recorded` is written
  // into the header's missing-character byte (0 keeps what mscompress wrote). Empty when the tool
  // is missing.
  std::string Compress(const std::string& content, char recorded = 0) {
    fs::path dir = Root() / "lz";
    fs::create_directories(dir);
    std::ofstream(dir / "IN.TXT", std::ios::binary) << content;
    if (Shell("mscompress '" + (dir / "IN.TXT").string() + "'") != 0) return "";
    std::ifstream in(dir / "IN.TXT_", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove_all(dir);
    if (bytes.size() < 14) return "";
    if (recorded) bytes[9] = recorded;
    return bytes;
  }
  static bool HaveTool(const std::string& name) {
    return Shell("command -v " + name + " >/dev/null") == 0;
  }
  // Sets a file's modification time to now + `seconds`.
  static void Age(const fs::path& file, int seconds) {
    fs::last_write_time(file, fs::file_time_type::clock::now() + std::chrono::seconds(seconds));
  }
};

const char kLzText[] =
    "Manual line one. Manual line one. Manual line one.\r\nAnd a second line.\r\n"
    "Manual line one. Manual line one. The end.\r\n";

TEST_F(InstallScenario, CopyPhaseVariantsRenamesCompressedMissingAndWriteOnly) {
  std::string patched = Compress(kLzText, 'T');
  if (patched.empty()) GTEST_SKIP() << "mscompress is not installed (package mscompress)";
  std::string unpatched = Compress(kLzText);
  WriteScript(std::string(kHead) +
              "[SelectType]\nVisible=True\n[MakeFolder]\nFolder1=(App)SUB\n[CopyFile]\n"
              "File1=(App)ONE.TXT\n"
              "File1_2=(App)ONE2.TXT|TWO.TXT\n"
              "File2=(App)SUB\\MAN.TX_\n"
              "File3=(App)SUB\\RAW.TX_\n"
              "File4=(App)SUB\\REN.TX_|RENAMED.TXT\n"
              "File5=(App)MISSING.DAT\n"
              "File6=(App)WRITEONLY.DAT,/W\n"
              "File7=(App)NOFOLDER\\LAST.TXT\n"
              "File8=(App)LAST.TXT\n");
  WriteDist("ONE.TXT", "type one\r\n");
  WriteDist("ONE2.TXT", "type two\r\n");
  WriteDist("MAN.TX_", patched);
  WriteDist("RAW.TX_", unpatched);
  WriteDist("REN.TX_", patched);
  WriteDist("WRITEONLY.DAT", "never copied");
  WriteDist("LAST.TXT", "last");

  // Type 2: File1_2 replaces File1; the failure details are shown and left with Continue.
  RunResult two = Install(
      "select-type type2\nfinal folder C:\\App2\\\nbox yes \"Warning\" \"Some of the "
      "management failed*\"\ndetails continue\n");
  EXPECT_EQ(two.exitCode, 0) << two.transcript;
  EXPECT_EQ(ReadFile("C:\\App2\\TWO.TXT"), "type two\r\n");
  EXPECT_FALSE(Exists("C:\\App2\\ONE.TXT"));
  EXPECT_FALSE(Exists("C:\\App2\\ONE2.TXT"));
  // Compressed: the name from the header (recorded letter, or none), and a rename.
  EXPECT_EQ(ReadFile("C:\\App2\\SUB\\MAN.TXT"), kLzText);
  EXPECT_EQ(ReadFile("C:\\App2\\SUB\\RAW.TX"), kLzText);
  EXPECT_EQ(ReadFile("C:\\App2\\SUB\\RENAMED.TXT"), kLzText);
  EXPECT_FALSE(Exists("C:\\App2\\SUB\\MAN.TX_"));
  EXPECT_FALSE(Exists("C:\\App2\\WRITEONLY.DAT"));
  EXPECT_EQ(ReadFile("C:\\App2\\LAST.TXT"), "last");
  EXPECT_TRUE(two.Has("status \"A copy is skipped because a file doesn't exist.\\r\\nSkipping -> "
                      "C:\\\\App2\\\\MISSING.DAT\""))
      << two.transcript;
  EXPECT_TRUE(two.Has("progress 100%(8/8)"));
  // The failure details: the missing source and the folder that [MakeFolder] did not make. The
  // run has hidden the exit button.
  int details = two.Find(
      "page details window=\"Scen Setup\" start=\"Continue(&C)\" "
      "exit=\"Exit Install(&E)\" hidden=exit "
      "caption=\"The details indication of the management failure\"");
  ASSERT_GE(details, 0) << two.transcript;
  EXPECT_GE(two.Find("<File> D:\\\\MISSING.DAT\\r\\nThe file of the copy cause wasn't found."),
            0);
  EXPECT_GE(two.Find("<File> C:\\\\App2\\\\NOFOLDER\\\\LAST.TXT\\r\\n"), 0);
  EXPECT_GT(two.Find("action details continue"), details);
  EXPECT_GT(two.Find("box \"Complete\""), details);
  // The log records what was copied or written-over, with the flags, and not the failures.
  std::string log = ReadFile("C:\\App2\\UNSETUP.INI");
  EXPECT_NE(log.find("File1=C:\\App2\\TWO.TXT\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("C:\\App2\\SUB\\MAN.TXT\r\n"), std::string::npos);
  EXPECT_NE(log.find("C:\\App2\\WRITEONLY.DAT,/W\r\n"), std::string::npos);
  EXPECT_EQ(log.find("MISSING.DAT"), std::string::npos);
  EXPECT_EQ(log.find("NOFOLDER"), std::string::npos);

  // Type 1: File1 itself, File1_2 never read.
  RunResult one = Install(
      "select-type type1\nfinal folder C:\\App1\\\nbox no \"Warning\"\n");
  EXPECT_EQ(one.exitCode, 0) << one.transcript;
  EXPECT_EQ(ReadFile("C:\\App1\\ONE.TXT"), "type one\r\n");
  EXPECT_FALSE(Exists("C:\\App1\\TWO.TXT"));
  EXPECT_EQ(one.Find("page details"), -1);
}

TEST_F(InstallScenario, OverwriteNewerOnlyOrAsked) {
  WriteScript(std::string(kHead) + "[CopyFile]\nFile1=(App)NEWER.TXT\nFile2=(App)OLDER.TXT\n");
  WriteDist("NEWER.TXT", "source newer");
  WriteDist("OLDER.TXT", "source older");
  Age(Dist() / "NEWER.TXT", -3600);
  Age(Dist() / "OLDER.TXT", -3600);
  auto prepare = [&] {
    WriteFile("C:\\App\\NEWER.TXT", "dest newer");
    WriteFile("C:\\App\\OLDER.TXT", "dest older");
    SetFileAge("C:\\App\\NEWER.TXT", 0);
    SetFileAge("C:\\App\\OLDER.TXT", -7200);
  };
  PrepareMachine();
  prepare();
  // On: only the older destination is replaced, and no question is asked.
  RunResult on = Install(std::string(kToApp) + "final tick overwrite\n");
  EXPECT_EQ(on.exitCode, 0) << on.transcript;
  EXPECT_EQ(ReadFile("C:\\App\\NEWER.TXT"), "dest newer");
  EXPECT_EQ(ReadFile("C:\\App\\OLDER.TXT"), "source older");
  EXPECT_EQ(on.Find("Overwriting Confirmation"), -1);
  // Both are recorded for removal whether copied or not.
  std::string log = ReadFile("C:\\App\\UNSETUP.INI");
  EXPECT_NE(log.find("=C:\\App\\NEWER.TXT\r\n"), std::string::npos) << log;

  // Off: each existing destination is asked about; No keeps it, Yes replaces it.
  prepare();
  RunResult off = Install(std::string(kToApp) +
                          "final untick overwrite\n"
                          "box no \"Overwriting Confirmation\" \"*OLDER.TXT*\"\n"
                          "box yes \"Overwriting Confirmation\"\n");
  EXPECT_EQ(off.exitCode, 0) << off.transcript;
  EXPECT_TRUE(off.Has("box \"Overwriting Confirmation\" 0x24 \"C:\\\\App\\\\NEWER.TXT\\r\\n\\r\\n"
                      "This file has already existed.\\r\\nMay I overwrite it?\" -> yes"))
      << off.transcript;
  EXPECT_EQ(ReadFile("C:\\App\\NEWER.TXT"), "source newer");
  EXPECT_EQ(ReadFile("C:\\App\\OLDER.TXT"), "dest older");
}

TEST_F(InstallScenario, RegistryIniAndShortcutEntries) {
  WriteScript(std::string(kHead) +
              "[MakeFolder]\nFolder1=(App)WORK\n[CopyFile]\nFile1=(App)APP.EXE\n"
              "[ShortCut]\nMake1=(App)APP.EXE,/first run\nName1=(Smn)Scen\\Scen App,(App)WORK\n"
              "Make2=(App)APP.EXE\nName2=(Dsk)Scen Desk\n"
              "Make3=(App)APP.EXE\nName3=(C_Sta)Scen\\Scen All\n"
              "[Registry]\n"
              "Key1=(Local)SOFTWARE\\Scen\\App\nName1=Path\nValue1=(Str)(Pdd)(App)\n"
              "Key2=(Local)\\SOFTWARE\\Scen\\App\\\nName2=Raw\nValue2=(Str)(App)\n"
              "Key3=(Local)SOFTWARE\\Scen\\App\nName3=Exp\nValue3=(Exp)%WINDIR%\\X\n"
              "Key4=(Local)SOFTWARE\\Scen\\App\nName4=Minus\nValue4=(Dwd)-1\n"
              "Key5=(Local)SOFTWARE\\Scen\\App\nName5=Bin\nValue5=(Bin)0A0B0C0D\n"
              "Key6=SOFTWARE\\Scen\\User\nName6=\nValue6=(Int)$1F\n"
              "Key7=(Local)SOFTWARE\\Scen\\App\nName7=NotHex\nValue7=(Bin)xyz\n"
              "Key8=(Local)SOFTWARE\\Scen\\App\nName8=Plain\nValue8=(STR)abc\n"
              "Key9=(Local)SOFTWARE\\Scen\\Empty\n"
              "[IniFile]\nData1=Settings,Folder,(App),(App)APP.INI\n"
              "Data2=Options,Mode,fast,SCEN.INI\nData3=Options,Blank,,SCEN.INI\n");
  WriteDist("APP.EXE", "#!/bin/sh\n", true);
  RunResult r = Install(std::string(kToApp) + "final untick desktop\n");
  EXPECT_EQ(r.exitCode, 0) << r.transcript;
  const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Scen\\App";
  EXPECT_EQ(Reg(key, "Path"), "REG_SZ C:\\App");
  EXPECT_EQ(Reg(key, "Raw"), "REG_SZ C:\\App\\");
  EXPECT_EQ(Reg(key, "Exp"), "REG_EXPAND_SZ %WINDIR%\\X");
  EXPECT_EQ(Reg(key, "Minus"), "REG_DWORD 4294967295");
  EXPECT_EQ(Reg(key, "Bin"), "REG_BINARY 0d,0c,0b,0a");
  EXPECT_EQ(Reg(key, "NotHex"), "");
  EXPECT_EQ(Reg(key, "Plain"), "REG_SZ (STR)abc");
  EXPECT_EQ(Reg("HKEY_CURRENT_USER\\SOFTWARE\\Scen\\User", ""), "REG_DWORD 31");
  EXPECT_NE(ExportKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Scen\\Empty")
                .find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Scen\\Empty]"),
            std::string::npos);

  // Each entry shows its step text again: one status line per showing.
  EXPECT_EQ(r.Starting("status \"A registry is being set up...\"").size(), 9u) << r.transcript;
  EXPECT_EQ(r.Starting("status \"An initialization file is being set up...\"").size(), 3u);
  EXPECT_EQ(ReadFile("C:\\App\\APP.INI"), "[Settings]\r\nFolder=C:\\App\\\r\n");
  EXPECT_EQ(ReadFile("C:\\WINDOWS\\SCEN.INI"), "[Options]\r\nMode=fast\r\nBlank=\r\n");

  // One shortcut: the desktop one was not wanted. Its file is recorded in the log.
  std::string log = ReadFile("C:\\App\\UNSETUP.INI");
  size_t at = log.find("[DeleteShortCut]\r\nFile1=");
  ASSERT_NE(at, std::string::npos) << log;
  std::string link = log.substr(at + 24, log.find("\r\n", at + 24) - at - 24);
  EXPECT_NE(link.find("\\Scen\\Scen App.lnk"), std::string::npos) << link;
  EXPECT_EQ(log.find("Scen Desk"), std::string::npos);
  // The all-users shortcut: Windows 9x has no common folders and takes the user's own.
  EXPECT_NE(log.find(Windows9x() ? "File2=C:\\WINDOWS\\Start Menu\\Programs\\Scen\\Scen All.lnk"
                                 : "File2=C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\"
                                   "Programs\\Scen\\Scen All.lnk"),
            std::string::npos)
      << log;
  ASSERT_TRUE(Exists(link));
  if (!HaveTool("lnkinfo"))
    GTEST_SKIP() << "lnkinfo is not installed (package liblnk-utils): link contents not checked";
  std::string info;
  ASSERT_EQ(Shell("lnkinfo '" + HostPath(link).string() + "'", &info), 0) << info;
  EXPECT_NE(info.find("C:\\App\\APP.EXE"), std::string::npos) << info;
  EXPECT_NE(info.find("Working directory"), std::string::npos) << info;
  EXPECT_NE(info.find("C:\\App\\WORK\\"), std::string::npos) << info;
  EXPECT_NE(info.find("/first run"), std::string::npos) << info;
}

TEST_F(InstallScenario, SharedCountsNewPresentAndCounted) {
  WriteScript(std::string(kHead) +
              "[CopyFile]\nFile1=(Sys)NEW.DLL,/S\nFile2=(Sys)PRESENT.DLL,/S\n"
              "File3=(Sys)COUNTED.DLL,/s\nFile4=(App)PLAIN.DLL\n");
  for (const char* name : {"NEW.DLL", "PRESENT.DLL", "COUNTED.DLL", "PLAIN.DLL"})
    WriteDist(name, std::string("contents of ") + name);
  PrepareMachine();
  WriteFile("C:\\WINDOWS\\system32\\PRESENT.DLL", "old");
  WriteFile("C:\\WINDOWS\\system32\\COUNTED.DLL", "old");
  const std::string shared = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
  SetReg(shared, "C:\\WINDOWS\\system32\\COUNTED.DLL", "REG_DWORD", "3");
  ASSERT_EQ(Reg(shared, "C:\\WINDOWS\\system32\\COUNTED.DLL"), "REG_DWORD 3");
  RunResult r = Install(std::string(kToApp) + "final tick overwrite\n");
  EXPECT_EQ(r.exitCode, 0) << r.transcript;
  EXPECT_EQ(Reg(shared, "C:\\WINDOWS\\system32\\NEW.DLL"), "REG_DWORD 1");
  EXPECT_EQ(Reg(shared, "C:\\WINDOWS\\system32\\PRESENT.DLL"), "REG_DWORD 2");
  EXPECT_EQ(Reg(shared, "C:\\WINDOWS\\system32\\COUNTED.DLL"), "REG_DWORD 4");
  EXPECT_EQ(Reg(shared, "C:\\App\\PLAIN.DLL"), "");
  std::string log = ReadFile("C:\\App\\UNSETUP.INI");
  EXPECT_NE(log.find("=C:\\WINDOWS\\system32\\COUNTED.DLL,/s\r\n"), std::string::npos) << log;
}

// The whole log of a small package, byte for byte, then a second package into the same folder.
TEST_F(InstallScenario, UninstallLogExactAndMergedOnReinstall) {
  const std::string head = std::string(kHead) +
                           "UnSetupOption=1,0,0,0\n[ProgramID]\nID=ScenApp\n"
                           "[MakeFolder]\nFolder1=(App)DATA\n"
                           "[DeleteRegistry]\nKey1=(Local)SOFTWARE\\Scen\n"
                           "[AddDeleteFile]\nFile1=(App)*.LOG\n";
  WriteScript(head +
              "[CopyFile]\nFile1=(App)A.TXT\nFile2=(App)DATA\\B.DAT,/S\n"
              "[Relate]\nName1=SCN,Scen document\nFile1=open,(App)A.TXT,%1\n");
  WriteDist("A.TXT", "a");
  WriteDist("B.DAT", "b");
  WriteDist("C.TXT", "c");
  PrepareMachine();
  SetReg("HKEY_CLASSES_ROOT\\.SCN", "", "REG_SZ", "oldclass");
  RunResult first = Install(kToApp);
  ASSERT_EQ(first.exitCode, 0) << first.transcript;
  const std::string warning =
      "\x81\x49\x81\x49\x81\x49\x81\x40Warning\x81\x40\x81\x49\x81\x49\x81\x49";
  const std::string top =
      "[Information]\r\nMessage1=Orvane Setup UnSetup(UnInstall) Initialize File\r\n"
      "Message2=" + warning + "\r\n"
      "Message3=Don't rewrite this file on the editor and so on, and don't delete it.\r\n"
      "Message4=When it is rewritten, an UnInstall movement can't be assured.\r\n"
      "[Title]\r\nUnSetup=Scen UnInstall\r\n[SetupFolder]\r\nFolder=C:\\App\\\r\n"
      "[DeleteFolder]\r\nFolder1=C:\\App\\DATA\\\r\n";
  const std::string tail =
      "[DeleteRegistry]\r\nKey1=(Local)SOFTWARE\\Scen\r\n"
      "[AddDeleteFile]\r\nFile1=C:\\App\\*.LOG\r\n";
  const std::string bottom =
      "[UnSetupOption]\r\nCheckBox=1,0,0,0\r\n"
      "[Extend]\r\nSetupString=Install\r\nUnSetupString=UnInstall\r\n"
      "[UnSetupRegistryKey]\r\nKey=SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
      "Scen UnInstall\r\n[ProgramID]\r\nID=ScenApp\r\n";
  EXPECT_EQ(ReadFile("C:\\App\\UNSETUP.INI"),
            top +
                "[DeleteFile]\r\nFile1=C:\\App\\A.TXT\r\nFile2=C:\\App\\DATA\\B.DAT,/S\r\n"
                "File3=C:\\App\\UNSETUP.INI\r\n" +
                tail + "[RestoreRelate]\r\nKey1=SCN,oldclass\r\n" + bottom);
  EXPECT_EQ(Reg("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                "Scen UnInstall",
                "UninstallString"),
            "REG_SZ C:\\WINDOWS\\UNORVANE.EXE \"C:\\App\\UNSETUP.INI\"");
  EXPECT_EQ(ReadFile("C:\\WINDOWS\\ORVANEDB.INI"), "[ScenApp]\r\nFolder=C:\\App\\\r\n");

  // Second package: B.DAT without /S keeps the mark, C.TXT takes the next number after the log,
  // the old association keeps its saved value and a new one is added.
  WriteScript(head +
              "[CopyFile]\nFile1=(App)A.TXT\nFile2=(App)DATA\\B.DAT\nFile3=(App)C.TXT\n"
              "[Relate]\nName1=SCN,Scen document\nFile1=open,(App)A.TXT,%1\n"
              "Name2=SCX\nFile2=open,(App)C.TXT,%1\n");
  RunResult second = Install(std::string(kToApp) + "final tick overwrite\n");
  ASSERT_EQ(second.exitCode, 0) << second.transcript;
  EXPECT_EQ(ReadFile("C:\\App\\UNSETUP.INI"),
            top +
                "[DeleteFile]\r\nFile1=C:\\App\\A.TXT\r\nFile2=C:\\App\\DATA\\B.DAT,/S\r\n"
                "File3=C:\\App\\UNSETUP.INI\r\nFile4=C:\\App\\C.TXT\r\n" +
                tail + "[RestoreRelate]\r\nKey1=SCN,oldclass\r\nKey2=SCX,\r\n" + bottom);
}

TEST_F(InstallScenario, DiskChangesAndCancellingOne) {
  SCENARIO_EMULATED_MACHINE_ONLY(
      "the runner inserts a disk by redefining the distribution drive with DefineDosDevice, which "
      "Wine 8 refuses for a drive it has (183) and, as a raw target, keeps out of file access");
  WriteScript(std::string(kHead) +
              "[CopyFile]\nFile1=(App)D1.TXT\nFile2=(Dch)(App)D2.TXT\nFile3=(Dch)(App)D3.TXT\n");
  WriteDist("D1.TXT", "disk one");
  fs::create_directories(Root() / "disk2");
  fs::create_directories(Root() / "disk3");
  std::ofstream(Root() / "disk2" / "D2.TXT") << "disk two";
  std::ofstream(Root() / "disk3" / "D3.TXT") << "disk three";
  RunResult r = Install(std::string(kToApp) + "disk 2 disk2\ndisk 3 disk3\n");
  EXPECT_EQ(r.exitCode, 0) << r.transcript;
  int two = r.Find("box \"Disk Change\" 0x41 \"Exchange it for the disk of NO.2.\" -> ok");
  int three = r.Find("box \"Disk Change\" 0x41 \"Exchange it for the disk of NO.3.\" -> ok");
  EXPECT_GE(two, 0) << r.transcript;
  EXPECT_GT(three, two);
  EXPECT_EQ(ReadFile("C:\\App\\D1.TXT"), "disk one");
  EXPECT_EQ(ReadFile("C:\\App\\D2.TXT"), "disk two");
  EXPECT_EQ(ReadFile("C:\\App\\D3.TXT"), "disk three");
  // Progress by entry number: the later disks' files were not on the first one.
  EXPECT_EQ(r.Find("Shortage of free capacity"), -1);
  EXPECT_TRUE(r.Has("progress 33%(1/3)")) << r.transcript;

  // No disk rule: the question is cancelled and the run ends there, keeping what it copied.
  RunResult cancel = Install("final folder C:\\Other\\\n");
  EXPECT_EQ(cancel.exitCode, 1602) << cancel.transcript;
  EXPECT_TRUE(cancel.Has("box \"Disk Change\" 0x41 \"Exchange it for the disk of NO.2.\" -> cancel"));
  EXPECT_TRUE(cancel.Has("box \"Fatal Error\" 0x10 \"The Install couldn't be continued.\""));
  EXPECT_EQ(ReadFile("C:\\Other\\D1.TXT"), "disk one");
  EXPECT_FALSE(Exists("C:\\Other\\D2.TXT"));
  EXPECT_FALSE(Exists("C:\\Other\\UNSETUP.INI"));
}

TEST_F(InstallScenario, LockedFileIsReplacedAtRestart) {
  WriteScript(std::string(kHead) +
              "[CopyFile]\nFile1=(App)FREE.TXT\nFile2=(App)LOCK.DAT\n"
              "[ExecuteFile]\nFile=(App)FREE.TXT\n");
  WriteDist("FREE.TXT", "free");
  WriteDist("LOCK.DAT", "new content");
  Age(Dist() / "LOCK.DAT", 3600);  // newer than the destinations written below
  PrepareMachine();
  WriteFile("C:\\App\\LOCK.DAT", "old content");
  {
    std::shared_ptr<void> held = HoldFile("C:\\App\\LOCK.DAT");
    ASSERT_TRUE(held);
    RunResult r = Install(std::string(kToApp) + "final tick overwrite\nrestart yes\n");
    held.reset();
    EXPECT_EQ(r.exitCode, 3010) << r.transcript;
    EXPECT_TRUE(r.Has("restart -> yes"));
    // The restart replaces the completion box and the program start.
    EXPECT_EQ(r.Find("box \"Complete\""), -1);
    EXPECT_EQ(r.Find("open"), -1);
    EXPECT_EQ(ReadFile("C:\\App\\LOCK.DAT"), "new content");
    std::string log = ReadFile("C:\\App\\UNSETUP.INI");
    EXPECT_EQ(log.find("LOCK.DAT"), std::string::npos) << log;
  }

  // Declining the restart leaves the replacement pending until the machine restarts.
  const std::string session =
      "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  WriteFile("C:\\App\\LOCK.DAT", "old again");
  {
    std::shared_ptr<void> held = HoldFile("C:\\App\\LOCK.DAT");
    ASSERT_TRUE(held);
    RunResult r = Install(std::string(kToApp) + "final tick overwrite\nrestart no\n");
    held.reset();
    EXPECT_TRUE(r.Has("restart -> no")) << r.transcript;
    EXPECT_EQ(r.exitCode, 3010);
  }
  EXPECT_EQ(ReadFile("C:\\App\\LOCK.DAT"), "old again");
  // Windows 9x keeps the replacement in WININIT.INI's [rename] section, NT in the registry.
  auto pending = [&] {
    return Windows9x() ? ReadFile("C:\\WINDOWS\\WININIT.INI").find("[rename]") != std::string::npos
                       : Reg(session, "PendingFileRenameOperations") != "";
  };
  EXPECT_TRUE(pending());
  RestartMachine();
  EXPECT_EQ(ReadFile("C:\\App\\LOCK.DAT"), "new content");
  EXPECT_FALSE(pending());
}

TEST_F(InstallScenario, AbortWhileCopyingKeepsFilesAndWritesNoLog) {
  WriteScript(std::string(kHead) +
              "[CopyFile]\nFile1=(App)F1.TXT\nFile2=(App)F2.TXT\nFile3=(App)F3.TXT\n"
              "File4=(App)F4.TXT\n");
  for (const char* name : {"F1.TXT", "F2.TXT", "F3.TXT", "F4.TXT"}) WriteDist(name, name);
  RunResult r = Install(std::string(kToApp) + "abort \"A file is being copied*\" 2\n");
  EXPECT_EQ(r.exitCode, 1602) << r.transcript;
  // Abort at the second file's status: the confirmation, then the notice; the abort test right
  // after that status ends the run before the second file is copied.
  int press = r.Find("action status abort");
  ASSERT_GT(press, r.Find("Copying -> C:\\\\App\\\\F2.TXT")) << r.transcript;
  std::vector<std::string> boxes = r.Starting("box ");
  ASSERT_EQ(boxes.size(), 3u) << r.transcript;  // the folder question, then the two below
  EXPECT_EQ(boxes[1].rfind("box \"中断の確認\" 0x24 \"ここでセットアップを中断すると", 0), 0u);
  EXPECT_NE(boxes[1].find("-> yes"), std::string::npos);
  EXPECT_EQ(boxes[2], "box \"中断\" 0x30 \"セットアップを中断しました．\" -> ok (default)");
  EXPECT_TRUE(Exists("C:\\App\\F1.TXT"));
  EXPECT_FALSE(Exists("C:\\App\\F2.TXT"));
  EXPECT_FALSE(Exists("C:\\App\\F4.TXT"));
  EXPECT_FALSE(Exists("C:\\App\\UNSETUP.INI"));
  EXPECT_EQ(r.Find("box \"Complete\""), -1);

  // Saying no to the confirmation goes on with the installation.
  RunResult on = Install(
      "final folder C:\\Two\\\nabort \"A file is being copied*\" 2\nbox no \"中断の確認\"\n");
  EXPECT_EQ(on.exitCode, 0) << on.transcript;
  EXPECT_TRUE(on.Has("box \"中断の確認\""));
  EXPECT_TRUE(Exists("C:\\Two\\F4.TXT"));
  EXPECT_TRUE(Exists("C:\\Two\\UNSETUP.INI"));
}

TEST_F(InstallScenario, CancelAtFreeSpaceQuestionInstallsNothing) {
  SCENARIO_EMULATED_MACHINE_ONLY("a drive's free space is set on the emulated machine alone");
  WriteScript(std::string(kHead) + "[MakeFolder]\nFolder1=(App)SUB\n[CopyFile]\nFile1=(App)\\BIG.DAT\n");
  WriteDist("BIG.DAT", std::string(4096, 'x'));
  OpenMachine()->SetFreeSpace('C', "1000");
  RunResult space = Install(std::string(kToApp) + "box no \"Shortage of free capacity\"\n");
  EXPECT_EQ(space.exitCode, 1602) << space.transcript;
  EXPECT_TRUE(space.Has(
      "box \"Shortage of free capacity\" 0x24 \"It has the possibility to become an error because "
      "it is short of the free capacity of the disk.\\r\\nDo you continue the Install just like "
      "this?\" -> no"));
  EXPECT_TRUE(space.Has("box \"Cancellation of a Install\" 0x10 \"The Install couldn't be continued.\""));
  EXPECT_FALSE(Exists("C:\\App"));
}

TEST_F(InstallScenario, CancelAtFolderQuestionInstallsNothing) {
  WriteScript(std::string(kHead) + "[MakeFolder]\nFolder1=(App)SUB\n[CopyFile]\nFile1=(App)\\BIG.DAT\n");
  WriteDist("BIG.DAT", std::string(4096, 'x'));
  RunResult folder = Install(std::string(kToApp) + "box no \"Folder Preparation\"\n");
  EXPECT_EQ(folder.exitCode, 1602) << folder.transcript;
  EXPECT_TRUE(folder.Has("box \"Folder Preparation\" 0x24 \"C:\\\\App\\\\\\r\\n\\r\\nThis folder "
                         "doesn't exist. May I make it?\" -> no"));
  EXPECT_FALSE(Exists("C:\\App"));
  EXPECT_EQ(Reg("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                "Scen UnInstall",
                "DisplayName"),
            "");
}

TEST_F(InstallScenario, DemoPackageWithItsAnswers) {
  fs::remove_all(Dist());
  CopyDist(fs::path(ORVANE_EXAMPLES) / "demo");
  RunResult r = Run({Dist().string()}, [&] {
    std::ifstream in(Dist() / "answers.txt");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }());
  EXPECT_EQ(r.exitCode, 0) << r.transcript;
  EXPECT_TRUE(Exists("C:\\Program Files\\Orvane Demo\\DEMO.EXE"));
  EXPECT_TRUE(Exists("C:\\Program Files\\Orvane Demo\\README.TXT"));
  EXPECT_TRUE(Exists("C:\\Program Files\\Orvane Demo\\DOCS\\MANUAL.TXT"));
  EXPECT_TRUE(Exists("C:\\WINDOWS\\system32\\DEMOCTL.DLL"));
  EXPECT_TRUE(Exists("C:\\Program Files\\Orvane Demo\\UNSETUP.INI"));
  EXPECT_EQ(Reg("HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Demo", "Path"),
            "REG_SZ C:\\Program Files\\Orvane Demo");
  EXPECT_NE(Programs().find("Orvane Demo UnInstall"), std::string::npos);
}

// Hostile or broken entries: each ends in its specified result or a failure-log entry, and
// nothing is written outside the machine.
TEST_F(InstallScenario, BadEntriesStayInsideAndDoNotStopTheRun) {
  std::string lz = Compress(kLzText, 'T');
  fs::path sentinel = fs::temp_directory_path() / ("orvane-iscen-sentinel-" + std::to_string(getpid()));
  fs::create_directories(sentinel);
  std::string escape = "C:\\..\\..\\..\\..\\..\\..\\..\\.." + sentinel.string();
  for (char& c : escape)
    if (c == '/') c = '\\';
  std::string relate = "open,(App)GOOD.TXT,%1,second,0";
  for (int i = 6; i <= 30; ++i) relate += ",f" + std::to_string(i);
  std::string script = std::string(kHead) +
                       "[CopyFile]\nFile1=,/S\nFile2=Z:\\X.DAT\nFile3=" + escape +
                       "\\X.DAT\nFile4=(App)GOOD.TXT\n";
  if (!lz.empty()) {
    // A size field below the real length is a lower bound only: the data decides the length.
    // One above it (2 GiB) marks the data as cut short: a failure entry, no file.
    std::string small = lz, big = lz;
    small[10] = 1;
    small[11] = small[12] = small[13] = 0;
    big[10] = big[11] = big[12] = '\xff';
    big[13] = '\x7f';
    WriteDist("SMALL.TX_", small);
    WriteDist("LIE.TX_", big);
    script += "File5=(App)SMALL.TX_|SMALL.TXT\nFile6=(App)LIE.TX_|LIE.TXT\n";
  }
  script += "[IniFile]\nData1=Short,Fields\nData2=Sec,Key,Value,(App)OK.INI\n"
            "[Relate]\nName1=ZZQ\nFile1=" + relate + "\n";
  WriteScript(script);
  WriteDist("X.DAT", "x");
  WriteDist("GOOD.TXT", "good");
  RunResult r = Install(std::string(kToApp) + "box yes \"Warning\"\ndetails continue\n");
  EXPECT_EQ(r.exitCode, 0) << r.transcript;
  EXPECT_TRUE(fs::is_empty(sentinel)) << "a file was written outside the machine";
  fs::remove_all(sentinel);
  EXPECT_EQ(ReadFile("C:\\App\\GOOD.TXT"), "good");
  if (!lz.empty()) {
    EXPECT_EQ(ReadFile("C:\\App\\SMALL.TXT"), kLzText);
    EXPECT_FALSE(Exists("C:\\App\\LIE.TXT"));
    EXPECT_GE(r.Find("<File> C:\\\\App\\\\LIE.TXT\\r\\n"), 0) << r.transcript;
  }
  // The empty file part is a missing source; the unknown drive and the path climbing out of
  // drive C: (folded at its root, as Windows folds it) fail with the system text for error 3.
  EXPECT_GE(r.Find("<File> D:\\\\\\r\\nThe file of the copy cause wasn't found."), 0);
  EXPECT_GE(r.Find("<File> Z:\\\\X.DAT\\r\\n"), 0) << r.transcript;
  EXPECT_EQ(r.Starting("box \"Warning\"").size(), 1u);
  EXPECT_EQ(ReadFile("C:\\App\\OK.INI"), "[Sec]\r\nKey=Value\r\n");
  // Fields after the fifth are ignored.
  EXPECT_EQ(Reg("HKEY_CLASSES_ROOT\\ZZQ_auto_file\\shell\\open\\command", ""),
            "REG_SZ C:\\App\\GOOD.TXT %1 second");
  EXPECT_EQ(Reg("HKEY_CLASSES_ROOT\\ZZQ_auto_file\\DefaultIcon", ""), "REG_SZ C:\\App\\GOOD.TXT,0");
}

TEST_F(InstallScenario, OverlongRegistryKeyIsReportedWithoutHanging) {
  WriteScript(std::string(kHead) + "[CopyFile]\nFile1=(App)GOOD.TXT\n[Registry]\nKey1=(Local)SOFTWARE\\" +
              std::string(2000, 'K') + "\nName1=V\nValue1=(Str)x\n");
  WriteDist("GOOD.TXT", "good");
  RunResult r = Install(kToApp);
  // The registry layer refuses the key: the error is shown, the run stops there and the status
  // window's Abort (the default action) ends the installation as failed.
  EXPECT_EQ(r.exitCode, 1603) << r.transcript;
  int error = r.Find("0x10 \"Failed to create key SOFTWARE\\\\KKKKKKKKKK");
  EXPECT_GE(error, 0) << r.transcript;
  EXPECT_GT(r.Find("action status abort"), error);
  EXPECT_FALSE(Exists("C:\\App\\UNSETUP.INI"));
  EXPECT_EQ(ReadFile("C:\\App\\GOOD.TXT"), "good");
  EXPECT_EQ(ExportKey("HKEY_LOCAL_MACHINE\\SOFTWARE").find("KKKKKKKKKK"), std::string::npos);
}

}  // namespace
}  // namespace orvane::scenario
