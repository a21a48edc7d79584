// TfrmStatus: the window a run shows instead of the wizard, with its step text, the copy progress
// frame and the Abort button.
#pragma once
#include <string>

#include "windows/Controls.h"
#include "windows/FormHost.h"

namespace orvane {

class TfrmStatus : public TForm {
 public:
  // The Abort button asks through `host`, sets the end signals that `wizard` carries and keeps
  // its answers in `lastAnswer`.
  TfrmStatus(IFormHost& host, IEndSignals& wizard, int& lastAnswer);

  TControl& grpMessage;
  TControl& lblMessage;
  TControl& fraStatus;
  TControl& prgStatus;
  TControl& lblStatus;
  TControl& btnAbort;

  // Shows a run's step text. Every showing is counted, a text shown again included, so that a
  // user interface can tell it from a text that merely stayed.
  void ShowStepText(const std::string& text) {
    lblMessage.caption = text;
    ++stepTextShowings;
  }
  unsigned stepTextShowings = 0;

  void FormCreate();
  // Asks before stopping the install; on Yes sets the abort and end signals.
  void btnAbortClick();

 private:
  IFormHost& host_;
  IEndSignals& wizard_;
  int& lastAnswer_;
};

}  // namespace orvane
