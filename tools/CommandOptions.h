// The command-line parser every tool shares, over getopt_long: long options as "--name VALUE",
// "--name=VALUE" or any unique prefix of the name, "--" ending the options, "--help"/"-h" and
// "--version" understood by every tool, and one-line errors for everything else.
#pragma once
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvane::tools {

// A long option: its name without the dashes, and whether it takes a value.
struct OptionSpec {
  std::string name;
  bool takesValue = false;
};

struct ParsedOptions {
  // Each option given, by name, with its values in the order given ("" for an option without a
  // value, once per time it was given).
  std::map<std::string, std::vector<std::string>> given;
  std::vector<std::string> operands;  // everything else, in order
  bool help = false;
  bool version = false;

  bool Has(const std::string& name) const { return given.count(name) > 0; }
  // The last value given for `name`, or `fallback` when the option is absent.
  std::string Value(const std::string& name, const std::string& fallback = "") const;
  const std::vector<std::string>& Values(const std::string& name) const;
};

// A command line the tool cannot take; the text is one line without the tool's name.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses `arguments` (after the program name). Options and operands may be mixed unless
// `stopAtOperand`, which ends the options at the first operand (for tools whose commands take
// options of their own). Throws UsageError.
ParsedOptions ParseOptions(const std::vector<std::string>& arguments,
                           const std::vector<OptionSpec>& specs, bool stopAtOperand = false);

// What --version prints: "TOOL (Orvane Setup) VERSION\n".
std::string VersionText(const std::string& tool);

// Writes `usage` for --help or the version of `tool` for --version to standard output; true when
// it did (the command is then done).
bool AnswerHelpOrVersion(const ParsedOptions& options, const std::string& usage,
                         const std::string& tool);

}  // namespace orvane::tools
