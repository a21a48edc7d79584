// orvane-setup: the installer as a desktop program on Linux. The same program code as orvane-run
// on an emulated machine, shown in FLTK windows and honouring the installer's pauses in real time.
// As a program of the machine (the uninstaller copy) it runs headless when ORVANE_UI=headless.
// The installer's switches (/quiet, /answers=, /log=, /dir=, /norestart, /record=) work on every
// start, the uninstaller copy's included.
#include <unistd.h>

#include <FL/Fl.H>

#include <cstdlib>
#include <functional>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "app/Application.h"
#include "tools/CommandOptions.h"
#include "platform/host/Machine.h"
#include "tools/HeadlessProgram.h"
#include "tools/ProgramHost.h"
#include "tools/SetupSwitches.h"
#include "tools/ToolSupport.h"
#include "ui/fltk/FltkUi.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/headless/Recorder.h"
#include "ui/headless/Transcript.h"

using namespace orvane;
using namespace orvane::tools;

namespace {

const char kUsage[] =
    "usage: orvane-setup [options] [DISTRIBUTION_FOLDER]  install from a distribution folder\n"
    "                                                     (default: this program's folder when\n"
    "                                                     it holds SETUP.INI)\n"
    "       orvane-setup [options] --log WINDOWS_PATH     start with an uninstall log\n"
    "       orvane-setup [options] --uninstall NAME       run the uninstall command of an\n"
    "                                                     Add/Remove Programs entry\n"
    "options:\n"
    "  --machine DIR       the emulated machine (default $ORVANE_MACHINE, else\n"
    "                      $XDG_DATA_HOME/orvane/machine, else\n"
    "                      ~/.local/share/orvane/machine); made on first use\n"
    "  --drive LETTER      drive letter of the distribution folder (default D)\n"
    "  --verbose           print program starts, documents and notifications\n"
    "switches (letter case ignored, - for /, = or : before a value):\n"
    "  /quiet              no window; every question gets its default\n"
    "  /answers=FILE       no window; the questions are answered from FILE (orvane-run's\n"
    "                      answers file)\n"
    "  /log=FILE           the transcript goes to FILE (with windows: the program starts,\n"
    "                      documents and notifications)\n"
    "  /dir=FOLDER         the destination folder (a Windows path such as C:\\App)\n"
    "  /norestart          the restart is declined\n"
    "  /record=FILE        shows the windows and writes an answers file that replays the run\n"
    "  /?, /help           this text\n"
    "exit codes: as orvane-run's (0 completed, 1602 left, 1603 failed or no display,\n"
    "            1605 --uninstall names no Add/Remove Programs entry with a command,\n"
    "            1618 another instance, 1622 the log or the recorded file could not be\n"
    "            written, 1639 bad command line or switch, 3010 completed, restart\n"
    "            required)\n";

// The FLTK windows with the switches that apply to them, the recorder of /record outermost, and
// the record of program starts in the /log file.
class DesktopProgramUi : public ProgramUi {
 public:
  DesktopProgramUi(bool verbose, const SetupSwitches& switches, std::ostream* log,
                   const std::function<bool(const std::string&)>& saveRecord)
      : switched_(ui_, switches), verbose_(verbose) {
    if (log) log_.emplace(*log);
    if (saveRecord) recorder_.emplace(switched_, saveRecord);
  }
  IUserInterface& Ui() override {
    if (recorder_) return *recorder_;
    return switched_;
  }
  void Attach(Application& app, const DiskChanger&) override {
    ui_.Attach(app);
    switched_.Attach(app);
    if (recorder_) recorder_->Attach(app);
  }
  void Record(const std::string& line) override {
    if (verbose_) std::cerr << "orvane-setup: " << line << "\n";
    if (log_) log_->Line(line);
  }
  bool RecordLost() const override { return log_ && log_->Lost(); }
  void Finish(int code) override { Record("exit " + std::to_string(code)); }
  bool RecordFailed() const { return recorder_ && recorder_->Failed(); }

 private:
  fltk::FltkUi ui_;
  SwitchedUi switched_;
  std::optional<headless::Recorder> recorder_;
  std::optional<headless::Transcript> log_;
  bool verbose_;
};

// Writes the whole answers file of /record (it is rewritten after each answer).
bool SaveText(const std::string& path, const std::string& text) {
  std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return !out.fail();
}

// Runs `run` and turns the errors found before anything ran into the runner's exit codes.
int Guarded(const std::function<int()>& run) {
  try {
    return run();
  } catch (const headless::AnswersError& error) {
    std::cerr << "orvane-setup: " << error.what() << "\n";
    return kExitBadCommandLine;
  } catch (const TranscriptError& error) {
    std::cerr << "orvane-setup: " << error.what() << "\n";
    return kExitTranscriptLost;
  } catch (const std::exception& error) {
    std::cerr << "orvane-setup: " << error.what() << "\n";
    return kExitFailed;
  }
}

// xdg-open when the desktop has it: documents the program opens go to the desktop's viewer.
std::string FindDocumentOpener() {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    std::string candidate = folder + "/xdg-open";
    if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

// FLTK ends the process with its own message when it cannot open the display: this says what
// happened and exits with the runner's failure code instead.
[[noreturn]] void NoDisplay(const char*, ...) {
  const char* display = std::getenv("DISPLAY");
  std::cerr << "orvane-setup: "
            << (display && *display ? "cannot open the display " + std::string(display)
                                    : std::string("no display: DISPLAY is not set"))
            << "; nothing was run (orvane-run installs without a display)\n";
  std::exit(kExitFailed);
}

// Opens the display before the program starts, so that a missing one stops nothing half-way.
void RequireDisplay() {
  void (*previous)(const char*, ...) = Fl::fatal;
  Fl::fatal = NoDisplay;
  Fl::screen_count();  // opens the display
  Fl::fatal = previous;
}

// The run with windows, with the /log file and the /record answers file when they are given.
int RunWithWindows(StartRequest request, const SetupSwitches& switches, bool verbose) {
  request.realTime = true;
  request.documentOpener = FindDocumentOpener();
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
  DesktopProgramUi ui(verbose, switches, log, save);
  const int code = RunProgram(request, ui);
  if (ui.RecordFailed()) {
    std::cerr << "orvane-setup: the answers file " << switches.record
              << " could not be written to the end; the run went on: exit " << code << "\n";
    return static_cast<int>(kExitTranscriptLost);
  }
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  KeepRunningWhenOutputCloses();
  StartRequest request;
  std::string uninstallName;
  bool verbose = false;
  std::vector<std::string> arguments = CommandArguments(argc, argv);
  SetupSwitches switches;
  try {
    switches = TakeSetupSwitches(arguments, {"--machine", "--drive", "--log", "--uninstall"});
  } catch (const SwitchError& error) {
    std::cerr << "orvane-setup: " << error.what() << "\n";
    return kExitBadCommandLine;
  }
  if (switches.help) {
    std::cout << kUsage;
    return 0;
  }
  const bool machineProgram = StartedAsMachineProgram(arguments, request);
  if (machineProgram) {
    if (switches.Unattended())
      return Guarded([&] { return RunUnattended(request, switches, "orvane-setup"); });
    const char* mode = std::getenv("ORVANE_UI");
    if (mode && std::string(mode) == "headless")
      return Guarded([&] { return RunHeadlessFromEnvironment(request, "orvane-setup"); });
  } else {
    try {
      // A copy placed inside a distribution folder installs from that folder.
      CommandLine line =
          ParseCommandLine(arguments, {}, {"--verbose"}, SelfExecutable().parent_path());
      if (line.help) {
        std::cout << kUsage;
        return 0;
      }
      if (line.version) {
        std::cout << VersionText("orvane-setup");
        return 0;
      }
      request = line.request;
      uninstallName = line.uninstallName;
      verbose = line.switches.count("--verbose") > 0;
    } catch (const std::exception& error) {
      std::cerr << "orvane-setup: " << error.what() << "\n" << kUsage;
      return kExitBadCommandLine;
    }
  }

  if (!switches.Unattended()) RequireDisplay();
  return Guarded([&] {
    if (!uninstallName.empty()) {
      // The uninstall command replaces this process, as Add/Remove Programs starts it; the
      // switches go along after its own argument.
      std::string problem;
      const int code = RunUninstallCommand(request.machineFolder, uninstallName,
                          [verbose](const std::string& line) {
                            if (verbose) std::cerr << "orvane-setup: " << line << "\n";
                          },
                          problem, SwitchArguments(switches));
      std::cerr << "orvane-setup: " << problem << "\n";
      return code;
    }
    if (switches.Unattended()) return RunUnattended(request, switches, "orvane-setup");
    return RunWithWindows(request, switches, verbose);
  });
}
