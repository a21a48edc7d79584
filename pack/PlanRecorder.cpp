// The dry run's platform: each interface forwards to the scratch machine and notes the changes.
#include "pack/PlanRecorder.h"

#include <cstdio>
#include <map>
#include <set>

#include "support/Cp932.h"
#include "support/IniDocument.h"
#include "support/Quoted.h"
#include "support/uStrOp.h"

namespace orvane::pack {
namespace {

using Kind = PlanEvent::Kind;

std::string Upper(const std::string& text) { return MapString(text, lcmap::UpperCase); }

bool Exists(IFiles& files, const std::string& path) {
  FileInfo info;
  return files.GetInfo(path, info) == 0;
}

const char kSharedDlls[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS";
const char kUninstallList[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\";


// A text for the plan: UTF-8 in double quotes, with the transcript's escapes.
std::string Quote(const std::string& cp932) { return QuotedCp932(cp932); }

std::string Data(const RegValue& value) {
  uint32_t number = 0;
  char buffer[48];
  switch (value.type) {
    case reg::Sz: return "REG_SZ " + Quote(value.data);
    case reg::ExpandSz: return "REG_EXPAND_SZ " + Quote(value.data);
    case reg::Dword:
      if (!value.AsDword(number)) break;
      std::snprintf(buffer, sizeof buffer, "REG_DWORD %u (0x%08x)", number, number);
      return buffer;
    case reg::MultiSz: {
      std::string out = "REG_MULTI_SZ";
      size_t start = 0;
      for (size_t end; (end = value.data.find('\0', start)) != std::string::npos && end > start;
           start = end + 1)
        out += " " + Quote(value.data.substr(start, end - start));
      return out;
    }
  }
  std::string out = value.type == reg::Binary ? "REG_BINARY hex:"
                                               : "hex(" + std::to_string(value.type) + "):";
  for (size_t i = 0; i < value.data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%s%02x", i ? "," : "",
                  static_cast<unsigned char>(value.data[i]));
    out += buffer;
  }
  return out;
}

std::string NewOrReplace(const PlanEvent& event) { return event.existed ? "replace" : "new"; }

// The destination a status text of the copy phase names: "...\r\nCopying -> PATH" (a copy or a
// kept file) or "...\r\nSkipping -> PATH" (a missing source).
bool CopyStep(const std::string& text, std::string& destination, bool& skipping) {
  for (const char* word : {"\r\nCopying -> ", "\r\nSkipping -> "}) {
    size_t at = text.find(word);
    if (at == std::string::npos) continue;
    destination = text.substr(at + std::string(word).size());
    skipping = word[2] == 'S';
    return true;
  }
  return false;
}

bool IsFileKind(Kind kind) {
  return kind == Kind::Folder || kind == Kind::RemoveFolder || kind == Kind::File ||
         kind == Kind::Expanded ||
         kind == Kind::Write || kind == Kind::Move || kind == Kind::Delete ||
         kind == Kind::Shortcut;
}

}  // namespace

std::string RootName(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case RegRoot::CurrentUser: return "HKEY_CURRENT_USER";
    case RegRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case RegRoot::Users: return "HKEY_USERS";
  }
  return "?";
}

// The decorators share the scratch platform, the probes and the list of events.
struct PlanRecorder::Parts {
  Parts(const Platform& scratch, PlanProbes probes, std::vector<PlanEvent>& events)
      : inner(scratch), probes(std::move(probes)), events(events), files(*this),
        profile(*this), registry(*this), shell(*this), lz(*this), components(*this),
        processes(*this), system(*this) {}

  PlanEvent& Note(Kind kind, const std::string& path) {
    PlanEvent event{};
    event.kind = kind;
    event.path = path;
    events.push_back(event);
    return events.back();
  }
  std::optional<uint32_t> Outside(const std::string& path) const {
    return probes.outside ? probes.outside(path) : std::nullopt;
  }
  // A change outside the scratch machine: refused as the machine refuses it, or noted, not
  // carried out and answered as done.
  uint32_t Elsewhere(Kind kind, const std::string& path, uint32_t refusal) {
    if (refusal == 0) Note(kind, path).outside = true;
    return refusal;
  }
  bool InUse(const std::string& path) {
    return probes.inUse && Exists(inner.files, path) && probes.inUse(path);
  }

  struct Files : IFiles {
    explicit Files(Parts& p) : p(p) {}
    Parts& p;
    IFiles& in() { return p.inner.files; }
    uint32_t GetInfo(const std::string& path, FileInfo& info) override {
      return in().GetInfo(path, info);
    }
    uint32_t Find(const std::string& pattern, std::vector<FindEntry>& entries) override {
      return in().Find(pattern, entries);
    }
    uint32_t CreateFolder(const std::string& path) override {
      if (auto refusal = p.Outside(path)) return p.Elsewhere(Kind::Folder, path, *refusal);
      uint32_t error = in().CreateFolder(path);
      if (error == 0) p.Note(Kind::Folder, path);
      return error;
    }
    uint32_t RemoveFolder(const std::string& path) override {
      if (auto refusal = p.Outside(path)) return p.Elsewhere(Kind::RemoveFolder, path, *refusal);
      uint32_t error = in().RemoveFolder(path);
      if (error == 0) p.Note(Kind::RemoveFolder, path).existed = true;
      return error;
    }
    uint32_t RemoveFile(const std::string& path) override {
      if (auto refusal = p.Outside(path)) return p.Elsewhere(Kind::Delete, path, *refusal);
      if (p.InUse(path)) return err::SharingViolation;
      uint32_t error = in().RemoveFile(path);
      if (error == 0) p.Note(Kind::Delete, path).existed = true;
      return error;
    }
    uint32_t Copy(const std::string& source, const std::string& destination,
                  bool failIfExists) override {
      // A copy of a file the run has just expanded is the copy of the compressed source.
      // A copy of a copy (the program placed in its work folder first) names the first source.
      std::string origin = source;
      bool expanded = false;
      if (auto it = p.expansions.find(Upper(source)); it != p.expansions.end()) {
        origin = it->second;
        expanded = true;
      } else if (auto copied = p.copies.find(Upper(source)); copied != p.copies.end()) {
        origin = copied->second;
      }
      const bool existed = Exists(in(), destination);
      uint32_t error = 0;
      const std::optional<uint32_t> refusal = p.Outside(destination);
      const bool outside = refusal.has_value();
      if (outside) {
        error = *refusal ? *refusal : existed && failIfExists ? uint32_t{err::FileExists} : 0;
      } else if (existed && !failIfExists && p.InUse(destination)) {
        error = err::SharingViolation;
      } else {
        error = in().Copy(source, destination, failIfExists);
      }
      if (error == 0) p.copies[Upper(destination)] = origin;
      PlanEvent& event = p.Note(Kind::File, destination);
      event.source = origin;
      event.expanded = expanded;
      event.existed = existed;
      event.error = error;
      event.outside = outside;
      return error;
    }
    uint32_t Move(const std::string& source, const std::string& destination,
                  bool replace) override {
      const bool existed = Exists(in(), destination);
      const std::optional<uint32_t> from = p.Outside(source), to = p.Outside(destination);
      const bool outside = from || to;
      if (outside && (from.value_or(0) || to.value_or(0))) return from.value_or(0) ? *from : *to;
      uint32_t error = 0;
      if (!outside) {
        if (p.InUse(source) || (existed && replace && p.InUse(destination)))
          return err::SharingViolation;
        error = in().Move(source, destination, replace);
        if (error != 0) return error;
      }
      // A file written whole and then moved in place (the uninstall log) is noted as written
      // where it ends up.
      for (auto it = p.events.rbegin(); it != p.events.rend(); ++it) {
        if (Upper(it->path) != Upper(source)) continue;
        if (it->kind == Kind::Write && !outside) {
          it->path = destination;
          it->existed = existed;
          return 0;
        }
        break;
      }
      PlanEvent& event = p.Note(Kind::Move, destination);
      event.source = source;
      event.existed = existed;
      event.outside = outside;
      return 0;
    }
    uint32_t MoveFileAtRestart(const std::string& source,
                               const std::string& destination) override {
      const std::optional<uint32_t> from = p.Outside(source),
                                    to = destination.empty() ? std::nullopt : p.Outside(destination);
      const bool outside = from || to;
      uint32_t error = outside ? from.value_or(0) ? *from : to.value_or(0)
                               : in().MoveFileAtRestart(source, destination);
      if (error != 0) return error;
      PlanEvent& event = p.Note(Kind::AtRestart, destination);
      event.source = source;
      event.outside = outside;
      return 0;
    }
    uint32_t SetAttributes(const std::string& path, uint32_t attributes) override {
      // Attributes are not a change the plan lists (the copy routines set the archive flag).
      if (auto refusal = p.Outside(path)) return *refusal;
      return in().SetAttributes(path, attributes);
    }
    uint32_t ReadFile(const std::string& path, std::string& bytes) override {
      return in().ReadFile(path, bytes);
    }
    uint32_t WriteFile(const std::string& path, const std::string& bytes) override {
      const bool existed = Exists(in(), path);
      const std::optional<uint32_t> refusal = p.Outside(path);
      const bool outside = refusal.has_value();
      if (refusal.value_or(0)) return *refusal;
      uint32_t error = 0;
      if (!outside) {
        if (existed && p.InUse(path)) return err::SharingViolation;
        error = in().WriteFile(path, bytes);
        if (error != 0) return error;
      }
      PlanEvent& event = p.Note(Kind::Write, path);
      event.existed = existed;
      event.size = bytes.size();
      event.outside = outside;
      return 0;
    }
    uint32_t SetCurrentFolder(const std::string& path) override {
      return in().SetCurrentFolder(path);
    }
    bool DiskFreeSpaceEx(const std::string& root, int64_t& freeBytes) override {
      return in().DiskFreeSpaceEx(root, freeBytes);
    }
    bool DiskFreeSpace(const std::string& root, uint32_t& sectorsPerCluster,
                       uint32_t& bytesPerSector, uint32_t& freeClusters) override {
      return in().DiskFreeSpace(root, sectorsPerCluster, bytesPerSector, freeClusters);
    }
    std::string ShortPath(const std::string& path) override { return in().ShortPath(path); }
  };

  struct Profile : IProfile {
    explicit Profile(Parts& p) : p(p) {}
    Parts& p;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, size_t capacity,
                          const std::string& path) override {
      return p.inner.profile.GetString(section, key, defaultValue, capacity, path);
    }
    bool WriteString(const std::optional<std::string>& section,
                     const std::optional<std::string>& key,
                     const std::optional<std::string>& value, const std::string& path) override {
      // All three null only flushes the cache: not a change.
      if (!section) return p.inner.profile.WriteString(section, key, value, path);
      const std::string file = path.find('\\') == std::string::npos && path.find(':') == std::string::npos
                                   ? p.inner.system.WindowsDirectory() + "\\" + path
                                   : path;
      std::string text;
      const bool fileExisted = p.inner.files.ReadFile(file, text) == 0;
      IniDocument before = IniDocument::Parse(text);
      const std::optional<uint32_t> refusal = p.Outside(file);
      const bool outside = refusal.has_value();
      if (refusal.value_or(0)) return false;
      if (!outside && !p.inner.profile.WriteString(section, key, value, path)) return false;
      PlanEvent& event = p.Note(Kind::Ini, file);
      event.section = section;
      event.name = key.value_or("");
      event.value = key ? value : std::nullopt;
      event.existed = key ? before.Get(*section, *key).has_value() : before.HasSection(*section);
      event.size = fileExisted;
      event.outside = outside;
      return true;
    }
  };

  struct Registry : IRegistry {
    explicit Registry(Parts& p) : p(p) {}
    Parts& p;
    IRegistry& in() { return p.inner.registry; }
    PlanEvent& Note(Kind kind, RegRoot root, const std::string& key) {
      PlanEvent& event = p.Note(kind, RootName(root) + "\\" + key);
      event.root = root;
      event.key = key;
      return event;
    }
    uint32_t CreateKey(RegRoot root, const std::string& path) override {
      const bool existed = in().KeyExists(root, path);
      uint32_t error = in().CreateKey(root, path);
      if (error == 0 && !existed) Note(Kind::Key, root, path);
      return error;
    }
    bool KeyExists(RegRoot root, const std::string& path) override {
      return in().KeyExists(root, path);
    }
    uint32_t GetValue(RegRoot root, const std::string& path, const std::string& name,
                      RegValue& value) override {
      return in().GetValue(root, path, name, value);
    }
    uint32_t SetValue(RegRoot root, const std::string& path, const std::string& name,
                      const RegValue& value) override {
      RegValue old;
      const bool existed = in().GetValue(root, path, name, old) == 0;
      uint32_t error = in().SetValue(root, path, name, value);
      if (error != 0) return error;
      PlanEvent& event = Note(Kind::Value, root, path);
      event.name = name;
      event.regValue = value;
      event.existed = existed;
      return 0;
    }
    uint32_t DeleteValue(RegRoot root, const std::string& path, const std::string& name) override {
      uint32_t error = in().DeleteValue(root, path, name);
      if (error == 0) Note(Kind::DeleteValue, root, path).name = name;
      return error;
    }
    uint32_t DeleteKey(RegRoot root, const std::string& path) override {
      uint32_t error = in().DeleteKey(root, path);
      if (error == 0) Note(Kind::DeleteKey, root, path);
      return error;
    }
    uint32_t DeleteTree(RegRoot root, const std::string& path) override {
      uint32_t error = in().DeleteTree(root, path);
      if (error == 0) Note(Kind::DeleteKey, root, path);
      return error;
    }
    uint32_t EnumKeys(RegRoot root, const std::string& path,
                      std::vector<std::string>& names) override {
      return in().EnumKeys(root, path, names);
    }
    uint32_t EnumValues(RegRoot root, const std::string& path,
                        std::vector<RegNamedValue>& values) override {
      return in().EnumValues(root, path, values);
    }
  };

  struct Shell : IShell {
    explicit Shell(Parts& p) : p(p) {}
    Parts& p;
    std::string SpecialFolderPath(int csidl) override {
      return p.inner.shell.SpecialFolderPath(csidl);
    }
    uint32_t SaveShellLink(const std::string& link, const std::string& target,
                           const std::string& folder, const std::string& arguments) override {
      const bool existed = Exists(p.inner.files, link);
      const std::optional<uint32_t> refusal = p.Outside(link);
      const bool outside = refusal.has_value();
      uint32_t error = outside ? *refusal
                               : p.inner.shell.SaveShellLink(link, target, folder, arguments);
      if (error != 0) return error;
      PlanEvent& event = p.Note(Kind::Shortcut, link);
      event.source = target;
      event.name = folder;
      event.text = arguments;
      event.existed = existed;
      event.outside = outside;
      return 0;
    }
    // Documents are not opened: the call answers as a successful ShellExecute does.
    int Execute(const std::string& verb, const std::string& file,
                const std::optional<std::string>& parameters) override {
      PlanEvent& event = p.Note(Kind::Open, file);
      event.name = verb;
      event.text = parameters.value_or("");
      return 42;
    }
    void ChangeNotify(long event) override { p.inner.shell.ChangeNotify(event); }
  };

  struct Lz : ILzExpand {
    explicit Lz(Parts& p) : p(p) {}
    Parts& p;
    std::string ExpandedName(const std::string& path) override {
      return p.inner.lz.ExpandedName(path);
    }
    // Expansions go to the run's work files; the copy that follows is the change noted.
    uint32_t Expand(const std::string& source, const std::string& destination) override {
      const bool existed = Exists(p.inner.files, destination);
      uint32_t error = p.inner.lz.Expand(source, destination);
      if (error == 0) {
        p.expansions[Upper(destination)] = source;
        PlanEvent& event = p.Note(Kind::Expanded, destination);
        event.source = source;
        event.existed = existed;
      } else {
        p.expansions.erase(Upper(destination));
        PlanEvent& event = p.Note(Kind::ExpandFailed, destination);
        event.source = source;
        event.error = error;
      }
      return error;
    }
  };

  // Components are not loaded: the call answers as an entry that succeeded (S_OK).
  struct Components : IComponents {
    explicit Components(Parts& p) : p(p) {}
    Parts& p;
    ComponentCall CallEntry(const std::string& path, const std::string& entry,
                            int32_t& result) override {
      p.Note(Kind::Register, path).name = entry;
      result = 0;
      return ComponentCall::Called;
    }
  };

  // Programs are started (on the scratch machine): the only program a run starts is the
  // package's checker, whose answer decides whether the install goes on.
  struct Processes : IProcesses {
    explicit Processes(Parts& p) : p(p) {}
    Parts& p;
    int Start(const std::string& program, const std::string& arguments) override {
      p.Note(Kind::Run, program).text = arguments;
      return p.inner.processes.Start(program, arguments);
    }
    bool Wait(int process, uint32_t timeoutMs) override {
      return p.inner.processes.Wait(process, timeoutMs);
    }
    void Close(int process) override { p.inner.processes.Close(process); }
  };

  struct System : ISystem {
    explicit System(Parts& p) : p(p) {}
    Parts& p;
    ISystem& in() { return p.inner.system; }
    int PlatformId() override { return in().PlatformId(); }
    std::string ProgramPath() override { return in().ProgramPath(); }
    std::string FirstArgument() override { return in().FirstArgument(); }
    std::string TempPath() override { return in().TempPath(); }
    std::string WindowsDirectory() override { return in().WindowsDirectory(); }
    std::string SystemDirectory() override { return in().SystemDirectory(); }
    std::string FileVersion(const std::string& path) override { return in().FileVersion(path); }
    std::string MessageText(uint32_t code) override { return in().MessageText(code); }
    int32_t LocalDosDateTime(int64_t fileTime) override { return in().LocalDosDateTime(fileTime); }
    bool CreateSingleInstanceMutex(const std::string& name) override {
      if (p.probes.mutexHeld && p.probes.mutexHeld(name)) return false;
      return in().CreateSingleInstanceMutex(name);
    }
    // The scratch machine restarts (its pending replacements are carried out).
    void RestartWindows() override {
      p.Note(Kind::Restart, "");
      in().RestartWindows();
    }
  };

  const Platform inner;
  PlanProbes probes;
  std::vector<PlanEvent>& events;
  std::map<std::string, std::string> expansions;  // upper-cased work file -> compressed source
  std::map<std::string, std::string> copies;      // upper-cased copy -> its first source
  Files files;
  Profile profile;
  Registry registry;
  Shell shell;
  Lz lz;
  Components components;
  Processes processes;
  System system;
};

PlanRecorder::PlanRecorder(const Platform& scratch, PlanProbes probes)
    : parts_(std::make_unique<Parts>(scratch, std::move(probes), events_)) {}

PlanRecorder::~PlanRecorder() = default;

Platform PlanRecorder::Bundle() {
  Parts& p = *parts_;
  return Platform{p.files,      p.profile,   p.registry, p.shell,        p.lz,
                  p.components, p.processes, p.system,   p.inner.clock, p.inner.ui};
}

void PlanRecorder::NoteStatus(const std::string& text) {
  PlanEvent event{};
  event.kind = Kind::Status;
  event.text = text;
  events_.push_back(event);
}

std::vector<std::string> PlanRecorder::Lines(const PlanLabels& labels) const {
  Parts& p = *parts_;
  const size_t n = events_.size();
  std::vector<bool> dropped(n, false);

  // Work files: a target that the run made and that is gone at its end is no change.
  std::map<std::string, bool> transient;  // upper-cased target -> made and gone
  auto targetOf = [](const PlanEvent& e) {
    std::string target = Upper(e.path);
    if (e.kind == Kind::Value || e.kind == Kind::DeleteValue) target += "\n" + Upper(e.name);
    return target;
  };
  for (const PlanEvent& e : events_) {
    const std::string target = targetOf(e);
    if (e.outside || transient.count(target)) continue;
    if (IsFileKind(e.kind)) {
      transient[target] = !e.existed && !Exists(p.inner.files, e.path);
    } else if (e.kind == Kind::Key) {
      transient[target] = !p.inner.registry.KeyExists(e.root, e.key);
    } else if (e.kind == Kind::Value) {
      RegValue now;
      transient[target] = !e.existed && p.inner.registry.GetValue(e.root, e.key, e.name, now) != 0;
    } else if (e.kind == Kind::DeleteValue || e.kind == Kind::DeleteKey) {
      transient[target] = false;
    }
  }
  for (size_t i = 0; i < n; ++i) {
    const PlanEvent& e = events_[i];
    if (e.outside) continue;
    if (e.kind != Kind::AtRestart && e.kind != Kind::Ini) {
      auto it = transient.find(targetOf(e));
      if (it != transient.end() && it->second) dropped[i] = true;
    }
  }
  // A copy that failed and was tried again on the same file: the second try tells.
  for (size_t i = 0; i < n; ++i) {
    if (events_[i].kind != Kind::File || events_[i].error == 0) continue;
    for (size_t j = i + 1; j < n; ++j) {
      if (events_[j].kind != Kind::File) continue;
      if (Upper(events_[j].path) == Upper(events_[i].path)) dropped[i] = true;
      break;
    }
  }

  std::vector<std::string> lines;
  for (size_t i = 0; i < n; ++i) {
    if (dropped[i]) continue;
    const PlanEvent& e = events_[i];
    const std::string path = Quote(e.path);
    std::string line;
    switch (e.kind) {
      case Kind::Status: {
        // A copy step with no copy of its file before the next step: the file was kept (an
        // existing one not replaced) or skipped (its source missing or not expandable).
        std::string destination;
        bool skipping = false;
        if (!CopyStep(e.text, destination, skipping)) continue;
        const PlanEvent* failed = nullptr;
        bool copied = false;
        for (size_t j = i + 1; j < n && events_[j].kind != Kind::Status; ++j) {
          if (events_[j].kind == Kind::File && Upper(events_[j].path) == Upper(destination))
            copied = true;
          if (events_[j].kind == Kind::ExpandFailed) failed = &events_[j];
        }
        if (copied) continue;
        if (failed)
          line = "file " + Quote(destination) + " fail " + std::to_string(failed->error) +
                 " from " + Quote(failed->source) + " expanded";
        else
          line = "file " + Quote(destination) + (skipping ? " skip" : " keep");
        break;
      }
      case Kind::Expanded:  // into a work file, as a rule, and then left out
        line = "file " + path + " " + NewOrReplace(e) + " from " + Quote(e.source) + " expanded";
        break;
      case Kind::ExpandFailed: continue;
      case Kind::Folder: line = "folder " + path; break;
      case Kind::RemoveFolder: line = "remove-folder " + path; break;
      case Kind::File:
        line = "file " + path + " " +
               (e.error == 0                        ? NewOrReplace(e)
                : e.error == err::SharingViolation ? std::string("in-use")
                                                   : "fail " + std::to_string(e.error)) +
               " from " + Quote(e.source) + (e.expanded ? " expanded" : "");
        break;
      case Kind::Write:
        line = (Upper(e.path) == Upper(labels.uninstallLog) ? "log " : "write ") + path + " " +
               NewOrReplace(e) + " " + std::to_string(e.size) + " bytes";
        break;
      case Kind::Move: line = "move " + path + " " + NewOrReplace(e) + " from " + Quote(e.source); break;
      case Kind::Delete: line = "delete " + path; break;
      case Kind::AtRestart:
        line = e.path.empty() ? "at-restart " + Quote(e.source) + " delete"
                              : "at-restart " + path + " from " + Quote(e.source);
        break;
      case Kind::Key: line = "key " + path; break;
      case Kind::Value: {
        const std::string upper = Upper(e.key);
        uint32_t count = 0;
        if (e.root == RegRoot::LocalMachine && upper == kSharedDlls && e.regValue.AsDword(count)) {
          line = "shared " + Quote(e.name) + " " + std::to_string(count);
        } else {
          const char* what = e.root == RegRoot::ClassesRoot ? "relation "
                             : e.root == RegRoot::LocalMachine && upper.rfind(kUninstallList, 0) == 0
                                 ? "add-remove "
                                 : "value ";
          line = what + path + " " + Quote(e.name) + " " + NewOrReplace(e) + " " + Data(e.regValue);
        }
        break;
      }
      case Kind::DeleteValue: line = "delete-value " + path + " " + Quote(e.name); break;
      case Kind::DeleteKey: line = "delete-key " + path; break;
      case Kind::Ini:
        line = "ini " + path + " " + Quote(*e.section);
        if (e.name.empty() && !e.value)
          line += " delete-section";
        else if (!e.value)
          line += " " + Quote(e.name) + " delete";
        else
          line += " " + Quote(e.name) + " " + NewOrReplace(e) + " " + Quote(*e.value);
        break;
      case Kind::Shortcut:
        line = "shortcut " + path + " " + NewOrReplace(e) + " target " + Quote(e.source) +
               " folder " + Quote(e.name) + " arguments " + Quote(e.text);
        break;
      case Kind::Register: line = "register " + path + " " + e.name; break;
      case Kind::Run: line = "run " + path + " " + Quote(e.text); break;
      case Kind::Open: line = "open " + path + " " + e.name + " " + Quote(e.text); break;
      case Kind::Restart: line = "restart"; break;
    }
    if (e.outside) line += " outside";
    lines.push_back(line);
  }
  return lines;
}

}  // namespace orvane::pack
