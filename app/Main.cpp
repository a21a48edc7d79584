// The wizard window: its layout, the end signals, the start button's wizard step, closing.
#include "app/Main.h"

#include "app/Application.h"
#include "app/Texts.h"
#include "install/FileOps.h"
#include "support/MBUtils.h"
#include "support/uIniFile.h"
#include "support/uStrOp.h"
#include "windows/Back.h"
#include "windows/Status.h"

namespace orvane {

TfrmMain::TfrmMain(Application& app)
    : TForm("frmMain", "Orvane Setup", 489, 297),
      app(app),
      ctx(app.ctx),
      btnEvent(Add(nullptr, ControlKind::Button, "btnEvent", 64, 264, 161, 25)),
      btnEnd(Add(nullptr, ControlKind::Button, "btnEnd", 272, 264, 153, 25, "Exit Install(&E)")),
      grpMessage(Add(nullptr, ControlKind::GroupBox, "grpMessage", 8, 8, 473, 89, "Message")),
      lblMessage(Add(&grpMessage, ControlKind::Label, "lblMessage", 8, 16, 457, 65)),
      grpSetupFolder(Add(nullptr, ControlKind::GroupBox, "grpSetupFolder", 8, 104, 473, 49,
                         "Destination Directory")),
      txtFolder(Add(&grpSetupFolder, ControlKind::Edit, "txtFolder", 8, 18, 385, 22)),
      btnRefer(Add(&grpSetupFolder, ControlKind::Button, "btnRefer", 400, 16, 65, 25,
                   "Browse(&R)")),
      grpOption(Add(nullptr, ControlKind::GroupBox, "grpOption", 8, 160, 473, 89,
                    "Install Option")),
      chkOverWrite(Add(&grpOption, ControlKind::CheckBox, "chkOverWrite", 8, 16, 457, 17,
                       "Auto OverWrite.(If file already exist, Installer copy new file.)")),
      fraShortCut(Add(&grpOption, ControlKind::GroupBox, "fraShortCut", 8, 40, 457, 41,
                      "ShortCut")),
      lblUnSetupInfo(Add(&fraShortCut, ControlKind::Label, "lblUnSetupInfo", 8, 16, 441, 17)),
      chkSCutDesktop(Add(&fraShortCut, ControlKind::CheckBox, "chkSCutDesktop", 8, 16, 105, 17,
                         "DeskTop")),
      chkSCutStartMenu(Add(&fraShortCut, ControlKind::CheckBox, "chkSCutStartMenu", 120, 16, 105,
                           17, "StartMenu")),
      chkSCutStartUp(Add(&fraShortCut, ControlKind::CheckBox, "chkSCutStartUp", 232, 16, 105, 17,
                         "StartUp")),
      chkSCutSendTo(Add(&fraShortCut, ControlKind::CheckBox, "chkSCutSendTo", 344, 16, 105, 17,
                        "SendTo")),
      fraTitle(Add(nullptr, ControlKind::GroupBox, "fraTitle", 8, 16, 473, 241)),
      lblTitleA1(Add(&fraTitle, ControlKind::Label, "lblTitleA1", 56, 16, 200, 16,
                     "General-purpose 32Bit Installer")),
      lblTitleA2(Add(&fraTitle, ControlKind::Label, "lblTitleA2", 56, 32, 200, 20, "Orvane Setup")),
      imgTitle1(Add(&fraTitle, ControlKind::Image, "imgTitle1", 16, 16, 32, 32)),
      lblTitleMessage(Add(&fraTitle, ControlKind::Label, "lblTitleMessage", 16, 72, 441, 153)),
      fraReadme(Add(nullptr, ControlKind::GroupBox, "fraReadme", 8, 16, 473, 241)),
      txtReadme(Add(&fraReadme, ControlKind::Memo, "txtReadme", 8, 16, 457, 217)),
      fraSelectType(Add(nullptr, ControlKind::GroupBox, "fraSelectType", 8, 8, 473, 241)),
      lblSelectTypeMsg(Add(&fraSelectType, ControlKind::Label, "lblSelectTypeMsg", 16, 24, 441,
                           41)),
      optSelectType1(Add(&fraSelectType, ControlKind::RadioButton, "optSelectType1", 32, 80, 409,
                         17)),
      optSelectType2(Add(&fraSelectType, ControlKind::RadioButton, "optSelectType2", 32, 112, 409,
                         17)),
      imgTitle2(Add(&fraSelectType, ControlKind::Image, "imgTitle2", 232, 184, 32, 32)),
      lblTitleB1(Add(&fraSelectType, ControlKind::Label, "lblTitleB1", 272, 184, 193, 16,
                     "General-purpose 32Bit Installer")),
      lblTitleB2(Add(&fraSelectType, ControlKind::Label, "lblTitleB2", 272, 200, 193, 20,
                     "Orvane Setup")),
      lblFormShare(Add(nullptr, ControlKind::Label, "lblFormShare", 8, 280, 60, 12,
                       "Can't Delete")),
      dlgFolder(app.platform.ui) {
  font = {texts::kFontPGothic, 12};
  for (TControl* c : Controls()) c->font = font;
  TFont gothic{texts::kFontGothic, 12};
  TFont times{"Times New Roman", 12, clBlack, true};
  lblTitleA1.font = lblTitleB1.font = times;
  times.height = 16;
  times.color = clBlue;
  lblTitleA2.font = lblTitleB2.font = times;
  lblTitleMessage.font = txtReadme.font = gothic;
  txtFolder.font.height = 16;

  btnEvent.enabled = false;
  btnEnd.enabled = false;
  for (TControl* group : {&grpMessage, &grpSetupFolder, &grpOption, &fraTitle, &fraReadme,
                          &fraSelectType})
    group->visible = false;
  lblMessage.wordWrap = lblTitleMessage.wordWrap = lblUnSetupInfo.wordWrap = true;
  txtFolder.enabled = false;
  btnRefer.enabled = false;
  chkOverWrite.checked = true;
  chkOverWrite.enabled = false;
  for (TControl* box : {&chkSCutDesktop, &chkSCutStartMenu, &chkSCutStartUp, &chkSCutSendTo}) {
    box->checked = false;
    box->enabled = false;
  }
  lblUnSetupInfo.visible = false;
  txtReadme.readOnly = true;
  txtReadme.scrollBars = ScrollBars::Vertical;
  txtReadme.color = clWindow;
  optSelectType1.checked = true;
  lblFormShare.visible = false;
  dlgFolder.Title = texts::kFolderDialogTitle;
  btnEvent.onClick = [this] { btnEventClick(); };
  btnEnd.onClick = [this] { btnEndClick(); };
  btnRefer.onClick = [this] { btnReferClick(); };
  txtFolder.onChange = [this] { txtFolderChange(); };
}

bool TfrmMain::EndConfirmed() const { return app.frmBack().enabled; }
void TfrmMain::SetEndConfirmed() { app.frmBack().enabled = true; }

void TfrmMain::SetTextPageVisible(bool show) {
  fraReadme.visible = show;
  grpMessage.visible = !show;
  grpSetupFolder.visible = !show;
  grpOption.visible = !show;
}

void TfrmMain::ShowDetailsPage(const std::string& caption) {
  btnEvent.caption = "Continue(&C)";
  btnEvent.enabled = true;
  fraReadme.caption = caption;
  SetTextPageVisible(true);
  page = WizardPage::Details;
}

void TfrmMain::ShowStatus(const std::string& text) {
  app.frmStatus().ShowStepText(text);
  app.ProcessMessages();
}

void TfrmMain::WaitForDetailsContinue() {
  while (btnEvent.enabled && !app.Terminated) {
    app.platform.clock.Sleep(200);
    app.ProcessMessages();
  }
}

std::string TfrmMain::ScriptValue(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) {
  return ReadIni(app.platform.profile, section, key, defaultValue, ctx.ScriptPath);
}

std::string TfrmMain::SourcePath(const std::string& relative) const {
  if (relative.empty()) return "";
  return ctx.SourceFolder + DelPathDelim(relative, "T");
}

void TfrmMain::btnEndClick() { SetEndRequested(); }

void TfrmMain::btnReferClick() {
  if (dlgFolder.Execute()) txtFolder.caption = AddPathDelim(dlgFolder.SelectedFolder, "B");
}

bool TfrmMain::FormCloseQuery() {
  if (EndConfirmed()) return true;
  // Refusing the licence, a compulsory exit from the checker and leaving after its refusal are
  // not questioned.
  if (page == WizardPage::Licence || page == WizardPage::Checking ||
      page == WizardPage::CheckFailed)
    return true;
  const std::string words = ctx.SetupString + "/" + ctx.UnSetupString;
  ctx.LastAnswer =
      ShowMessageBox(app, words + " is not complete.\r\nDo you want to abort " + words + "?", words,
                     mb::YesNo | mb::IconQuestion);
  if (ctx.LastAnswer == id::No) return false;
  SetEndConfirmed();
  SetEndRequested();
  return true;
}

void TfrmMain::FormClose() {
  app.ProcessMessages();
  for (int n = 1; n <= 99; ++n) {
    std::string folder = ctx.TempFolder + "OVTMP" + std::to_string(n) + "\\";
    if (FolderExists(app.platform.files, folder)) RemoveFolder(app, folder, "*.*");
  }
  if (!visible) {
    app.platform.shell.ChangeNotify(shcne::AssocChanged);
    app.platform.shell.ChangeNotify(shcne::UpdateItem);
    app.platform.shell.ChangeNotify(shcne::UpdateDir);
  }
}

}  // namespace orvane
