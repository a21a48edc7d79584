// orvane-setup: the installer as a desktop program on Linux. The same program code as orvane-run
// on an emulated machine, shown in FLTK windows and honouring the installer's pauses in real time.
// As a program of the machine (the uninstaller copy) it runs headless when ORVANE_UI=headless.
#include <unistd.h>

#include <FL/Fl.H>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "app/Application.h"
#include "platform/host/Machine.h"
#include "tools/HeadlessProgram.h"
#include "tools/ProgramHost.h"
#include "tools/ToolSupport.h"
#include "ui/fltk/FltkUi.h"
#include "ui/headless/HeadlessUi.h"

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
    "  --machine DIR       the emulated machine (default $ORVANE_MACHINE or\n"
    "                      ~/.local/share/orvane/machine); made on first use\n"
    "  --drive LETTER      drive letter of the distribution folder (default D)\n"
    "  --verbose           print program starts, documents and notifications\n"
    "exit codes: as orvane-run's (0 completed, 1602 left, 1603 failed or no display,\n"
    "            1618 another instance, 1639 bad command line, 3010 completed, restart\n"
    "            required)\n";

class DesktopProgramUi : public ProgramUi {
 public:
  explicit DesktopProgramUi(bool verbose) : verbose_(verbose) {}
  IUserInterface& Ui() override { return ui_; }
  void Attach(Application& app, const DiskChanger&) override { ui_.Attach(app); }
  void Record(const std::string& line) override {
    if (verbose_) std::cerr << "orvane-setup: " << line << "\n";
  }

 private:
  fltk::FltkUi ui_;
  bool verbose_;
};

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

}  // namespace

int main(int argc, char** argv) {
  KeepRunningWhenOutputCloses();
  StartRequest request;
  std::string uninstallName;
  bool verbose = false;
  const std::vector<std::string> arguments = CommandArguments(argc, argv);
  const bool machineProgram = StartedAsMachineProgram(arguments, request);
  if (machineProgram) {
    const char* mode = std::getenv("ORVANE_UI");
    if (mode && std::string(mode) == "headless") {
      try {
        return RunHeadlessFromEnvironment(request, "orvane-setup");
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
  } else {
    try {
      // A copy placed inside a distribution folder installs from that folder.
      CommandLine line =
          ParseCommandLine(arguments, {}, {"--verbose"}, SelfExecutable().parent_path());
      if (line.help) {
        std::cout << kUsage;
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

  RequireDisplay();
  try {
    if (!uninstallName.empty()) {
      // The uninstall command replaces this process, as Add/Remove Programs starts it.
      std::string problem;
      RunUninstallCommand(request.machineFolder, uninstallName,
                          [verbose](const std::string& line) {
                            if (verbose) std::cerr << "orvane-setup: " << line << "\n";
                          },
                          problem);
      std::cerr << "orvane-setup: " << problem << "\n";
      return kExitFailed;
    }
    request.realTime = true;
    request.documentOpener = FindDocumentOpener();
    DesktopProgramUi ui(verbose);
    return RunProgram(request, ui);
  } catch (const std::exception& error) {
    std::cerr << "orvane-setup: " << error.what() << "\n";
    return kExitFailed;
  }
}
