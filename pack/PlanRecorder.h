// The dry run's platform: a decorator over the platform of a scratch machine (a copy of the
// machine to plan for) that notes, in order, every change a run makes, carries the change out on
// the scratch machine so that later reads see it, and carries out nothing outside it: documents
// are not opened, components not called, and paths outside the scratch machine (the distribution
// drive, other mapped drives) are not written. The package's checker does run, on the scratch
// machine, because its answer decides whether the install goes on. Then the notes as the plan's
// lines.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace orvane::pack {

// What the tool knows of the real machine and of where the scratch machine ends.
struct PlanProbes {
  // Nothing for a Windows path inside the scratch machine; for one outside it (the distribution
  // drive, another mapped drive) the error that a change there meets at once (5 for the running
  // program's file), or 0: the change is then noted and not carried out, and the call succeeds.
  std::function<std::optional<uint32_t>(const std::string& path)> outside;
  // True when the real machine's file at this path is held by another process (in use).
  std::function<bool(const std::string& path)> inUse;
  // True when another process holds the named single-instance mutex on the real machine.
  std::function<bool(const std::string& name)> mutexHeld;
};

// One noted change, in the order of the calls.
struct PlanEvent {
  enum class Kind {
    Folder,        // path made
    RemoveFolder,  // path removed
    File,          // path from source; decision new, replace, or fail
    Write,         // path written with `size` bytes (a whole-file write, or one moved in place)
    Move,          // source renamed to path
    Delete,        // path deleted
    AtRestart,     // source replaces path (empty: is deleted) when the machine next starts
    Key,           // key made (root and path in `path`)
    Value,         // value `name` of key `path` set to `value`
    DeleteValue,
    DeleteKey,
    Ini,           // INI file `path`: section, name (key), value; nothing means a deletion
    Shortcut,      // link `path` to target `source`, folder and arguments in `name`, `text`
    Register,      // component `path`, entry in `name`
    Run,           // program `path` with arguments `text`
    Open,          // document `path` with the verb in `name` and parameters in `text`
    Restart,
    Status,        // the run's status text (not a change: tells kept and skipped files)
    Expanded,      // `source` expanded into the work file `path` (not a line of its own)
    ExpandFailed,  // the compressed `source` could not be expanded (error in `error`)
  };
  Kind kind;
  std::string path;
  std::string source;
  std::string name;
  std::string text;
  std::optional<std::string> section, value;  // Ini
  RegRoot root = RegRoot::LocalMachine;  // Key, Value, DeleteValue, DeleteKey: the key is
  std::string key;                        // `key` under `root`; `path` is both in one
  RegValue regValue;
  bool existed = false;   // the target existed before this change
  bool expanded = false;  // File: the source was expanded from a compressed file
  bool outside = false;   // not carried out: the path lies outside the machine
  uint32_t error = 0;     // File: the copy's error code
  uint64_t size = 0;      // Write
};

// Names that the run knows once it has ended, to label the lines.
struct PlanLabels {
  std::string uninstallLog;  // the uninstall log's Windows path
};

class PlanRecorder {
 public:
  PlanRecorder(const Platform& scratch, PlanProbes probes);
  ~PlanRecorder();

  // The platform the program runs on: the scratch platform with the changes noted.
  Platform Bundle();
  // The status text the run shows now (the run's current step), noted between the changes.
  void NoteStatus(const std::string& text);

  // The plan, one line per change, in order (see README.md, "orvane-pack plan"). Changes whose
  // target the run made and removed again (its work files) are left out.
  std::vector<std::string> Lines(const PlanLabels& labels) const;

  struct Parts;

 private:
  std::unique_ptr<Parts> parts_;
  std::vector<PlanEvent> events_;
};

// A registry root as the plan writes it ("HKEY_LOCAL_MACHINE").
std::string RootName(RegRoot root);

}  // namespace orvane::pack
