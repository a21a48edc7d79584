// Test helper: snapshots of an emulated machine's drives and registry, and their differences.
#include "MachineSnapshot.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/host/HostRegistry.h"
#include "platform/host/Machine.h"

namespace orvane::test {
namespace fs = std::filesystem;
namespace {

// Files up to this size are shown with their text in a diff; larger ones by size and hash only.
constexpr size_t kShownBytes = 64;

// FNV-1a, 64 bits: stable across runs and processes, enough to tell contents apart.
uint64_t Hash(const std::string& bytes) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  return h;
}

std::string Describe(const std::string& bytes) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%zu bytes, hash %016llx", bytes.size(),
                static_cast<unsigned long long>(Hash(bytes)));
  std::string text = buf;
  if (bytes.size() <= kShownBytes) {
    text += ", \"";
    for (unsigned char c : bytes) {
      if (c == '\\' || c == '"') {
        text.push_back('\\');
        text.push_back(static_cast<char>(c));
      } else if (c < 0x20 || c == 0x7F) {
        std::snprintf(buf, sizeof buf, "\\x%02x", c);
        text += buf;
      } else {
        text.push_back(static_cast<char>(c));
      }
    }
    text += "\"";
  }
  return text;
}

void SnapshotDrive(char letter, const fs::path& root, MachineSnapshot& snapshot) {
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return;
  const std::string prefix = std::string(1, letter) + ":";
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::string relative = fs::relative(it->path(), root, ec).generic_string();
    std::string name = prefix;
    for (char c : relative) name.push_back(c == '/' ? '\\' : c);
    if (name.size() == 2) continue;
    name.insert(2, "\\");
    if (it->is_symlink(ec)) {
      snapshot.files[name] = "link to " + fs::read_symlink(it->path(), ec).string();
      it.disable_recursion_pending();
    } else if (it->is_directory(ec)) {
      snapshot.files[name] = "folder";
    } else {
      std::ifstream in(it->path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      snapshot.files[name] = Describe(bytes.str());
    }
  }
}

// The name a value line starts with: "@" for the default value, else the quoted name as written.
std::string ValueName(const std::string& line) {
  if (line.compare(0, 2, "@=") == 0) return "@";
  if (line.empty() || line[0] != '"') return line;
  for (size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '"') {
      return line.substr(0, i + 1);
    }
  }
  return line;
}

void SnapshotRegistry(const std::string& exportText, MachineSnapshot& snapshot) {
  std::istringstream in(exportText);
  std::string line;
  std::map<std::string, std::string>* key = nullptr;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == '[' && line.back() == ']') {
      key = &snapshot.registry[line];
    } else if (key != nullptr) {
      (*key)[ValueName(line)] = line;
    }
  }
}

template <typename Map, typename OnlyBefore, typename OnlyAfter, typename Both>
void Walk(const Map& a, const Map& b, OnlyBefore onlyBefore, OnlyAfter onlyAfter, Both both) {
  auto i = a.begin();
  auto j = b.begin();
  while (i != a.end() || j != b.end()) {
    if (j == b.end() || (i != a.end() && i->first < j->first)) {
      onlyBefore(*i++);
    } else if (i == a.end() || j->first < i->first) {
      onlyAfter(*j++);
    } else {
      both(*i++, *j++);
    }
  }
}

}  // namespace

MachineSnapshot MachineSnapshot::Take(host::Machine& machine) {
  MachineSnapshot snapshot;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    fs::path root = machine.DriveFolder(letter);
    if (!root.empty()) SnapshotDrive(letter, root, snapshot);
  }
  SnapshotRegistry(machine.Registry().Export(), snapshot);
  return snapshot;
}

MachineSnapshot MachineSnapshot::Of(const std::vector<std::pair<char, fs::path>>& drives,
                                    const std::string& registryExport) {
  MachineSnapshot snapshot;
  for (const auto& [letter, root] : drives) SnapshotDrive(letter, root, snapshot);
  SnapshotRegistry(registryExport, snapshot);
  return snapshot;
}

std::vector<std::string> Diff(const MachineSnapshot& before, const MachineSnapshot& after) {
  std::vector<std::string> lines;
  auto kind = [](const std::string& description) {
    return description == "folder" ? std::string("folder ") : std::string("file ");
  };
  Walk(
      before.files, after.files,
      [&](const auto& e) { lines.push_back(kind(e.second) + "removed: " + e.first); },
      [&](const auto& e) { lines.push_back(kind(e.second) + "added: " + e.first); },
      [&](const auto& x, const auto& y) {
        if (x.second != y.second)
          lines.push_back("file changed: " + x.first + " (was " + x.second + ", now " + y.second +
                          ")");
      });
  Walk(
      before.registry, after.registry,
      [&](const auto& k) { lines.push_back("key removed: " + k.first); },
      [&](const auto& k) { lines.push_back("key added: " + k.first); },
      [&](const auto& kx, const auto& ky) {
        Walk(
            kx.second, ky.second,
            [&](const auto& v) { lines.push_back("value removed: " + kx.first + " " + v.second); },
            [&](const auto& v) { lines.push_back("value added: " + kx.first + " " + v.second); },
            [&](const auto& vx, const auto& vy) {
              if (vx.second != vy.second)
                lines.push_back("value changed: " + kx.first + " " + vx.second + " -> " +
                                vy.second);
            });
      });
  return lines;
}

std::string DiffText(const MachineSnapshot& before, const MachineSnapshot& after) {
  std::string text;
  for (const std::string& line : Diff(before, after)) text += line + "\n";
  return text;
}

}  // namespace orvane::test
