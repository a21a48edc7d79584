// The table of what the program reads from SETUP.INI, taken from the code that reads it: the
// start-up (app/Startup.cpp), the wizard (app/Wizard.cpp) and the phases of the install run
// (install/*.cpp). A key added to the program's reading belongs here and in docs/setup-ini.md.
#include "pack/ScriptRules.h"

#include "support/Cp932.h"
#include "support/IniDocument.h"

namespace orvane::pack {

namespace {

using N = Numbering;
using V = ValueKind;

const std::vector<ScriptKey> kKeys = {
    {"Title", "Setup", N::None, 0, "Orvane Setup", V::Text},
    {"Title", "UnSetup", N::None, 0, "", V::Text},  // defaults to [Title] Setup
    {"Title", "Program", N::None, 0, "", V::Text},
    {"Title", "CopyRight1", N::None, 0, "", V::Text},
    {"Title", "CopyRight2", N::None, 0, "", V::Text},
    {"Title", "UnSetupKey", N::None, 0, "", V::Text},      // defaults to [Title] UnSetup
    {"Title", "UnSetupDisplay", N::None, 0, "", V::Text},  // defaults to [Title] UnSetupKey
    {"Extend", "SetupString", N::None, 0, "Install", V::Text},
    {"Extend", "UnSetupString", N::None, 0, "UnInstall", V::Text},
    {"Extend", "SetupSpeed", N::None, 0, "350", V::Number},
    {"Extend", "Enabled", N::None, 0, "", V::Switch},
    {"Extend", "InstallChecker", N::None, 0, "", V::DistFile},
    {"Extend", "UnSetupOption", N::None, 0, "", V::Switch},
    {"ProgramID", "ID", N::None, 0, "", V::Text},
    {"DefaultFolder", "Folder", N::None, 0, "(Prg)\\", V::Path},
    {"DefaultFolder", "ReferRegistry", N::None, 0, "", V::Registry},
    {"DefaultFolder", "ReferIniFile", N::None, 0, "", V::Path},
    {"TopMessage", "Message", N::Range, 5, "", V::Text},
    {"Caution", "UnInstallCheck", N::None, 0, "NoData", V::Text},
    {"EULA", "File", N::None, 0, "", V::DistFile},
    {"EULA", "ScrollBars", N::None, 0, "ssVertical", V::Switch},
    {"Readme", "File", N::None, 0, "", V::DistFile},
    {"Readme", "Title", N::None, 0, "", V::Text},
    {"Readme", "ScrollBars", N::None, 0, "ssVertical", V::Switch},
    {"SelectType", "Visible", N::None, 0, "False", V::Switch},
    {"SelectType", "Type1", N::None, 0, "Normal Type <SetupString>.", V::Text},
    {"SelectType", "Type2", N::None, 0, "Another Type <SetupString>.", V::Text},
    {"MakeFolder", "Folder", N::List, 0, "", V::Path},
    {"CopyFile", "File", N::List, 0, "", V::Path},
    {"ShortCut", "Make", N::List, 0, "", V::Path},
    {"ShortCut", "Name", N::Paired, 0, "Default", V::Path},
    {"Registry", "Key", N::List, 0, "", V::Registry},
    {"Registry", "Name", N::Paired, 0, "", V::Text},
    {"Registry", "Value", N::Paired, 0, "", V::Path},
    {"IniFile", "Data", N::List, 0, "", V::Path},
    {"Relate", "Name", N::Range, 20, "", V::Text},
    {"Relate", "File", N::Range, 20, "", V::Path},
    {"DeleteRegistry", "Key", N::List, 0, "", V::Registry},
    {"AddDeleteFile", "File", N::List, 0, "", V::Path},
    {"ExecuteFile", "File", N::None, 0, "", V::Path},
};

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The number a key's digits stand for, or 0 when the program never asks for that spelling
// (it writes numbers without leading zeros, from 1).
int NumberOf(const std::string& digits) {
  if (digits.size() > 6 || digits[0] == '0') return 0;
  return std::stoi(digits);
}

}  // namespace

const std::vector<ScriptKey>& ScriptKeys() {
  return kKeys;
}

std::vector<std::string> ScriptSections() {
  std::vector<std::string> sections;
  for (const ScriptKey& key : kKeys)
    if (sections.empty() || sections.back() != key.section) sections.push_back(key.section);
  return sections;
}

std::string KnownSection(const std::string& section) {
  for (const ScriptKey& key : kKeys)
    if (SameName(key.section, section)) return key.section;
  return "";
}

std::string FoldName(const std::string& name) {
  return IniDocument::FoldName(name);
}

bool SameName(const std::string& a, const std::string& b) {
  return IniDocument::FoldName(a) == IniDocument::FoldName(b);
}

KeyMatch MatchScriptKey(const std::string& section, const std::string& key) {
  KeyMatch match;
  const std::string folded = IniDocument::FoldName(key);
  for (const ScriptKey& entry : kKeys) {
    if (!SameName(entry.section, section)) continue;
    const std::string stem = IniDocument::FoldName(entry.name);
    if (entry.numbering == Numbering::None) {
      if (folded == stem) {
        match.key = &entry;
        return match;
      }
      continue;
    }
    if (folded.compare(0, stem.size(), stem) != 0) continue;
    std::string rest = folded.substr(stem.size());
    // [CopyFile] File<n>_<type>: the entry of one install type.
    if (SameName(entry.section, "CopyFile")) {
      const size_t bar = rest.find('_');
      if (bar != std::string::npos) {
        match.variant = key.substr(stem.size() + bar + 1);
        match.hasVariant = true;
        rest = rest.substr(0, bar);
      }
    }
    if (!AllDigits(rest)) continue;
    match.key = &entry;
    match.number = NumberOf(rest);
    return match;
  }
  return KeyMatch{};
}

std::string NumberedName(const ScriptKey& key, int n) {
  return key.name + std::to_string(n);
}

}  // namespace orvane::pack
