// The uninstall as Windows starts it (the Add/Remove Programs entry's command run through
// orvane-run): machine round trips compared by snapshot, shared files, reinstalls, user files,
// protected destinations, tampered and broken logs, the uninstall options, and uninstalls killed
// at every step and finished by running the command again.
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "platform/host/HostRegistry.h"
#include "support/uStrOp.h"
#include "tests/scenarios/Scenario.h"
#include "tests/unit/MachineSnapshot.h"

namespace orvane::scenario {
namespace {

namespace fs = std::filesystem;
using test::Diff;
using test::DiffText;
using test::MachineSnapshot;

const char kSharedDlls[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char kDetailsLine[] =
    "A Install folder couldn't be removed because a file was left in the folder.";

// Answers for an uninstall whose failures are shown and then left behind.
const char kShowDetails[] = "box yes \"Warning\"\ndetails continue\n";

class UninstallScenario : public Scenario {
 protected:
  // A machine folder's drives and registry, without the drive that maps the distribution folder
  // (it is the package's medium, not part of the machine).
  MachineSnapshot SnapshotOf(const fs::path& machineFolder) const {
    auto machine = host::Machine::Open(machineFolder);
    MachineSnapshot snapshot = MachineSnapshot::Take(*machine);
    std::error_code ec;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      fs::path folder = machine->DriveFolder(letter);
      if (folder.empty() || !fs::equivalent(folder, Dist(), ec)) continue;
      std::string prefix = std::string(1, letter) + ":\\";
      std::erase_if(snapshot.files, [&](const auto& e) { return e.first.rfind(prefix, 0) == 0; });
    }
    return snapshot;
  }

  // The expected changes that can happen on this machine: a key that the machine had before
  // (Wine's fresh prefix has more keys than the emulated machine's skeleton) cannot be added.
  static std::vector<std::string> Applicable(const MachineSnapshot& before,
                                             std::vector<std::string> expected) {
    std::erase_if(expected, [&](const std::string& line) {
      if (line.rfind("key added: ", 0) != 0) return false;
      std::string key = MapString(line.substr(11), lcmap::UpperCase);
      for (const auto& [existing, values] : before.registry)
        if (MapString(existing, lcmap::UpperCase) == key) return true;
      return false;
    });
    return expected;
  }

  // A small package: its files in the distribution folder and a script installing them into
  // `folder` under the uninstall title `title`. `extra` is appended to the script as it is;
  // `extend` adds lines to its [Extend] section.
  void Package(const std::string& title, const std::string& folder,
               const std::vector<std::string>& files, const std::string& extra = "",
               const std::string& extend = "") {
    std::string script = "[Title]\nSetup=" + title + " Setup\nUnSetup=" + title +
                         "\nProgram=" + title + "\n[Extend]\nSetupSpeed=1\n" + extend +
                         "[DefaultFolder]\nFolder=" + folder + "\n[CopyFile]\n";
    for (size_t i = 0; i < files.size(); ++i) {
      script += "File" + std::to_string(i + 1) + "=" + files[i] + "\n";
      std::string name = files[i].substr(0, files[i].find(','));
      name = name.substr(name.find_last_of("\\)") + 1);
      WriteDist(name, "content of " + name + "\r\n");
    }
    WriteScript(script + extra);
  }

  RunResult Uninstall(const std::string& entry, const std::string& answers = "") {
    return Run({"--uninstall", entry}, answers);
  }

  // Replaces one value of the installed log (as an editor would, keeping the rest).
  void EditLog(const std::string& log, const std::string& section, const std::string& key,
               const std::string& value) {
    SetIni(log, section, key, value);
  }

  std::string Shared(const std::string& path) const { return Reg(kSharedDlls, path); }
};

// ---------------------------------------------------------------------------------------------

TEST_F(UninstallScenario, DemoRoundTripLeavesOnlyTheUninstallerAndTheProgramDatabase) {
  CopyDist(fs::path(ORVANE_EXAMPLES) / "demo");
  PrepareMachine();  // the machine's skeleton, as a freshly set-up Windows has it
  MachineSnapshot before = Snapshot();

  std::ifstream in(Dist() / "answers.txt");
  std::string answers((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  RunResult install = Install(answers);
  ASSERT_EQ(install.exitCode, 0) << install.transcript;
  EXPECT_NE(Programs()
                .find("Orvane Demo UnInstall\tOrvane Demo UnInstall\t"
                      "C:\\WINDOWS\\UNORVANE.EXE \"C:\\Program Files\\Orvane "
                      "Demo\\UNSETUP.INI\""),
            std::string::npos);
  EXPECT_EQ(Shared("C:\\WINDOWS\\system32\\DEMOCTL.DLL"), "REG_DWORD 1");
  // A file the program itself made while it was used: [AddDeleteFile] takes it.
  WriteFile("C:\\Program Files\\Orvane Demo\\DEMO.INI", "[Settings]\r\nRuns=3\r\n");

  RunResult r = Uninstall("Orvane Demo UnInstall", "shared yes\n");
  ASSERT_EQ(r.exitCode, 0) << r.transcript;
  EXPECT_EQ(r.lines.front(),
            "uninstall \"Orvane Demo UnInstall\" command \"C:\\\\WINDOWS\\\\UNORVANE.EXE "
            "\\\"C:\\\\Program Files\\\\Orvane Demo\\\\UNSETUP.INI\\\"\"");
  EXPECT_TRUE(
      r.Has("page uninstall window=\"Orvane Demo UnInstall\" start=\"Start UnInstall(&S)\" "
            "exit=\"Exit UnInstall(&E)\" folder=\"C:\\\\Program Files\\\\Orvane Demo\\\\\" "
            "options=\"UnInstall Option\" option1=\"*.INI File\":on"))
      << r.transcript;
  EXPECT_EQ(r.Starting("shared ").size(), 1u);
  EXPECT_TRUE(r.Starting("box ").size() == 1 &&
              r.Has("box \"Complete\" 0x40 \"UnInstall is now complete.\" -> ok"))
      << "no failures, so no details question\n"
      << r.transcript;
  EXPECT_EQ(Programs().find("Orvane Demo"), std::string::npos);

  // What stays by design: the uninstaller shared by every installation, the program database
  // without the program's section, and the empty parent keys the install made that no log lists
  // (the classes root view's key, the shared counts, the programs list, the vendor's key).
  std::vector<std::string> expected = {
      "file added: C:\\WINDOWS\\ORVANEDB.INI",
      "file added: C:\\WINDOWS\\UNORVANE.EXE",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall]",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane]",
  };
  EXPECT_EQ(Diff(before, Snapshot()), Applicable(before, expected)) << DiffText(before, Snapshot());
  // ORVANEDB.INI keeps its file but loses the program's section.
  std::string db = ReadFile("C:\\WINDOWS\\ORVANEDB.INI");
  EXPECT_EQ(db.find("OrvaneDemo"), std::string::npos) << db;
}

// ---------------------------------------------------------------------------------------------
// Shared files.

TEST_F(UninstallScenario, SharedComponentStaysUntilItsLastUserGoes) {
  const std::string dll = "C:\\WINDOWS\\system32\\SHARED.DLL";
  PrepareMachine();
  MachineSnapshot before = Snapshot();
  Package("First UnInstall", "C:\\First\\", {"(App)\\FIRST.EXE", "(Sys)\\SHARED.DLL,/S"});
  ASSERT_EQ(Install().exitCode, 0);
  Package("Second UnInstall", "C:\\Second\\", {"(App)\\SECOND.EXE", "(Sys)\\SHARED.DLL,/S"});
  ASSERT_EQ(Install().exitCode, 0);
  ASSERT_EQ(Shared(dll), "REG_DWORD 2");

  RunResult first = Uninstall("First UnInstall", "shared yes\n");
  EXPECT_EQ(first.exitCode, 0) << first.transcript;
  EXPECT_TRUE(first.Starting("shared ").empty()) << first.transcript;
  EXPECT_EQ(Shared(dll), "REG_DWORD 1");
  EXPECT_TRUE(Exists(dll));
  EXPECT_FALSE(Exists("C:\\First"));
  EXPECT_TRUE(Exists("C:\\Second\\SECOND.EXE"));

  RunResult second = Uninstall("Second UnInstall", "shared yes\n");
  EXPECT_EQ(second.exitCode, 0) << second.transcript;
  ASSERT_EQ(second.Starting("shared ").size(), 1u) << second.transcript;
  EXPECT_EQ(second.Starting("shared ")[0],
            "shared \"C:\\\\WINDOWS\\\\system32\\\\SHARED.DLL\\r\\n\\r\\nI don't have this common "
            "file used by every program at present.\\r\\nBut, it has the possibility that it will "
            "be used by the program from now on.\\r\\nMay I delete this file?\" -> yes");
  EXPECT_FALSE(Exists(dll));
  EXPECT_EQ(Shared(dll), "");
  // No program identifier: no program database. The count's key and the list's key stay.
  std::vector<std::string> expected = {
      "file added: C:\\WINDOWS\\UNORVANE.EXE",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall]",
  };
  EXPECT_EQ(Diff(before, Snapshot()), Applicable(before, expected)) << DiffText(before, Snapshot());
}

TEST_F(UninstallScenario, AllSaveAndAllDeleteAnswerEveryLaterSharedFile) {
  const std::vector<std::string> names = {"ONE.DLL", "TWO.DLL", "THREE.OCX"};
  struct Case {
    const char* answers;
    size_t dialogs;
    bool deleted;
  } cases[] = {{"shared all-save\n", 1, false},
               {"shared all-delete\n", 1, true},
               {"shared yes\n", 3, true},
               {"shared no once\nshared all-delete\n", 2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers);
    ResetMachine();
    Package("Trio UnInstall", "C:\\Trio\\",
            {"(App)\\TRIO.EXE", "(Sys)\\ONE.DLL,/S", "(Sys)\\TWO.DLL,/S/R", "(Sys)\\THREE.OCX,/s"});
    ASSERT_EQ(Install().exitCode, 0);
    RunResult r = Uninstall("Trio UnInstall", c.answers);
    EXPECT_EQ(r.exitCode, 0) << r.transcript;
    EXPECT_EQ(r.Starting("shared ").size(), c.dialogs) << r.transcript;
    for (size_t i = 0; i < names.size(); ++i) {
      std::string path = "C:\\WINDOWS\\system32\\" + names[i];
      // The first file answered "No" alone stays in the last case.
      bool kept = !c.deleted || (c.dialogs == 2 && i == 0);
      EXPECT_EQ(Exists(path), kept) << path;
      EXPECT_EQ(Shared(path), "") << "the count reached 0: " << path;
    }
    EXPECT_FALSE(Exists("C:\\Trio"));
  }
}

// ---------------------------------------------------------------------------------------------
// Reinstalls, user files and the uninstall options.

TEST_F(UninstallScenario, ReinstallThenOneUninstallRemovesBothAndRestoresTheAssociation) {
  SetReg("HKEY_CLASSES_ROOT\\.txt", "", "REG_SZ", "txtfile");
  SetReg("HKEY_CLASSES_ROOT\\txtfile", "", "REG_SZ", "Text Document");
  MachineSnapshot before = Snapshot();
  Package("Notes UnInstall", "C:\\Notes\\", {"(App)\\NOTES.EXE"});
  ASSERT_EQ(Install().exitCode, 0);
  Package("Notes UnInstall", "C:\\Notes\\", {"(App)\\NOTES.EXE", "(App)\\HELP.TXT"},
          "[Relate]\nName1=txt,Notes text\nFile1=open,(App)NOTES.EXE,%1\n");
  RunResult second = Install();
  ASSERT_EQ(second.exitCode, 0) << second.transcript;
  EXPECT_EQ(Reg("HKEY_CLASSES_ROOT\\.txt", ""), "REG_SZ txt_auto_file");
  std::string log = ReadFile("C:\\Notes\\UNSETUP.INI");
  EXPECT_NE(log.find("File1=C:\\Notes\\NOTES.EXE\r\nFile2=C:\\Notes\\UNSETUP.INI\r\n"
                     "File3=C:\\Notes\\HELP.TXT\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Key1=txt,txtfile\r\n"), std::string::npos) << log;

  RunResult r = Uninstall("Notes UnInstall");
  ASSERT_EQ(r.exitCode, 0) << r.transcript;
  EXPECT_TRUE(r.Starting("box ").size() == 1) << r.transcript;
  EXPECT_EQ(Reg("HKEY_CLASSES_ROOT\\.txt", ""), "REG_SZ txtfile");
  EXPECT_EQ(Reg("HKEY_CLASSES_ROOT\\txtfile", ""), "REG_SZ Text Document");
  std::vector<std::string> expected = {
      "file added: C:\\WINDOWS\\UNORVANE.EXE",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall]",
  };
  EXPECT_EQ(Diff(before, Snapshot()), Applicable(before, expected)) << DiffText(before, Snapshot());
}

TEST_F(UninstallScenario, UsersOwnFileKeepsTheFolderUnlessDeleteAllIsTicked) {
  Package("Tool UnInstall", "C:\\Tool\\", {"(App)\\TOOL.EXE"});
  ASSERT_EQ(Install().exitCode, 0);
  WriteFile("C:\\Tool\\MINE.DOC", "my own work");
  RunResult kept = Uninstall("Tool UnInstall", kShowDetails);
  EXPECT_EQ(kept.exitCode, 0) << kept.transcript;
  EXPECT_FALSE(Exists("C:\\Tool\\TOOL.EXE"));
  EXPECT_FALSE(Exists("C:\\Tool\\UNSETUP.INI"));
  EXPECT_EQ(ReadFile("C:\\Tool\\MINE.DOC"), "my own work");
  EXPECT_TRUE(
      kept.Has("box \"Warning\" 0x34 \"Some of the management failed in the "
               "UnInstall.\\r\\nDo you indicate details?\" -> yes"))
      << kept.transcript;
  EXPECT_TRUE(kept.Has(std::string("<SetupFolder> C:\\\\Tool\\\\\\r\\n") + kDetailsLine +
                       "\\r\\nDelete it from Explorer and so on directly.\\r\\n"))
      << kept.transcript;
  EXPECT_LT(kept.Find("action details continue"), kept.Find("box \"Complete\""));

  // Answering No to the details question goes straight on to the completion.
  Install();
  RunResult quiet = Uninstall("Tool UnInstall", "box no \"Warning\"\n");
  EXPECT_EQ(quiet.exitCode, 0);
  EXPECT_FALSE(quiet.Has("<SetupFolder>")) << quiet.transcript;
  EXPECT_FALSE(quiet.Has("page details")) << quiet.transcript;

  // With DeleteAll every file and folder below the destination goes, without a failure.
  Package("Tool UnInstall", "C:\\Tool\\", {"(App)\\TOOL.EXE"}, "", "UnSetupOption=DeleteAll\n");
  ASSERT_EQ(Install().exitCode, 0);
  WriteFile("C:\\Tool\\Sub\\Deeper\\NOTE.TXT", "more work");
  RunResult all = Uninstall("Tool UnInstall");
  EXPECT_EQ(all.exitCode, 0) << all.transcript;
  EXPECT_TRUE(all.Has("option1=\"All files and folder under Destination Directory\":on"))
      << all.transcript;
  EXPECT_FALSE(all.Has("box \"Warning\"")) << all.transcript;
  EXPECT_FALSE(Exists("C:\\Tool"));
}

TEST_F(UninstallScenario, IniOptionDecidesOverTheUsersIniFile) {
  Package("Ini UnInstall", "C:\\IniApp\\", {"(App)\\INIAPP.EXE"}, "", "UnSetupOption=1,0,0,0\n");
  ASSERT_EQ(Install().exitCode, 0);
  WriteFile("C:\\IniApp\\USER.INI", "[Window]\r\nLeft=10\r\n");
  RunResult unticked =
      Uninstall("Ini UnInstall", std::string("uninstall untick option1\n") + kShowDetails);
  EXPECT_TRUE(unticked.Has("option1=\"*.INI File\":on")) << unticked.transcript;
  EXPECT_TRUE(unticked.Has("action uninstall untick option1")) << unticked.transcript;
  EXPECT_TRUE(Exists("C:\\IniApp\\USER.INI"));
  EXPECT_FALSE(Exists("C:\\IniApp\\INIAPP.EXE"));
  EXPECT_TRUE(unticked.Has(kDetailsLine)) << unticked.transcript;

  ASSERT_EQ(Install().exitCode, 0);
  RunResult ticked = Uninstall("Ini UnInstall");
  EXPECT_EQ(ticked.exitCode, 0);
  EXPECT_FALSE(ticked.Has("box \"Warning\"")) << ticked.transcript;
  EXPECT_FALSE(Exists("C:\\IniApp"));
}

// ---------------------------------------------------------------------------------------------
// Destinations that must never be removed.

TEST_F(UninstallScenario, ProtectedDestinationsAreNeverRemoved) {
  const char* sentinels[] = {"C:\\WINDOWS\\KEEP.INI", "C:\\WINDOWS\\system32\\KEEP.INI",
                             "C:\\Program Files\\KEEP.INI", "C:\\KEEP.INI", "C:\\Users\\KEEP.INI"};
  struct Case {
    const char* folder;
    const char* extend;
    bool fatal;
  } cases[] = {
      {"C:\\WINDOWS\\", "", false},
      {"C:\\WINDOWS\\", "UnSetupOption=DeleteAll\n", false},
      {"c:\\windows\\system32\\", "UnSetupOption=DeleteAll\n", false},
      {"C:\\Program Files\\", "UnSetupOption=1,0,0,0\n", false},
      {"C:\\Program Files", "UnSetupOption=DeleteAll\n", false},
      {"C:\\Users\\", "UnSetupOption=DeleteAll\n", false},  // holds the temporary folder
      {"C:\\", "UnSetupOption=DeleteAll\n", true},
      {"C:", "UnSetupOption=DeleteAll\n", true},
      {"\\", "UnSetupOption=DeleteAll\n", true},
      {"", "UnSetupOption=DeleteAll\n", true},
      {"Guard\\", "UnSetupOption=DeleteAll\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("destination '") + c.folder + "' " + c.extend);
    Package("Guard UnInstall", "C:\\Guard\\", {"(App)\\GUARD.EXE"}, "", c.extend);
    ASSERT_EQ(Install().exitCode, 0);
    for (const char* s : sentinels) WriteFile(s, "keep");
    EditLog("C:\\Guard\\UNSETUP.INI", "SetupFolder", "Folder", c.folder);
    MachineSnapshot before = Snapshot();
    RunResult r = Uninstall("Guard UnInstall");
    for (const char* s : sentinels) EXPECT_EQ(ReadFile(s), "keep") << s;
    EXPECT_TRUE(Exists("C:\\WINDOWS\\UNORVANE.EXE"));
    if (c.fatal) {
      EXPECT_EQ(r.exitCode, 1603) << r.transcript;
      EXPECT_TRUE(
          r.Has("box \"Fatal Error\" 0x10 \"An UnInstall folder isn't clear.\\r\\nThe "
                "UnInstall can't be continued.\""))
          << r.transcript;
      EXPECT_EQ(DiffText(before, Snapshot()), "") << "nothing removed";
      // The installation is still whole: clear it for the next case.
      EditLog("C:\\Guard\\UNSETUP.INI", "SetupFolder", "Folder", "C:\\Guard\\");
      ASSERT_EQ(Uninstall("Guard UnInstall").exitCode, 0);
    } else {
      EXPECT_EQ(r.exitCode, 0) << r.transcript;
      EXPECT_FALSE(r.Has("<SetupFolder>")) << r.transcript;
      EXPECT_FALSE(r.Has("box \"Warning\"")) << "no failure entry\n" << r.transcript;
      EXPECT_FALSE(Exists("C:\\Guard\\GUARD.EXE"));
      // Every file the machine had stays, apart from what the log lists.
      for (const std::string& line : Diff(before, Snapshot()))
        EXPECT_TRUE(line.rfind("file removed: C:\\Guard\\", 0) == 0 ||
                    line.rfind("key removed: ", 0) == 0 || line.rfind("value removed: ", 0) == 0)
            << line;
    }
    EXPECT_EQ(Programs().find("Guard UnInstall"), std::string::npos);
    RemoveFromMachine("C:\\Guard");
  }
}

// ---------------------------------------------------------------------------------------------
// Tampered and broken logs.

// Host files outside the machine folder that no log value may reach.
class Outside {
 public:
  explicit Outside(const fs::path& root)
      : folder_(root / "outside"),
        tmpFile_(fs::temp_directory_path() /
                 ("orvane-sentinel-" + std::to_string(::getpid()) + ".txt")) {
    fs::create_directories(folder_ / "sub");
    for (const fs::path& f : Files()) std::ofstream(f) << "sentinel";
  }
  ~Outside() { fs::remove(tmpFile_); }
  std::vector<fs::path> Files() const {
    return {folder_ / "SENT.TXT", folder_ / "SENT.INI", folder_ / "sub" / "SENT2.TXT", tmpFile_};
  }
  std::string TmpName() const { return tmpFile_.filename().string(); }
  std::string TmpHostPath() const { return tmpFile_.string(); }
  std::string HostFolder() const { return folder_.string(); }
  // Every sentinel still there with its content.
  std::string Damage() const {
    std::string text;
    for (const fs::path& f : Files()) {
      std::ifstream in(f);
      std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (content != "sentinel") text += f.string() + " was touched\n";
    }
    return text;
  }

 private:
  fs::path folder_, tmpFile_;
};

TEST_F(UninstallScenario, TamperedLogTouchesNothingOutsideTheMachine) {
  Outside outside(Root());
  Package("Tamper UnInstall", "C:\\Tamper\\", {"(App)\\TAMPER.EXE"}, "", "UnSetupOption=1,1,0,0\n");
  ASSERT_EQ(Install().exitCode, 0);
  SetReg("HKEY_CLASSES_ROOT\\.exe", "", "REG_SZ", "exefile");
  CreateRegKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamper\\Data");
  // Values reaching out: "..", other drives, network paths, host paths, wildcards; then keys
  // that name roots or the system's own keys, and lines that are no INI lines at all.
  std::string up;
  std::vector<std::string> outsidePaths;
  for (int depth = 1; depth <= 6; ++depth) {
    up += "..\\";
    outsidePaths.push_back("C:\\" + up + outside.TmpName());
    outsidePaths.push_back("C:\\" + up + "tmp\\" + outside.TmpName());
    outsidePaths.push_back("C:\\" + up + "outside\\SENT.TXT");
    outsidePaths.push_back("C:\\Tamper\\" + up + "outside\\*.*");
  }
  outsidePaths.insert(outsidePaths.end(),
                      {outside.TmpHostPath(), outside.HostFolder() + "/SENT.TXT",
                       outside.HostFolder() + "/*", "Z:\\x", "\\\\server\\share\\x",
                       "\\\\?\\" + outside.TmpHostPath(), "C:" + outside.TmpHostPath()});
  std::string log =
      "garbage before any section\r\n[Title]\r\nUnSetup=Tamper UnInstall\r\n"
      "[SetupFolder]\r\nFolder=C:\\Tamper\\\r\n[DeleteFolder]\r\n";
  std::vector<std::string> folders = {"C:\\..\\..\\outside\\sub\\", "C:\\..\\..\\outside\\",
                                      outside.HostFolder() + "/",   "Z:\\x\\",
                                      "\\\\server\\share\\x\\",     "C:\\*\\"};
  for (size_t i = 0; i < folders.size(); ++i)
    log += "Folder" + std::to_string(i + 1) + "=" + folders[i] + "\r\n";
  log += "[DeleteFile]\r\nFile1=C:\\Tamper\\TAMPER.EXE\r\n";
  int n = 2;
  for (const std::string& path : outsidePaths)
    log += "File" + std::to_string(n++) + "=" + path + ",/F\r\n";
  log += "File" + std::to_string(n++) + "=C:\\Tamper\\UNSETUP.INI\r\n";
  log += "this line has no equals sign\r\n\x01\x02\xff\xfe=\x80\r\n[unclosed section\r\n";
  log += "[AddDeleteFile]\r\n";
  n = 1;
  for (const std::string& path : outsidePaths)
    log += "File" + std::to_string(n++) + "=" + path + "\r\n";
  log +=
      "[DeleteShortCut]\r\nFile1=C:\\..\\..\\outside\\SENT.TXT\r\nFile2=" + outside.HostFolder() +
      "/SENT.INI\r\nFile3=C:\\..\\..\\outside\\*.INI\r\n";
  log +=
      "[DeleteRegistry]\r\nKey1=(Local)\r\nKey2=(Class)\r\nKey3=(Local)SOFTWARE\r\n"
      "Key4=(Local)SOFTWARE\\Microsoft\r\nKey5=(Cuser)..\\..\\Software\r\nKey6=\\\\\\\r\n"
      "Key7=(Class).exe\r\nKey8=(Local)SOFTWARE\\Classes\\CLSID\r\nKey9=(Users)\r\n"
      "Key10=(Local)SOFTWARE\\Tamper\r\n"
      "[RestoreRelate]\r\nKey1=..\\..\\SOFTWARE,x\r\nKey2=exe,\r\nKey3=,\r\n"
      "[UnSetupRegistryKey]\r\n"
      "Key=SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tamper UnInstall\r\n";
  WriteFile("C:\\Tamper\\UNSETUP.INI", log);
  MachineSnapshot before = Snapshot();

  RunResult r = Uninstall("Tamper UnInstall", kShowDetails);
  EXPECT_EQ(outside.Damage(), "");
  EXPECT_EQ(r.exitCode, 0) << r.transcript;
  EXPECT_TRUE(
      r.Has("<File> C:\\\\..\\\\..\\\\outside\\\\SENT.TXT\\r\\nThis isn't a full path on "
            "a drive, so it wasn't deleted."))
      << r.transcript;
  EXPECT_TRUE(r.Has("<Folder> \\\\\\\\server")) << r.transcript;
  EXPECT_TRUE(r.Has("<Registry> HKEY_LOCAL_MACHINE\\\\SOFTWARE\\r\\n")) << r.transcript;
  EXPECT_TRUE(r.Has("<Registry> HKEY_CLASSES_ROOT\\\\.exe")) << r.transcript;
  EXPECT_EQ(Reg("HKEY_CLASSES_ROOT\\.exe", ""), "REG_SZ exefile");
  // Only the installation's own file, log, folder and keys went.
  std::vector<std::string> expected = {
      "folder removed: C:\\Tamper",
      "file removed: C:\\Tamper\\TAMPER.EXE",
      "file removed: C:\\Tamper\\UNSETUP.INI",
      "key removed: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
      "Tamper UnInstall]",
      "key removed: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamper\\Data]",
      "key removed: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamper]",
  };
  std::vector<std::string> diff = Diff(before, Snapshot());
  std::erase_if(diff, [](const std::string& l) {
    return l.find("DisplayName") != std::string::npos ||
           l.find("UninstallString") != std::string::npos;
  });
  EXPECT_EQ(diff, expected) << DiffText(before, Snapshot());

  // Destinations outside the machine end the run at once.
  for (const std::string& folder :
       {std::string("C:\\..\\..\\outside\\"), outside.HostFolder() + "/",
        std::string("\\\\server\\share\\"), std::string("C:\\Tamper\\..\\..\\..\\outside\\")}) {
    SCOPED_TRACE(folder);
    ASSERT_EQ(Install().exitCode, 0);
    EditLog("C:\\Tamper\\UNSETUP.INI", "SetupFolder", "Folder", folder);
    EditLog("C:\\Tamper\\UNSETUP.INI", "UnSetupOption", "CheckBox", "DeleteAll");
    MachineSnapshot kept = Snapshot();
    RunResult fatal = Uninstall("Tamper UnInstall");
    EXPECT_EQ(fatal.exitCode, 1603) << fatal.transcript;
    EXPECT_TRUE(fatal.Has("box \"Fatal Error\" 0x10")) << fatal.transcript;
    EXPECT_EQ(DiffText(kept, Snapshot()), "");
    EXPECT_EQ(outside.Damage(), "");
    EditLog("C:\\Tamper\\UNSETUP.INI", "SetupFolder", "Folder", "C:\\Tamper\\");
    ASSERT_EQ(Uninstall("Tamper UnInstall").exitCode, 0);
  }
}

TEST_F(UninstallScenario, BrokenLogsGiveDefinedResults) {
  PrepareMachine();
  // A log that is not there: the error screen.
  RunResult missing = Run({"--log", "C:\\Nowhere\\UNSETUP.INI"}, "error exit\nbox yes *\n");
  EXPECT_TRUE(missing.Has("page error")) << missing.transcript;
  EXPECT_EQ(missing.exitCode, 1603);

  // A log without a destination, and one of binary garbage: the run stops at the destination.
  WriteFile("C:\\Empty\\UNSETUP.INI",
            "[SetupFolder]\r\nFolder=\r\n[DeleteFile]\r\n"
            "File1=C:\\Empty\\UNSETUP.INI\r\n");
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 37 + i / 7) & 0xFF));
  WriteFile("C:\\Junk\\UNSETUP.INI", garbage);
  for (const char* log : {"C:\\Empty\\UNSETUP.INI", "C:\\Junk\\UNSETUP.INI"}) {
    SCOPED_TRACE(log);
    RunResult r = Run({"--log", log});
    EXPECT_EQ(r.exitCode, 1603) << r.transcript;
    EXPECT_TRUE(r.Has("box \"Fatal Error\" 0x10")) << r.transcript;
    EXPECT_TRUE(Exists(log));
  }

  // Odd option letters: only /C, /L, /F and /S mean anything, in any letter case.
  WriteFile("C:\\Odd\\A.TXT", "a");
  WriteFile("C:\\Odd\\B.TXT", "b");
  WriteFile("C:\\Odd\\C.TXT", "c");
  WriteFile("C:\\Odd\\D.TXT", "d");
  WriteFile("C:\\Odd\\E.DLL", "e");
  // 100 nested keys; the log names the 99th, which goes with its one subkey.
  std::string deep = "Software\\Deep";
  {
    std::string key = deep;
    for (int i = 1; i <= 100; ++i) key += "\\L" + std::to_string(i);
    CreateRegKey("HKEY_CURRENT_USER\\" + key);
  }
  std::string key99 = deep;
  for (int i = 1; i <= 99; ++i) key99 += "\\L" + std::to_string(i);
  WriteFile("C:\\Odd\\UNSETUP.INI",
            "[SetupFolder]\r\nFolder=C:\\Odd\\\r\n[DeleteFile]\r\nFile1=C:\\Odd\\A.TXT,/Z/Q/\r\n"
            "File2=C:\\Odd\\B.TXT,,,,/S\r\nFile3=C:\\Odd\\C.TXT,/r/l\r\n"
            "File4=C:\\Odd\\D.TXT,/f/c\r\nFile5=C:\\Odd\\E.DLL,/s/S\r\n"
            "File6=C:\\Odd\\GONE.TXT,/\r\nFile7=C:\\Odd\\UNSETUP.INI\r\n"
            "[DeleteRegistry]\r\nKey1=(Cuser)" +
                key99 + "\r\nKey2=(Cuser)" + key99 + "\\NotThere\\" + "\r\n");
  RunResult odd =
      Run({"--log", "C:\\Odd\\UNSETUP.INI"},
          std::string("box no \"The confirmation of the file deletion\"\n") + kShowDetails);
  EXPECT_EQ(odd.exitCode, 0) << odd.transcript;
  EXPECT_FALSE(Exists("C:\\Odd\\A.TXT"));
  EXPECT_FALSE(Exists("C:\\Odd\\B.TXT"));
  EXPECT_TRUE(Exists("C:\\Odd\\C.TXT")) << "/l leaves the file";
  EXPECT_TRUE(Exists("C:\\Odd\\D.TXT")) << "/c asks first; the answer was No";
  EXPECT_FALSE(Exists("C:\\Odd\\E.DLL")) << "a DLL outside Windows goes without a question";
  EXPECT_EQ(odd.Starting("box \"The confirmation of the file deletion\"").size(), 1u)
      << odd.transcript;
  // A file already gone is reported with the system's text in full-width characters.
  EXPECT_TRUE(
      odd.Has("<File> C:\\\\Odd\\\\GONE.TXT\\r\\nＴｈｅ　ｓｙｓｔｅｍ　ｃａｎｎｏｔ　ｆｉｎｄ　"
              "ｔｈｅ　ｆｉｌｅ　ｓｐｅｃｉｆｉｅｄ\\r\\n"))
      << odd.transcript;
  EXPECT_TRUE(odd.Has(kDetailsLine)) << odd.transcript;
  EXPECT_TRUE(Exists("C:\\Odd"));
  EXPECT_FALSE(KeyExists("HKEY_CURRENT_USER\\" + key99));
  EXPECT_TRUE(KeyExists("HKEY_CURRENT_USER\\" + deep + "\\L1\\L2\\L3"));
  std::string key98 = key99.substr(0, key99.rfind('\\'));
  EXPECT_TRUE(KeyExists("HKEY_CURRENT_USER\\" + key98));
}

// An entry that is not there, or has no uninstall command, gives msiexec's "unknown product" (the
// process status is the code modulo 256), from the runner and from the desktop program alike.
TEST_F(UninstallScenario, UnknownEntryGivesUnknownProduct) {
  PrepareMachine();
  SetReg("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Commandless",
         "DisplayName", "REG_SZ", "Commandless");
  for (const char* name : {"No Such Program", "Commandless"}) {
    SCOPED_TRACE(name);
    RunResult r = Uninstall(name);
    EXPECT_EQ(r.lines, std::vector<std::string>{"exit 1605"}) << r.transcript;
    EXPECT_NE(r.errors.find("no Add/Remove Programs entry named '" + std::string(name) + "'"),
              std::string::npos)
        << r.errors;
  }
  if (OnWine()) return;
  std::vector<std::string> tools = {std::string(ORVANE_RUN_PATH)};
#ifdef ORVANE_SETUP_PATH
  tools.push_back(std::string(ORVANE_SETUP_PATH) + " /quiet");
#endif
  for (const std::string& tool : tools)
    EXPECT_EQ(Shell(tool + " --machine '" + MachineFolder().string() +
                    "' --uninstall 'No Such Program' 2>/dev/null"),
              1605 % 256)
        << tool;
}

// ---------------------------------------------------------------------------------------------
// Uninstalls killed midway.

// The system calls by which a run changes which files and folders the machine holds. The files
// a run writes are either put in place by a rename (registry, INI files) or are the copies in its
// new work folder, so these are the points at which a kill can leave a different machine. strace
// skips a "?" name that the architecture lacks.
const char kMutatingCalls[] =
    "?unlink,?unlinkat,?rename,?renameat,?renameat2,?rmdir,?mkdir,?mkdirat,?link,?linkat";

// One mutating call of a traced run: its name, which call of that name it is, and its line with
// the process number and the machine folder taken out, so that runs on copies compare.
struct Mutation {
  std::string call;
  int nth = 0;
  std::string text;
};

std::vector<Mutation> Mutations(const fs::path& trace, const fs::path& machine) {
  static const std::regex line(R"(^([0-9]+) +([a-z0-9_]+)\((.*)$)");
  std::vector<Mutation> found;
  std::map<std::string, int> counts;
  std::ifstream in(trace);
  std::smatch m;
  for (std::string text; std::getline(in, text);) {
    if (!std::regex_match(text, m, line)) continue;
    std::string call = m[2], rest = m[3];
    rest = rest.substr(0, rest.rfind(") = "));
    for (size_t at; (at = rest.find(machine.string())) != std::string::npos;)
      rest.replace(at, machine.string().size(), "M");
    // Temporary files are named after the process.
    for (size_t at; (at = rest.find(m[1].str())) != std::string::npos;)
      rest.replace(at, m[1].length(), "PID");
    found.push_back({call, ++counts[call], call + "(" + rest + ")"});
  }
  return found;
}

// A copy of an installed machine. The uninstaller copy is large and is only ever read, so it is
// linked instead.
void CopyMachine(const fs::path& from, const fs::path& to) {
  fs::remove_all(to);
  fs::create_directories(to);
  for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator();
       ++it) {
    fs::path target = to / fs::relative(it->path(), from);
    if (it->is_directory())
      fs::create_directories(target);
    else if (it->path().filename() == "UNORVANE.EXE")
      fs::create_hard_link(it->path(), target);
    else
      fs::copy(it->path(), target, fs::copy_options::copy_symlinks);
  }
}

TEST_F(UninstallScenario, UninstallKilledAtAnyStepIsFinishedByItsCommand) {
  SCENARIO_EMULATED_MACHINE_ONLY(
      "the kill points are the Linux runner's system calls traced with strace; under Wine the "
      "registry is written by wineserver, another process, so a kill there is no killed run");
  if (Shell("strace -f -o /dev/null true") != 0)
    GTEST_SKIP() << "strace is missing or cannot trace processes here";
  // A package installed twice: the second install adds files after the log's own entry, so the
  // merged log lists UNSETUP.INI in the middle of [DeleteFile]. One shared component ends with
  // a count of 2 (it stays), one that only the second install brings with 1 (it goes); an
  // association replaced an older one; the user left an INI file that the *.INI option takes.
  const std::string entry =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kill UnInstall";
  SetReg("HKEY_CLASSES_ROOT\\.kil", "", "REG_SZ", "oldfile");
  const std::string extra =
      "[ProgramID]\nID=KillApp\n[MakeFolder]\nFolder1=(App)DATA\n"
      "[ShortCut]\nMake1=(App)KILL.EXE\nName1=(Sta)Kill\\Kill\n"
      "[Registry]\nKey1=(Local)SOFTWARE\\KillVendor\\Kill\nName1=Path\nValue1=(Str)(App)\n"
      "[Relate]\nName1=KIL,Kill document\nFile1=open,(App)KILL.EXE,%1\n"
      "[DeleteRegistry]\nKey1=(Local)SOFTWARE\\KillVendor\\Kill\n";
  std::vector<std::string> files = {"(App)\\KILL.EXE", "(App)DATA\\HELP.TXT",
                                    "(Sys)\\KSHARED.DLL,/S"};
  Package("Kill UnInstall", "C:\\Kill\\", files, extra, "UnSetupOption=1,0,0,0\n");
  ASSERT_EQ(Install().exitCode, 0);
  files.insert(files.end(), {"(App)\\NEWS.TXT", "(Sys)\\KONLY.DLL,/S"});
  Package("Kill UnInstall", "C:\\Kill\\", files, extra, "UnSetupOption=1,0,0,0\n");
  ASSERT_EQ(Install().exitCode, 0);
  WriteFile("C:\\Kill\\USER.INI", "[Window]\r\nLeft=10\r\n");
  const std::string log = ReadFile("C:\\Kill\\UNSETUP.INI");
  ASSERT_LT(log.find("UNSETUP.INI"), log.find("NEWS.TXT")) << log;
  ASSERT_TRUE(
      Exists("C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start "
             "Menu\\Programs\\Kill\\Kill.lnk"));
  ASSERT_EQ(Shared("C:\\WINDOWS\\system32\\KSHARED.DLL"), "REG_DWORD 2");
  ASSERT_EQ(Shared("C:\\WINDOWS\\system32\\KONLY.DLL"), "REG_DWORD 1");
  ASSERT_EQ(Reg("HKEY_CLASSES_ROOT\\.kil", ""), "REG_SZ KIL_auto_file");

  const fs::path answers = Root() / "kill-answers.txt";
  std::ofstream(answers) << "shared yes\n";
  auto uninstall = [&](const fs::path& machine, const std::string& transcript,
                       const std::string& strace) {
    std::string command = "'" ORVANE_RUN_PATH "' --machine '" + machine.string() + "' --answers '" +
                          answers.string() + "' --transcript '" + (Root() / transcript).string() +
                          "' --uninstall 'Kill UnInstall'";
    if (strace.empty()) return command;
    // A traced process cannot look for leaks at its end. (Injection needs every call stopped:
    // strace's --seccomp-bpf would let the counted calls pass.)
    return "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" strace -f " + strace +
           " " + command;
  };
  auto entryLeft = [&](const fs::path& machine) {
    return host::Machine::Open(machine)->Registry().KeyExists(RegRoot::LocalMachine, entry);
  };

  // What an uninterrupted uninstall leaves.
  const fs::path installed = MachineFolder(), reference = Root() / "reference";
  CopyMachine(installed, reference);
  ASSERT_EQ(Shell(uninstall(reference, "reference.txt", "")), 0);
  const MachineSnapshot expected = SnapshotOf(reference);
  ASSERT_FALSE(expected.files.count("C:\\Kill"));
  ASSERT_FALSE(entryLeft(reference));
  {
    RegValue value;
    uint32_t count = 0;
    ASSERT_EQ(host::Machine::Open(reference)->Registry().GetValue(
                  RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
                  "C:\\WINDOWS\\system32\\KSHARED.DLL", value),
              0u);
    ASSERT_TRUE(value.AsDword(count) && count == 1);
    ASSERT_FALSE(expected.files.count("C:\\WINDOWS\\system32\\KONLY.DLL"));
  }

  // The same uninstall traced: every mutating call is a kill point.
  const fs::path traced = Root() / "traced", trace = Root() / "trace.txt";
  CopyMachine(installed, traced);
  ASSERT_EQ(Shell(uninstall(traced, "traced.txt",
                            "-o '" + trace.string() + "' -e trace=" + kMutatingCalls)),
            0);
  ASSERT_EQ(DiffText(expected, SnapshotOf(traced)), "");
  const std::vector<Mutation> points = Mutations(trace, traced);
  ASSERT_GT(points.size(), 20u);
  ASSERT_LT(points.size(), 300u) << "keep the kill points few: each costs two runs";

  // The INI writer leaves its temporary file when it is killed before the rename (the writer's
  // own matter). The work folder of a run killed after the entry went stays until the next start
  // of a program on the machine; the command has then nothing left to do.
  static const std::regex iniTemporary(R"(^file added: .*\\\.[^\\]+\.tmp[0-9]+$)");
  static const std::regex workFolder(R"(^(file|folder) added: .*\\OVTMP[0-9]+(\\.*)?$)");
  int failures = 0;
  const fs::path machine = Root() / "killed", killTrace = Root() / "killed-trace.txt";
  for (size_t i = 0; i < points.size(); ++i) {
    const Mutation& point = points[i];
    CopyMachine(installed, machine);
    std::string inject = "-o '" + killTrace.string() + "' -e trace=" + point.call +
                         " -e inject=" + point.call +
                         ":signal=KILL:when=" + std::to_string(point.nth);
    Shell(uninstall(machine, "killed.txt", inject));
    // Only calls of the point's name are traced: the last one is the point.
    std::vector<Mutation> done = Mutations(killTrace, machine);
    std::string problem;
    if (done.size() != static_cast<size_t>(point.nth) || done.back().text != point.text)
      problem += "the run was not killed there\n";
    bool left = entryLeft(machine);
    std::string output;
    int code = Shell(uninstall(machine, "rerun.txt", ""), &output);
    if (left ? code != 0 : output.find("no Add/Remove Programs entry") == std::string::npos)
      problem += "the command again: exit " + std::to_string(code) + ", " + output + "\n";
    for (const std::string& line : Diff(expected, SnapshotOf(machine))) {
      if (!std::regex_match(line, iniTemporary) && (left || !std::regex_match(line, workFolder)))
        problem += line + "\n";
    }
    if (problem.empty()) continue;
    // The first few in full; a fault usually fails a run of neighbouring points.
    if (++failures <= 3) {
      std::stringstream transcripts;
      for (const char* name : {"killed.txt", "rerun.txt"}) {
        std::ifstream in(Root() / name);
        transcripts << name << ":\n" << std::string(std::istreambuf_iterator<char>(in), {});
      }
      ADD_FAILURE() << "killed at mutation " << i + 1 << " of " << points.size() << ", "
                    << point.text << ":\n"
                    << problem << transcripts.str();
    }
  }
  EXPECT_EQ(failures, 0) << "kill points that were not recovered, of " << points.size();
  RecordProperty("kill_points", static_cast<int>(points.size()));

  // Installed again after a kill instead: the new installation forgets the counts that the
  // killed run had lowered, so the next uninstall lowers them again. Killed at the first folder
  // it removes, the run had lowered the counts of both shared components.
  Shell(uninstall(installed, "killed.txt",
                  "-o /dev/null -e trace=rmdir -e inject=rmdir:signal=KILL:when=1"));
  ASSERT_EQ(Shared("C:\\WINDOWS\\system32\\KSHARED.DLL"), "REG_DWORD 1");
  Package("Kill UnInstall", "C:\\Kill\\", {"(App)\\KILL.EXE"}, extra, "UnSetupOption=1,0,0,0\n");
  ASSERT_EQ(Install().exitCode, 0);
  EXPECT_EQ(Uninstall("Kill UnInstall", "shared yes\n" + std::string(kShowDetails)).exitCode, 0);
  EXPECT_EQ(Shared("C:\\WINDOWS\\system32\\KSHARED.DLL"), "");
  EXPECT_FALSE(Exists("C:\\WINDOWS\\system32\\KSHARED.DLL"));
}

// The installer's switches on the program with windows (the desktop program without a display,
// SETUP.EXE under Wine): a quiet install into the folder /dir names, then the Add/Remove entry's
// command with /quiet; the transcripts go to the /log files.
TEST_F(UninstallScenario, DemoQuietRoundTripByTheSetupProgramsSwitches) {
#ifndef ORVANE_SETUP_PATH
  if (!OnWine()) GTEST_SKIP() << "the desktop program is not built";
#endif
  CopyDist(fs::path(ORVANE_EXAMPLES) / "demo");
  if (OnWine())
    fs::copy_file(WindowsBuildFile("SETUP.EXE"), Dist() / "SETUP.EXE",
                  fs::copy_options::overwrite_existing);
  PrepareMachine();
  MachineSnapshot before = Snapshot();
  const fs::path installLog = Root() / "install.log", removeLog = Root() / "remove.log";
  auto read = [](const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  // Runs the program with windows with `arguments`, standard output and error in `output`.
  auto setup = [&](std::vector<std::string> arguments, std::string& output) {
    if (OnWine()) return RunInPrefix(arguments, output);
#ifdef ORVANE_SETUP_PATH
    std::string command = "env -u DISPLAY " + std::string(ORVANE_SETUP_PATH) + " --machine '" +
                          MachineFolder().string() + "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    return Shell(command, &output);
#endif
    return -1;
  };
  const std::string logSwitch = "/log=", removeLogSwitch = "/Log=";
  auto logPath = [&](const fs::path& file) {
    return OnWine() ? WindowsPathOf(file) : file.string();
  };

  std::string output;
  ASSERT_EQ(setup({OnWine() ? "D:\\SETUP.EXE" : Dist().string(), "-QUIET", "/dir:C:\\Demo App",
                   logSwitch + logPath(installLog)},
                  output),
            0)
      << output << read(installLog);
  EXPECT_EQ(output, "");
  const std::string install = read(installLog);
  EXPECT_NE(install.find("action final folder \"C:\\\\Demo App\"\n"), std::string::npos)
      << install;
  EXPECT_TRUE(Exists("C:\\Demo App\\DEMO.EXE"));

  // The Add/Remove entry's command, as Windows runs it, with the switches after it.
  std::vector<std::string> removal = {"--uninstall", "Orvane Demo UnInstall"};
  if (OnWine()) {
    const std::string entry = Programs();
    const size_t quote = entry.find(" \"");
    ASSERT_NE(quote, std::string::npos) << entry;
    removal = {entry.substr(entry.rfind('\t', quote) + 1, quote - entry.rfind('\t', quote) - 1),
               entry.substr(quote + 2, entry.find('"', quote + 2) - quote - 2)};
  }
  removal.push_back("/quiet");
  removal.push_back(removeLogSwitch + logPath(removeLog));
  ASSERT_EQ(setup(removal, output), 0) << output << read(removeLog);
  const std::string remove = ToEmulatedText(read(removeLog));
  EXPECT_EQ(remove.rfind("start \"C:\\\\WINDOWS\\\\UNORVANE.EXE\"", 0), 0u) << remove;
  EXPECT_NE(remove.find("action uninstall start (default)"), std::string::npos) << remove;
  EXPECT_NE(remove.find("\nexit 0\n"), std::string::npos) << remove;
  EXPECT_EQ(Programs(), "");

  // What stays: as after a removal by hand, and the shared component that the quiet removal keeps
  // (the shared-file question's default).
  std::vector<std::string> expected = {
      "file added: C:\\WINDOWS\\ORVANEDB.INI",
      "file added: C:\\WINDOWS\\UNORVANE.EXE",
      "file added: C:\\WINDOWS\\system32\\DEMOCTL.DLL",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall]",
      "key added: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane]",
  };
  EXPECT_EQ(Diff(before, Snapshot()), Applicable(before, expected)) << DiffText(before, Snapshot());
}

}  // namespace
}  // namespace orvane::scenario
