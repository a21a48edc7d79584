// What the form models ask of the program that shows them: modal showing, message boxes and the
// end signals. The forms know the program only through these.
#pragma once
#include <cstdint>
#include <string>

namespace orvane {

class TForm;

class IFormHost {
 public:
  virtual ~IFormHost() = default;
  // Shows a form modally and runs its modal loop; returns its modal result.
  virtual int ShowModal(TForm& form) = 0;
  // A message box (text, caption, MB_ flags) with the program's other windows disabled while it
  // is open; returns the button pressed.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             uint32_t flags) = 0;
};

// The end signals of a run, which the wizard carries in its window states.
class IEndSignals {
 public:
  virtual ~IEndSignals() = default;
  // The run stops at its next abort test.
  virtual void SetAbortRequested() = 0;
  // The wizard may close without asking.
  virtual void SetEndConfirmed() = 0;
  // The wizard is asked to close.
  virtual void SetEndRequested() = 0;
};

}  // namespace orvane
