// SETUP.EXE: the installer with its native windows on Windows. A package author copies it beside
// a SETUP.INI: it installs from the folder it stands in. The install copies it to the Windows
// folder as the uninstaller, which Add/Remove Programs starts with the uninstall log as its one
// argument; it then removes the package with the same windows. The installer's switches
// (/quiet, /answers=, /log=, /dir=, /norestart, /record=) work on every start, the uninstaller
// copy's included, so that an Add/Remove entry's command with /quiet removes a package quietly.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "tools/HeadlessProgram.h"
#include "tools/ProgramHost.h"
#include "tools/SetupSwitches.h"
#include "tools/ToolSupport.h"
#include "tools/WindowedProgram.h"
#include "ui/win32/Win32Ui.h"

using namespace orvane;
using namespace orvane::tools;

namespace {

const char kUsage[] =
    "SETUP.EXE [switches]                installs from the folder SETUP.EXE stands in\n"
    "UNORVANE.EXE LOG [switches]         removes what the uninstall log names\n";

// True when the command line asks for no window: then no problem is told in a message box
// (a deployment script would wait for it forever), only on standard error and by the exit code.
bool AsksQuiet(const std::vector<std::string>& arguments) {
  for (std::string word : arguments) {
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word == "/quiet" || word == "-quiet" || word.rfind("/answers", 0) == 0 ||
        word.rfind("-answers", 0) == 0)
      return true;
  }
  return false;
}

// A text in a message box; `utf8` may span lines.
void Tell(const std::string& utf8, UINT icon) {
  MessageBoxW(nullptr, WideText(utf8).c_str(), L"Orvane Setup", MB_OK | icon);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments = CommandArguments(argc, argv);
  const bool quiet = AsksQuiet(arguments);
  auto report = [quiet](const std::string& line) {
    std::fprintf(stderr, "SETUP: %s\n", line.c_str());
    if (!quiet) Tell(line, MB_ICONSTOP);
  };

  SetupSwitches switches;
  try {
    switches = TakeSetupSwitches(arguments);
  } catch (const SwitchError& error) {
    report(std::string(error.what()) + "\n\n" + kUsage + kSwitchesHelp);
    return kExitBadCommandLine;
  }
  if (switches.help) {
    Tell(std::string(kUsage) + kSwitchesHelp, MB_ICONINFORMATION);
    return 0;
  }

  // Without arguments it installs from its own folder; as the uninstaller copy it has the log as
  // its one argument (the runner's uninstall command may also ask for the scripted user).
  StartRequest request;
  if (StartedAsMachineProgram(arguments, request)) {
    if (!switches.Unattended() && EnvironmentValue("ORVANE_UI").value_or("") == "headless")
      return Guarded([&] { return RunHeadlessFromEnvironment(request, "SETUP"); }, report);
  } else if (!arguments.empty()) {
    report("unknown command-line argument: " + arguments[0] + "\n\n" + kUsage + kSwitchesHelp);
    return kExitBadCommandLine;
  } else {
    request.distribution = SelfFolder();
  }

  if (switches.Unattended())
    return Guarded([&] { return RunUnattended(request, switches, "SETUP"); }, report);
  return Guarded(
      [&] {
        win32ui::Win32Ui windows;
        return RunWithWindows(request, switches, windows,
                              [&](Application& app) { windows.Attach(app); }, {}, report);
      },
      report);
}
