// The installer's switches and the unattended run.
#include "tools/SetupSwitches.h"

#include <cctype>

#include "app/Application.h"
#include "app/Main.h"
#include "platform/WinTypes.h"
#include "support/Cp932.h"
#include "tools/HeadlessProgram.h"
#include "tools/ToolSupport.h"

namespace orvane::tools {

const char kSwitchesHelp[] =
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
    "exit codes: 0 completed, 1602 left or cancelled, 1603 failed, 1618 another instance,\n"
    "            1622 the log or the recorded file could not be written, 1639 bad command\n"
    "            line or switch, 3010 completed, restart required\n";
namespace {

struct SwitchRule {
  const char* name;
  bool takesValue;
};
const SwitchRule kSwitches[] = {{"quiet", false}, {"norestart", false}, {"answers", true},
                                {"log", true},    {"dir", true},        {"record", true},
                                {"help", false},  {"?", false}};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const SwitchRule* Rule(const std::string& name) {
  for (const SwitchRule& rule : kSwitches)
    if (Lower(name) == rule.name) return &rule;
  return nullptr;
}

// The word names an option that takes its value in the next word: the option's name or, as the
// option parser reads it, a prefix of one name alone ("--mach").
bool IsValuedOption(const std::string& word, const std::set<std::string>& valuedOptions) {
  if (word.size() < 3 || word.compare(0, 2, "--") != 0 || word.find('=') != std::string::npos)
    return false;
  int matches = 0;
  for (const std::string& option : valuedOptions) {
    if (option == word) return true;
    if (option.compare(0, word.size(), word) == 0) ++matches;
  }
  return matches == 1;
}

// A Windows folder path: a drive letter and a backslash, or a network path.
bool IsWindowsFolder(const std::string& path) {
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
      path[2] == '\\')
    return true;
  return path.size() > 2 && path[0] == '\\' && path[1] == '\\';
}

}  // namespace

SetupSwitches TakeSetupSwitches(std::vector<std::string>& arguments,
                                const std::set<std::string>& valuedOptions) {
  SetupSwitches switches;
  std::vector<std::string> rest;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "--") {
      rest.insert(rest.end(), arguments.begin() + i, arguments.end());
      break;
    }
    if (IsValuedOption(word, valuedOptions) && i + 1 < arguments.size()) {
      rest.push_back(word);
      rest.push_back(arguments[++i]);
      continue;
    }
    const bool slash = word.size() > 1 && word[0] == '/';
    const bool dash = word.size() > 1 && word[0] == '-' && word[1] != '-';
    if (!slash && !dash) {
      rest.push_back(word);
      continue;
    }
    const size_t mark = word.find_first_of("=:");
    const std::string name =
        word.substr(1, mark == std::string::npos ? std::string::npos : mark - 1);
    const SwitchRule* rule = Rule(name);
    if (!rule) {
      // "-x" is left to the tool's own options; "/x" is a switch unless it is a folder's path.
      if (dash || name.find_first_of("/\\") != std::string::npos || IsFolder(word)) {
        rest.push_back(word);
        continue;
      }
      throw SwitchError("unknown switch " + word);
    }
    const std::string key = rule->name;
    if (!rule->takesValue) {
      if (mark != std::string::npos) throw SwitchError("the switch " + word + " takes no value");
      if (key == "quiet")
        switches.quiet = true;
      else if (key == "norestart")
        switches.noRestart = true;
      else
        switches.help = true;
      continue;
    }
    const std::string value = mark == std::string::npos ? "" : word.substr(mark + 1);
    if (value.empty())
      throw SwitchError("the switch /" + key + " needs a value: /" + key + "=" +
                        (key == "dir" ? "FOLDER" : "FILE"));
    std::string& slot = key == "answers" ? switches.answers
                        : key == "log"   ? switches.log
                        : key == "dir"   ? switches.dir
                                         : switches.record;
    if (!slot.empty()) throw SwitchError("the switch /" + key + " is given twice");
    if (key == "dir" && !IsWindowsFolder(value))
      throw SwitchError("/dir needs a folder with its drive, such as C:\\Program Files\\App: " +
                        value);
    std::string cp932;
    if (key == "dir" && !Utf8ToCp932(value, cp932))
      throw SwitchError("/dir names a folder that code page 932 cannot write: " + value);
    slot = value;
  }
  if (!switches.record.empty() && switches.Unattended())
    throw SwitchError("/record shows the windows: it does not go with /quiet or /answers");
  arguments = rest;
  return switches;
}

std::vector<std::string> SwitchArguments(const SetupSwitches& s) {
  std::vector<std::string> out;
  if (s.quiet) out.push_back("/quiet");
  if (s.noRestart) out.push_back("/norestart");
  if (!s.answers.empty()) out.push_back("/answers=" + AbsolutePath(s.answers));
  if (!s.log.empty()) out.push_back("/log=" + AbsolutePath(s.log));
  if (!s.dir.empty()) out.push_back("/dir=" + s.dir);
  if (!s.record.empty()) out.push_back("/record=" + AbsolutePath(s.record));
  return out;
}

headless::Answers UnattendedAnswers(const SetupSwitches& switches) {
  headless::Answers answers = LoadAnswers(switches.answers);
  if (!switches.dir.empty())
    answers.actions.insert(answers.actions.begin(),
                           headless::PageAction{0, headless::Page::Final, "folder", switches.dir});
  if (switches.noRestart) answers.restart = false;
  return answers;
}

int RunUnattended(const StartRequest& request, const SetupSwitches& switches,
                  const std::string& tool) {
  headless::Answers answers = UnattendedAnswers(switches);
  if (!switches.log.empty())
    return RunHeadless(request, std::move(answers), switches.log, false, tool);
  // A quiet run without /log: a transcript that nobody reads.
  HeadlessProgramUi ui(std::move(answers), [](const std::string&) { return true; });
  return RunProgram(request, ui);
}

SwitchedUi::SwitchedUi(IUserInterface& inner, const SetupSwitches& switches)
    : inner_(inner), noRestart_(switches.noRestart) {
  Utf8ToCp932(switches.dir, dirCp932_);
}

void SwitchedUi::HandleMessage() {
  if (!dirPlaced_ && !dirCp932_.empty() && app_ && app_->frmMain().visible &&
      app_->frmMain().page == WizardPage::Final) {
    dirPlaced_ = true;
    app_->SetText(app_->frmMain().txtFolder, dirCp932_);
  }
  inner_.HandleMessage();
}

int SwitchedUi::RestartDialog() {
  return noRestart_ ? id::No : inner_.RestartDialog();
}

}  // namespace orvane::tools
