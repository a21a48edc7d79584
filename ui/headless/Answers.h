// The answers file of the headless runner: what the scripted user does on each page, how each
// message box and the shared-file dialog are answered, which disks to insert and when to abort.
// One rule per line; see the README for the format.
#pragma once
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvane::headless {

class AnswersError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the scripted user acts: a wizard page as the answers file names it (the checker's two
// verdicts are one page here), or the status window of a run stopped by an error.
enum class Page {
  Title,
  Checking,
  Checked,
  Licence,
  Readme,
  SelectType,
  Final,
  Uninstall,
  Error,
  Details,
  Status
};
// The page's name in answers files and transcripts: "title", "select-type", ...
const char* PageName(Page page);

struct PageAction {
  int line = 0;
  Page page = Page::Title;
  std::string action;    // continue, exit, accept, refuse, start, folder, tick, untick, ...
  std::string argument;  // folder path or box name, UTF-8
};

struct BoxRule {
  int line = 0;
  std::string answer;  // ok, cancel, yes, no
  std::string caption = "*", text = "*";  // glob patterns on the UTF-8 texts
  bool once = false;
  int uses = 0;
};

struct SharedRule {
  int line = 0;
  std::string answer;  // yes, no, all-delete, all-save
  std::string text = "*";
  bool once = false;
  int uses = 0;
};

struct AbortRule {
  int line = 0;
  std::string status;  // glob on the status text
  int nth = 1;         // press at the n-th status text that matches
  int seen = 0;
  bool done = false;
};

struct BrowseRule {
  int line = 0;
  std::optional<std::string> folder;  // nothing: cancel
  bool used = false;
};

struct Answers {
  std::vector<PageAction> actions;
  std::vector<BoxRule> boxes;
  std::vector<SharedRule> shared;
  std::vector<AbortRule> aborts;
  std::vector<BrowseRule> browse;
  std::map<int, std::string> disks;  // disk number -> host folder
  std::optional<bool> restart;
  std::vector<int> restartLines;

  // Parses the text of an answers file; `baseFolder` makes relative disk folders absolute.
  // Throws AnswersError("<name>:<line>: <problem>").
  static Answers Parse(const std::string& text, const std::string& name,
                       const std::string& baseFolder);
};

// Glob match with "*" (any run of characters, line ends included) and "?" (one byte).
bool GlobMatch(const std::string& pattern, const std::string& text);

}  // namespace orvane::headless
