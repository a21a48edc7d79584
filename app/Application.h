// The program object: the platform, the start-up context, the four windows, the message loop and
// the modal loop, and the default report of errors that escape an event handler.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "install/SetupContext.h"
#include "platform/Platform.h"
#include "windows/FormHost.h"

namespace orvane {

class TForm;
struct TControl;
class TfrmBack;
class TfrmMain;
class TfrmStatus;
class TfrmCustomDlg;

// How the program ended, for the runner's exit code.
enum class ProgramOutcome {
  Left,            // the user left the wizard, cancelled or aborted
  Completed,       // a run completed
  Failed,          // the error screen, or an error escaped a run
  AlreadyRunning,  // another instance holds the mutex
};

class Application : public IFormHost {
 public:
  explicit Application(Platform& platform);
  ~Application() override;

  Platform& platform;
  SetupContext ctx;
  std::string Title;
  bool Terminated = false;
  ProgramOutcome outcome = ProgramOutcome::Left;

  TfrmBack& frmBack() { return *back_; }
  TfrmMain& frmMain() { return *main_; }
  TfrmStatus& frmStatus() { return *status_; }
  TfrmCustomDlg& frmCustomDlg() { return *dialog_; }
  // The four windows in creation order.
  std::vector<TForm*> Forms() const;

  // Program start to program end: the single-instance guard, the windows, the message loop and
  // the restart handling. Returns the outcome.
  ProgramOutcome Run();

  // Application.ProcessMessages.
  void ProcessMessages() { platform.ui.ProcessMessages(); }
  // Shows a form modally and runs its modal loop; returns its modal result.
  int ShowModal(TForm& form) override;
  // The program's ShowMessageBox (below), for the form models.
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  // The modal forms open now, innermost last (the backend's input goes to the last one).
  const std::vector<TForm*>& ModalStack() const { return modal_; }

  // Input from a UI backend. A click on a disabled or hidden control does nothing. Check boxes
  // toggle, radio buttons select themselves; then the control's handler runs. Errors escaping the
  // handler are reported (ShowException) and the program goes on.
  void Click(TControl& control);
  // Text typed into an edit field.
  void SetText(TControl& control, const std::string& text);
  // Sees each input that takes effect, before it does (a recorder of the user's answers): the
  // control clicked with null text, or the edit field with its new text.
  std::function<void(TControl& control, const std::string* text)> onInput;
  // The default error report: a message box with the error's text under the program's title.
  void ShowException(const std::string& message);

 private:
  // The wizard is made first: the other windows refer to it.
  std::unique_ptr<TfrmMain> main_;
  std::unique_ptr<TfrmBack> back_;
  std::unique_ptr<TfrmStatus> status_;
  std::unique_ptr<TfrmCustomDlg> dialog_;
  std::vector<TForm*> modal_;
};

// Every message and question of the program: disables the program's other windows while the box
// is open and re-enables exactly those afterwards.
int ShowMessageBox(Application& app, const std::string& text, const std::string& caption,
                   uint32_t flags);

}  // namespace orvane
