// The script checker: reads SETUP.INI as the program reads it (the same INI reader, list rules
// and path tokens) and reports what would change an install without a word, one finding per
// place, each with the line it stands on and the name of the rule that found it.
#pragma once
#include <string>
#include <vector>

namespace orvane::pack {

enum class Severity { Warning, Error };

struct Finding {
  size_t line = 0;  // 1-based; 0 for the file as a whole
  Severity severity = Severity::Warning;
  std::string text;  // code page 932, like the script
  std::string rule;
};

// A rule of the checker: its name (an anchor of docs/setup-ini.md) and what it finds.
struct CheckRule {
  const char* name;
  const char* summary;
};
const std::vector<CheckRule>& CheckRules();

// The distribution's disk folders as the checker sees them: disk 1 is the distribution folder
// (the program's SourceFolder), later disks are the folders a "(Dch)" entry asks for.
class IDistFiles {
 public:
  virtual ~IDistFiles() = default;
  virtual int DiskCount() const = 0;
  // Whether `relative` (a Windows path, code page 932, letter case ignored as Windows does)
  // names a file in disk folder `disk`.
  virtual bool HasFile(int disk, const std::string& relative) const = 0;
};

// Checks `script` (the bytes of SETUP.INI). Without `files` the rules about files are skipped.
// Findings come in line order.
std::vector<Finding> CheckScript(const std::string& script, const IDistFiles* files);

// "FILE:LINE: error|warning: text [rule]", the text as UTF-8; `file` is shown as given.
std::string FormatFinding(const std::string& file, const Finding& finding);
// A JSON array of {"file", "line", "severity", "rule", "message"} objects, texts as UTF-8.
// An empty list is "[]".
std::string FindingsJson(const std::string& file, const std::vector<Finding>& findings);
// 0 without findings, 1 with warnings only, 2 with an error.
int CheckStatus(const std::vector<Finding>& findings);

}  // namespace orvane::pack
