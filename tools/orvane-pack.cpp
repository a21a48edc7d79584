// orvane-pack: the package author's tool. Checks a script, compresses files, shows what an install
// would change, and builds a distribution folder, on the program's own readers so that it never
// disagrees with what an install does.
#include <iostream>

#include "tools/CommandOptions.h"
#include "tools/PackCommands.h"
#include "tools/ToolSupport.h"

using namespace orvane::tools;

namespace {

const PackCommandEntry kCommands[] = {
    {"check", PackCheck, "report the mistakes of a SETUP.INI, with their lines"},
    {"compress", PackCompress, "compress files as the install expands them (SZDD)"},
    {"plan", PackPlan, "what an install would change on a machine, changing nothing"},
    {"build", PackBuild, "assemble a distribution folder (compressed files, disks)"},
    {nullptr, nullptr, nullptr},
};

void Usage(std::ostream& out) {
  out << "usage: orvane-pack COMMAND [OPTIONS] [ARGUMENTS]\n"
         "       orvane-pack --help | --version\n"
         "commands:\n";
  for (const PackCommandEntry& entry : kCommands)
    if (entry.name)
      out << "  " << entry.name << std::string(10 - std::string(entry.name).size(), ' ')
          << entry.summary << "\n";
  out << "'orvane-pack COMMAND --help' describes a command.\n";
}

}  // namespace

int main(int argc, char** argv) {
  KeepRunningWhenOutputCloses();
  std::vector<std::string> arguments = CommandArguments(argc, argv);
  try {
    const ParsedOptions options = ParseOptions(arguments, {}, true);
    if (options.version) {
      std::cout << VersionText("orvane-pack");
      return 0;
    }
    if (options.help) {
      Usage(std::cout);
      return 0;
    }
    if (options.operands.empty()) throw UsageError("no command");
    const std::string name = options.operands[0];
    for (const PackCommandEntry& entry : kCommands)
      if (entry.name && name == entry.name)
        return entry.run({options.operands.begin() + 1, options.operands.end()});
    throw UsageError("unknown command " + name);
  } catch (const UsageError& error) {
    std::cerr << "orvane-pack: " << error.what() << "\n";
    Usage(std::cerr);
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "orvane-pack: " << error.what() << "\n";
    return 2;
  }
}
