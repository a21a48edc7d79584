// The Windows user interface: each form model becomes a top-level window whose child windows are
// kept in step with the model before each wait; clicks and typing reach the program through
// Application::Click/SetText. Message boxes are the system's MessageBoxW, the folder browser the
// shell's SHBrowseForFolderW, and the restart question a Yes/No message box of the system.
// The keys work as in a Windows dialog (Tab and Shift+Tab in the forms' control order, Alt+letter
// presses the control with that underlined letter, Enter presses the focused button or else the
// wizard's start button; the forms have no Cancel button, so Escape does nothing there). The
// keyboard focus follows the forms' `focused` control; a focus the user moves is written back.
// Places and sizes are the forms' pixels at 96 dots per inch, scaled to the system's DPI.
#pragma once
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace orvane {
class Application;
struct TControl;
}  // namespace orvane

namespace orvane::win32ui {

struct FormView;
struct ControlView;

class Win32Ui : public IUserInterface {
 public:
  Win32Ui();
  ~Win32Ui() override;

  void Attach(Application& app) { app_ = &app; }

  void Realise(TForm& form) override;
  void ProcessMessages() override;
  void HandleMessage() override;
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) override;
  std::optional<std::string> BrowseForFolder(const std::string& title, uint32_t flags) override;
  int RestartDialog() override;

  // Called from the window procedures. A button press waits to be dispatched by the program's
  // loop; check boxes and radio buttons only change state, so their clicks are applied at once.
  void QueueClick(TControl& control) { pending_.push_back(&control); }
  void ClickNow(TControl& control);
  void TypedText(TControl& control, const std::string& cp932);
  void NotePainted(FormView& view);
  // Test hooks (environment): ORVANE_WIN32_DUMP names a file that receives the visible state of
  // every window whenever it changes, in the line format of the FLTK program's dump;
  // ORVANE_WIN32_FIRST_PAINT a file that receives the time (milliseconds since the epoch) at
  // which the first wizard page was painted, and after a blank the process's creation time.
  void WriteDump();
  // The focus entered a form's window: it goes on to the form's focused control.
  void FocusEntered(FormView& view);
  // The system dialog open now (a message box or the folder browser), for the dump.
  void NoteDialog(void* window) { dialog_ = window; }
  void NoteBrowserSelection(std::string path) { browserSelection_ = std::move(path); }

 private:
  void Sync();
  void SyncForm(FormView& view);
  void Pump(bool wait);
  bool TranslateKey(const void* message);
  void DispatchPending();
  bool TakesInput(const TForm& form) const;
  FormView* InputView();
  FormView* ViewOf(void* window);
  void* FocusTarget(FormView& view) const;
  void FollowModelFocus();
  void NoteUserFocus(void* window);
  void MoveFocus(FormView& view, bool backwards);
  bool MoveInGroup(FormView& view, ControlView& from, bool forwards);
  void PressDefault(FormView& view);
  bool PressMnemonic(FormView& view, unsigned letter);
  // The window a system dialog belongs to: the form that has the keyboard, else the topmost
  // form on view.
  void* DialogOwner();
  // Opens a system dialog: the forms take no input and the dump follows the dialog meanwhile.
  void BeginDialog(const std::string& kind, const std::string& title, const std::string& text);
  void EndDialog();
  std::string DialogDump() const;

  Application* app_ = nullptr;
  std::vector<std::unique_ptr<FormView>> views_;
  std::deque<TControl*> pending_;
  std::wstring dumpPath_, firstPaintPath_;  // from the environment
  std::string lastDump_;
  std::string dialogKind_, dialogTitle_, dialogText_, browserSelection_;
  void* dialog_ = nullptr;
  bool firstPaintWritten_ = false;
  int modalDialogs_ = 0;  // message boxes and browsers open: the forms take no input
};

}  // namespace orvane::win32ui
