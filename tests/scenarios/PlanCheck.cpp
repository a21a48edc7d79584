// The dry run checked against the install (see PlanCheck.h).
#include "tests/scenarios/PlanCheck.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/host/HostRegistry.h"
#include "platform/host/Machine.h"
#include "support/Cp932.h"
#include "support/IniDocument.h"

namespace orvane::scenario {
namespace {

namespace fs = std::filesystem;
using Set = std::set<std::string>;

std::string ReadHost(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every entry of a folder with what lstat says of it: what "unchanged" means for the machine
// folder as a whole (settings, registry file and locks included). A write, a replacement or a
// change of mode moves the change time, which no one can set back.
std::map<std::string, std::string> Dump(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  std::error_code ec;
  if (!fs::exists(folder, ec)) return entries;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    struct stat st;
    if (lstat(it->path().c_str(), &st) != 0) continue;
    std::ostringstream state;
    state << st.st_mode << " " << st.st_ino << " " << st.st_size << " " << st.st_mtim.tv_sec << "."
          << st.st_mtim.tv_nsec << " " << st.st_ctim.tv_sec << "." << st.st_ctim.tv_nsec;
    entries[fs::relative(it->path(), folder).string()] = state.str();
  }
  return entries;
}

// Drive C: and the registry; the distribution's drive is the package's medium.
test::MachineSnapshot SnapshotOf(host::Machine& machine) {
  return test::MachineSnapshot::Of({{'C', machine.DriveFolder('C')}}, machine.Registry().Export());
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// A plan line's words: bare words, and quoted texts with their escapes undone.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  for (size_t i = 0; i < line.size();) {
    if (line[i] == ' ') {
      ++i;
    } else if (line[i] == '"') {
      std::string word;
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
          char c = line[++i];
          word += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else {
          word += line[i];
        }
      }
      ++i;
      words.push_back(word);
    } else {
      size_t end = line.find(' ', i);
      if (end == std::string::npos) end = line.size();
      words.push_back(line.substr(i, end - i));
      i = end;
    }
  }
  return words;
}

// A path as the snapshot names it: upper case, no doubled or trailing separators.
std::string FileKey(const std::string& path) {
  std::string key;
  for (char c : Upper(path))
    if (!(c == '\\' && !key.empty() && key.back() == '\\')) key += c;
  if (key.size() > 3 && key.back() == '\\') key.pop_back();
  return key;
}

// A key as the snapshot names it ("[HKEY_LOCAL_MACHINE\...]", upper case), the classes root at
// its place in the machine's store.
std::string KeyKey(const std::string& rooted) {
  std::string key = Upper(rooted);
  const std::string classes = "HKEY_CLASSES_ROOT";
  if (key.rfind(classes, 0) == 0)
    key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES" + key.substr(classes.size());
  return "[" + key + "]";
}

// A value name as the snapshot keeps it: "@" for the default, else the export's quoted name.
std::string ValueKey(const std::string& name) {
  if (name.empty()) return "@";
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return Upper(quoted + "\"");
}

struct Changes {
  Set files, keys, values;  // values: key "\n" value name
};

// What changed between two snapshots, in the plan's terms.
Changes Difference(const test::MachineSnapshot& a, const test::MachineSnapshot& b) {
  Changes changes;
  for (const auto* s : {&a, &b})
    for (const auto& [path, description] : s->files) {
      auto other = (s == &a ? b : a).files.find(path);
      if (other == (s == &a ? b : a).files.end() || other->second != description)
        changes.files.insert(Upper(path));
    }
  for (const auto* s : {&a, &b}) {
    const auto& others = (s == &a ? b : a).registry;
    for (const auto& [key, values] : s->registry) {
      auto other = others.find(key);
      if (other == others.end()) changes.keys.insert(Upper(key));
      for (const auto& [name, line] : values) {
        if (other == others.end() || !other->second.count(name) ||
            other->second.at(name) != line)
          changes.values.insert(Upper(key) + "\n" + Upper(name));
      }
    }
  }
  return changes;
}

}  // namespace

bool PlansChecked() {
  const char* value = std::getenv("ORVANE_SCENARIO_PLAN");
  return value && std::string(value) == "1";
}

PlannedInstall PlanInstall(const fs::path& machine, const fs::path& dist, const fs::path& answers) {
  PlannedInstall plan;
  const bool fresh = !fs::exists(machine / "machine.ini");
  if (fresh) {
    fs::path model = machine.parent_path() / "plan-fresh-machine";
    fs::remove_all(model);
    plan.before = SnapshotOf(*host::Machine::Open(model));
    fs::remove_all(model);
  } else {
    plan.before = SnapshotOf(*host::Machine::Open(machine));
  }
  const auto dump = Dump(machine);
  const auto distDump = Dump(dist);

  fs::path output = machine.parent_path() / "plan.txt";
  std::string command = std::string("'") + ORVANE_PACK_PATH + "' plan --machine '" +
                        machine.string() + "' '" + dist.string() + "'" +
                        (answers.empty() ? "" : " --answers '" + answers.string() + "'") + " > '" +
                        output.string() + "' 2>&1";
  const int status = std::system(command.c_str());
  plan.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream text(ReadHost(output));
  for (std::string line; std::getline(text, line);) plan.lines.push_back(line);
  EXPECT_TRUE(plan.status >= 0 && plan.status <= 2) << ReadHost(output);

  EXPECT_EQ(fs::exists(machine), !fresh) << "the plan made the machine";
  EXPECT_TRUE(Dump(machine) == dump) << "the plan changed the machine folder";
  // Only the package's checker, which the plan runs as an install does, writes there.
  bool checked = false;
  for (const std::string& line : plan.lines) checked = checked || line.rfind("run ", 0) == 0;
  if (!checked) {
    EXPECT_TRUE(Dump(dist) == distDump) << "the plan changed the distribution folder";
  }

  // The INI files the plan writes, as they are before the install.
  std::unique_ptr<host::Machine> opened = fresh ? nullptr : host::Machine::Open(machine);
  for (const std::string& line : plan.lines) {
    std::vector<std::string> words = Words(line);
    if (words.size() < 2 || words[0] != "ini" || plan.iniBefore.count(FileKey(words[1]))) continue;
    std::string cp932;
    fs::path hostPath;
    plan.iniBefore[FileKey(words[1])] =
        opened && Utf8ToCp932(words[1], cp932) && opened->Resolve(cp932, hostPath) == 0
            ? ReadHost(hostPath)
            : "";
  }
  return plan;
}

void CheckPlan(const PlannedInstall& plan, const fs::path& machine, int exitCode) {
  // A command line or answers file that the plan refuses, the install refuses too.
  if (plan.status == 2) {
    EXPECT_TRUE(exitCode == 1639 || exitCode == 1639 % 256) << "the plan was refused:\n" << (plan.lines.empty() ? "" : plan.lines[0]);
    return;
  }
  std::unique_ptr<host::Machine> opened = host::Machine::Open(machine);
  const test::MachineSnapshot after = SnapshotOf(*opened);
  const Changes changed = Difference(plan.before, after);

  // What the plan names, in the snapshot's terms.
  Changes planned;
  std::set<std::pair<std::string, std::string>> iniPlanned;  // file, section "\n" key
  bool atRestart = false;
  std::string all;
  for (const std::string& line : plan.lines) {
    all += line + "\n";
    std::vector<std::string> w = Words(line);
    // Changes outside the machine (on the distribution's drive) are not the machine's.
    if (w.size() < 2 || w.back() == "outside") continue;
    const std::string& kind = w[0];
    if (kind == "folder" || kind == "remove-folder" || kind == "delete" || kind == "write" ||
        kind == "log" || kind == "shortcut" || kind == "ini") {
      planned.files.insert(FileKey(w[1]));
    } else if (kind == "file" && w.size() > 2 && (w[2] == "new" || w[2] == "replace")) {
      planned.files.insert(FileKey(w[1]));
    } else if (kind == "move") {
      planned.files.insert(FileKey(w[1]));
      if (w.size() > 4) planned.files.insert(FileKey(w[4]));
    } else if (kind == "at-restart") {
      // The replacement's work file is gone after a restart, else listed where it was made.
      planned.files.insert(FileKey(w[1]));
      atRestart = true;
    } else if (kind == "key" || kind == "delete-key") {
      planned.keys.insert(KeyKey(w[1]));
    } else if ((kind == "value" || kind == "relation" || kind == "add-remove" ||
                kind == "delete-value") && w.size() > 2) {
      planned.values.insert(KeyKey(w[1]) + "\n" + ValueKey(w[2]));
    } else if (kind == "shared") {
      planned.values.insert(
          KeyKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs") +
          "\n" + ValueKey(w[1]));
    }
    if (kind == "ini" && w.size() > 3) iniPlanned.insert({FileKey(w[1]), w[2] + "\n" + w[3]});
  }
  // Replacements wait in the registry until the machine restarts.
  const std::string pending =
      KeyKey("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager");
  if (atRestart) planned.values.insert(pending + "\n" + ValueKey("PendingFileRenameOperations"));

  // A key the plan makes may bring its parents with it.
  auto plannedKey = [&](const std::string& key) {
    for (const std::string& k : planned.keys)
      if (k == key || k.rfind(key.substr(0, key.size() - 1) + "\\", 0) == 0) return true;
    for (const std::string& v : planned.values)
      if (v.rfind(key.substr(0, key.size() - 1) + "\\", 0) == 0 || v.rfind(key + "\n", 0) == 0)
        return true;
    return false;
  };
  // Everything that changed is planned...
  for (const std::string& file : changed.files)
    EXPECT_TRUE(planned.files.count(file)) << "not in the plan: " << file << "\nplan:\n" << all;
  for (const std::string& key : changed.keys)
    EXPECT_TRUE(plannedKey(key)) << "not in the plan: key " << key << "\nplan:\n" << all;
  for (const std::string& value : changed.values)
    EXPECT_TRUE(planned.values.count(value)) << "not in the plan: value " << value
                                             << "\nplan:\n" << all;
  // ...and what is planned changed, or was there already as it is now.
  for (const std::string& file : planned.files) {
    if (changed.files.count(file)) continue;
    bool same = false;
    for (const auto& [path, description] : plan.before.files)
      if (Upper(path) == file) same = after.files.count(path) && after.files.at(path) == description;
    EXPECT_TRUE(same) << "planned but not changed: " << file << "\nplan:\n" << all;
  }
  for (const std::string& key : planned.keys)
    EXPECT_TRUE(changed.keys.count(key)) << "planned but not changed: key " << key;
  for (const std::string& value : planned.values) {
    if (changed.values.count(value) || value.rfind(pending, 0) == 0) continue;
    const std::string key = value.substr(0, value.find('\n'));
    const std::string name = value.substr(value.find('\n') + 1);
    bool there = false;
    for (const auto& [k, values] : plan.before.registry)
      if (Upper(k) == key)
        for (const auto& [n, line] : values) there = there || Upper(n) == name;
    EXPECT_TRUE(there) << "planned but not changed: value " << value << "\nplan:\n" << all;
  }

  // INI entries: those that differ are exactly those planned, less rewrites of the same value.
  for (const auto& [file, text] : plan.iniBefore) {
    std::string cp932;
    fs::path hostPath;
    std::string now;
    if (Utf8ToCp932(file, cp932) && opened->Resolve(cp932, hostPath) == 0) now = ReadHost(hostPath);
    IniDocument a = IniDocument::Parse(text), b = IniDocument::Parse(now);
    std::set<std::string> differing;
    for (const IniDocument* d : {&a, &b})
      for (const std::string& section : d->SectionNames())
        for (const std::string& key : d->KeyNames(section))
          if (a.Get(section, key) != b.Get(section, key)) {
            std::string utf8Section, utf8Key;
            Cp932ToUtf8(section, utf8Section);
            Cp932ToUtf8(key, utf8Key);
            differing.insert(Upper(utf8Section + "\n" + utf8Key));
          }
    std::set<std::string> named;
    for (const auto& [f, entry] : iniPlanned)
      if (f == file) named.insert(Upper(entry));
    for (const std::string& entry : differing)
      EXPECT_TRUE(named.count(entry)) << "INI entry not in the plan: " << file << " " << entry;
    for (const std::string& entry : named)
      if (!differing.count(entry)) {
        const std::string section = entry.substr(0, entry.find('\n'));
        std::string s, k;
        Utf8ToCp932(section, s);
        Utf8ToCp932(entry.substr(entry.find('\n') + 1), k);
        EXPECT_TRUE(a.Get(s, k).has_value() || !b.Get(s, k).has_value())
            << "planned INI entry not written: " << file << " " << entry;
      }
  }
}

}  // namespace orvane::scenario
