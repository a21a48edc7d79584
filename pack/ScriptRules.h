// What the program reads from SETUP.INI: every section and key, the kind of its value, its
// default and how numbered keys are read. The script checker and the reference page
// (docs/setup-ini.md) both come from this one table, and a test holds the page to it.
#pragma once
#include <string>
#include <vector>

namespace orvane::pack {

// How the number of a numbered key is read.
enum class Numbering {
  None,    // one key
  List,    // Stem1, Stem2, ... up to the first that reads back empty
  Paired,  // read beside the list key of its section with the same number (Name<n> beside Make<n>)
  Range,   // Stem1 to Stem<last>, each read whatever the others hold
};

enum class ValueKind {
  Text,      // shown or stored as written
  Number,    // a decimal integer
  Switch,    // one of a few words, compared exactly
  Path,      // path tokens are expanded in it
  DistFile,  // a file of the distribution folder, by its path relative to that folder
  Registry,  // a registry key with its root token
};

struct ScriptKey {
  const char* section;
  const char* name;  // the key, or the stem of a numbered key
  Numbering numbering;
  int last;                  // Range: the highest number read
  const char* defaultValue;  // what a missing key reads as
  ValueKind kind;
};

// Every key the program reads from SETUP.INI, grouped by section in the order of the reference.
const std::vector<ScriptKey>& ScriptKeys();
// The sections of the table, each once, in table order.
std::vector<std::string> ScriptSections();
// The canonical spelling of a section the program reads, or empty when it reads none of the name.
std::string KnownSection(const std::string& section);

// A key name of a section matched against the table. [CopyFile] also reads File<n>_<type>, the
// entry for one install type; `variant` holds the type text ("2") then.
struct KeyMatch {
  const ScriptKey* key = nullptr;  // null: no key of the section has this name or stem
  int number = 0;  // 0 for a key without a number, or a number the program never asks for
  std::string variant;
  bool hasVariant = false;
};
KeyMatch MatchScriptKey(const std::string& section, const std::string& key);

// The numbered key's name for n (and an install type for [CopyFile] variants).
std::string NumberedName(const ScriptKey& key, int n);

// Names compared as the profile functions compare them (ASCII letters without regard to case).
bool SameName(const std::string& a, const std::string& b);
std::string FoldName(const std::string& name);

}  // namespace orvane::pack
