// TfrmStatus: the window a run shows instead of the wizard, with its step text, the copy progress
// frame and the Abort button.
#pragma once
#include "windows/Controls.h"

namespace orvane {

class Application;

class TfrmStatus : public TForm {
 public:
  explicit TfrmStatus(Application& app);

  TControl& grpMessage;
  TControl& lblMessage;
  TControl& fraStatus;
  TControl& prgStatus;
  TControl& lblStatus;
  TControl& btnAbort;

  void FormCreate();
  // Asks before stopping the install; on Yes sets the abort and end signals.
  void btnAbortClick();

 private:
  Application& app_;
};

}  // namespace orvane
