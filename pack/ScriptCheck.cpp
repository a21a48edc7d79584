// The script checker. Values are read through IniDocument, as the profile functions read them, and
// lists, path tokens, copy entries, root and type tokens through the program's own routines;
// IniDocument::Lines gives the line each finding stands on.
#include "pack/ScriptCheck.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

#include "app/Main.h"
#include "install/FileOps.h"
#include "install/InstallRun.h"
#include "install/PathTokens.h"
#include "install/RegistryAccess.h"
#include "install/SetupContext.h"
#include "pack/ScriptRules.h"
#include "support/Cp932.h"
#include "support/IniDocument.h"
#include "support/MBUtils.h"
#include "support/uStrOp.h"

namespace orvane::pack {

const std::vector<CheckRule>& CheckRules() {
  static const std::vector<CheckRule> rules = {
      {"not-a-script", "the file is empty, not text, or has no section"},
      {"cp932", "a line that is not code page 932 text"},
      {"stray-line", "a line that is neither a section, a key nor a comment"},
      {"unknown-section", "a section the program never reads"},
      {"duplicate-section", "a section given twice: only the first is read"},
      {"unknown-key", "a key the program never reads"},
      {"duplicate-key", "a key given twice in a section: only the first is read"},
      {"list-gap", "a numbered list with a gap: the entries after it are never read"},
      {"missing-field", "an entry without a key or field it needs"},
      {"shortcut-box", "a shortcut whose wizard box is never offered"},
      {"path-token", "a path token that is unknown, misspelt or has no value where it is used"},
      {"missing-source", "a [CopyFile] source that is on no disk folder"},
      {"ignored-flag", "a [CopyFile] flag that nothing reads"},
      {"registry-root", "a registry key whose root token is not one"},
      {"registry-type", "a registry value whose type token or data converts to something else"},
      {"too-long", "a path or name longer than the Windows calls it reaches take"},
      {"missing-file", "a licence, readme or checker file that is not in the distribution"},
      {"empty-message", "a [TopMessage] section that gives no message"},
      {"setting-value", "a setting whose value the program reads as something else"},
  };
  return rules;
}

namespace {

constexpr size_t kMaxPath = 259;  // the longest path the Windows file calls take
constexpr size_t kMaxName = 255;  // one file name, one registry key name
constexpr size_t kMaxValueName = 16383;

const char* const kRoots[] = {"(Class)", "(Local)", "(Users)", "(Cuser)"};
const char* const kTypes[] = {"(Str)", "(Exp)", "(Int)", "(Dwd)", "(Bin)"};
// Sections the program reads only from the uninstall log it writes, never from SETUP.INI.
const char* const kLogSections[] = {"Information",   "SetupFolder",       "DeleteFolder",
                                    "DeleteFile",    "DeleteShortCut",    "RestoreRelate",
                                    "UnSetupOption", "UnSetupRegistryKey"};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string Trimmed(const std::string& s) {
  size_t begin = 0, end = s.size();
  while (begin < end && IsBlank(s[begin])) ++begin;
  while (end > begin && IsBlank(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

std::string Quote(const std::string& s) {
  return "\"" + s + "\"";
}

// Edit distance of two names, letter case ignored; two neighbours swapped count as one edit.
size_t Distance(const std::string& a, const std::string& b) {
  const std::string x = FoldName(a), y = FoldName(b);
  std::vector<std::vector<size_t>> d(x.size() + 1, std::vector<size_t>(y.size() + 1));
  for (size_t i = 0; i <= x.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= y.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= x.size(); ++i) {
    for (size_t j = 1; j <= y.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[x.size()][y.size()];
}

// The candidate nearest to `name` when it is a likely misspelling of it, else empty.
std::string NearMiss(const std::string& name, const std::vector<std::string>& candidates) {
  std::string best;
  size_t bestDistance = 3;
  for (const std::string& candidate : candidates) {
    const size_t d = Distance(name, candidate);
    if (d < bestDistance && d * 2 < candidate.size()) {
      best = candidate;
      bestDistance = d;
    }
  }
  return best;
}

bool IsPathToken(const std::string& token, const SetupContext& ctx) {
  for (const auto& [name, value] : PathTokenValues(ctx))
    if (SameName(name, token)) return true;
  return false;
}

// The path token values of a freshly set up Windows NT machine, with the destination the
// script's default folder gives; used where a length or a file name depends on them.
SetupContext TypicalContext(const std::string& defaultFolder) {
  SetupContext ctx;
  ctx.PlatformId = 2;
  ctx.SourceFolder = "E:\\";
  ctx.SourceDriveRoot = "E:\\";
  ctx.WindowsFolder = "C:\\WINDOWS\\";
  ctx.SystemFolder = "C:\\WINDOWS\\system32\\";
  ctx.TempFolder = "C:\\Users\\User\\AppData\\Local\\Temp\\";
  ctx.ProgramFilesFolder = "C:\\Program Files\\";
  ctx.WindowsDriveRoot = "C:\\";
  const std::string roaming = "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\";
  const std::string common = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\";
  ctx.StartMenuFolder = roaming + "Start Menu\\";
  ctx.ProgramsFolder = roaming + "Start Menu\\Programs\\";
  ctx.DesktopFolder = "C:\\Users\\User\\Desktop\\";
  ctx.StartupFolder = roaming + "Start Menu\\Programs\\Startup\\";
  ctx.SendToFolder = roaming + "SendTo\\";
  ctx.CommonStartMenuFolder = common;
  ctx.CommonProgramsFolder = common + "Programs\\";
  ctx.CommonDesktopFolder = "C:\\Users\\Public\\Desktop\\";
  ctx.CommonStartupFolder = common + "Programs\\Startup\\";
  ctx.AppFolder = AddPathDelim(ExpandPathTokens(ctx, defaultFolder), "B");
  ctx.AppDriveRoot = StrLeft(ctx.AppFolder, 2) + "\\";
  return ctx;
}

// The longest component of a Windows path.
size_t LongestComponent(const std::string& path) {
  size_t longest = 0, length = 0;
  for (char c : path) {
    length = (c == '\\' || c == '/') ? 0 : length + 1;
    longest = std::max(longest, length);
  }
  return longest;
}

// True when `line` holds a byte sequence that is UTF-8 with at least one multi-byte character.
bool LooksLikeUtf8(const std::string& line) {
  bool multi = false;
  for (size_t i = 0; i < line.size();) {
    const auto c = static_cast<unsigned char>(line[i]);
    size_t extra = c < 0x80             ? 0
                   : (c & 0xE0) == 0xC0 ? 1
                   : (c & 0xF0) == 0xE0 ? 2
                   : (c & 0xF8) == 0xF0 ? 3
                                        : 9;
    if (extra == 9 || (extra > 0 && c < 0xC2) || i + extra >= line.size() + (extra ? 0 : 1))
      return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80) return false;
    multi = multi || extra > 0;
    i += extra + 1;
  }
  return multi;
}

class Checker {
 public:
  Checker(const std::string& script, const IDistFiles* files)
      : script_(script),
        files_(files),
        doc_(IniDocument::Parse(script)),
        lines_(IniDocument::Lines(script)) {}

  std::vector<Finding> Run();

 private:
  // What the program reads: the value of a key of the first section of its name, "" when absent.
  std::string Get(const std::string& section, const std::string& key) const {
    return doc_.Get(section, key).value_or("");
  }
  bool Has(const std::string& section, const std::string& key) const {
    return doc_.Get(section, key).has_value();
  }
  size_t LineOf(const std::string& section, const std::string& key) const {
    auto it = keyLines_.find(FoldName(section) + "\n" + FoldName(key));
    if (it != keyLines_.end()) return it->second;
    auto header = sectionLines_.find(FoldName(section));
    return header == sectionLines_.end() ? 0 : header->second;
  }
  void Add(size_t line, Severity severity, const std::string& text, const char* rule) {
    findings_.push_back({line, severity, text, rule});
  }
  void Error(size_t line, const std::string& text, const char* rule) {
    Add(line, Severity::Error, text, rule);
  }
  void Warn(size_t line, const std::string& text, const char* rule) {
    Add(line, Severity::Warning, text, rule);
  }

  void IndexAndCheckLines();
  void CheckKey(const std::string& section, const IniDocument::Line& line);
  // The install types the wizard can give: "1" always, "2" when [SelectType] offers it.
  std::vector<std::string> InstallTypes() const;
  std::string EntryValue(const std::string& type, int n) const;
  int ListEnd(const std::string& section, const std::string& stem) const;
  void CheckLists();
  void CheckCopyList();
  void CheckPairsAndFields();
  void CheckShortcutBoxes();
  void CheckPathTokens();
  void CheckCopyEntries();
  void CheckRegistry();
  void CheckRootToken(const std::string& section, const std::string& key, bool needBoth);
  void CheckFiles();
  void CheckSettings();

  std::string script_;
  const IDistFiles* files_;
  IniDocument doc_;
  std::vector<IniDocument::Line> lines_;
  SetupContext ctx_;
  std::map<std::string, size_t> sectionLines_;  // folded section -> its first header
  std::map<std::string, size_t> keyLines_;      // folded "section\nkey" -> first key line
  std::vector<Finding> findings_;
};

std::vector<Finding> Checker::Run() {
  if (!IsScriptText(script_)) {
    Error(0,
          std::string("the program takes a file that is empty, holds NUL bytes or has no section "
                      "for a missing script") +
              (script_.compare(0, 3, "\xEF\xBB\xBF") == 0
                   ? " (a UTF-8 byte order mark makes the first line no section header)"
                   : ""),
          "not-a-script");
    return findings_;
  }
  ctx_ = TypicalContext(doc_.Get("DefaultFolder", "Folder").value_or("(Prg)\\"));
  IndexAndCheckLines();
  CheckLists();
  CheckCopyList();
  CheckPairsAndFields();
  CheckShortcutBoxes();
  CheckPathTokens();
  CheckCopyEntries();
  CheckRegistry();
  CheckFiles();
  CheckSettings();
  std::stable_sort(findings_.begin(), findings_.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return findings_;
}

void Checker::IndexAndCheckLines() {
  if (script_.compare(0, 3, "\xEF\xBB\xBF") == 0)
    Error(1,
          "the file starts with a UTF-8 byte order mark: the program reads it as part of the first "
          "line, which is then no section header",
          "cp932");

  std::vector<std::string> known = ScriptSections();
  std::string section;    // folded name of the section the line is in
  bool readable = false;  // the section is the first of its name and one the program reads
  std::set<std::string> keysSeen;
  size_t keysInDuplicate = 0;
  size_t duplicateLine = 0;
  std::string duplicateName;
  auto closeDuplicate = [&]() {
    if (duplicateLine == 0) return;
    const std::string first = std::to_string(sectionLines_[FoldName(duplicateName)]);
    if (keysInDuplicate > 0) {
      Error(duplicateLine,
            "[" + duplicateName + "] is given again: only the first one (line " + first +
                ") is read, so " +
                (keysInDuplicate == 1 ? std::string("the key")
                                      : "the " + std::to_string(keysInDuplicate) + " keys") +
                " of this one " + (keysInDuplicate == 1 ? "is" : "are") + " never read",
            "duplicate-section");
    } else {
      Warn(duplicateLine, "[" + duplicateName + "] is given again (first on line " + first + ")",
           "duplicate-section");
    }
    duplicateLine = 0;
  };

  for (const IniDocument::Line& line : lines_) {
    std::string text = line.text;
    std::string utf8;
    if (!Cp932ToUtf8(text, utf8)) {
      Error(line.number,
            std::string("the line is not code page 932 text") +
                (LooksLikeUtf8(text) ? " (it is UTF-8: save the script in code page 932)" : ""),
            "cp932");
    } else if (LooksLikeUtf8(line.number == 1 && text.compare(0, 3, "\xEF\xBB\xBF") == 0
                                 ? text.substr(3)
                                 : text)) {
      Warn(line.number,
           "the line reads as UTF-8 text, which the program shows garbled: it reads code page 932",
           "cp932");
    }

    if (line.kind == IniDocument::Line::Header) {
      closeDuplicate();
      section = FoldName(line.name);
      keysSeen.clear();
      if (sectionLines_.count(section)) {
        readable = false;
        duplicateLine = line.number;
        duplicateName = line.name;
        keysInDuplicate = 0;
        continue;
      }
      sectionLines_[section] = line.number;
      readable = !KnownSection(line.name).empty();
      if (readable) continue;
      bool logSection = false;
      for (const char* name : kLogSections) logSection = logSection || SameName(name, line.name);
      const std::string nearest = logSection ? "" : NearMiss(line.name, known);
      if (logSection) {
        Warn(line.number,
             "[" + line.name + "] is never read: the program reads it from the uninstall log only",
             "unknown-section");
      } else if (!nearest.empty()) {
        Error(line.number, "[" + line.name + "] is never read; did you mean [" + nearest + "]?",
              "unknown-section");
      } else {
        Warn(line.number, "[" + line.name + "] is never read", "unknown-section");
      }
      continue;
    }
    if (line.kind == IniDocument::Line::Key) {
      if (sectionLines_.empty()) {
        Warn(line.number, line.name + " stands before the first section and is never read",
             "stray-line");
        continue;
      }
      if (duplicateLine != 0) ++keysInDuplicate;
      if (!readable) continue;
      const std::string folded = FoldName(line.name);
      if (!keysSeen.insert(folded).second) {
        Warn(line.number,
             line.name + " is given again: the first one (line " +
                 std::to_string(keyLines_[section + "\n" + folded]) + ") is read",
             "duplicate-key");
        continue;
      }
      keyLines_[section + "\n" + folded] = line.number;
      CheckKey(KnownSection(section), line);
      continue;
    }
    const std::string trimmed = Trimmed(text);
    if (trimmed.empty() || trimmed[0] == ';') continue;
    if (trimmed[0] == '[') {
      Error(line.number,
            "a section header without \"]\" is an ordinary line: the keys after it count for the "
            "section before it",
            "stray-line");
    } else {
      Warn(line.number,
           "the line has no \"=\": it is neither a key nor a comment (\";\") and is "
           "never read",
           "stray-line");
    }
  }
  closeDuplicate();
}

void Checker::CheckKey(const std::string& section, const IniDocument::Line& line) {
  const KeyMatch match = MatchScriptKey(section, line.name);
  if (match.key == nullptr) {
    // A near miss of a key of the section, numbered keys keeping the line's number.
    std::string digits;
    size_t end = line.name.size();
    while (end > 0 && line.name[end - 1] >= '0' && line.name[end - 1] <= '9') --end;
    digits = line.name.substr(end);
    std::vector<std::string> candidates;
    for (const ScriptKey& key : ScriptKeys()) {
      if (!SameName(key.section, section)) continue;
      candidates.push_back(
          key.numbering == Numbering::None ? key.name : key.name + (digits.empty() ? "1" : digits));
    }
    const std::string nearest = NearMiss(line.name, candidates);
    if (!nearest.empty()) {
      Error(line.number, line.name + " is never read; did you mean " + nearest + "?",
            "unknown-key");
    } else {
      Warn(line.number, line.name + " is never read: [" + section + "] has no such key",
           "unknown-key");
    }
    return;
  }
  const ScriptKey& key = *match.key;
  if (key.numbering == Numbering::None) return;
  if (match.number == 0) {
    Error(line.number,
          line.name + " is never read: the program asks for " + key.name + "1, " + key.name +
              "2, ... (from 1, without leading zeros)",
          "unknown-key");
  } else if (key.numbering == Numbering::Range && match.number > key.last) {
    Error(line.number,
          line.name + " is never read: [" + section + "] reads " + key.name + "1 to " + key.name +
              std::to_string(key.last),
          "unknown-key");
  } else if (match.hasVariant) {
    const std::string plain = NumberedName(key, match.number);
    if (match.variant == "1") {
      Error(line.number, line.name + " is never read: install type 1 reads " + plain,
            "unknown-key");
    } else if (match.variant != "2") {
      Error(line.number,
            line.name + " is never read: the install types are 1 and 2 (" + plain + "_2)",
            "unknown-key");
    } else if (Get("SelectType", "Visible") != "True") {
      Warn(line.number,
           line.name +
               " is read only for install type 2, which the wizard offers only with "
               "[SelectType] Visible=True",
           "unknown-key");
    }
  }
}

std::vector<std::string> Checker::InstallTypes() const {
  if (Get("SelectType", "Visible") == "True") return {"1", "2"};
  return {"1"};
}

std::string Checker::EntryValue(const std::string& type, int n) const {
  const std::string key = "File" + std::to_string(n);
  if (type == "1") return Get("CopyFile", key);
  const std::string value = Get("CopyFile", key + "_" + type);
  return value.empty() ? Get("CopyFile", key) : value;
}

int Checker::ListEnd(const std::string& section, const std::string& stem) const {
  int n = 1;
  while (!Get(section, stem + std::to_string(n)).empty()) ++n;
  return n;
}

// Why the program stops a list at `name`, and what it never reads after it.
std::string GapText(const std::string& section, const std::string& name, bool present,
                    const std::string& first, size_t count) {
  return "[" + section + "] stops at " + name +
         (present ? ", which is empty" : ", which is missing") + ": " + first +
         (count > 1 ? " and " + std::to_string(count - 1) + " more after it are" : " is") +
         " never read";
}

void Checker::CheckLists() {
  for (const ScriptKey& key : ScriptKeys()) {
    if (key.numbering != Numbering::List || SameName(key.section, "CopyFile")) continue;
    const int end = ListEnd(key.section, key.name);
    // The keys of this stem after the end that hold a value: never read.
    std::vector<std::pair<int, size_t>> unread;  // number, line
    for (const std::string& name : doc_.KeyNames(key.section)) {
      const KeyMatch match = MatchScriptKey(key.section, name);
      if (match.key != &key || match.number <= end || Get(key.section, name).empty()) continue;
      unread.push_back({match.number, LineOf(key.section, name)});
    }
    if (unread.empty()) continue;
    std::sort(unread.begin(), unread.end());
    const std::string endName = NumberedName(key, end);
    Error(unread.front().second,
          GapText(key.section, endName, Has(key.section, endName),
                  NumberedName(key, unread.front().first), unread.size()),
          "list-gap");
  }
}

void Checker::CheckCopyList() {
  const std::vector<std::string> types = InstallTypes();
  for (const std::string& type : types) {
    int end = 1;
    while (!EntryValue(type, end).empty()) ++end;
    std::vector<std::pair<int, std::string>> unread;
    for (const std::string& name : doc_.KeyNames("CopyFile")) {
      const KeyMatch match = MatchScriptKey("CopyFile", name);
      if (match.key == nullptr || match.number <= end || Get("CopyFile", name).empty()) continue;
      if (match.hasVariant && match.variant != type) continue;
      unread.push_back({match.number, name});
    }
    if (unread.empty()) continue;
    std::sort(unread.begin(), unread.end());
    const std::string endName = "File" + std::to_string(end);
    std::string text = GapText("CopyFile", endName, Has("CopyFile", endName), unread.front().second,
                               unread.size());
    if (types.size() > 1) text += " with install type " + type;
    Error(LineOf("CopyFile", unread.front().second), text, "list-gap");
  }
}

void Checker::CheckPairsAndFields() {
  // Name<n> and Value<n> are read beside Key<n> or Make<n>; without it they are never read.
  for (const ScriptKey& key : ScriptKeys()) {
    if (key.numbering != Numbering::Paired) continue;
    const std::string listStem = SameName(key.section, "ShortCut") ? "Make" : "Key";
    for (const std::string& name : doc_.KeyNames(key.section)) {
      const KeyMatch match = MatchScriptKey(key.section, name);
      if (match.key != &key || match.number == 0) continue;
      const std::string partner = listStem + std::to_string(match.number);
      if (Get(key.section, partner).empty())
        Error(LineOf(key.section, name), name + " has no " + partner + " and is never read",
              "missing-field");
    }
  }
  // [ShortCut] targets.
  for (int n = 1, end = ListEnd("ShortCut", "Make"); n < end; ++n) {
    const std::string make = "Make" + std::to_string(n);
    if (GetField(Get("ShortCut", make), ",", 1).empty())
      Error(LineOf("ShortCut", make), make + " names no target before its \",\"", "missing-field");
  }
  // [IniFile] entries: section, key, value, file.
  for (int n = 1, end = ListEnd("IniFile", "Data"); n < end; ++n) {
    const std::string data = "Data" + std::to_string(n);
    const std::string value = Get("IniFile", data);
    if (GetField(value, ",", 4).empty()) {
      Error(LineOf("IniFile", data),
            data + " names no file (section,key,value,file) and is skipped", "missing-field");
    } else if (GetField(value, ",", 1).empty() || GetField(value, ",", 2).empty()) {
      Error(LineOf("IniFile", data), data + " names no section or no key (section,key,value,file)",
            "missing-field");
    }
  }
  // [Relate] pairs: a name without a file is dropped, a file without a name skipped.
  for (int n = 1; n <= 20; ++n) {
    const std::string nameKey = "Name" + std::to_string(n), fileKey = "File" + std::to_string(n);
    const std::string name = Get("Relate", nameKey), file = Get("Relate", fileKey);
    if (name.empty() && file.empty()) continue;
    if (file.empty()) {
      Error(LineOf("Relate", nameKey), nameKey + " has no " + fileKey + ": the relation is dropped",
            "missing-field");
    } else if (name.empty()) {
      Error(LineOf("Relate", fileKey), fileKey + " has no " + nameKey + ": the relation is skipped",
            "missing-field");
    } else if (GetField(name, ",", 1).empty()) {
      Error(LineOf("Relate", nameKey), nameKey + " names no extension before its \",\"",
            "missing-field");
    } else if (GetField(file, ",", 1).empty() || GetField(file, ",", 2).empty()) {
      Error(LineOf("Relate", fileKey),
            fileKey + " needs a verb and a program: verb,program[,argument,argument,icon]",
            "missing-field");
    }
  }
}

void Checker::CheckShortcutBoxes() {
  // The wizard ticks and offers a shortcut box for each place named by Name1, Name2, ... up to
  // the first that reads back empty; a shortcut whose box is not ticked is never made.
  struct Box {
    const char* place;
    const char* label;
    bool ticked = false;
  };
  Box boxes[] = {
      {"Dsk)", "desktop"}, {"Sta)", "Start menu"}, {"Sup)", "start-up"}, {"Sen)", "send-to"}};
  int firstMissing = 1;
  for (;; ++firstMissing) {
    const std::string value = Get("ShortCut", "Name" + std::to_string(firstMissing));
    if (value.empty()) break;
    for (Box& box : boxes)
      if (PosNoCase(box.place, value) > 0) box.ticked = true;
  }
  for (int n = 1, end = ListEnd("ShortCut", "Make"); n < end; ++n) {
    const std::string nameKey = "Name" + std::to_string(n);
    const std::string name = doc_.Get("ShortCut", nameKey).value_or("Default");
    if (ShortcutWanted(name, false, false, false, false)) continue;
    for (Box& box : boxes) {
      const bool wanted = ShortcutWanted(name, &box == &boxes[0], &box == &boxes[1],
                                         &box == &boxes[2], &box == &boxes[3]);
      if (!wanted || box.ticked) continue;
      Error(LineOf("ShortCut", "Make" + std::to_string(n)),
            "the shortcut of Make" + std::to_string(n) + " is made only when the " + box.label +
                " box is ticked, and the wizard offers that box only for a Name before the "
                "first missing one (Name" +
                std::to_string(firstMissing) + "): it is never made",
            "shortcut-box");
    }
  }
}

void Checker::CheckPathTokens() {
  std::vector<std::string> tokenWords;  // the tokens without their parentheses
  for (const auto& [name, value] : PathTokenValues(ctx_))
    tokenWords.push_back(name.substr(1, name.size() - 2));
  for (const ScriptKey& key : ScriptKeys()) {
    if (key.kind != ValueKind::Path) continue;
    const bool copy = SameName(key.section, "CopyFile");
    const bool registry = SameName(key.section, "Registry");
    const bool atStartup = SameName(key.section, "DefaultFolder");
    for (const std::string& name : doc_.KeyNames(key.section)) {
      if (MatchScriptKey(key.section, name).key != &key) continue;
      const std::string value = Get(key.section, name);
      const size_t line = LineOf(key.section, name);
      for (size_t open = value.find('('); open != std::string::npos;
           open = value.find('(', open + 1)) {
        const size_t close = value.find(')', open);
        if (close == std::string::npos || close - open < 2 || close - open > 8) continue;
        const std::string word = value.substr(open + 1, close - open - 1);
        if (!std::all_of(word.begin(), word.end(), [](char c) {
              return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
            }))
          continue;
        const std::string token = "(" + word + ")";
        if (IsPathToken(token, ctx_)) {
          if (atStartup && (SameName(token, "(App)") || SameName(token, "(Set)")))
            Warn(line,
                 name + ": " + token +
                     " has no value yet when the default folder is read: it stays as written",
                 "path-token");
          continue;
        }
        if (copy && open == 0 && SameName(token, "(Dch)")) {
          if (token != "(Dch)")
            Error(line,
                  name + ": " + token +
                      " is no disk change: only \"(Dch)\" is, letter case included, and it "
                      "stays in the path",
                  "path-token");
          continue;
        }
        if (registry && SameName(token, "(Pdd)")) continue;
        if (registry && open == 0 &&
            std::any_of(std::begin(kTypes), std::end(kTypes),
                        [&](const char* type) { return SameName(type, token); }))
          continue;  // a type token: the registry-type rule judges it
        const bool fieldStart = open == 0;  // later fields may hold any text
        const std::string nearest = NearMiss(word, tokenWords);
        if (!fieldStart && nearest.empty()) continue;
        Error(line,
              name + ": " + token + " is not a path token and stays in the path as written" +
                  (nearest.empty() ? std::string() : "; did you mean (" + nearest + ")?"),
              "path-token");
      }
    }
  }
}

void Checker::CheckCopyEntries() {
  std::set<std::string> done;  // entries already judged (both install types read most)
  for (const std::string& type : InstallTypes()) {
    int disk = 1;
    for (int n = 1;; ++n) {
      const std::string value = EntryValue(type, n);
      if (value.empty()) break;
      std::string key = "File" + std::to_string(n);
      if (type != "1" && !Get("CopyFile", key + "_" + type).empty()) key += "_" + type;
      std::string text = ExpandPathTokens(ctx_, value);
      const bool change = StrLeft(text, 5) == "(Dch)";
      if (change) {
        ++disk;
        text = StrFrom(text, 6);
      }
      if (!done.insert(key + "@" + std::to_string(disk)).second) continue;
      const size_t line = LineOf("CopyFile", key);
      const CopyTarget target = ResolveCopyTarget(GetField(text, ",", 1));

      // Flags: the copy phase reads /S, /W and /R, the uninstaller /C, /L and /F.
      const std::string flags = GetField(text, ",", 2);
      std::string ignored;
      for (size_t i = 0; i < flags.size();) {
        if (flags[i] == ' ' || flags[i] == '\t') {
          ++i;
        } else if (flags[i] == '/' && i + 1 < flags.size() &&
                   std::string("SWRCLFswrclf").find(flags[i + 1]) != std::string::npos) {
          i += 2;
        } else {
          ignored += flags[i++];
        }
      }
      if (!ignored.empty())
        Warn(line,
             key + ": " + Quote(ignored) + " in the flags " + Quote(flags) +
                 " is ignored: the copy reads /S, /W and /R, the uninstaller /C, /L and /F",
             "ignored-flag");
      if (!GetField(text, ",", 3).empty())
        Warn(line, key + ": the text after the second \",\" is ignored", "ignored-flag");

      if (target.destination.size() > kMaxPath || LongestComponent(target.destination) > kMaxName)
        Warn(line,
             key + ": the destination is " + std::to_string(target.destination.size()) +
                 " characters long on a typical machine; Windows takes paths up to " +
                 std::to_string(kMaxPath) + " characters and names up to " +
                 std::to_string(kMaxName),
             "too-long");

      if (files_ == nullptr) continue;
      if (target.sourceName.empty()) {
        Error(line, key + " names no source file", "missing-source");
        continue;
      }
      if (disk <= files_->DiskCount() && files_->HasFile(disk, target.sourceName)) continue;
      int elsewhere = 0;
      for (int d = 1; d <= files_->DiskCount() && elsewhere == 0; ++d)
        if (files_->HasFile(d, target.sourceName)) elsewhere = d;
      if (elsewhere != 0) {
        Error(line,
              key + ": " + target.sourceName + " is on disk " + std::to_string(elsewhere) +
                  ", but the entry is read while disk " + std::to_string(disk) + " is in",
              "missing-source");
      } else if (disk > files_->DiskCount()) {
        Error(line,
              key + ": " + target.sourceName + " is read from disk " + std::to_string(disk) +
                  ", which is not given (--disk), and is on no disk folder given",
              "missing-source");
      } else {
        Error(line,
              key + ": the source " + target.sourceName +
                  (files_->DiskCount() > 1 ? " is on no disk folder"
                                           : " is not in the distribution folder"),
              "missing-source");
      }
    }
  }
}

void Checker::CheckRootToken(const std::string& section, const std::string& key, bool needBoth) {
  const std::string value =
      key == "ReferRegistry" ? GetField(Get(section, key), ",", 1) : Get(section, key);
  if (value.empty()) return;
  std::string token, path;
  SplitRootToken(value, needBoth, token, path);
  const size_t line = LineOf(section, key);
  std::vector<std::string> roots(std::begin(kRoots), std::end(kRoots));
  const bool taken = !(token == "(Cuser)" && path == value);
  if (taken && std::find(roots.begin(), roots.end(), token) == roots.end()) {
    std::string nearest;
    for (const std::string& root : roots)
      if (SameName(root, token)) nearest = root;
    if (nearest.empty()) nearest = NearMiss(token, roots);
    Error(line,
          key + ": " + Quote(token) +
              " is not a root token (compared with its letter case): the "
              "key goes to HKEY_CURRENT_USER\\" +
              path + (nearest.empty() ? std::string() : "; did you mean " + nearest + "?"),
          "registry-root");
  } else if (!taken && value[0] == '(') {
    Error(line,
          key +
              ": the key has no root token of seven characters, so the whole text is a key "
              "under HKEY_CURRENT_USER",
          "registry-root");
  }
  if (path.size() > kMaxPath * 4 || LongestComponent(path) > kMaxName)
    Warn(line, key + ": a registry key name is at most " + std::to_string(kMaxName) + " characters",
         "too-long");
}

void Checker::CheckRegistry() {
  CheckRootToken("DefaultFolder", "ReferRegistry", false);
  for (int n = 1, end = ListEnd("DeleteRegistry", "Key"); n < end; ++n)
    CheckRootToken("DeleteRegistry", "Key" + std::to_string(n), true);
  for (int n = 1, end = ListEnd("Registry", "Key"); n < end; ++n) {
    const std::string suffix = std::to_string(n);
    CheckRootToken("Registry", "Key" + suffix, false);
    const std::string nameKey = "Name" + suffix, valueKey = "Value" + suffix;
    if (Get("Registry", nameKey).size() > kMaxValueName)
      Warn(LineOf("Registry", nameKey),
           nameKey + ": a value name is at most " + std::to_string(kMaxValueName) + " characters",
           "too-long");
    std::string value = Get("Registry", valueKey);
    if (value.empty()) continue;
    const size_t line = LineOf("Registry", valueKey);
    const bool marker = PosNoCase("(Pdd)", value) != 0;
    if (marker) value = ReplaceToken(value, "(Pdd)", "");
    value = ExpandPathTokens(ctx_, value);
    const std::string type = StrLeft(value, 5);
    std::string data = StrFrom(value, 6);
    if (marker) data = DelPathDelim(data, "B");
    if (std::find(std::begin(kTypes), std::end(kTypes), type) == std::end(kTypes)) {
      std::string nearest;
      for (const char* known : kTypes)
        if (SameName(known, type)) nearest = known;
      if (!nearest.empty() || (type.size() == 5 && type[0] == '(' && type[4] == ')'))
        Error(line,
              valueKey + ": " + Quote(type) +
                  " is not a type token (compared with its letter "
                  "case): the whole value is written as text" +
                  (nearest.empty() ? std::string() : "; did you mean " + nearest + "?"),
              "registry-type");
      continue;
    }
    int32_t number = 0;
    if ((type == "(Int)" || type == "(Dwd)") && !ParseInt32(data, number)) {
      Error(line,
            valueKey + ": " + Quote(data) +
                " is no 32-bit integer (decimal, or hexadecimal after \"$\"): 0 is written",
            "registry-type");
    } else if (type == "(Bin)") {
      if (!ParseInt32("$" + data, number)) {
        Error(line,
              valueKey + ": " + Quote(data) +
                  " is no hexadecimal number of up to 8 digits: nothing is written",
              "registry-type");
        continue;
      }
      // The data is written as the four bytes of a 32-bit number, least significant first;
      // other than eight digits do not give the bytes they seem to.
      const std::string digits = Trimmed(data);
      if (digits.size() != 8) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string written;
        for (int i = 0; i < 4; ++i) {
          const uint32_t byte = static_cast<uint32_t>(number) >> (8 * i) & 0xFF;
          written += std::string(i ? " " : "") + kHex[byte >> 4] + kHex[byte & 15];
        }
        Warn(line,
             valueKey + ": " + Quote(data) + " is written as the 4 bytes " + written +
                 " (a 32-bit number, least significant byte first)",
             "registry-type");
      }
    }
  }
}

void Checker::CheckFiles() {
  struct Page {
    const char* section;
    const char* key;
    const char* what;
  };
  const Page pages[] = {{"EULA", "File", "the licence page is skipped"},
                        {"Readme", "File", "the readme page is skipped"},
                        {"Extend", "InstallChecker", "the checker is not run"}};
  if (files_ != nullptr) {
    for (const Page& page : pages) {
      const std::string value = Get(page.section, page.key);
      if (value.empty() || files_->HasFile(1, DelPathDelim(value, "T"))) continue;
      Warn(LineOf(page.section, page.key),
           value + " is not in the distribution folder: " + page.what, "missing-file");
    }
  }
  if (doc_.HasSection("TopMessage")) {
    bool any = false;
    for (int n = 1; n <= 5; ++n)
      any = any || !Get("TopMessage", "Message" + std::to_string(n)).empty();
    if (!any)
      Warn(LineOf("TopMessage", ""),
           "[TopMessage] gives no message (Message1 to Message5 are empty): the program shows its "
           "own",
           "empty-message");
  }
}

void Checker::CheckSettings() {
  auto oneOf = [&](const char* section, const char* key, std::vector<std::string> words,
                   const std::string& meaning) {
    const std::string value = Get(section, key);
    if (value.empty() || std::find(words.begin(), words.end(), value) != words.end()) return;
    Warn(LineOf(section, key), std::string(key) + "=" + value + ": " + meaning, "setting-value");
  };
  oneOf("Extend", "Enabled", {"True", "False"},
        "only \"False\" (letter case included) locks the user's choices; any other value leaves "
        "them open");
  oneOf("SelectType", "Visible", {"True", "False"},
        "only \"True\" (letter case included) offers the choice of install type");
  for (const char* section : {"EULA", "Readme"})
    oneOf(section, "ScrollBars", {"ssVertical", "ssHorizontal", "ssBoth"},
          "not ssVertical, ssHorizontal or ssBoth, so the text keeps the scroll bars it has");

  const std::string speed = Get("Extend", "SetupSpeed");
  if (!speed.empty()) {
    const int used = SetupSpeedOf(speed);
    bool same = false;  // "0100" or "+100" is read as written
    try {
      size_t end = 0;
      same = std::stoll(speed, &end) == used && end == speed.size();
    } catch (const std::exception&) {
    }
    if (!same)
      Warn(LineOf("Extend", "SetupSpeed"),
           "SetupSpeed=" + speed + " is read as " + std::to_string(used) +
               " (a decimal number of milliseconds from 1 to 60000)",
           "setting-value");
  }
  const std::string execute = Get("ExecuteFile", "File");
  if (execute != "WINDOWS_REBOOT" && SameName(execute, "WINDOWS_REBOOT"))
    Warn(LineOf("ExecuteFile", "File"),
         execute +
             " is started as a program: only \"WINDOWS_REBOOT\" (letter case included) asks "
             "for a restart",
         "setting-value");
  const std::string option = Get("Extend", "UnSetupOption");
  if (!option.empty() && option != "DeleteAll") {
    bool flags = option.size() == 7;
    for (size_t i = 0; flags && i < option.size(); ++i)
      flags = i % 2 ? option[i] == ',' : (option[i] == '0' || option[i] == '1');
    if (!flags)
      Warn(LineOf("Extend", "UnSetupOption"),
           "UnSetupOption=" + option +
               ": the uninstaller reads \"DeleteAll\" or four flags \"1,0,0,0\" (1 ticks a box, "
               "letter case included)",
           "setting-value");
  }
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[(c >> 4) & 15];
      out += kHex[c & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::vector<Finding> CheckScript(const std::string& script, const IDistFiles* files) {
  return Checker(script, files).Run();
}

std::string FormatFinding(const std::string& file, const Finding& finding) {
  return file + ":" + std::to_string(finding.line) + ": " +
         (finding.severity == Severity::Error ? "error" : "warning") + ": " +
         DisplayUtf8(finding.text) + " [" + finding.rule + "]";
}

std::string FindingsJson(const std::string& file, const std::vector<Finding>& findings) {
  std::string out = "[";
  for (size_t i = 0; i < findings.size(); ++i) {
    const Finding& f = findings[i];
    out += std::string(i ? ",\n " : "") + "{\"file\": " + JsonString(file) +
           ", \"line\": " + std::to_string(f.line) + ", \"severity\": \"" +
           (f.severity == Severity::Error ? "error" : "warning") + "\", \"rule\": \"" + f.rule +
           "\", \"message\": " + JsonString(DisplayUtf8(f.text)) + "}";
  }
  return out + "]\n";
}

int CheckStatus(const std::vector<Finding>& findings) {
  int status = 0;
  for (const Finding& f : findings)
    status = std::max(status, f.severity == Severity::Error ? 2 : 1);
  return status;
}

}  // namespace orvane::pack
