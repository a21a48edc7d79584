// The wizard's two runs, and the view they have of the program's windows.
#include "app/WizardRunView.h"

#include "app/Application.h"
#include "app/Main.h"
#include "install/InstallRun.h"
#include "uninstall/UninstallRun.h"
#include "windows/CusDlg.h"
#include "windows/Status.h"

namespace orvane {

void TfrmMain::RunInstall() {
  WizardRunView view(app);
  InstallRun run(app.platform, ctx, view);
  run.Run();
}

void TfrmMain::RunUninstall() {
  WizardRunView view(app);
  UninstallRun run(app.platform, ctx, view);
  run.Run();
}

InstallChoices WizardRunView::InstallOptions() {
  TfrmMain& w = app_.frmMain();
  InstallChoices choices;
  if (w.optSelectType1.checked) {
    choices.installType = "1";
  } else if (w.optSelectType2.checked) {
    choices.installType = "2";
  }
  choices.overwrite = w.chkOverWrite.checked;
  choices.desktop = w.chkSCutDesktop.checked;
  choices.startMenu = w.chkSCutStartMenu.checked;
  choices.startUp = w.chkSCutStartUp.checked;
  choices.sendTo = w.chkSCutSendTo.checked;
  return choices;
}

UninstallChoices WizardRunView::TakeUninstallOptions() {
  TfrmMain& w = app_.frmMain();
  for (TControl* box :
       {&w.chkSCutDesktop, &w.chkSCutStartMenu, &w.chkSCutStartUp, &w.chkSCutSendTo})
    box->enabled = false;
  // The set-up hides the other three boxes for the "DeleteAll" layout.
  UninstallChoices choices;
  choices.firstTicked = w.chkSCutDesktop.checked;
  choices.secondTicked = w.chkSCutStartMenu.checked;
  choices.deleteAllLayout =
      !(w.chkSCutStartMenu.visible || w.chkSCutStartUp.visible || w.chkSCutSendTo.visible);
  return choices;
}

std::string WizardRunView::DestinationFolder() {
  return app_.frmMain().txtFolder.caption;
}

void WizardRunView::HideWizard() {
  app_.frmMain().visible = false;
}

void WizardRunView::ShowStatusWindow() {
  // The wizard keeps only its start button, centred, for the failure details.
  TfrmMain& w = app_.frmMain();
  app_.frmStatus().visible = true;
  w.btnEnd.visible = false;
  w.btnEvent.left = (w.clientWidth - w.btnEvent.width) / 2;
}

void WizardRunView::ShowStatus(const std::string& text) {
  app_.frmStatus().ShowStepText(text);
  app_.ProcessMessages();
}

void WizardRunView::ShowProgressFrame(bool show) {
  app_.frmStatus().fraStatus.visible = show;
}

void WizardRunView::ShowProgress(int percent, const std::string& label) {
  TfrmStatus& status = app_.frmStatus();
  status.prgStatus.position = percent;
  status.lblStatus.caption = label;
  app_.ProcessMessages();
}

void WizardRunView::EnableAbort(bool enable) {
  app_.frmStatus().btnAbort.enabled = enable;
}

bool WizardRunView::AbortRequested() {
  return app_.frmMain().AbortRequested();
}

void WizardRunView::ProcessMessages() {
  app_.ProcessMessages();
}

int WizardRunView::ShowMessageBox(const std::string& text, const std::string& caption,
                                  uint32_t flags) {
  return orvane::ShowMessageBox(app_, text, caption, flags);
}

bool WizardRunView::ConfirmSharedFileDeletion(const std::string& question) {
  // The dialog's buttons write their word into the wizard's hidden label, which keeps an "All
  // Delete" or "All Save" answer for the rest of the run.
  TControl& answer = app_.frmMain().lblFormShare;
  if (answer.caption != "Delete" && answer.caption != "Save") {
    answer.caption.clear();
    TfrmCustomDlg& dialog = app_.frmCustomDlg();
    dialog.lblMessage.caption = question;
    app_.ShowModal(dialog);
  }
  // "Save", "No", and a dialog closed without an answer keep the file.
  return answer.caption == "Delete" || answer.caption == "Yes";
}

void WizardRunView::ShowFailureDetails(const std::string& caption, const std::string& text,
                                       bool verticalScrollBar) {
  TfrmMain& w = app_.frmMain();
  TfrmStatus& status = app_.frmStatus();
  w.txtReadme.caption = text;
  if (verticalScrollBar) w.txtReadme.scrollBars = ScrollBars::Vertical;
  w.ShowDetailsPage(caption);
  w.visible = true;
  status.visible = false;
  w.WaitForDetailsContinue();
  w.visible = false;
  app_.ProcessMessages();
  app_.platform.clock.Sleep(500);
  status.visible = true;
}

void WizardRunView::EndRun(RunEnd end, bool closeStatusWindow) {
  TfrmMain& w = app_.frmMain();
  w.SetEndConfirmed();
  if (closeStatusWindow) app_.frmStatus().visible = false;
  w.SetEndRequested();
  if (end == RunEnd::Failed) app_.outcome = ProgramOutcome::Failed;
  if (end == RunEnd::Completed) app_.outcome = ProgramOutcome::Completed;
}

}  // namespace orvane
