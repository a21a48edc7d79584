// The program state every window backend reads alike.
#include "app/WindowState.h"

#include "app/Application.h"
#include "app/Main.h"
#include "windows/CusDlg.h"
#include "windows/Status.h"

namespace orvane {

bool FormTakesInput(Application& app, const TForm& form, bool dialogOpen) {
  if (!form.enabled || dialogOpen) return false;
  const auto& modal = app.ModalStack();
  if (!modal.empty() && modal.back() == &app.frmCustomDlg()) return &form == modal.back();
  return true;
}

std::vector<TForm*> KeyboardCandidates(Application& app) {
  const auto& modal = app.ModalStack();
  if (!modal.empty() && modal.back() == &app.frmCustomDlg()) return {modal.back()};
  return {&app.frmStatus(), &app.frmMain()};
}

bool WizardShowsPage(Application& app) {
  TfrmMain& m = app.frmMain();
  return m.fraTitle.visible || m.fraReadme.visible || m.fraSelectType.visible ||
         m.grpMessage.visible;
}

void DispatchClicks(Application& app, std::deque<TControl*>& pending) {
  while (!pending.empty() && !app.Terminated) {
    TControl* control = pending.front();
    pending.pop_front();
    app.Click(*control);
  }
}

std::string DumpQuote(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '"')
      out += "\\\"";
    else
      out += c;
  }
  return out + "\"";
}

}  // namespace orvane
