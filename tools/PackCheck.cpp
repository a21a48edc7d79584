// orvane-pack check: the script checker on a distribution folder or a SETUP.INI.
#include <iostream>

#include "pack/DistFolder.h"
#include "pack/ScriptCheck.h"
#include "tools/CommandOptions.h"
#include "tools/PackCommands.h"

namespace orvane::tools {

namespace {

const char kUsage[] =
    "usage: orvane-pack check [--format text|json] [--disk DIR]... DIST|SETUP.INI\n"
    "Reads the script as the program does and reports what would change an install without a\n"
    "word, one line each: FILE:LINE: error|warning: TEXT [RULE] (the rules are described in\n"
    "docs/setup-ini.md). Exit status 0 clean, 1 warnings only, 2 errors or a bad command line.\n"
    "  --format json   the findings as a JSON array instead\n"
    "  --disk DIR      the folder of the next disk (disk 2, then 3, ...); without it a folder\n"
    "                  named like DISK1 has the folders DISK2, DISK3, ... beside it as disks\n";

}  // namespace

int PackCheck(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {{"format", true}, {"disk", true}});
  if (AnswerHelpOrVersion(options, kUsage, "orvane-pack")) return 0;
  if (options.operands.size() != 1) throw UsageError("check takes one DIST or SETUP.INI");
  const std::string format = options.Value("format", "text");
  if (format != "text" && format != "json") throw UsageError("--format is text or json");

  std::vector<std::filesystem::path> disks;
  if (options.Has("disk"))
    for (const std::string& disk : options.Values("disk")) disks.emplace_back(disk);
  const pack::DistFolder dist(options.operands[0], disks);
  const std::string file = dist.ScriptPath().string();
  const std::vector<pack::Finding> findings = pack::CheckScript(dist.ScriptBytes(), &dist);

  if (format == "json") {
    std::cout << pack::FindingsJson(file, findings);
  } else {
    for (const pack::Finding& finding : findings)
      std::cout << pack::FormatFinding(file, finding) << "\n";
  }
  std::cout.flush();
  int errors = 0;
  for (const pack::Finding& finding : findings) errors += finding.severity == pack::Severity::Error;
  if (!findings.empty())
    std::cerr << file << ": " << errors << (errors == 1 ? " error, " : " errors, ")
              << findings.size() - errors
              << (findings.size() - errors == 1 ? " warning" : " warnings") << "\n";
  return pack::CheckStatus(findings);
}

}  // namespace orvane::tools
