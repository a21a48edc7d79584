// Tests of the install run on an emulated Windows 95 machine: a whole install and its log, a
// re-install, the copy phase's destination rules and bad entries, registry value types and
// roots, shortcut and relation rules, the free-space cancel and a failed Add/Remove Programs key.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/Application.h"
#include "app/Main.h"
#include "tests/unit/AppTestSupport.h"
#include "install/FileOps.h"
#include "install/InstallRun.h"
#include "install/RegistryAccess.h"
#include "platform/host/HostComponents.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostPlatform.h"
#include "platform/host/HostLz.h"
#include "platform/host/HostProcesses.h"
#include "platform/host/HostProfile.h"
#include "platform/host/HostRegistry.h"
#include "platform/host/HostShell.h"
#include "platform/host/HostSystem.h"
#include "platform/host/Machine.h"
#include "windows/Back.h"
#include "windows/Status.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

using Box = testing::RecordingUi::Box;

// A user who answers every question Yes (or as `answer` says), confirms messages, and presses
// "Continue(&C)" when the failure details are shown.
class FakeUi : public testing::RecordingUi {
 public:
  std::string details;

  void ProcessMessages() override {
    TfrmMain& w = app->frmMain();
    if (w.visible && w.btnEvent.enabled && w.btnEvent.caption == "Continue(&C)") {
      details = w.txtReadme.caption;
      w.btnEvent.enabled = false;
    }
  }
};

// The machine's registry, with creation below the Uninstall key refused on request.
class GuardedRegistry : public IRegistry {
 public:
  explicit GuardedRegistry(IRegistry& inner) : inner_(inner) {}
  bool refuseUninstallKey = false;
  uint32_t CreateKey(RegRoot root, const std::string& path) override {
    if (refuseUninstallKey && path.find("CurrentVersion\\Uninstall") != std::string::npos) return 5;
    return inner_.CreateKey(root, path);
  }
  bool KeyExists(RegRoot root, const std::string& path) override {
    return inner_.KeyExists(root, path);
  }
  uint32_t GetValue(RegRoot r, const std::string& p, const std::string& n, RegValue& v) override {
    return inner_.GetValue(r, p, n, v);
  }
  uint32_t SetValue(RegRoot r, const std::string& p, const std::string& n,
                    const RegValue& v) override {
    return inner_.SetValue(r, p, n, v);
  }
  uint32_t DeleteValue(RegRoot r, const std::string& p, const std::string& n) override {
    return inner_.DeleteValue(r, p, n);
  }
  uint32_t DeleteKey(RegRoot r, const std::string& p) override { return inner_.DeleteKey(r, p); }
  uint32_t DeleteTree(RegRoot r, const std::string& p) override { return inner_.DeleteTree(r, p); }
  uint32_t EnumKeys(RegRoot r, const std::string& p, std::vector<std::string>& n) override {
    return inner_.EnumKeys(r, p, n);
  }
  uint32_t EnumValues(RegRoot r, const std::string& p, std::vector<RegNamedValue>& v) override {
    return inner_.EnumValues(r, p, v);
  }

 private:
  IRegistry& inner_;
};

const char kApp[] = "C:\\Program Files\\Viewer\\";
const char kLog[] = "C:\\Program Files\\Viewer\\UNSETUP.INI";
const char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Viewer UnInstall";

// One program start on a Windows 95 machine with the distribution on drive D:.
class Session {
 public:
  Session(host::Machine& machine, const fs::path& dist) : machine_(machine) {
    host::HostPlatformOptions options;
    options.programPath = "D:\\SETUP.EXE";
    options.onPause = [this](uint32_t ms) { pauses.push_back(ms); };
    options.shell.onOpenDocument = [this](const std::string& f, const std::string& p) {
      opened.push_back(f + "|" + p);
    };
    host_ = std::make_unique<host::HostPlatform>(machine.Folder(), options);
    registry = std::make_unique<GuardedRegistry>(host_->Registry());
    Platform bundle = host_->Bundle(ui);
    platform_ = std::make_unique<Platform>(Platform{bundle.files, bundle.profile, *registry,
                                                    bundle.shell, bundle.lz, bundle.components,
                                                    bundle.processes, bundle.system, bundle.clock,
                                                    ui});
    files_ = &bundle.files;
    app = std::make_unique<Application>(*platform_);
    ui.app = app.get();
    (void)dist;

    SetupContext& c = app->ctx;
    c.Mode = "SETUP";
    c.SourceFolder = "D:\\";
    c.WindowsFolder = "C:\\WINDOWS\\";
    c.SystemFolder = "C:\\WINDOWS\\SYSTEM\\";
    c.ProgramFilesFolder = "C:\\Program Files\\";
    c.TempFolder = "C:\\WINDOWS\\TEMP\\";
    c.WindowsDriveRoot = "C:\\";
    c.SourceDriveRoot = "D:\\";
    c.StartMenuFolder = "C:\\WINDOWS\\Start Menu\\";
    c.ProgramsFolder = "C:\\WINDOWS\\Start Menu\\Programs\\";
    c.DesktopFolder = "C:\\WINDOWS\\Desktop\\";
    c.StartupFolder = "C:\\WINDOWS\\Start Menu\\Programs\\StartUp\\";
    c.SendToFolder = "C:\\WINDOWS\\SendTo\\";
    c.WorkFolder = "C:\\WINDOWS\\TEMP\\OVTMP1\\";
    c.ScriptPath = c.WorkFolder + "SETUP.INI";
    c.SetupString = "Install";
    c.UnSetupString = "UnInstall";
    c.UnSetupTitle = "Viewer UnInstall";
    c.ProgramID = "ViewerApp";
    EXPECT_TRUE(ForceFolders(*files_, c.WorkFolder));

    TfrmMain& w = app->frmMain();
    w.txtFolder.caption = "C:\\Program Files\\Viewer";
    w.chkSCutStartMenu.checked = true;
    w.visible = true;
    app->frmBack().enabled = false;
  }

  void Script(const std::string& text) {
    ASSERT_EQ(files_->WriteFile(app->ctx.ScriptPath, text), 0u);
  }
  std::string Read(const std::string& path) {
    std::string bytes;
    files_->ReadFile(path, bytes);
    return bytes;
  }
  bool Exists(const std::string& path) { return FileExists(*files_, path); }
  std::optional<std::string> Value(RegRoot root, const std::string& key, const std::string& name) {
    return ReadRegString(machine_.Registry(), root, key, name);
  }

  host::Machine& machine_;
  FakeUi ui;
  std::vector<uint32_t> pauses;
  std::vector<std::string> opened;
  std::unique_ptr<host::HostPlatform> host_;
  IFiles* files_ = nullptr;
  std::unique_ptr<GuardedRegistry> registry;
  std::unique_ptr<Platform> platform_;
  std::unique_ptr<Application> app;
};

class InstallRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orvane-install-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    dist_ = root_ / "dist";
    fs::create_directories(dist_);
    host::MachineSettings settings;
    settings.platformId = 1;
    machine_ = host::Machine::Open(root_ / "machine", settings);
    machine_->MapDrive('D', dist_);
    session_ = std::make_unique<Session>(*machine_, dist_);
  }
  void TearDown() override {
    session_.reset();
    machine_.reset();
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  void Dist(const std::string& name, const std::string& bytes) {
    std::ofstream(dist_ / name, std::ios::binary) << bytes;
  }
  // A new program start on the same machine (a re-install).
  void Restart() {
    session_.reset();
    session_ = std::make_unique<Session>(*machine_, dist_);
  }
  Session& s() { return *session_; }

  fs::path root_, dist_;
  std::unique_ptr<host::Machine> machine_;
  std::unique_ptr<Session> session_;
};

const char kViewerScript[] =
    "[MakeFolder]\r\nFolder1=(App)Data\r\n"
    "[CopyFile]\r\nFile1=(App)Viewer.exe\r\nFile2=(Sys)VCTRL.OCX,/S/R\r\n"
    "[ShortCut]\r\nMake1=(App)Viewer.exe\r\nName1=(Sta)Viewer\\Viewer\r\n"
    "[Relate]\r\nName1=vwr\r\nFile1=open,(App)Viewer.exe,%1\r\n"
    "[Extend]\r\nUnSetupOption=1,0,0,0\r\n";

const char kViewerLog[] =
    "[Information]\r\n"
    "Message1=Orvane Setup UnSetup(UnInstall) Initialize File\r\n"
    "Message2=\x81I\x81I\x81I\x81@Warning\x81@\x81I\x81I\x81I\r\n"
    "Message3=Don't rewrite this file on the editor and so on, and don't delete it.\r\n"
    "Message4=When it is rewritten, an UnInstall movement can't be assured.\r\n"
    "[Title]\r\nUnSetup=Viewer UnInstall\r\n"
    "[SetupFolder]\r\nFolder=C:\\Program Files\\Viewer\\\r\n"
    "[DeleteFolder]\r\nFolder1=C:\\Program Files\\Viewer\\Data\\\r\n"
    "[DeleteFile]\r\n"
    "File1=C:\\Program Files\\Viewer\\Viewer.exe\r\n"
    "File2=C:\\WINDOWS\\SYSTEM\\VCTRL.OCX,/S/R\r\n"
    "File3=C:\\Program Files\\Viewer\\UNSETUP.INI\r\n"
    "[DeleteShortCut]\r\nFile1=C:\\WINDOWS\\Start Menu\\Programs\\Viewer\\Viewer.lnk\r\n"
    "[RestoreRelate]\r\nKey1=vwr,\r\n"
    "[UnSetupOption]\r\nCheckBox=1,0,0,0\r\n"
    "[Extend]\r\nSetupString=Install\r\nUnSetupString=UnInstall\r\n"
    "[UnSetupRegistryKey]\r\n"
    "Key=SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Viewer UnInstall\r\n"
    "[ProgramID]\r\nID=ViewerApp\r\n";

TEST_F(InstallRunTest, WholeInstallWritesTheLogAndTheMachineState) {
  Dist("Viewer.exe", "viewer program");
  Dist("VCTRL.OCX", "control");
  s().Script(kViewerScript);
  s().app->frmMain().RunInstall();

  EXPECT_EQ(s().Read(kLog), kViewerLog);
  EXPECT_EQ(s().Read(std::string(kApp) + "Viewer.exe"), "viewer program");
  EXPECT_TRUE(s().Exists("C:\\WINDOWS\\Start Menu\\Programs\\Viewer\\Viewer.lnk"));
  EXPECT_FALSE(s().Exists(std::string(kApp) + "UNSETUP.IN$"));
  EXPECT_EQ(s().Value(RegRoot::LocalMachine, kUninstallKey, "DisplayName"), "Viewer UnInstall");
  EXPECT_EQ(s().Value(RegRoot::LocalMachine, kUninstallKey, "UninstallString"),
            "C:\\WINDOWS\\UNORVANE.EXE \"C:\\Program Files\\Viewer\\UNSETUP.INI\"");
  EXPECT_EQ(s().Value(RegRoot::ClassesRoot, ".vwr", ""), "vwr_auto_file");
  EXPECT_EQ(s().Value(RegRoot::ClassesRoot, "vwr_auto_file", ""), "vwr File");
  EXPECT_EQ(s().Value(RegRoot::ClassesRoot, "vwr_auto_file\\shell\\open\\command", ""),
            "\"C:\\Program Files\\Viewer\\Viewer.exe\" %1 ");
  EXPECT_EQ(s().Read("C:\\WINDOWS\\ORVANEDB.INI"),
            "[ViewerApp]\r\nFolder=C:\\Program Files\\Viewer\\\r\n");

  // The user saw the folder question, the relation question and the completion message.
  const Box* folder = s().ui.Find("Folder Preparation");
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(folder->text, std::string(kApp) + "\r\n\r\nThis folder doesn't exist. May I make it?");
  const Box* relation = s().ui.Find("Confirmation with the Relation");
  ASSERT_NE(relation, nullptr);
  EXPECT_EQ(relation->text,
            "The one with the relation does an extension *.vwr in\r\n"
            "C:\\Program Files\\Viewer\\Viewer.exe.\r\n\r\nMay I put relation?");
  const Box* done = s().ui.Find("Complete");
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(done->text,
            "Install is now complete.\r\n\r\nDo the UnInstall of the program from "
            "\"Add/Remove Programs Properties\".");
  EXPECT_EQ(done->flags, mb::IconInformation);

  // End signals, the progress label of two entries by size, the opening pauses.
  EXPECT_EQ(s().app->outcome, ProgramOutcome::Completed);
  EXPECT_TRUE(s().app->frmBack().enabled);
  EXPECT_EQ(s().app->frmMain().modalResult, 1);
  EXPECT_FALSE(s().app->frmStatus().visible);
  EXPECT_EQ(s().app->frmStatus().lblStatus.caption, "100%(2/2)");
  ASSERT_GE(s().pauses.size(), 2u);
  EXPECT_EQ(s().pauses[0], 500u);
  EXPECT_EQ(s().pauses[1], 1000u);
}

TEST_F(InstallRunTest, ReinstallKeepsNumbersSharedMarksAndTheFirstAssociation) {
  Dist("Viewer.exe", "viewer program");
  Dist("VCTRL.OCX", "control");
  s().Script(kViewerScript);
  s().app->frmMain().RunInstall();
  ASSERT_EQ(s().Read(kLog), kViewerLog);

  // Second install: the control without flags, one new file, overwriting allowed (newer-only).
  Restart();
  Dist("New.txt", "new");
  s().Script(
      "[CopyFile]\r\nFile1=(Sys)VCTRL.OCX\r\nFile2=(App)New.txt\r\nFile3=(App)Viewer.exe\r\n"
      "[Relate]\r\nName1=vwr\r\nFile1=open,(App)Viewer.exe,%1\r\n");
  s().app->frmMain().chkOverWrite.checked = true;
  s().app->frmMain().RunInstall();
  std::string log = s().Read(kLog);
  EXPECT_NE(
      log.find("[DeleteFolder]\r\nFolder1=C:\\Program Files\\Viewer\\Data\\\r\n[DeleteFile]\r\n"
               "File1=C:\\Program Files\\Viewer\\Viewer.exe\r\n"
               "File2=C:\\WINDOWS\\SYSTEM\\VCTRL.OCX,/S\r\n"
               "File3=C:\\Program Files\\Viewer\\UNSETUP.INI\r\n"
               "File4=C:\\Program Files\\Viewer\\New.txt\r\n[DeleteShortCut]\r\n"),
      std::string::npos)
      << log;
  EXPECT_NE(log.find("[RestoreRelate]\r\nKey1=vwr,\r\n[Extend]"), std::string::npos) << log;
  EXPECT_EQ(s().ui.Find("Overwriting Confirmation"), nullptr);
}

// Four bytes of data as an SZDD file made only of literals, with the recorded size given.
std::string Szdd(const std::string& data, char lastChar, uint32_t recordedSize) {
  std::string out = "SZDD\x88\xF0\x27\x33";
  out += 'A';
  out += lastChar;
  for (int i = 0; i < 4; ++i) out += static_cast<char>((recordedSize >> (8 * i)) & 0xFF);
  for (size_t i = 0; i < data.size(); i += 8) {
    out += '\xFF';
    out += data.substr(i, 8);
  }
  return out;
}

TEST_F(InstallRunTest, CopyPhaseDestinationRulesAndBadEntries) {
  Dist("A.TXT", "a");
  Dist("B2.TXT", "b2");
  Dist("B.TXT", "b");
  Dist("TOOL.EX_", Szdd("tool bytes", 'e', 10));
  Dist("LIAR.DA_", Szdd("short", 'T', 1000));
  Dist("DOC.TXT", "doc");
  s().Script(
      "[MakeFolder]\r\nFolder1=(App)SUB\r\n"
      "[CopyFile]\r\n"
      "File1=(App)A.TXT\r\nFile1_2=(App)SUB\\B2.TXT|B.TXT,/w\r\n"
      "File2=(App)B.TXT,/s\r\nFile2_1=(App)NEVER.TXT\r\n"
      "File3=(App)TOOL.EX_\r\n"
      "File4=(App)LIAR.DA_\r\n"
      "File5=,/S\r\n"
      "File6=(App)MISSING.TXT\r\n"
      "File7=Q:\\OUT\\DOC.TXT\r\n"
      "File8=(App)NOFOLDER\\DOC.TXT\r\n"
      "File9=(dch)(App)DOC.TXT\r\n");
  s().app->frmMain().optSelectType1.checked = false;
  s().app->frmMain().optSelectType2.checked = true;
  InstallRun run(s().app->frmMain());
  ASSERT_TRUE(run.Prepare());
  ASSERT_TRUE(run.MakeFolders());
  ASSERT_TRUE(run.CopyFiles());

  const std::string app = kApp;
  // File1_2: rename into SUB, but /W copies nothing and still records the file.
  EXPECT_FALSE(s().Exists(app + "SUB\\B.TXT"));
  // File2 (not File2_1): lower-case flag recognised; AUTO.EXT from the header, upper-cased.
  EXPECT_EQ(s().Read(app + "B.TXT"), "b");
  EXPECT_EQ(s().Read(app + "TOOL.EXE"), "tool bytes");
  EXPECT_FALSE(s().Exists(app + "NEVER.TXT"));
  EXPECT_EQ(run.fileList,
            (std::vector<std::string>{app + "SUB\\B.TXT,/w", app + "B.TXT,/s", app + "TOOL.EXE"}));
  // The liar, the empty file part, the missing source, the drive outside the machine, the
  // missing folder and the lower-case disk prefix each give one failure entry.
  EXPECT_EQ(run.failureCount, 6) << run.failureLog;
  EXPECT_NE(run.failureLog.find("<File> " + app + "LIAR.DAT\r\n"), std::string::npos);
  EXPECT_NE(run.failureLog.find("<File> D:\\\r\nThe file of the copy cause wasn't found.\r\n\r\n"),
            std::string::npos);
  EXPECT_NE(run.failureLog.find("<File> D:\\MISSING.TXT\r\n"), std::string::npos);
  EXPECT_NE(run.failureLog.find("<File> Q:\\OUT\\DOC.TXT\r\n"), std::string::npos);
  EXPECT_NE(run.failureLog.find("<File> " + app + "NOFOLDER\\DOC.TXT\r\n"), std::string::npos);
  EXPECT_NE(run.failureLog.find("<File> (dch)" + app + "DOC.TXT\r\n"), std::string::npos);
  EXPECT_EQ(s().ui.Find("Disk Change"), nullptr);
  // Sources missing from the distribution switch the progress to entry numbers.
  EXPECT_FALSE(run.sizeProgress);
  EXPECT_EQ(s().app->frmStatus().lblStatus.caption, "100%(9/9)");
  EXPECT_FALSE(s().Exists("C:\\WINDOWS\\TEMP\\EXPAND.OVT"));
  EXPECT_EQ(run.folderList, std::vector<std::string>{app + "SUB\\"});
}

TEST_F(InstallRunTest, NewerOnlyOverwriteNeedsAStrictlyNewerSource) {
  const std::string app = kApp;
  const auto when = fs::file_time_type::clock::now() - std::chrono::hours(48);
  // Older sources are covered by the overwrite scenario; an equal age is the edge.
  const std::pair<const char*, std::chrono::hours> ages[] = {{"SAME.TXT", std::chrono::hours(0)},
                                                             {"NEWER.TXT", std::chrono::hours(1)}};
  std::string script = "[CopyFile]\r\n";
  int n = 0;
  ASSERT_TRUE(ForceFolders(*s().files_, app));
  for (const auto& [name, sourceAge] : ages) {
    Dist(name, "new");
    fs::last_write_time(dist_ / name, when + sourceAge);
    ASSERT_EQ(s().files_->WriteFile(app + name, "old"), 0u);
    fs::path destination;
    ASSERT_EQ(machine_->Resolve(app + name, destination), 0u);
    fs::last_write_time(destination, when);
    script += "File" + std::to_string(++n) + "=(App)" + name + "\r\n";
  }
  s().Script(script);
  s().app->frmMain().chkOverWrite.checked = true;
  InstallRun run(s().app->frmMain());
  ASSERT_TRUE(run.Prepare());
  ASSERT_TRUE(run.CopyFiles());
  EXPECT_EQ(s().Read(app + "SAME.TXT"), "old");
  EXPECT_EQ(s().Read(app + "NEWER.TXT"), "new");
  // Kept or replaced, each is recorded for removal.
  EXPECT_EQ(run.fileList, (std::vector<std::string>{app + "SAME.TXT", app + "NEWER.TXT"}));
  EXPECT_EQ(s().ui.Find("Overwriting Confirmation"), nullptr);
}

TEST_F(InstallRunTest, RelationsSaveTheEarlierClassOfAnExtensionOnce) {
  // The extension's class is an expandable string, and the script relates the extension twice.
  ASSERT_EQ(s().registry->CreateKey(RegRoot::ClassesRoot, ".vwr"), 0u);
  ASSERT_EQ(s().registry->SetValue(RegRoot::ClassesRoot, ".vwr", "",
                                   RegValue::String("vwrfile", reg::ExpandSz)),
            0u);
  s().Script(
      "[Relate]\r\nName1=vwr\r\nFile1=open,(App)Viewer.exe,%1\r\n"
      "Name2=VWR,Viewer data\r\nFile2=edit,(App)Viewer.exe,%1\r\n");
  InstallRun run(s().app->frmMain());
  ASSERT_TRUE(run.Prepare());
  ASSERT_TRUE(run.MakeRelations());
  EXPECT_EQ(run.restore.slots[0], "vwr,vwrfile");
  EXPECT_EQ(run.restore.slots[1], "");
  EXPECT_EQ(s().Value(RegRoot::ClassesRoot, ".VWR", ""), "VWR_auto_file");
}

TEST_F(InstallRunTest, RegistryValueTypesAndRootTokens) {
  s().Script(
      "[Registry]\r\n"
      "Key1=(Local)\\SOFTWARE\\Maker\\App\\\r\nName1=Path\r\nValue1=(Str)(Pdd)(App)\r\n"
      "Key2=SOFTWARE\\Maker\\App\r\nName2=Count\r\nValue2=(Dwd)-1\r\n"
      "Key3=(local)SOFTWARE\\X\r\nName3=Bad\r\nValue3=(Int)abc\r\n"
      "Key4=(Class)Thing\r\nName4=Bin\r\nValue4=(Bin)0A0B0C0D\r\n"
      "Key5=(Class)Thing\r\nName5=NoBin\r\nValue5=(Bin)xyz\r\n"
      "Key6=(Users)Empty\r\nName6=\r\nValue6=\r\n"
      "Key7=(Cuser)Plain\r\nName7=\r\nValue7=hello\r\n"
      "Key8=(Cuser)Plain\r\nName8=Exp\r\nValue8=(Exp)%PATH%;(App)\r\n"
      "Key9=(Cuser)Plain\r\nName9=Hex\r\nValue9=(Int)$7FFFFFFF\r\n");
  InstallRun run(s().app->frmMain());
  ASSERT_TRUE(run.Prepare());
  ASSERT_TRUE(run.WriteRegistry());

  IRegistry& r = machine_->Registry();
  RegValue v;
  EXPECT_EQ(s().Value(RegRoot::LocalMachine, "SOFTWARE\\Maker\\App", "Path"),
            "C:\\Program Files\\Viewer");
  uint32_t dword = 0;
  ASSERT_EQ(r.GetValue(RegRoot::CurrentUser, "SOFTWARE\\Maker\\App", "Count", v), 0u);
  ASSERT_TRUE(v.AsDword(dword));
  EXPECT_EQ(dword, 0xFFFFFFFFu);
  ASSERT_EQ(r.GetValue(RegRoot::CurrentUser, "SOFTWARE\\X", "Bad", v), 0u);
  ASSERT_TRUE(v.AsDword(dword));
  EXPECT_EQ(dword, 0u);
  ASSERT_EQ(r.GetValue(RegRoot::ClassesRoot, "Thing", "Bin", v), 0u);
  EXPECT_EQ(v.type, reg::Binary);
  EXPECT_EQ(v.data, std::string("\x0D\x0C\x0B\x0A", 4));
  EXPECT_NE(r.GetValue(RegRoot::ClassesRoot, "Thing", "NoBin", v), 0u);
  EXPECT_TRUE(r.KeyExists(RegRoot::Users, "Empty"));
  std::vector<RegNamedValue> values;
  r.EnumValues(RegRoot::Users, "Empty", values);
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(s().Value(RegRoot::CurrentUser, "Plain", ""), "hello");
  ASSERT_EQ(r.GetValue(RegRoot::CurrentUser, "Plain", "Exp", v), 0u);
  EXPECT_EQ(v.type, reg::ExpandSz);
  EXPECT_EQ(v.data, "%PATH%;C:\\Program Files\\Viewer\\");
  ASSERT_EQ(r.GetValue(RegRoot::CurrentUser, "Plain", "Hex", v), 0u);
  ASSERT_TRUE(v.AsDword(dword));
  EXPECT_EQ(dword, 0x7FFFFFFFu);
}

TEST_F(InstallRunTest, OverlongRegistryKeyEndsTheRunWithTheRegistryError) {
  std::string key = "(Local)SOFTWARE\\" + std::string(2000, 'K');
  s().Script("[Registry]\r\nKey1=" + key + "\r\nName1=A\r\nValue1=(Str)x\r\n");
  InstallRun run(s().app->frmMain());
  ASSERT_TRUE(run.Prepare());
  try {
    run.WriteRegistry();
    FAIL() << "an over-long key was accepted";
  } catch (const ProgramError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("Failed to create key SOFTWARE\\KKK", 0), 0u);
  }
}

TEST_F(InstallRunTest, IniEntriesAndShortValues) {
  s().Script(
      "[IniFile]\r\nData1=Settings,Path,(App),(App)APP.INI\r\nData2=Settings,Empty,,(App)APP."
      "INI\r\n"
      "Data3=OnlyTwo,Fields\r\nData4=Sec,Key,Value,BARE.INI,ignored\r\n");
  InstallRun run(s().app->frmMain());
  ASSERT_TRUE(run.Prepare());
  ASSERT_TRUE(run.WriteIniFiles());
  EXPECT_EQ(s().Read(std::string(kApp) + "APP.INI"),
            "[Settings]\r\nPath=C:\\Program Files\\Viewer\\\r\nEmpty=\r\n");
  EXPECT_EQ(s().Read("C:\\WINDOWS\\BARE.INI"), "[Sec]\r\nKey=Value\r\n");
}

TEST_F(InstallRunTest, FreeSpaceShortageAnsweredNoCancelsTheRun) {
  Dist("BIG.DAT", std::string(100, 'x'));
  s().host_->GetMachine().SetFreeSpace('C', "100");
  // With a "\" before the name the size pass finds the source (without one it looks for a file
  // named "(App)BIG.DAT" and skips the check).
  s().Script("[CopyFile]\r\nFile1=(App)\\BIG.DAT\r\n");
  s().ui.answer = [](const Box& box) {
    return box.caption == "Shortage of free capacity" ? id::No : id::Yes;
  };
  s().app->frmMain().RunInstall();
  const Box* question = s().ui.Find("Shortage of free capacity");
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(question->flags, mb::YesNo | mb::IconQuestion);
  const Box* cancel = s().ui.Find("Cancellation of a Install");
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(cancel->text, "The Install couldn't be continued.");
  EXPECT_EQ(s().app->frmMain().modalResult, 1);
  EXPECT_TRUE(s().app->frmBack().enabled);
  EXPECT_TRUE(s().app->frmStatus().visible);
  EXPECT_FALSE(FolderExists(*s().files_, kApp));
}

TEST_F(InstallRunTest, RefusedUninstallEntryIsReportedAndEndsTheRun) {
  Dist("Viewer.exe", "viewer program");
  s().Script("[CopyFile]\r\nFile1=(App)Viewer.exe\r\n[ExecuteFile]\r\nFile=(App)Viewer.exe\r\n");
  s().registry->refuseUninstallKey = true;
  s().app->frmMain().RunInstall();
  const Box* fatal = s().ui.Find("Fatal Error");
  ASSERT_NE(fatal, nullptr);
  EXPECT_EQ(fatal->text, std::string("Failed to create key ") + kUninstallKey);
  EXPECT_EQ(fatal->flags, mb::Ok | mb::IconHand);
  EXPECT_EQ(s().ui.Find("Complete"), nullptr);
  EXPECT_TRUE(s().opened.empty());
  EXPECT_EQ(s().app->outcome, ProgramOutcome::Failed);
  EXPECT_TRUE(s().app->frmBack().enabled);
  EXPECT_EQ(s().app->frmMain().modalResult, 1);
  EXPECT_FALSE(s().app->frmStatus().visible);
  // The log holds everything up to the registry key, nothing after it.
  std::string log = s().Read(kLog);
  EXPECT_NE(log.find("[UnSetupRegistryKey]"), std::string::npos);
  EXPECT_EQ(log.find("[ProgramID]"), std::string::npos);
}

TEST_F(InstallRunTest, FailureDetailsThenRestartInsteadOfTheProgram) {
  s().Script("[CopyFile]\r\nFile1=(App)GONE.EXE\r\n[ExecuteFile]\r\nFile=(App)GONE.EXE\r\n");
  s().app->ctx.UnSetupTitle = "Viewer (setup only.)";
  s().app->ctx.LockedFilesPending = false;
  // A locked file is simulated by the flag the copy phase sets.
  s().ui.answer = [this](const Box& box) {
    if (box.caption == "Warning") s().app->ctx.LockedFilesPending = true;
    return (box.flags & mb::YesNo) ? id::Yes : id::Ok;
  };
  s().app->frmMain().RunInstall();
  EXPECT_EQ(s().ui.details,
            "<File> D:\\GONE.EXE\r\nThe file of the copy cause wasn't found.\r\n\r\n");
  EXPECT_EQ(s().app->frmMain().fraReadme.caption,
            "The details indication of the management failure");
  EXPECT_EQ(s().ui.Find("Complete"), nullptr);
  EXPECT_TRUE(s().app->ctx.RestartRequired);
  EXPECT_TRUE(s().opened.empty());
  EXPECT_FALSE(s().Exists(kLog));  // "Setup Only." writes no log
  EXPECT_EQ(s().app->outcome, ProgramOutcome::Completed);
}

TEST(InstallRules, ShortcutWantedFollowsTheBoxOfItsToken) {
  struct Case {
    const char* name;
    bool wantedWithOnlyThisBox[4];  // desktop, start menu, start-up, send-to
  } cases[] = {
      {"(Dsk)App", {true, false, false, false}},   {"(C_Dsk)App", {true, false, false, false}},
      {"(Sta)App", {false, true, false, false}},   {"Default", {false, true, false, false}},
      {"(c_sup)App", {false, false, true, false}}, {"(Sen)App", {false, false, false, true}},
  };
  for (const Case& c : cases) {
    for (int box = 0; box < 4; ++box) {
      bool on[4] = {box == 0, box == 1, box == 2, box == 3};
      EXPECT_EQ(ShortcutWanted(c.name, on[0], on[1], on[2], on[3]), c.wantedWithOnlyThisBox[box])
          << c.name << " box " << box;
    }
  }
  for (const char* always : {"(Smn)App", "MyApp", "", "default"})
    EXPECT_TRUE(ShortcutWanted(always, false, false, false, false)) << always;
}

TEST(InstallRules, RelationCommandIconAndDescription) {
  SetupContext ctx;
  ctx.AppFolder = "C:\\Program Files\\View\\";
  RelationEntry e = BuildRelation(ctx, {"TXT", "open,(App)VIEW.EXE,%1"});
  EXPECT_EQ(e.description, "TXT File");
  // A first argument is always followed by a blank and the second, even an empty one.
  EXPECT_EQ(e.command, "\"C:\\Program Files\\View\\VIEW.EXE\" %1 ");
  EXPECT_EQ(e.icon, "C:\\Program Files\\View\\VIEW.EXE,");
  EXPECT_EQ(e.shownProgram, "C:\\Program Files\\View\\VIEW.EXE");
  e = BuildRelation(ctx, {"TXT,", "edit,C:\\V.EXE,,%1,2"});
  EXPECT_EQ(e.description, "TXT, File");
  EXPECT_EQ(e.command, "C:\\V.EXE %1");
  EXPECT_EQ(e.icon, "C:\\V.EXE,2");
  EXPECT_EQ(e.verb, "edit");
  e = BuildRelation(ctx, {"DOC,Document", "open,C:\\V.EXE,/v,%1"});
  EXPECT_EQ(e.description, "Document");
  EXPECT_EQ(e.command, "C:\\V.EXE /v %1");
  std::string many = "open,C:\\V.EXE";
  for (int i = 0; i < 28; ++i) many += ",f" + std::to_string(i);
  e = BuildRelation(ctx, {"X", many});
  EXPECT_EQ(e.command, "C:\\V.EXE f0 f1");
  EXPECT_EQ(e.icon, "C:\\V.EXE,f2");
}

TEST(InstallRules, CopyTargetRenameAndCompressedNames) {
  CopyTarget t = ResolveCopyTarget("C:\\App\\DATA\\DATA.BI_|SUB\\DATA.BIN");
  EXPECT_EQ(t.destination, "C:\\App\\DATA\\SUB\\DATA.BIN");
  EXPECT_EQ(t.sourceName, "DATA.BI_");
  t = ResolveCopyTarget("C:\\WINDOWS\\SYSTEM\\CONTROL.OC_");
  EXPECT_EQ(t.destination, "C:\\WINDOWS\\SYSTEM\\AUTO.EXT");
  EXPECT_EQ(t.sourceName, "CONTROL.OC_");
  t = ResolveCopyTarget("C:\\App\\README.TXT");
  EXPECT_EQ(t.destination, "C:\\App\\README.TXT");
  EXPECT_EQ(t.sourceName, "README.TXT");
  t = ResolveCopyTarget("C:\\App\\(App)README.TXT");
  EXPECT_EQ(t.sourceName, "(App)README.TXT");
  t = ResolveCopyTarget("");
  EXPECT_EQ(t.sourceName, "");
}

TEST(InstallRules, RestoreTableMergesAValueOnlyOnce) {
  RestoreTable table;
  EXPECT_TRUE(table.Merge("txt,txtfile"));
  EXPECT_FALSE(table.Merge("TXT,TxtFile"));  // already held, letter case aside
  EXPECT_TRUE(table.Merge("doc,"));
  EXPECT_EQ(table.slots[1], "doc,");
  EXPECT_EQ(table.slots[2], "");
  for (int n = 2; n < 20; ++n) EXPECT_TRUE(table.Add("x" + std::to_string(n) + ","));
  EXPECT_FALSE(table.Merge("new,"));  // full
}

TEST(InstallRules, RegistryIntegersAndRootTokens) {
  int32_t v = 7;
  EXPECT_TRUE(ParseInt32("-1", v));
  EXPECT_EQ(v, -1);
  EXPECT_TRUE(ParseInt32("$FFFFFFFF", v));
  EXPECT_EQ(v, -1);
  EXPECT_TRUE(ParseInt32("-2147483648", v));
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_TRUE(ParseInt32("$0a0b0c0d", v));
  EXPECT_EQ(v, 0x0A0B0C0D);
  for (const char* bad : {"", "$", "abc", "2147483648", "$100000000", "1 2", "12x", "$xyz"})
    EXPECT_FALSE(ParseInt32(bad, v)) << bad;

  std::string token, path;
  SplitRootToken("(Abc\\Defgh", false, token, path);
  EXPECT_EQ(token, "(Abc\\De");
  EXPECT_EQ(path, "fgh");
  EXPECT_EQ(RootFromToken(token), RegRoot::CurrentUser);
  SplitRootToken("(Abc\\Defgh", true, token, path);
  EXPECT_EQ(token, "(Cuser)");
  EXPECT_EQ(path, "(Abc\\Defgh");
  SplitRootToken("(local)SOFTWARE\\X", true, token, path);
  EXPECT_EQ(RootFromToken(token), RegRoot::CurrentUser);
  EXPECT_EQ(path, "SOFTWARE\\X");
  EXPECT_EQ(RootFromToken("(Class)"), RegRoot::ClassesRoot);
  EXPECT_EQ(RootFromToken("(Local)"), RegRoot::LocalMachine);
  EXPECT_EQ(RootFromToken("(Users)"), RegRoot::Users);
}

}  // namespace
}  // namespace orvane
