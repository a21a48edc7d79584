// Parsing of the answers file.
#include "ui/headless/Answers.h"

#include <set>

namespace orvane::headless {
namespace {

// Splits a line into words; double quotes group words and take \" \\ \r \n \t escapes.
std::vector<std::string> Words(const std::string& line, bool& ok) {
  std::vector<std::string> words;
  ok = true;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          char e = line[i++];
          word += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
        } else {
          word += c;
        }
      }
      if (!closed) ok = false;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

// Each page with its name and the actions it takes.
struct PageRules {
  Page page;
  const char* name;
  std::set<std::string> actions;
};
const PageRules kPages[] = {
    {Page::Title, "title", {"continue", "exit"}},
    {Page::Checking, "checking", {"exit"}},
    {Page::Checked, "checked", {"continue", "exit"}},
    {Page::Licence, "licence", {"accept", "refuse"}},
    {Page::Readme, "readme", {"continue", "exit"}},
    {Page::SelectType, "select-type", {"type1", "type2", "continue", "exit"}},
    {Page::Final, "final", {"folder", "browse", "tick", "untick", "start", "exit"}},
    {Page::Uninstall, "uninstall", {"tick", "untick", "start", "exit"}},
    {Page::Error, "error", {"exit"}},
    {Page::Details, "details", {"continue"}},
    {Page::Status, "status", {"abort"}},
};

const PageRules* RulesNamed(const std::string& name) {
  for (const PageRules& rules : kPages)
    if (name == rules.name) return &rules;
  return nullptr;
}

const std::set<std::string> kBoxes = {"desktop", "startmenu", "startup", "sendto", "overwrite",
                                      "option1", "option2", "option3", "option4"};

}  // namespace

const char* PageName(Page page) {
  for (const PageRules& rules : kPages)
    if (rules.page == page) return rules.name;
  return "";
}

bool GlobMatch(const std::string& pattern, const std::string& text) {
  size_t p = 0, t = 0, star = std::string::npos, mark = 0;
  while (t < text.size()) {
    // A "*" is always a wildcard, also where the text holds a "*" of its own.
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

Answers Answers::Parse(const std::string& text, const std::string& name,
                       const std::string& baseFolder) {
  Answers answers;
  int number = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto fail = [&](const std::string& problem) {
      throw AnswersError(name + ":" + std::to_string(number) + ": " + problem);
    };
    bool ok = true;
    std::vector<std::string> w = Words(line, ok);
    if (!ok) fail("a quoted text is not closed");
    if (w.empty() || w[0][0] == '#') continue;
    const std::string& kind = w[0];

    if (const PageRules* page = RulesNamed(kind)) {
      if (w.size() < 2) fail("the page '" + kind + "' needs an action");
      PageAction a{number, page->page, w[1], w.size() > 2 ? w[2] : ""};
      if (!page->actions.count(a.action))
        fail("unknown action '" + a.action + "' for the page '" + kind + "'");
      if (a.action == "folder" && w.size() != 3) fail("'folder' needs one folder path");
      if ((a.action == "tick" || a.action == "untick") && (w.size() != 3 || !kBoxes.count(w[2])))
        fail("'" + a.action + "' needs one of desktop, startmenu, startup, sendto, overwrite, "
             "option1 to option4");
      if (a.action != "folder" && a.action != "tick" && a.action != "untick" && w.size() > 2)
        fail("unexpected text after '" + a.action + "'");
      answers.actions.push_back(a);
    } else if (kind == "box") {
      if (w.size() < 2 || w.size() > 5) fail("use: box ANSWER [CAPTION [TEXT]] [once]");
      BoxRule r;
      r.line = number;
      r.answer = w[1];
      if (r.answer != "ok" && r.answer != "cancel" && r.answer != "yes" && r.answer != "no")
        fail("unknown answer '" + r.answer + "' (ok, cancel, yes or no)");
      size_t end = w.size();
      if (end > 2 && w[end - 1] == "once") {
        r.once = true;
        --end;
      }
      if (end > 2) r.caption = w[2];
      if (end > 3) r.text = w[3];
      if (end > 4) fail("use: box ANSWER [CAPTION [TEXT]] [once]");
      answers.boxes.push_back(r);
    } else if (kind == "shared") {
      if (w.size() < 2 || w.size() > 4) fail("use: shared ANSWER [TEXT] [once]");
      SharedRule r;
      r.line = number;
      r.answer = w[1];
      if (r.answer != "yes" && r.answer != "no" && r.answer != "all-delete" &&
          r.answer != "all-save")
        fail("unknown answer '" + r.answer + "' (yes, no, all-delete or all-save)");
      size_t end = w.size();
      if (end > 2 && w[end - 1] == "once") {
        r.once = true;
        --end;
      }
      if (end > 2) r.text = w[2];
      if (end > 3) fail("use: shared ANSWER [TEXT] [once]");
      answers.shared.push_back(r);
    } else if (kind == "abort") {
      if (w.size() < 2 || w.size() > 3) fail("use: abort STATUS [N]");
      AbortRule r;
      r.line = number;
      r.status = w[1];
      if (w.size() == 3) {
        try {
          r.nth = std::stoi(w[2]);
        } catch (...) {
          r.nth = 0;
        }
        if (r.nth < 1) fail("the count after the status text must be a number from 1");
      }
      answers.aborts.push_back(r);
    } else if (kind == "disk") {
      if (w.size() != 3) fail("use: disk NUMBER FOLDER");
      int disk = 0;
      try {
        disk = std::stoi(w[1]);
      } catch (...) {
      }
      if (disk < 2) fail("disk numbers start at 2 (disk 1 is the distribution folder)");
      std::string folder = w[2];
      if (!folder.empty() && folder[0] != '/') folder = baseFolder + "/" + folder;
      answers.disks[disk] = folder;
    } else if (kind == "browse") {
      if (w.size() != 2) fail("use: browse FOLDER or browse cancel");
      BrowseRule r;
      r.line = number;
      if (w[1] != "cancel") r.folder = w[1];
      answers.browse.push_back(r);
    } else if (kind == "restart") {
      if (w.size() != 2 || (w[1] != "yes" && w[1] != "no")) fail("use: restart yes|no");
      answers.restart = w[1] == "yes";
      answers.restartLines.push_back(number);
    } else {
      fail("unknown rule '" + kind + "'");
    }
  }
  return answers;
}

}  // namespace orvane::headless
