// The program run with windows and the installer's switches, on any windowing system.
#include "tools/WindowedProgram.h"

#include <fstream>

#include "tools/HeadlessProgram.h"
#include "tools/ToolSupport.h"

namespace orvane::tools {

WindowedProgramUi::WindowedProgramUi(IUserInterface& windows,
                                     std::function<void(Application&)> attachWindows,
                                     const SetupSwitches& switches, std::ostream* log,
                                     const std::function<bool(const std::string&)>& saveRecord,
                                     std::function<void(const std::string&)> echo)
    : attachWindows_(std::move(attachWindows)), switched_(windows, switches), echo_(std::move(echo)) {
  if (log) log_.emplace(*log);
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
  std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return !out.fail();
}

}  // namespace

int RunWithWindows(StartRequest request, const SetupSwitches& switches, IUserInterface& windows,
                   const std::function<void(Application&)>& attachWindows,
                   const std::function<void(const std::string&)>& echo,
                   const std::function<void(const std::string&)>& report) {
  request.realTime = true;
  std::ofstream logFile;
  std::ostream* log =
      switches.log.empty() ? nullptr : &OpenTranscript(switches.log, false, logFile);
  std::function<bool(const std::string&)> save;
  if (!switches.record.empty()) {
    save = [path = switches.record](const std::string& text) { return SaveText(path, text); };
    if (!save(headless::Recorder::Heading()))
      throw TranscriptError("cannot write the answers file " + switches.record +
                            "; nothing was run");
  }
  WindowedProgramUi ui(windows, attachWindows, switches, log, save, echo);
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
