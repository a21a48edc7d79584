// The status window: layout and the Abort button.
#include "windows/Status.h"

#include "app/Application.h"
#include "app/Main.h"
#include "app/Texts.h"

namespace orvane {

TfrmStatus::TfrmStatus(Application& app)
    : TForm("frmStatus", "Status", 497, 153),
      grpMessage(Add(nullptr, ControlKind::GroupBox, "grpMessage", 8, 8, 481, 97, "Message")),
      lblMessage(Add(&grpMessage, ControlKind::Label, "lblMessage", 8, 16, 457, 73)),
      fraStatus(Add(&grpMessage, ControlKind::GroupBox, "fraStatus", 8, 48, 465, 41, "Copy Starus")),
      prgStatus(Add(&fraStatus, ControlKind::ProgressBar, "prgStatus", 8, 16, 353, 17)),
      lblStatus(Add(&fraStatus, ControlKind::Label, "lblStatus", 368, 16, 88, 17, "0%(0/0)")),
      btnAbort(Add(nullptr, ControlKind::Button, "btnAbort", 168, 120, 161, 25, "Abort(&A)")),
      app_(app) {
  font = {texts::kFontPGothic, 12};
  for (TControl* c : Controls()) c->font = font;
  lblMessage.wordWrap = true;
  fraStatus.visible = false;
  lblStatus.font.height = 13;
  btnAbort.enabled = false;
  btnAbort.onClick = [this] { btnAbortClick(); };
}

void TfrmStatus::FormCreate() { closeBoxEnabled = false; }

void TfrmStatus::btnAbortClick() {
  TfrmMain& wizard = app_.frmMain();
  app_.ctx.LastAnswer = ShowMessageBox(app_, texts::kAbortQuestionText,
                                       texts::kAbortQuestionCaption, mb::YesNo | mb::IconQuestion);
  if (app_.ctx.LastAnswer != id::Yes) return;
  wizard.enabled = false;  // AbortRequested
  wizard.SetEndConfirmed();
  visible = false;
  app_.ctx.LastAnswer =
      ShowMessageBox(app_, texts::kAbortedText, texts::kAbortedCaption, mb::IconWarning);
  wizard.SetEndRequested();
}

}  // namespace orvane
