// The program run with windows, shared by the desktop program on Linux (FLTK) and SETUP.EXE
// (Win32): the real windows wrapped by the switches that apply to them, the recorder of /record
// outermost, and the record of program starts, documents and notifications in the /log file.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "tools/ProgramHost.h"
#include "tools/SetupSwitches.h"
#include "ui/headless/Recorder.h"
#include "ui/headless/Transcript.h"

namespace orvane::tools {

class WindowedProgramUi : public ProgramUi {
 public:
  // `windows` is the real user interface and `attachWindows` attaches it to the program; `log`
  // (may be empty) takes the record; `echo` (may be empty) sees every line of it as well.
  WindowedProgramUi(IUserInterface& windows, std::function<void(Application&)> attachWindows,
                    const SetupSwitches& switches, headless::Transcript::Sink log,
                    const std::function<bool(const std::string&)>& saveRecord,
                    std::function<void(const std::string&)> echo = {});
  IUserInterface& Ui() override;
  void Attach(Application& app, const DiskChanger&) override;
  void Record(const std::string& line) override;
  bool RecordLost() const override { return log_ && log_->Lost(); }
  void Finish(int code) override { Record("exit " + std::to_string(code)); }
  bool RecordFailed() const { return recorder_ && recorder_->Failed(); }

 private:
  std::function<void(Application&)> attachWindows_;
  SwitchedUi switched_;
  std::optional<headless::Recorder> recorder_;
  std::optional<headless::Transcript> log_;
  std::function<void(const std::string&)> echo_;
};

// The run with the windows, with the /log file and the /record answers file when they are given;
// the installer's pauses pass in real time. Returns the exit code, or kExitTranscriptLost when
// the answers file of /record could not be written to the end (`report` then gets a line saying
// so). Throws TranscriptError when the log or the answers file cannot be written before anything
// runs.
int RunWithWindows(StartRequest request, const SetupSwitches& switches, IUserInterface& windows,
                   const std::function<void(Application&)>& attachWindows,
                   const std::function<void(const std::string&)>& echo,
                   const std::function<void(const std::string&)>& report);

// Runs `run` and turns the errors found before anything ran into the runner's exit codes
// (1639 for a bad answers file, 1622 for a log that cannot be written, else 1603), telling each to
// `report`.
int Guarded(const std::function<int()>& run, const std::function<void(const std::string&)>& report);

}  // namespace orvane::tools
