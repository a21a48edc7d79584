// The program run with windows and the installer's switches, on any windowing system.
#include "tools/WindowedProgram.h"

#include "tools/HeadlessProgram.h"
#include "tools/ToolSupport.h"

namespace orvane::tools {

WindowedProgramUi::WindowedProgramUi(IUserInterface& windows,
                                     std::function<void(Application&)> attachWindows,
                                     const SetupSwitches& switches, headless::Transcript::Sink log,
                                     const std::function<bool(const std::string&)>& saveRecord,
                                     std::function<void(const std::string&)> echo)
    : attachWindows_(std::move(attachWindows)), switched_(windows, switches), echo_(std::move(echo)) {
  if (log) log_.emplace(std::move(log));
  if (saveRecord) recorder_.emplace(switched_, saveRecord);
}

IUserInterface& WindowedProgramUi::Ui() {
  if (recorder_) return *recorder_;
  return switched_;
}

void WindowedProgramUi::Attach(Application& app, const DiskChanger&) {
  attachWindows_(app);
  switched_.Attach(app);
  if (recorder_) recorder_->Attach(app);
}

void WindowedProgramUi::Record(const std::string& line) {
  if (echo_) echo_(line);
  if (log_) log_->Line(line);
}

namespace {

// Writes the whole answers file of /record (it is rewritten after each answer).
bool SaveText(const std::string& path, const std::string& text) {
  std::FILE* out = OpenFile(path, "wb");
  if (!out) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace

int RunWithWindows(StartRequest request, const SetupSwitches& switches, IUserInterface& windows,
                   const std::function<void(Application&)>& attachWindows,
                   const std::function<void(const std::string&)>& echo,
                   const std::function<void(const std::string&)>& report) {
  request.realTime = true;
  std::optional<TranscriptFile> logFile;
  if (!switches.log.empty()) logFile.emplace(switches.log, false);
  std::function<bool(const std::string&)> save;
  if (!switches.record.empty()) {
    save = [path = switches.record](const std::string& text) { return SaveText(path, text); };
    if (!save(headless::Recorder::Heading()))
      throw TranscriptError("cannot write the answers file " + switches.record +
                            "; nothing was run");
  }
  WindowedProgramUi ui(windows, attachWindows, switches,
                       logFile ? logFile->Sink() : headless::Transcript::Sink(), save, echo);
  const int code = RunProgram(request, ui);
  if (ui.RecordFailed()) {
    report("the answers file " + switches.record + " could not be written to the end; the run "
           "went on: exit " + std::to_string(code));
    return kExitTranscriptLost;
  }
  return code;
}

int Guarded(const std::function<int()>& run, const std::function<void(const std::string&)>& report) {
  try {
    return run();
  } catch (const headless::AnswersError& error) {
    report(error.what());
    return kExitBadCommandLine;
  } catch (const TranscriptError& error) {
    report(error.what());
    return kExitTranscriptLost;
  } catch (const std::exception& error) {
    report(error.what());
    return kExitFailed;
  }
}

}  // namespace orvane::tools
