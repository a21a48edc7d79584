// SETUP.EXE: the installer with its native windows on Windows. A package author copies it beside
// a SETUP.INI: it installs from the folder it stands in. The install copies it to the Windows
// folder as the uninstaller, which Add/Remove Programs starts with the uninstall log as its one
// argument; it then removes the package with the same windows.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <exception>
#include <string>
#include <vector>

#include "app/Application.h"
#include "tools/ProgramHost.h"
#include "tools/ToolSupport.h"
#include "ui/win32/Win32Ui.h"

using namespace orvane;
using namespace orvane::tools;

namespace {

class WindowsProgramUi : public ProgramUi {
 public:
  IUserInterface& Ui() override { return ui_; }
  void Attach(Application& app, const DiskChanger&) override { ui_.Attach(app); }
  // A program with windows keeps no record of its run.
  void Record(const std::string&) override {}

 private:
  win32ui::Win32Ui ui_;
};

// A problem before or outside the program's own windows, told in a message box.
void Tell(const std::string& utf8) {
  std::wstring text = PathFromUtf8(utf8).wstring();
  MessageBoxW(nullptr, text.c_str(), L"Orvane Setup", MB_OK | MB_ICONSTOP);
}

// How the program was started. Without arguments it installs from its own folder; as the
// uninstaller copy it has the log as its one argument. The command-line switches of unattended
// installs are read here, before the run is chosen; anything else is refused.
bool ReadCommandLine(const std::vector<std::string>& arguments, StartRequest& request,
                     std::string& problem) {
  if (StartedAsMachineProgram(arguments, request)) return true;
  if (!arguments.empty()) {
    problem = "unknown command-line argument: " + arguments[0];
    return false;
  }
  request.distribution = SelfExecutable().parent_path();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  StartRequest request;
  std::string problem;
  if (!ReadCommandLine(CommandArguments(argc, argv), request, problem)) {
    Tell(problem);
    return kExitBadCommandLine;
  }
  // The installer's pauses pass in real time before the user's eyes.
  request.realTime = true;
  try {
    WindowsProgramUi ui;
    return RunProgram(request, ui);
  } catch (const std::exception& error) {
    Tell(error.what());
    return kExitFailed;
  }
}
