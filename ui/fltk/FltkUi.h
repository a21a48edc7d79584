// The desktop user interface on FLTK 1.3: each form model becomes a window whose widgets are kept
// in step with the model; clicks and typing reach the program through Application::Click/SetText.
// Implements message boxes, a folder browser over the emulated machine's drives and the restart
// question. Differs from Windows: no window manager decorations are assumed (captions are window
// titles), and the shortcut keys of buttons also work without Alt when no text field has focus.
// The keyboard focus follows the forms' `focused` control; a focus the user moves is written back.
#pragma once
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Ui.h"

class Fl_Widget;

namespace orvane {
class Application;
struct TControl;
}  // namespace orvane

namespace orvane::fltk {

struct FormView;

class FltkUi : public IUserInterface {
 public:
  FltkUi();
  ~FltkUi() override;

  void Attach(Application& app) { app_ = &app; }

  void Realise(TForm& form) override;
  void ProcessMessages() override;
  void HandleMessage() override;
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) override;
  std::optional<std::string> BrowseForFolder(const std::string& title, uint32_t flags) override;
  int RestartDialog() override;

  // Called by widget callbacks: a button press waiting to be dispatched.
  void QueueClick(TControl& control) { pending_.push_back(&control); }
  // Check boxes and radio buttons only change state: their clicks are applied at once.
  void ClickNow(TControl& control);
  // Text typed into an edit field (UTF-8).
  void TypedText(TControl& control, const std::string& utf8);
  // Test hooks (environment): ORVANE_FLTK_DUMP names a file that receives the visible state of
  // every window whenever it changes; ORVANE_FLTK_FIRST_PAINT a file that receives the time
  // (milliseconds since the epoch) at which the first wizard page was painted.
  void NotePainted(FormView& view);
  // Records the open message box or folder browser for the state dump (empty: none), with the
  // dump names of its widgets that can hold the focus.
  void SetDialogDump(std::string lines,
                     std::vector<std::pair<Fl_Widget*, std::string>> focusNames = {});
  // The user moved the keyboard focus (Tab, a click, a shortcut): a form control that now holds
  // it becomes its form's focused control.
  void NoteUserFocus(Fl_Widget* widget);
  // The widget of a form that should hold the keyboard focus: its focused control when that can
  // take it; the first control that can when the form names none; else the window itself.
  Fl_Widget* FocusTarget(FormView& view) const;

 private:
  void Sync();
  void SyncForm(FormView& view);
  void DispatchPending();
  void WriteDump();
  bool TakesInput(const TForm& form) const;
  // The form that has the keyboard: the shared-file question while it is open, else the status
  // window or the wizard when shown and taking input; null while a message box or the folder
  // browser is open.
  FormView* InputView();
  void FollowModelFocus();

  Application* app_ = nullptr;
  std::vector<std::unique_ptr<FormView>> views_;
  std::deque<TControl*> pending_;
  std::string dumpPath_, firstPaintPath_, lastDump_, dialogDump_;
  std::vector<std::pair<Fl_Widget*, std::string>> dialogFocusNames_;
  bool firstPaintWritten_ = false;
  int modalDialogs_ = 0;  // message boxes and browsers open: the forms take no input
};

}  // namespace orvane::fltk
