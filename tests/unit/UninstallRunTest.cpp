// Tests of the uninstall run on an emulated machine with hand-written uninstall logs: the file
// rules, the shared-file dialog, folders, the destination folder, registry keys and associations,
// and the refusal of log values that reach beyond the installation.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "MachineSnapshot.h"
#include "app/Application.h"
#include "app/Main.h"
#include "app/WizardRunView.h"
#include "install/FileOps.h"
#include "install/SharedFiles.h"
#include "platform/host/HostComponents.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostLz.h"
#include "platform/host/HostProfile.h"
#include "platform/host/HostRegistry.h"
#include "platform/host/HostSystem.h"
#include "platform/host/Machine.h"
#include "support/uIniFile.h"
#include "tests/unit/AppTestSupport.h"
#include "uninstall/UninstallRun.h"
#include "windows/Back.h"
#include "windows/CusDlg.h"
#include "windows/Status.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

// The uninstall run needs no shell and starts no process.
class NoShell : public IShell {
 public:
  std::string SpecialFolderPath(int) override { return ""; }
  uint32_t SaveShellLink(const std::string&, const std::string&, const std::string&,
                         const std::string&) override {
    return 5;
  }
  int Execute(const std::string&, const std::string&, const std::optional<std::string>&) override {
    return 2;
  }
  void ChangeNotify(long) override {}
};
class NoProcesses : public IProcesses {
 public:
  int Start(const std::string&, const std::string&) override { return 0; }
  bool Wait(int, uint32_t) override { return true; }
  void Close(int) override {}
};

using Box = testing::RecordingUi::Box;

// A user who answers message boxes through `answer` (No when unanswered), presses the
// shared-file dialog's buttons in the order of `dialogWords` and presses "Continue(&C)" when the
// failure details are shown.
class FakeUi : public testing::RecordingUi {
 public:
  FakeUi() { yesNoDefault = id::No; }
  std::vector<std::string> dialogWords;  // "Yes", "No", "Delete", "Save"
  std::vector<std::string> dialogTexts;
  bool detailsShown = false;

  void ProcessMessages() override {
    TfrmMain& w = app->frmMain();
    if (w.visible && w.btnEvent.enabled && w.btnEvent.caption == "Continue(&C)") {
      detailsShown = true;
      app->Click(w.btnEvent);
    }
  }
  void HandleMessage() override {
    TfrmCustomDlg& d = app->frmCustomDlg();
    ASSERT_FALSE(app->ModalStack().empty());
    ASSERT_EQ(app->ModalStack().back(), &d);
    dialogTexts.push_back(d.lblMessage.caption);
    std::string word = dialogWords.empty() ? "Save" : dialogWords.front();
    if (!dialogWords.empty()) dialogWords.erase(dialogWords.begin());
    TControl& button = word == "Yes"      ? d.btnYes
                       : word == "No"     ? d.btnNo
                       : word == "Delete" ? d.btnDelete
                                          : d.btnSave;
    app->Click(button);
  }
};

const char kApp[] = "C:\\Program Files\\Viewer\\";
const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

class UninstallRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orvane-uninstall-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    folder_ = tmpl;
    machine_ = host::Machine::Open(folder_);
    files_ = std::make_unique<host::HostFiles>(*machine_);
    profile_ = std::make_unique<host::HostProfile>(*machine_, "C:\\WINDOWS");
    system_ = std::make_unique<host::HostSystem>(*machine_, "C:\\WINDOWS\\UNORVANE.EXE", "");
    clock_ = std::make_unique<host::HostClock>(true, [this](uint32_t ms) { pauses.push_back(ms); });
    components_ = std::make_unique<host::HostComponents>(*machine_);
    lz_ = std::make_unique<host::HostLz>(*machine_);
    platform_ =
        std::make_unique<Platform>(Platform{*files_, *profile_, machine_->Registry(), shell_, *lz_,
                                            *components_, processes_, *system_, *clock_, ui});
    app_ = std::make_unique<Application>(*platform_);
    view_ = std::make_unique<WizardRunView>(*app_);
    ui.app = app_.get();

    SetupContext& c = app_->ctx;
    c.Mode = "UNSETUP";
    c.WindowsFolder = "C:\\WINDOWS\\";
    c.SystemFolder = "C:\\WINDOWS\\system32\\";
    c.ProgramFilesFolder = "C:\\Program Files\\";
    c.TempFolder = "C:\\Users\\User\\AppData\\Local\\Temp\\";
    c.WorkFolder = c.TempFolder + "OVTMP1\\";
    c.ScriptPath = c.WorkFolder + "UNSETUP.INI";
    const std::string roaming = "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\";
    c.ProgramsFolder = roaming + "Start Menu\\Programs\\";
    c.StartupFolder = roaming + "Start Menu\\Programs\\Startup\\";
    c.SendToFolder = roaming + "SendTo\\";
    c.DesktopFolder = "C:\\Users\\User\\Desktop\\";
    c.CommonProgramsFolder = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
    c.CommonStartupFolder = c.CommonProgramsFolder + "Startup\\";
    c.CommonDesktopFolder = "C:\\Users\\Public\\Desktop\\";
    ASSERT_TRUE(ForceFolders(*files_, c.WorkFolder));

    // The uninstall screen as the set-up leaves it; the wizard is the modal window, the background
    // window disabled until the end is confirmed.
    TfrmMain& w = wizard();
    w.txtFolder.caption = kApp;
    w.visible = true;
    w.btnEvent.caption = "Start UnInstall(&S)";
    app_->frmBack().enabled = false;
    Options("0,0,0,0");
  }

  void TearDown() override {
    view_.reset();
    app_.reset();
    machine_.reset();
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  TfrmMain& wizard() { return app_->frmMain(); }
  // An uninstall run over the program's windows, as the uninstall screen's start button makes one.
  UninstallRun NewRun() { return UninstallRun(app_->platform, app_->ctx, *view_); }
  IRegistry& registry() { return machine_->Registry(); }

  // The check boxes as the set-up lays them out for an [UnSetupOption] CheckBox value.
  void Options(const std::string& value) {
    TfrmMain& w = wizard();
    if (value == "DeleteAll") {
      w.chkSCutDesktop.checked = true;
      for (TControl* c : {&w.chkSCutStartMenu, &w.chkSCutStartUp, &w.chkSCutSendTo})
        c->visible = c->checked = false;
      return;
    }
    TControl* boxes[] = {&w.chkSCutDesktop, &w.chkSCutStartMenu, &w.chkSCutStartUp,
                         &w.chkSCutSendTo};
    for (int i = 0; i < 4; ++i) {
      boxes[i]->visible = true;
      boxes[i]->checked = value.size() > size_t(2 * i) && value[2 * i] == '1';
    }
  }

  void Write(const std::string& path, const std::string& bytes = "data") {
    ASSERT_TRUE(ForceFolders(*files_, ExtractFilePath(path))) << path;
    ASSERT_EQ(files_->WriteFile(path, bytes), 0u) << path;
  }
  bool Exists(const std::string& path) {
    FileInfo info;
    return files_->GetInfo(path, info) == 0;
  }
  // The log copy the run reads, written with CR LF line ends.
  void WriteLog(const std::string& text) {
    std::string crlf;
    for (char ch : text) {
      if (ch == '\n') crlf += '\r';
      crlf += ch;
    }
    Write(app_->ctx.ScriptPath, crlf);
  }
  void SetCount(const std::string& path, uint32_t count) {
    registry().CreateKey(RegRoot::LocalMachine, kSharedDlls);
    registry().SetValue(RegRoot::LocalMachine, kSharedDlls, path, RegValue::Dword(count));
  }
  std::string Default(RegRoot root, const std::string& key) {
    RegValue v;
    return registry().GetValue(root, key, "", v) == 0 ? v.data : "<none>";
  }
  std::string ErrorTextOf(uint32_t code) { return ErrorText(*system_, code); }
  std::vector<std::string> Captions() {
    std::vector<std::string> captions;
    for (const Box& b : ui.boxes) captions.push_back(b.caption);
    return captions;
  }

  FakeUi ui;
  std::vector<uint32_t> pauses;
  fs::path folder_;
  std::unique_ptr<host::Machine> machine_;
  std::unique_ptr<host::HostFiles> files_;
  std::unique_ptr<host::HostProfile> profile_;
  std::unique_ptr<host::HostSystem> system_;
  std::unique_ptr<host::HostClock> clock_;
  std::unique_ptr<host::HostComponents> components_;
  std::unique_ptr<host::HostLz> lz_;
  NoShell shell_;
  NoProcesses processes_;
  std::unique_ptr<Platform> platform_;
  std::unique_ptr<Application> app_;
  std::unique_ptr<WizardRunView> view_;
};

// ---- The file rules --------------------------------------------------------------------------

TEST_F(UninstallRunTest, FileRulesWithoutSharedCount) {
  const std::string app = kApp;
  Write(app + "Confirm.dat");
  Write(app + "Confirm2.dat");
  Write(app + "Leave.dat");
  Write("C:\\WINDOWS\\system32\\FORCE.DLL");
  Write("C:\\WINDOWS\\system32\\ASK.OCX");
  Write(app + "LOCAL.DLL");
  Write(app + "Odd.dat");
  UninstallRun run = NewRun();
  // Yes to the first question of each kind, No to the second.
  int questions = 0;
  ui.answer = [&](const Box&) { return ++questions % 2 == 1 ? id::Yes : id::No; };

  EXPECT_EQ(run.DeleteLoggedFile(app + "Confirm.dat", "/R/c"), 0u);
  EXPECT_FALSE(Exists(app + "Confirm.dat"));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].caption, "The confirmation of the file deletion");
  EXPECT_EQ(ui.boxes[0].flags, 36u);
  EXPECT_EQ(ui.boxes[0].text,
            app +
                "Confirm.dat\r\n\r\nMay I delete this file?\r\n\r\n<< Warning >>\r\nA DLL/OCX "
                "file and so on has the possibility that even other programs are used.\r\n"
                "Delete it only when you know that it isn't used securely.");
  EXPECT_EQ(run.DeleteLoggedFile(app + "Confirm2.dat", "/C"), 0u);
  EXPECT_TRUE(Exists(app + "Confirm2.dat"));  // No keeps it, without a failure

  EXPECT_EQ(run.DeleteLoggedFile(app + "Leave.dat", "/L"), 0u);
  EXPECT_TRUE(Exists(app + "Leave.dat"));
  // "/F" deletes a component in the system folder without the DLL/OCX question.
  EXPECT_EQ(run.DeleteLoggedFile("C:\\WINDOWS\\system32\\FORCE.DLL", "/F"), 0u);
  EXPECT_FALSE(Exists("C:\\WINDOWS\\system32\\FORCE.DLL"));
  ASSERT_EQ(ui.boxes.size(), 2u);

  // The same kind of file is asked about in the system folder, not in the destination folder.
  questions = 0;
  EXPECT_EQ(run.DeleteLoggedFile("C:\\WINDOWS\\system32\\ASK.OCX", ""), 0u);
  ASSERT_EQ(ui.boxes.size(), 3u);
  EXPECT_EQ(ui.boxes[2].text,
            "C:\\WINDOWS\\system32\\ASK.OCX\r\n\r\nThis DLL/OCX file has the possibility that it "
            "will be used by the program from now on though it isn't registered.\r\nMay I delete "
            "this file?");
  EXPECT_FALSE(Exists("C:\\WINDOWS\\system32\\ASK.OCX"));
  EXPECT_EQ(run.DeleteLoggedFile(app + "LOCAL.DLL", ""), 0u);
  EXPECT_FALSE(Exists(app + "LOCAL.DLL"));
  // Letters the uninstall does not know change nothing.
  EXPECT_EQ(run.DeleteLoggedFile(app + "Odd.dat", "/Z/Q/W"), 0u);
  EXPECT_FALSE(Exists(app + "Odd.dat"));
  EXPECT_EQ(ui.boxes.size(), 3u);
  EXPECT_EQ(run.DeleteLoggedFile(app + "Missing.dat", ""), 2u);
}

TEST_F(UninstallRunTest, SharedCountsAreLoweredOnlyWithTheSharedMark) {
  const std::string three = "C:\\WINDOWS\\system32\\THREE.DLL";
  const std::string plain = "C:\\WINDOWS\\system32\\PLAIN.DLL";
  Write(three);
  Write(plain);
  SetCount(three, 3);
  SetCount(plain, 2);
  UninstallRun run = NewRun();
  EXPECT_EQ(run.DeleteLoggedFile(three, "/S/R"), 0u);
  EXPECT_EQ(SharedCount(registry(), three), 2);
  EXPECT_EQ(run.DeleteLoggedFile(plain, "/R"), 0u);
  EXPECT_EQ(SharedCount(registry(), plain), 2);
  EXPECT_TRUE(Exists(three));
  EXPECT_TRUE(Exists(plain));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_TRUE(ui.dialogTexts.empty());
}

// ---- The shared-file dialog --------------------------------------------------------------------

class SharedFileDialogTest : public UninstallRunTest {
 protected:
  void SetUp() override {
    UninstallRunTest::SetUp();
    for (const char* name : {"A.DLL", "B.DLL", "C.DLL"}) {
      Write(std::string(kApp) + name);
      SetCount(std::string(kApp) + name, 1);
    }
  }
  std::vector<bool> RunThree() {
    UninstallRun run = NewRun();
    std::vector<bool> kept;
    for (const char* name : {"A.DLL", "B.DLL", "C.DLL"}) {
      EXPECT_EQ(run.DeleteLoggedFile(std::string(kApp) + name, ",/S"), 0u);
      EXPECT_EQ(SharedCount(registry(), std::string(kApp) + name), 0);
      kept.push_back(Exists(std::string(kApp) + name));
    }
    return kept;
  }
};

TEST_F(SharedFileDialogTest, AllSaveAnswersEveryLaterFile) {
  wizard().lblFormShare.caption = "Can't Delete";
  ui.dialogWords = {"Save"};
  EXPECT_EQ(RunThree(), (std::vector<bool>{true, true, true}));
  ASSERT_EQ(ui.dialogTexts.size(), 1u);
  EXPECT_EQ(ui.dialogTexts[0],
            std::string(kApp) +
                "A.DLL\r\n\r\nI don't have this common file used by every program at present.\r\n"
                "But, it has the possibility that it will be used by the program from now on.\r\n"
                "May I delete this file?");
  EXPECT_EQ(wizard().lblFormShare.caption, "Save");
  EXPECT_FALSE(app_->frmCustomDlg().visible);
}

TEST_F(SharedFileDialogTest, YesAndNoAnswerOneFileAllDeleteTheRest) {
  ui.dialogWords = {"Yes", "No", "Delete"};
  EXPECT_EQ(RunThree(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(ui.dialogTexts.size(), 3u);
  ui.dialogTexts.clear();
  // The remembered "Delete" answers the next shared file without a question.
  Write(std::string(kApp) + "D.DLL");
  SetCount(std::string(kApp) + "D.DLL", 1);
  UninstallRun run = NewRun();
  run.DeleteLoggedFile(std::string(kApp) + "D.DLL", "/S");
  EXPECT_FALSE(Exists(std::string(kApp) + "D.DLL"));
  EXPECT_TRUE(ui.dialogTexts.empty());
}

// ---- The whole run -----------------------------------------------------------------------------

TEST_F(UninstallRunTest, RunRemovesTheInstallationAndNothingElse) {
  const std::string app = kApp;
  const std::string programs = app_->ctx.ProgramsFolder;
  Write(app + "Viewer.exe");
  Write(app + "Data\\Sub\\cache.ini");
  Write(app + "Data\\notes.ini");
  Write(app + "UNSETUP.INI");
  Write(programs + "Viewer\\Viewer.lnk");
  Write(app_->ctx.DesktopFolder + "Viewer.lnk");
  Write("C:\\WINDOWS\\ORVANEDB.INI",
        "[ViewerApp]\r\nFolder=C:\\Program Files\\Viewer\\\r\n[Other]\r\nFolder=C:\\Other\\\r\n");
  Write("C:\\Users\\User\\keep.txt", "user data");
  registry().CreateKey(RegRoot::LocalMachine, "SOFTWARE\\Vendor\\Viewer\\Settings");
  registry().CreateKey(RegRoot::CurrentUser, "Software\\Vendor\\Viewer");
  registry().CreateKey(RegRoot::CurrentUser, "Software\\Vendor\\Other");
  const std::string uninstallKey =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Viewer UnInstall";
  registry().CreateKey(RegRoot::LocalMachine, uninstallKey);
  registry().SetValue(RegRoot::LocalMachine, uninstallKey, "DisplayName",
                      RegValue::String("Viewer"));
  registry().CreateKey(RegRoot::LocalMachine,
                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                       "Uninstall\\Other Program");
  // A key 99 levels deep.
  std::string deep = "Software\\Deep";
  for (int i = 0; i < 98; ++i) deep += "\\L" + std::to_string(i);
  registry().CreateKey(RegRoot::CurrentUser, deep);
  WriteLog(
      "[SetupFolder]\nFolder=C:\\Program Files\\Viewer\\\n"
      "[DeleteFolder]\nFolder1=C:\\Program Files\\Viewer\\Data\\\n"
      "Folder2=C:\\Program Files\\Viewer\\Data\\Sub\\\n"
      "[DeleteFile]\nFile1=C:\\Program Files\\Viewer\\Viewer.exe\n"
      "File2=C:\\Program Files\\Viewer\\UNSETUP.INI\n"
      "[DeleteShortCut]\n"
      "File1=" +
      programs +
      "Viewer\\Viewer.lnk\n"
      "File2=" +
      app_->ctx.DesktopFolder +
      "Viewer.lnk\n"
      "[DeleteRegistry]\nKey1=(Local)SOFTWARE\\Vendor\\Viewer\\\nKey2=Software\\Vendor\\Viewer\n"
      "Key3=(Cuser)" +
      deep +
      "\n"
      "[UnSetupRegistryKey]\nKey=" +
      uninstallKey +
      "\n"
      "[ProgramID]\nID=ViewerApp\n");
  Options("1,0,0,0");  // *.INI
  test::MachineSnapshot before = test::MachineSnapshot::Take(*machine_);

  UninstallRun run = NewRun();
  run.Run();

  EXPECT_EQ(run.failureCount, 0) << run.failureLog;
  EXPECT_EQ(run.maskList, "*.INI|");
  std::vector<std::string> diff = test::Diff(before, test::MachineSnapshot::Take(*machine_));
  auto has = [&](const std::string& line) {
    return std::find(diff.begin(), diff.end(), line) != diff.end();
  };
  for (const std::string& gone : std::vector<std::string>{
           "folder removed: C:\\Program Files\\Viewer",
           "file removed: C:\\Program Files\\Viewer\\Viewer.exe",
           "folder removed: C:\\Program Files\\Viewer\\Data\\Sub",
           "folder removed: " + programs.substr(0, programs.size() - 1) + "\\Viewer",
           "file removed: C:\\Users\\User\\Desktop\\Viewer.lnk",
           "key removed: [HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Viewer]",
           "key removed: [HKEY_CURRENT_USER\\Software\\Vendor\\Viewer]",
           "key removed: [HKEY_LOCAL_MACHINE\\" + uninstallKey + "]"})
    EXPECT_TRUE(has(gone)) << gone << "\n"
                           << test::DiffText(before, test::MachineSnapshot::Take(*machine_));
  // Nothing outside the installation changed: every difference is one of its own.
  for (const std::string& line : diff) {
    bool own = line.find("Viewer") != std::string::npos || line.find("Deep") != std::string::npos ||
               line.find("ORVANEDB.INI") != std::string::npos;
    EXPECT_TRUE(own) << line;
  }
  // The 99-level key itself goes; its parents were not listed and stay.
  EXPECT_FALSE(registry().KeyExists(RegRoot::CurrentUser, deep));
  EXPECT_TRUE(registry().KeyExists(RegRoot::CurrentUser, "Software\\Deep\\L0"));
  EXPECT_TRUE(Exists(app_->ctx.DesktopFolder));  // a special folder is never removed
  EXPECT_TRUE(Exists(app_->ctx.ProgramsFolder));
  EXPECT_EQ(ReadIni(*profile_, "ViewerApp", "Folder", "", "C:\\WINDOWS\\ORVANEDB.INI"), "");
  EXPECT_EQ(ReadIni(*profile_, "Other", "Folder", "", "C:\\WINDOWS\\ORVANEDB.INI"), "C:\\Other\\");

  // The visible course: wizard hidden, status shown, completion message and end signals.
  EXPECT_FALSE(wizard().visible);
  EXPECT_TRUE(app_->frmStatus().visible);
  EXPECT_FALSE(wizard().btnEnd.visible);
  EXPECT_EQ(wizard().btnEvent.left, (wizard().clientWidth - wizard().btnEvent.width) / 2);
  EXPECT_FALSE(wizard().chkSCutDesktop.enabled);
  EXPECT_EQ(app_->frmStatus().lblMessage.caption, "UnInstall is now complete.");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "UnInstall is now complete.");
  EXPECT_EQ(ui.boxes[0].caption, "Complete");
  EXPECT_EQ(ui.boxes[0].flags, 64u);
  EXPECT_TRUE(wizard().EndRequested());
  EXPECT_TRUE(wizard().EndConfirmed());
  EXPECT_EQ(app_->outcome, ProgramOutcome::Completed);
  EXPECT_EQ(machine_->CurrentFolder().rfind("C:\\Users\\User\\AppData\\Local\\Temp", 0), 0u)
      << machine_->CurrentFolder();
}

TEST_F(UninstallRunTest, FailuresAreCollectedAndShownOnRequest) {
  const std::string app = kApp;
  Write(app + "Viewer.exe");
  Write(app + "user.doc", "the user's own file");
  Write(app + "Data\\left.txt");
  WriteLog(
      "[DeleteFolder]\nFolder1=C:\\Program Files\\Viewer\\Data\\\n"
      "[DeleteFile]\nFile1=C:\\Program Files\\Viewer\\Viewer.exe\nFile2=" +
      app +
      "Gone.exe\n"
      "[AddDeleteFile]\nFile1=" +
      app +
      "NotThere.tmp\n"
      "[Extend]\nSetupString=Install\n");
  ui.answer = [](const Box& b) { return b.caption == "Warning" ? id::Yes : id::Ok; };
  wizard().RunUninstall();

  TfrmMain& w = wizard();
  const std::string expected =
      "<File> " + app + "Gone.exe\r\n" + ErrorTextOf(2) + "\r\n" + "<Folder> " + app +
      "Data\\\r\n" + ErrorTextOf(145) + "\r\n" + "<SetupFolder> " + app + "\r\n" +
      "A Install folder couldn't be removed because a file was left in the folder.\r\n"
      "Delete it from Explorer and so on directly.\r\n";
  EXPECT_EQ(w.txtReadme.caption, expected);
  EXPECT_EQ(w.txtReadme.scrollBars, ScrollBars::Vertical);
  EXPECT_EQ(w.fraReadme.caption, "The details indication of the deletion management failure");
  EXPECT_TRUE(ui.detailsShown);
  EXPECT_FALSE(w.btnEvent.enabled);  // "Continue(&C)" was pressed
  EXPECT_FALSE(w.visible);
  EXPECT_TRUE(app_->frmStatus().visible);
  EXPECT_NE(std::find(pauses.begin(), pauses.end(), 500u), pauses.end());
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].text,
            "Some of the management failed in the UnInstall.\r\nDo you indicate details?");
  EXPECT_EQ(ui.boxes[0].flags, 52u);
  EXPECT_EQ(ui.boxes[1].caption, "Complete");
  EXPECT_TRUE(Exists(app + "user.doc"));
  EXPECT_FALSE(Exists(app + "Viewer.exe"));
}

TEST_F(UninstallRunTest, DeleteAllEmptiesTheDestinationWithoutFolderFailures) {
  const std::string app = kApp;
  Write(app + "user.doc");
  Write(app + "Data\\Sub\\left.txt");
  WriteLog("[DeleteFolder]\nFolder1=" + app + "Data\\\n");
  Options("DeleteAll");
  UninstallRun run = NewRun();
  run.Run();
  EXPECT_TRUE(run.deleteAll);
  EXPECT_EQ(run.maskList, "");
  EXPECT_EQ(run.failureCount, 0) << run.failureLog;
  EXPECT_FALSE(Exists(app));
  EXPECT_TRUE(Exists("C:\\Program Files"));
  EXPECT_EQ(Captions(), std::vector<std::string>{"Complete"});
}

TEST_F(UninstallRunTest, FoldersAreRemovedDeepestFirstWithTheMaskList) {
  const std::string app = kApp;
  Write(app + "keep.txt");
  Write(app + "A\\B\\C\\x.GID");
  Write(app + "A\\B\\y.INI");
  WriteLog("[DeleteFolder]\nFolder1=" + app + "A\\\nFolder2=" + app + "A\\B\\\nFolder3=" + app +
           "A\\B\\C\\\n");
  Options("1,1,0,0");
  UninstallRun run = NewRun();
  run.Run();
  EXPECT_EQ(run.maskList, "*.INI|*.GID|");
  EXPECT_FALSE(Exists(app + "A"));
  // Only the user's file keeps the destination folder.
  EXPECT_EQ(run.failureCount, 1) << run.failureLog;
  EXPECT_TRUE(Exists(app + "keep.txt"));
}

TEST_F(UninstallRunTest, ProtectedDestinationIsLeftAlone) {
  Write("C:\\WINDOWS\\win.ini", "[windows]");
  for (const char* destination : {"C:\\WINDOWS\\", "c:\\program files\\", "C:\\Users\\"}) {
    wizard().txtFolder.caption = destination;
    Options("DeleteAll");
    test::MachineSnapshot before = test::MachineSnapshot::Take(*machine_);
    UninstallRun run = NewRun();
    run.Run();
    EXPECT_EQ(run.failureCount, 0) << destination << run.failureLog;
    EXPECT_EQ(test::DiffText(before, test::MachineSnapshot::Take(*machine_)), "") << destination;
    EXPECT_EQ(app_->outcome, ProgramOutcome::Completed);
  }
}

TEST_F(UninstallRunTest, DestinationThatIsNoFolderOfADriveEndsTheRun) {
  Write(std::string(kApp) + "Viewer.exe");
  Write("C:\\WINDOWS\\ORVANEDB.INI", "[ViewerApp]\r\nFolder=x\r\n");
  Write("C:\\Users\\User\\AppData\\Local\\Temp\\OVTMP1\\Viewer.exe");
  WriteLog(
      "[DeleteFile]\nFile1=C:\\Program Files\\Viewer\\Viewer.exe\nFile2=Viewer.exe\n"
      "[ProgramID]\nID=ViewerApp\n");
  for (const char* destination :
       {"\\", "", "C:", "C:\\", "D:\\", "Viewer\\", "\\Program Files\\Viewer\\",
        "\\\\server\\share\\Viewer\\", "C:\\Program Files\\..\\", "C:\\Program Files\\*\\",
        "C:/Program Files/Viewer/", "C:\\Program Files\\\\Viewer\\"}) {
    SCOPED_TRACE(destination);
    ui.boxes.clear();
    wizard().txtFolder.caption = destination;
    wizard().modalResult = 0;
    app_->frmBack().enabled = false;
    app_->outcome = ProgramOutcome::Left;
    test::MachineSnapshot before = test::MachineSnapshot::Take(*machine_);
    wizard().RunUninstall();
    EXPECT_EQ(test::DiffText(before, test::MachineSnapshot::Take(*machine_)), "");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              "An UnInstall folder isn't clear.\r\nThe UnInstall can't be continued.");
    EXPECT_EQ(ui.boxes[0].caption, "Fatal Error");
    EXPECT_EQ(ui.boxes[0].flags, 16u);
    EXPECT_TRUE(wizard().EndRequested());
    EXPECT_TRUE(wizard().EndConfirmed());
    EXPECT_EQ(app_->outcome, ProgramOutcome::Failed);
  }
}

TEST_F(UninstallRunTest, LogValuesReachingBeyondTheInstallationAreRefused) {
  const std::string app = kApp;
  Write("C:\\WINDOWS\\win.ini");
  Write("C:\\WINDOWS\\system32\\KEEP.DLL");
  Write("C:\\autoexec.bat");
  Write("C:\\Users\\User\\AppData\\Local\\Temp\\OVTMP1\\rel.txt");
  Write(app + "Logs\\a.log");
  Write(app + "Logs\\b.log");
  registry().CreateKey(RegRoot::LocalMachine,
                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                       "Uninstall\\Other Program");
  registry().CreateKey(RegRoot::ClassesRoot, "CLSID\\{0001}");
  registry().CreateKey(RegRoot::ClassesRoot, ".exe");
  registry().CreateKey(RegRoot::CurrentUser, "Software\\Other");
  registry().CreateKey(RegRoot::Users, ".DEFAULT\\Software\\Other");
  WriteLog("[DeleteFolder]\nFolder1=C:\\WINDOWS\\\nFolder2=C:\\\nFolder3=" + app +
           "*\\\n"
           "Folder4=Relative\\\nFolder5=C:\\PROGRA~1\\\nFolder6=" +
           app +
           "..\\..\\WINDOWS\\\n"
           "Folder7=" +
           app +
           "Logs\\\n"
           "[DeleteFile]\nFile1=C:\\WINDOWS\\*.*\nFile2=rel.txt\n"
           "[AddDeleteFile]\nFile1=C:\\*.BAT\nFile2=C:\\WINDOWS\nFile3=C:\\W*\\win.ini\n"
           "File4=" +
           app +
           "Logs\\*.log\nFile5=C:\\Windows. \\*.INI\n"
           "[DeleteShortCut]\nFile1=C:\\Users\\User\\Desktop\\*.lnk\n"
           "[DeleteRegistry]\nKey1=(Local)SOFTWARE\nKey2=(Class)CLSID\nKey3=Software\\\n"
           "Key4=(Users).DEFAULT\\Software\nKey5=(Local)SOFTWARE\\Classes\\\nKey6=(Local)\\\n"
           "[RestoreRelate]\nKey1=exe,\n"
           "[UnSetupRegistryKey]\nKey=SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\n");
  test::MachineSnapshot before = test::MachineSnapshot::Take(*machine_);
  UninstallRun run = NewRun();
  run.Run();
  std::string diff = test::DiffText(before, test::MachineSnapshot::Take(*machine_));
  // Only the installation's own pattern and folder went.
  EXPECT_EQ(diff,
            "folder removed: C:\\Program Files\\Viewer\n"
            "folder removed: C:\\Program Files\\Viewer\\Logs\n"
            "file removed: C:\\Program Files\\Viewer\\Logs\\a.log\n"
            "file removed: C:\\Program Files\\Viewer\\Logs\\b.log\n");
  const std::string& log = run.failureLog;
  EXPECT_NE(log.find("<Folder> C:\\WINDOWS\\\r\nThis is a drive root or a folder of Windows, so it "
                     "wasn't deleted.\r\n\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("<Folder> " + app + "*\\\r\nA wildcard here"), std::string::npos);
  EXPECT_NE(log.find("<Folder> Relative\\\r\nThis isn't a full path on a drive"),
            std::string::npos);
  EXPECT_NE(log.find("<Folder> C:\\PROGRA~1\\\r\nThis is a drive root"), std::string::npos);
  EXPECT_NE(log.find("<File> C:\\WINDOWS\\*.*\r\nA wildcard here"), std::string::npos);
  // Windows drops the trailing dot and blank: the Windows folder under another spelling.
  EXPECT_NE(log.find("<File> C:\\Windows. \\*.INI\r\nA wildcard here"), std::string::npos);
  EXPECT_NE(log.find("<File> rel.txt\r\nThis isn't a full path"), std::string::npos);
  EXPECT_NE(log.find("<ShortCut> C:\\Users\\User\\Desktop\\*.lnk\r\n"), std::string::npos);
  EXPECT_NE(log.find("<Registry> HKEY_LOCAL_MACHINE\\SOFTWARE\r\n"), std::string::npos);
  EXPECT_NE(log.find("<Registry> HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
                     "\\Uninstall\\\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("<Registry> HKEY_CLASSES_ROOT\\.exe\r\n"), std::string::npos);
  // Six folders (the seventh is the installation's own), two files, four of five additional
  // files, one shortcut, six registry keys, the .exe association and the whole Uninstall list.
  EXPECT_EQ(run.failureCount, 6 + 2 + 4 + 1 + 6 + 1 + 1) << log;
}

TEST_F(UninstallRunTest, AssociationsAreRestored) {
  IRegistry& r = registry();
  // Changed from "txtfile" to the package's class: restored, the package's class removed.
  r.CreateKey(RegRoot::ClassesRoot, ".txt");
  r.SetValue(RegRoot::ClassesRoot, ".txt", "", RegValue::String("txt_auto_file"));
  r.CreateKey(RegRoot::ClassesRoot, "txt_auto_file\\shell\\open\\command");
  r.CreateKey(RegRoot::ClassesRoot, "txtfile");
  // New with the package: both keys go.
  r.CreateKey(RegRoot::ClassesRoot, ".vwr");
  r.SetValue(RegRoot::ClassesRoot, ".vwr", "", RegValue::String("vwr_auto_file"));
  r.CreateKey(RegRoot::ClassesRoot, "vwr_auto_file\\shell");
  // It pointed at its own _auto_file class before: that class stays.
  r.CreateKey(RegRoot::ClassesRoot, ".abc");
  r.SetValue(RegRoot::ClassesRoot, ".abc", "", RegValue::String("other"));
  r.CreateKey(RegRoot::ClassesRoot, "abc_auto_file");
  // A previous class but the extension's key is gone: counted as empty.
  r.CreateKey(RegRoot::ClassesRoot, "zzz_auto_file");
  ASSERT_TRUE(ForceFolders(*files_, kApp));
  WriteLog(
      "[RestoreRelate]\nKey1=txt,txtfile\nKey2=vwr,\nKey3=abc,ABC_Auto_File\nKey4=zzz,zzzfile\n");
  UninstallRun run = NewRun();
  run.Run();
  EXPECT_EQ(Default(RegRoot::ClassesRoot, ".txt"), "txtfile");
  EXPECT_FALSE(r.KeyExists(RegRoot::ClassesRoot, "txt_auto_file"));
  EXPECT_TRUE(r.KeyExists(RegRoot::ClassesRoot, "txtfile"));
  EXPECT_FALSE(r.KeyExists(RegRoot::ClassesRoot, ".vwr"));
  EXPECT_FALSE(r.KeyExists(RegRoot::ClassesRoot, "vwr_auto_file"));
  EXPECT_EQ(Default(RegRoot::ClassesRoot, ".abc"), "ABC_Auto_File");
  EXPECT_TRUE(r.KeyExists(RegRoot::ClassesRoot, "abc_auto_file"));
  EXPECT_FALSE(r.KeyExists(RegRoot::ClassesRoot, ".zzz"));
  EXPECT_FALSE(r.KeyExists(RegRoot::ClassesRoot, "zzz_auto_file"));
  EXPECT_EQ(run.failureCount, 0) << run.failureLog;
}

TEST_F(UninstallRunTest, MissingOrBrokenLogsEndInADefinedWay) {
  const std::string app = kApp;
  Write(app + "user.doc");
  static const char kJunk[] = "\x00\xFF\x81[\\]=\x1A\r\n[DeleteFile]\nFile1=\x81\\,/S/C/L\n";
  const std::vector<std::string> logs = {
      "",  // no log at all
      std::string(kJunk, sizeof kJunk - 1),
      "[DeleteFile]\nFile1=,/S\nFile2=" + app + "user.doc\n",  // an empty path ends the section
      "[DeleteRegistry]\nKey1=(Local\nKey2=()\n[RestoreRelate]\nKey1=,\nKey2=a\\b,c\n"};
  for (size_t i = 0; i < logs.size(); ++i) {
    SCOPED_TRACE(i);
    ui.boxes.clear();
    if (i == 0) {
      files_->RemoveFile(app_->ctx.ScriptPath);
    } else {
      WriteLog(logs[i]);
    }
    test::MachineSnapshot before = test::MachineSnapshot::Take(*machine_);
    UninstallRun run = NewRun();
    run.Run();
    EXPECT_EQ(app_->outcome, ProgramOutcome::Completed);
    EXPECT_TRUE(Exists(app + "user.doc"));
    EXPECT_EQ(test::DiffText(before, test::MachineSnapshot::Take(*machine_)), "");
    EXPECT_EQ(Captions().back(), "Complete");
  }
}

TEST(UninstallRunChecks, DriveFolders) {
  for (const char* ok : {"C:\\App\\", "c:\\App", "D:\\a b\\c.d\\", "C:\\\x83\\\\"})
    EXPECT_TRUE(IsAbsoluteDriveFolder(ok)) << ok;
  for (const char* bad :
       {"", "\\", "C:", "C:\\", "App\\", "\\\\srv\\share\\", "C:App\\", "C:\\A\\..\\", "C:\\A\\.\\",
        "C:\\A\\ . \\", "C:\\A\\\\B\\", "C:\\A*\\", "C:\\A?", "C:\\A/B\\", "1:\\A\\", "C:\\A:B\\"})
    EXPECT_FALSE(IsAbsoluteDriveFolder(bad)) << bad;
}

TEST(UninstallRunChecks, RegistryKeys) {
  for (auto [token, path] : std::vector<std::pair<const char*, const char*>>{
           {"(Local)", ""},
           {"(Local)", "SOFTWARE\\"},
           {"(Cuser)", "Software"},
           {"(Local)", "software\\microsoft"},
           {"(Local)", "SOFTWARE\\Classes\\"},
           {"(Local)", "SOFTWARE\\Classes\\CLSID"},
           {"(Class)", "CLSID\\"},
           {"(Class)", "*"},
           {"(Class)", ".EXE"},
           {"(Users)", ".DEFAULT"},
           {"(Users)", ".DEFAULT\\Software"},
           {"(Xyzzy)", "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\"},
           {"(Local)", "SOFTWARE\\Vendor\\..\\Microsoft"},
           {"(Local)", "SOFTWARE\\\\Vendor"}})
    EXPECT_TRUE(IsProtectedRegistryKey(token, path)) << token << path;
  for (auto [token, path] : std::vector<std::pair<const char*, const char*>>{
           {"(Local)", "SOFTWARE\\Vendor\\"},
           {"(Cuser)", "Software\\Vendor\\App"},
           {"(Class)", ".vwr"},
           {"(Class)", "vwr_auto_file"},
           {"(Local)", "SOFTWARE\\Classes\\.vwr"},
           {"(Users)", ".DEFAULT\\Software\\Vendor"},
           {"(Local)", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Viewer"}})
    EXPECT_FALSE(IsProtectedRegistryKey(token, path)) << token << path;
}

}  // namespace
}  // namespace orvane
