// TfrmMain: the wizard window. Its controls, the set-up, the wizard step, closing, and the entry
// points of the two runs.
#pragma once
#include <string>

#include "windows/Controls.h"
#include "windows/FldrDlg.h"
#include "windows/FormHost.h"

namespace orvane {

class Application;
struct SetupContext;

// The page the wizard shows. The wizard step and the closing rules act on it, and a user interface
// tells the pages apart by it (their captions come from the script and may coincide).
enum class WizardPage {
  None,  // the set-up has not run yet
  Title,
  Checking,     // the checker program runs
  CheckPassed,  // the checker's verdict lets the user continue
  CheckFailed,  // the checker's verdict (or its missing result) only lets the user leave
  Licence,
  Readme,
  SelectType,
  Final,      // destination, options and the start of the install
  Uninstall,  // the uninstall's options and its start
  Error,      // the set-up failed: the user can only leave
  Details,    // a run's failure details, shown until the user continues
};

class TfrmMain : public TForm, public IEndSignals {
 public:
  explicit TfrmMain(Application& app);

  Application& app;
  SetupContext& ctx;
  WizardPage page = WizardPage::None;

  TControl& btnEvent;
  TControl& btnEnd;
  TControl& grpMessage;
  TControl& lblMessage;
  TControl& grpSetupFolder;
  TControl& txtFolder;
  TControl& btnRefer;
  TControl& grpOption;
  TControl& chkOverWrite;
  TControl& fraShortCut;
  TControl& lblUnSetupInfo;
  TControl& chkSCutDesktop;
  TControl& chkSCutStartMenu;
  TControl& chkSCutStartUp;
  TControl& chkSCutSendTo;
  TControl& fraTitle;
  TControl& lblTitleA1;
  TControl& lblTitleA2;
  TControl& imgTitle1;
  TControl& lblTitleMessage;
  TControl& fraReadme;
  TControl& txtReadme;
  TControl& fraSelectType;
  TControl& lblSelectTypeMsg;
  TControl& optSelectType1;
  TControl& optSelectType2;
  TControl& imgTitle2;
  TControl& lblTitleB1;
  TControl& lblTitleB2;
  TControl& lblFormShare;
  TFolderDialog dlgFolder;

  // The end signals, carried by window states.
  bool EndRequested() const { return modalResult == 1; }
  bool AbortRequested() const { return !enabled; }
  bool EndConfirmed() const;
  void SetAbortRequested() override { enabled = false; }
  void SetEndRequested() override { modalResult = 1; }
  void SetEndConfirmed() override;

  // Handlers.
  void FormActivate() override;
  bool FormCloseQuery() override;
  void FormClose() override;
  void btnEventClick();
  void btnEndClick();
  void btnReferClick();
  void txtFolderChange() {}

  void SetTextPageVisible(bool show);
  // A run's failure details on the text page under `caption`, with the continue button that ends
  // WaitForDetailsContinue. The caller fills the text box.
  void ShowDetailsPage(const std::string& caption);
  // Starts a program and waits for it while the wizard stays responsive; false when it could not
  // be started.
  bool RunAndWait(const std::string& program, const std::string& arguments);
  // The runs' wait on the failure details: until the start button is disabled again.
  void WaitForDetailsContinue();

  // The runs, started by the final page's start button.
  void RunInstall();
  void RunUninstall();

 private:
  void SetupEnvironment();    // program start's half of the set-up
  void SetupConfiguration();  // the script's start-up keys
  std::string DefaultSetupFolder();       // an install's default destination
  void TickShortcutBoxes(bool unlocked);  // the boxes of the places [ShortCut] uses
  std::string StartMessage(bool setup);   // the wizard's top message
  void ShowErrorScreen();
  void ShowUninstallScreen();
  void CheckEarlierVersion(const std::string& folder);
  void RunChecker(const std::string& checker);
  void LoadTextFile(const std::string& path, const std::string& scrollBars);
  std::string ScriptValue(const std::string& section, const std::string& key,
                          const std::string& defaultValue = "");
  std::string SourcePath(const std::string& relative) const;
};

// Two of the start-up's readings of the script, shared with the script checker: whether the
// bytes make a script at all (text with a section), and the pause [Extend] SetupSpeed gives.
bool IsScriptText(const std::string& bytes);
int SetupSpeedOf(const std::string& text);

}  // namespace orvane
