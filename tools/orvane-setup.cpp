// orvane-setup: the installer as a desktop program on Linux. The same program code as orvane-run
// on an emulated machine, shown in FLTK windows and honouring the installer's pauses in real time.
// As a program of the machine (the uninstaller copy) it runs headless when ORVANE_UI=headless.
// The installer's switches (/quiet, /answers=, /log=, /dir=, /norestart, /record=) work on every
// start, the uninstaller copy's included.
#include <unistd.h>

#include <FL/Fl.H>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <sstream>

#include "app/Application.h"
#include "tools/CommandOptions.h"
#include "platform/host/Machine.h"
#include "tools/HeadlessProgram.h"
#include "tools/ProgramHost.h"
#include "tools/SetupSwitches.h"
#include "tools/ToolSupport.h"
#include "tools/WindowedProgram.h"
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
    "  --machine DIR       the emulated machine (default $ORVANE_MACHINE, else\n"
    "                      $XDG_DATA_HOME/orvane/machine, else\n"
    "                      ~/.local/share/orvane/machine); made on first use\n"
    "  --drive LETTER      drive letter of the distribution folder (default D)\n"
    "  --verbose           print program starts, documents and notifications\n";

std::string Help() {
  return std::string(kUsage) + kSwitchesHelp +
         "With --uninstall NAME and no Add/Remove Programs entry of that name with a command the\n"
         "exit code is 1605; without a display it is 1603.\n";
}

// Problems before or outside the windows go to standard error.
void Report(const std::string& line) { std::cerr << "orvane-setup: " << line << "\n"; }

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

// The run in FLTK windows; --verbose echoes the record on standard error.
int RunInFltk(StartRequest request, const SetupSwitches& switches, bool verbose) {
  request.documentOpener = FindDocumentOpener();
  fltk::FltkUi windows;
  std::function<void(const std::string&)> echo;
  if (verbose) echo = Report;
  return RunWithWindows(request, switches, windows, [&](Application& app) { windows.Attach(app); },
                        echo, Report);
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
    std::cout << Help();
    return 0;
  }
  const bool machineProgram = StartedAsMachineProgram(arguments, request);
  if (machineProgram) {
    if (switches.Unattended())
      return Guarded([&] { return RunUnattended(request, switches, "orvane-setup"); }, Report);
    const char* mode = std::getenv("ORVANE_UI");
    if (mode && std::string(mode) == "headless")
      return Guarded([&] { return RunHeadlessFromEnvironment(request, "orvane-setup"); }, Report);
  } else {
    try {
      // A copy placed inside a distribution folder installs from that folder.
      CommandLine line =
          ParseCommandLine(arguments, {}, {"--verbose"}, SelfFolder());
      if (line.help) {
        std::cout << Help();
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
      std::cerr << "orvane-setup: " << error.what() << "\n" << Help();
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
    return RunInFltk(request, switches, verbose);
  }, Report);
}
