// Test helper: the state of an emulated machine (every file and folder on its drives with the
// file's content, and the registry as export text) and a readable list of what changed between two.
#pragma once
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace orvane::host {
class Machine;
}

namespace orvane::test {

struct MachineSnapshot {
  // "C:\Dir\File.txt" (names as stored, UTF-8) -> "folder", or "N bytes, hash H" with the text
  // itself for small files, so that a diff shows what a small file held.
  std::map<std::string, std::string> files;
  // Registry key "[HKEY_...\Key]" -> value name ("@" for the default) -> its export line.
  std::map<std::string, std::map<std::string, std::string>> registry;

  static MachineSnapshot Take(host::Machine& machine);
  // The same of drive folders ("C" -> its folder) and a registry's export text (UTF-8, one value
  // a line): for a machine that is not an emulated one (a Wine prefix).
  static MachineSnapshot Of(const std::vector<std::pair<char, std::filesystem::path>>& drives,
                            const std::string& registryExport);
};

// One line per difference, in path and key order: "file added: C:\...", "file removed: ...",
// "file changed: C:\... (was ..., now ...)", "folder added/removed: ...", "key added/removed:
// [...]", "value added/removed: [...] line", "value changed: [...] old -> new". Empty when equal.
std::vector<std::string> Diff(const MachineSnapshot& before, const MachineSnapshot& after);
// The same lines joined with "\n", for test messages.
std::string DiffText(const MachineSnapshot& before, const MachineSnapshot& after);

}  // namespace orvane::test
