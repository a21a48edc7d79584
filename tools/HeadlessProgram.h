// The program run with the scripted user: the headless ProgramUi and the loading of the answers
// file and the transcript, shared by orvane-run and the desktop program's headless mode.
#pragma once
#include <fstream>
#include <ostream>
#include <string>

#include "tools/ProgramHost.h"
#include "ui/headless/HeadlessUi.h"

namespace orvane::tools {

class HeadlessProgramUi : public ProgramUi {
 public:
  HeadlessProgramUi(headless::Answers answers, std::ostream& out);
  IUserInterface& Ui() override { return ui_; }
  void Attach(Application& app, host::Machine& machine) override;
  void Record(const std::string& line) override { transcript_.Line(line); }
  bool Stopped() const override { return ui_.Stuck(); }
  void Finish(int code) override;

 private:
  headless::Transcript transcript_;
  headless::HeadlessUi ui_;
};

// The answers file at `path` (no rules when empty); throws headless::AnswersError naming the
// line, or std::runtime_error when the file cannot be read.
headless::Answers LoadAnswers(const std::string& path);
// The transcript stream: standard output for "" or "-", else `file` opened at `path`.
std::ostream& OpenTranscript(const std::string& path, bool append, std::ofstream& file);
// Runs a program of the machine (the uninstaller copy) headless, with the answers and the
// transcript named by $ORVANE_ANSWERS and $ORVANE_TRANSCRIPT.
int RunHeadlessFromEnvironment(const StartRequest& request);

}  // namespace orvane::tools
