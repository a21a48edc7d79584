// The installer's switches for unattended installs, in the conventions administrators know from
// other installers: /quiet, /answers=FILE, /log=FILE, /dir=FOLDER, /norestart and
// /record=FILE, letter case ignored, "-" for "/", and "=" or ":" before a value. Shared by the
// desktop program on Linux and SETUP.EXE on Windows; the same switches reach the uninstaller
// copy. Unattended runs are the headless runner's: the answers file's rules with the switches
// on top, a transcript in the log file, the runner's exit codes.
#pragma once
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "tools/ProgramHost.h"
#include "ui/headless/Answers.h"

namespace orvane::tools {

struct SetupSwitches {
  bool quiet = false;      // no window; every question gets its default
  bool noRestart = false;  // the restart is declined
  bool help = false;       // /? or /help
  std::string answers;     // answers file (no window); UTF-8 paths as given
  std::string log;         // the transcript's file
  std::string dir;         // the destination folder, a Windows path (UTF-8)
  std::string record;      // answers file written as the user goes (windows shown)

  // True when no window is shown: /quiet or /answers.
  bool Unattended() const { return quiet || !answers.empty(); }
};

// The switches and the exit codes, for the programs' help texts.
extern const char kSwitchesHelp[];

// A switch that is unknown, misspelt, lacks its value or has one it should not; one line.
class SwitchError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Takes the switches out of `arguments` (anywhere among them) and leaves the other arguments in
// their order. A word is a switch when it starts with "/" or a single "-" followed by a known
// name; a word "/NAME" that is no known name is refused unless it names an existing folder (a
// distribution folder on Linux). The word after one of the tool's `valuedOptions` ("--machine",
// or a unique prefix of it as the option parser takes it) is that option's value, never a
// switch, and so is every word after "--". Throws SwitchError.
SetupSwitches TakeSetupSwitches(std::vector<std::string>& arguments,
                                const std::set<std::string>& valuedOptions = {});

// The switches as arguments again, the file paths made absolute: for the uninstall command,
// which starts the uninstaller copy with them.
std::vector<std::string> SwitchArguments(const SetupSwitches& switches);

// The answers of an unattended run: the answers file's rules (none for /quiet) with /dir as the
// final page's first action and /norestart as the restart answer. Throws headless::AnswersError.
headless::Answers UnattendedAnswers(const SetupSwitches& switches);

// Runs the program unattended: the transcript goes to the /log file, or nowhere. Returns the
// runner's exit code. Throws headless::AnswersError, TranscriptError before anything runs.
int RunUnattended(const StartRequest& request, const SetupSwitches& switches,
                  const std::string& tool);

// The switches that apply to a run with windows: /dir puts the folder into the final page's field
// when that page first shows; /norestart answers the restart question itself (no question shown).
class SwitchedUi : public IUserInterface {
 public:
  SwitchedUi(IUserInterface& inner, const SetupSwitches& switches);
  void Attach(Application& app) { app_ = &app; }
  void Realise(TForm& form) override { inner_.Realise(form); }
  void ProcessMessages() override { inner_.ProcessMessages(); }
  void HandleMessage() override;
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) override {
    return inner_.ShowMessage(text, caption, flags);
  }
  std::optional<std::string> BrowseForFolder(const std::string& title, uint32_t flags) override {
    return inner_.BrowseForFolder(title, flags);
  }
  int RestartDialog() override;

 private:
  IUserInterface& inner_;
  std::string dirCp932_;
  bool noRestart_;
  Application* app_ = nullptr;
  bool dirPlaced_ = false;
};

}  // namespace orvane::tools
