// The shared-file confirmation dialog's layout and buttons.
#include "windows/CusDlg.h"

#include "support/Texts.h"

namespace orvane {

TfrmCustomDlg::TfrmCustomDlg(TControl& answerLabel)
    : TForm("frmCustomDlg", "Confirmation of Delete Files", 426, 121),
      lblMessage(Add(nullptr, ControlKind::Label, "lblMessage", 8, 8, 409, 73)),
      btnYes(Add(nullptr, ControlKind::Button, "btnYes", 8, 88, 97, 25, "Yes(&Y)")),
      btnNo(Add(nullptr, ControlKind::Button, "btnNo", 112, 88, 97, 25, "No(&N)")),
      btnDelete(Add(nullptr, ControlKind::Button, "btnDelete", 216, 88, 97, 25, "All Delete(&D)")),
      btnSave(Add(nullptr, ControlKind::Button, "btnSave", 320, 88, 97, 25, "All Save(&A)")),
      answerLabel_(answerLabel) {
  font = {texts::kFontPGothic, 12};
  for (TControl* c : Controls()) c->font = font;
  lblMessage.wordWrap = true;
  closeBoxEnabled = false;
  btnYes.onClick = [this] { btnYesClick(); };
  btnNo.onClick = [this] { btnNoClick(); };
  btnDelete.onClick = [this] { btnDeleteClick(); };
  btnSave.onClick = [this] { btnSaveClick(); };
}

void TfrmCustomDlg::Answer(const char* word) {
  answerLabel_.caption = word;
  modalResult = 1;
}

}  // namespace orvane
