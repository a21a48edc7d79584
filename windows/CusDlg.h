// TfrmCustomDlg: the four-button question asked when a shared file's use count reaches 0.
// Each button writes its word into the wizard's hidden label lblFormShare and closes the dialog.
#pragma once
#include "windows/Controls.h"

namespace orvane {

class TfrmCustomDlg : public TForm {
 public:
  // `answerLabel` is the wizard's lblFormShare.
  explicit TfrmCustomDlg(TControl& answerLabel);

  TControl& lblMessage;
  TControl& btnYes;
  TControl& btnNo;
  TControl& btnDelete;
  TControl& btnSave;

  void btnYesClick() { Answer("Yes"); }
  void btnNoClick() { Answer("No"); }
  void btnDeleteClick() { Answer("Delete"); }
  void btnSaveClick() { Answer("Save"); }

 private:
  void Answer(const char* word);
  TControl& answerLabel_;
};

}  // namespace orvane
