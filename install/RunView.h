// IRunView: what the install and uninstall runs show the user, ask of them and signal at their
// end. The runs see only this; the program implements it over its wizard and status windows.
#pragma once
#include <cstdint>
#include <string>

namespace orvane {

// The install's options as the user left them on the final page.
struct InstallChoices {
  std::string installType;  // "1" or "2" by the variant chosen, empty when neither is
  bool overwrite = false;
  bool desktop = false, startMenu = false, startUp = false, sendTo = false;  // the shortcut boxes
};

// The uninstall's options as the user left them on the uninstall screen.
struct UninstallChoices {
  bool firstTicked = false;      // "*.INI File", or "All files ..." in the DeleteAll layout
  bool secondTicked = false;     // "*.GID File"
  bool deleteAllLayout = false;  // the first box is the only one shown
};

// How a run ends, for the program's outcome.
enum class RunEnd {
  Cancelled,  // the user stopped it: the outcome is left as it is
  Failed,
  Completed,
};

class IRunView {
 public:
  virtual ~IRunView() = default;

  // The user's choices, read as the run starts. Reading the uninstall's options locks their boxes.
  virtual InstallChoices InstallOptions() = 0;
  virtual UninstallChoices TakeUninstallOptions() = 0;
  // The destination folder as the wizard's folder box holds it.
  virtual std::string DestinationFolder() = 0;

  // The status window takes the wizard's place: the wizard is hidden first, then the status
  // window is shown (the wizard keeps only its start button, centred, for the failure details).
  virtual void HideWizard() = 0;
  virtual void ShowStatusWindow() = 0;
  // A step text in the status window; pending messages are processed.
  virtual void ShowStatus(const std::string& text) = 0;
  // The copy progress frame, and its bar (0 to 100) with the label beside it; showing the
  // progress processes pending messages.
  virtual void ShowProgressFrame(bool show) = 0;
  virtual void ShowProgress(int percent, const std::string& label) = 0;
  // Whether the status window's Abort button may be pressed.
  virtual void EnableAbort(bool enable) = 0;
  // True once the user has aborted the run.
  virtual bool AbortRequested() = 0;
  // Application.ProcessMessages.
  virtual void ProcessMessages() = 0;

  // A message box (text, caption, MB_ flags) with the program's other windows disabled while it is
  // open; returns the button pressed (id::Ok, id::Yes, ...).
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             uint32_t flags) = 0;
  // The shared-file question: true when the file is to go. An "All Delete" or "All Save" answer
  // stands for the rest of the run, and the question is not asked again.
  virtual bool ConfirmSharedFileDeletion(const std::string& question) = 0;
  // A run's failure details on the wizard's text page under `caption`, until the user continues;
  // then the status window is back. `verticalScrollBar` gives the text box its vertical bar,
  // otherwise it keeps the bars it had.
  virtual void ShowFailureDetails(const std::string& caption, const std::string& text,
                                  bool verticalScrollBar) = 0;

  // The end signals: the wizard may close without asking and is asked to close; with
  // `closeStatusWindow` the status window goes too.
  virtual void EndRun(RunEnd end, bool closeStatusWindow) = 0;
};

}  // namespace orvane
