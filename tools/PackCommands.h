// The commands of orvane-pack, the package author's tool. Each takes the arguments after its
// name and returns the exit status; each throws UsageError (tools/CommandOptions.h) for a command
// line it cannot take.
#pragma once
#include <string>
#include <vector>

namespace orvane::tools {

using PackCommand = int (*)(const std::vector<std::string>& arguments);

struct PackCommandEntry {
  const char* name;
  PackCommand run;
  const char* summary;  // one line for orvane-pack's usage
};

// The commands (tools/Pack<Command>.cpp).
int PackCheck(const std::vector<std::string>& arguments);
int PackCompress(const std::vector<std::string>& arguments);
int PackBuild(const std::vector<std::string>& arguments);
int PackPlan(const std::vector<std::string>& arguments);

}  // namespace orvane::tools
