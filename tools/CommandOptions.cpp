// The shared command-line parser over getopt_long (glibc on Linux, mingw-w64's on Windows).
#include "tools/CommandOptions.h"

#include <getopt.h>

#include <cstdio>

namespace orvane::tools {

namespace {

// getopt_long keeps its state in globals; an optind of 0 starts it afresh for another argument
// list (glibc and mingw-w64 alike).
void ResetGetopt() { optind = 0; }

constexpr int kHelp = 'h';
constexpr int kFirstSpec = 256;
constexpr int kVersion = kFirstSpec - 1;

}  // namespace

std::string ParsedOptions::Value(const std::string& name, const std::string& fallback) const {
  auto found = given.find(name);
  return found == given.end() || found->second.empty() ? fallback : found->second.back();
}

const std::vector<std::string>& ParsedOptions::Values(const std::string& name) const {
  static const std::vector<std::string> none;
  auto found = given.find(name);
  return found == given.end() ? none : found->second;
}

ParsedOptions ParseOptions(const std::vector<std::string>& arguments,
                           const std::vector<OptionSpec>& specs, bool stopAtOperand) {
  std::vector<option> longOptions;
  for (size_t i = 0; i < specs.size(); ++i)
    longOptions.push_back({specs[i].name.c_str(), specs[i].takesValue ? required_argument : no_argument,
                           nullptr, kFirstSpec + static_cast<int>(i)});
  longOptions.push_back({"help", no_argument, nullptr, kHelp});
  longOptions.push_back({"version", no_argument, nullptr, kVersion});
  longOptions.push_back({nullptr, 0, nullptr, 0});

  // getopt_long permutes the array it is given: it gets copies of the arguments.
  std::vector<std::string> copies;
  copies.push_back("tool");
  copies.insert(copies.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& s : copies) argv.push_back(s.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(copies.size());

  ParsedOptions parsed;
  // "+" stops at the first operand; "-" returns operands in place (as option 1), so that an
  // operand keeps its position among the others; ":" reports a missing value apart.
  const char* shortOptions = stopAtOperand ? "+:h" : "-:h";
  ResetGetopt();
  opterr = 0;
  for (;;) {
    int index = -1;
    const int c = getopt_long(argc, argv.data(), shortOptions, longOptions.data(), &index);
    if (c == -1) break;
    if (c == 1) {
      parsed.operands.push_back(optarg);
    } else if (c == kHelp) {
      parsed.help = true;
    } else if (c == kVersion) {
      parsed.version = true;
    } else if (c >= kFirstSpec) {
      const OptionSpec& spec = specs[c - kFirstSpec];
      parsed.given[spec.name].push_back(spec.takesValue ? optarg : "");
    } else {
      // An error: the option is the argument getopt_long just passed (the code it reports for
      // a value given to an option that takes none differs between implementations).
      const std::string argument = optind >= 1 && optind - 1 < argc ? argv[optind - 1] : "";
      std::string option = argument.substr(0, argument.find('='));
      const OptionSpec* spec = nullptr;
      if (optopt >= kFirstSpec && optopt < kFirstSpec + static_cast<int>(specs.size())) {
        spec = &specs[optopt - kFirstSpec];
        option = "--" + spec->name;
      }
      const bool flag = (spec && !spec->takesValue) || optopt == kVersion || optopt == kHelp;
      if (flag && argument.find('=') != std::string::npos)
        throw UsageError(option + " takes no value");
      if (c == ':') throw UsageError(option + " needs a value");
      throw UsageError("unknown option " + option);
    }
  }
  for (int i = optind; i < argc; ++i) parsed.operands.push_back(argv[i]);
  return parsed;
}

std::string VersionText(const std::string& tool) {
  return tool + " (Orvane Setup) " ORVANE_VERSION "\n";
}

bool AnswerHelpOrVersion(const ParsedOptions& options, const std::string& usage,
                         const std::string& tool) {
  if (options.help) std::fputs(usage.c_str(), stdout);
  else if (options.version) std::fputs(VersionText(tool).c_str(), stdout);
  return options.help || options.version;
}

}  // namespace orvane::tools
