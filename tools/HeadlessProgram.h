// The program run with the scripted user: the headless ProgramUi and the loading of the answers
// file and the transcript, shared by orvane-run and the desktop program's headless mode.
#pragma once
#include <cstdio>
#include <stdexcept>
#include <string>

#include "tools/ProgramHost.h"
#include "ui/headless/HeadlessUi.h"

namespace orvane::tools {

class HeadlessProgramUi : public ProgramUi {
 public:
  HeadlessProgramUi(headless::Answers answers, headless::Transcript::Sink out);
  IUserInterface& Ui() override { return ui_; }
  void Attach(Application& app, const DiskChanger& insertDisk) override;
  void Record(const std::string& line) override { transcript_.Line(line); }
  bool RecordLost() const override { return transcript_.Lost(); }
  bool Stopped() const override { return ui_.Stuck(); }
  void Finish(int code) override;
  headless::Transcript& GetTranscript() { return transcript_; }

 private:
  headless::Transcript transcript_;
  headless::HeadlessUi ui_;
};

// A transcript that cannot be opened or written before the program runs.
class TranscriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The answers file at `path` (no rules when empty); throws headless::AnswersError naming the
// line, or the file when it cannot be read (a folder, a missing file).
headless::Answers LoadAnswers(const std::string& path);
// Where a transcript goes: standard output for "" or "-", else the file at `path`, written from
// its start or appended to. The constructor throws TranscriptError when the file cannot be opened.
class TranscriptFile {
 public:
  TranscriptFile(const std::string& path, bool append);
  ~TranscriptFile() { Close(); }
  TranscriptFile(const TranscriptFile&) = delete;
  TranscriptFile& operator=(const TranscriptFile&) = delete;
  // Writes `text` and flushes it; false with errno set when that failed.
  bool Write(const std::string& text);
  headless::Transcript::Sink Sink() {
    return [this](const std::string& text) { return Write(text); };
  }
  // Closes a file: the errno of a failed close, else 0; nothing is written to it afterwards.
  // Standard output stays open.
  int Close();
  bool Closed() const { return !out_; }

 private:
  std::FILE* out_;
};
// The message of a transcript that could not be written before anything ran.
std::string TranscriptNotWritten(const std::string& path, int error);
// Runs the program with the scripted user, the transcript going to `transcriptPath` as
// TranscriptFile opens it. Returns the program's exit code, or kExitTranscriptLost with a line
// on standard error (prefixed with `tool`) when the transcript could not be written: either its
// first line failed and nothing ran (see RunProgram), or it was cut short and the run went on to
// its end (the line gives the run's own code).
int RunHeadless(const StartRequest& request, headless::Answers answers,
                const std::string& transcriptPath, bool append, const std::string& tool);
// Runs a program of the machine (the uninstaller copy) headless, with the answers and the
// transcript named by $ORVANE_ANSWERS and $ORVANE_TRANSCRIPT.
int RunHeadlessFromEnvironment(const StartRequest& request, const std::string& tool);

}  // namespace orvane::tools
