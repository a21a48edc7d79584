// orvane-pack build: a distribution folder from a source tree and a script: the program as
// SETUP.EXE, the script, the files its [CopyFile] entries and wizard pages name (compressed where
// asked), and, given a disk size, the files spread over disk folders with "(Dch)" markers written
// where each disk begins.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <system_error>

#include "pack/CompressFile.h"
#include "pack/DistLayout.h"
#include "support/Cp932.h"
#include "support/IniDocument.h"
#include "support/SzddWriter.h"
#include "support/uStrOp.h"
#include "tools/CommandOptions.h"
#include "tools/PackCommands.h"
#include "tools/ToolSupport.h"

namespace orvane::tools {
namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: orvane-pack build SOURCE --script SETUP.INI --out DIST [--compress PATTERN]...\n"
    "                         [--disk-size BYTES] [--setup-exe PATH]\n"
    "Assembles the distribution folder DIST (which must be missing or empty) from the files in\n"
    "the folder SOURCE: SETUP.EXE, the script as SETUP.INI, the files the script's [CopyFile]\n"
    "entries name and those the wizard shows ([EULA] File, [Readme] File, [Extend]\n"
    "InstallChecker). A source is found in SOURCE by its name (letter case ignored), else as the\n"
    "only file of that name below SOURCE. An entry naming a compressed source (X.TX_) that SOURCE\n"
    "lacks takes X.TXT (or any name that compresses to X.TX_), compressed.\n"
    "  --compress PATTERN  compress the sources whose names match (* and ?, letter case ignored;\n"
    "                      several patterns separated by \",\" or given again) and rewrite their\n"
    "                      entries to name the compressed files; the destinations stay the same\n"
    "  --disk-size BYTES   spread the files over DIST/DISK1, DIST/DISK2, ... of at most BYTES\n"
    "                      each (a K or M suffix counts 1024 or 1048576): the first holds the\n"
    "                      program, the script and the wizard's files, and the entries follow in\n"
    "                      order; \"(Dch)\" is written before the first entry of each later disk\n"
    "                      (and removed elsewhere). Without it DIST is one folder and the script\n"
    "                      keeps no \"(Dch)\"\n"
    "  --setup-exe PATH    the Windows program to copy as SETUP.EXE (by default the Windows\n"
    "                      build's win32/SETUP.EXE beside this tool's build, or\n"
    "                      share/orvane-setup/SETUP.EXE of its installation; without one the\n"
    "                      folder has none and runs with orvane-run or orvane-setup)\n"
    "exit codes: 0 built, 1 the folder could not be built (nothing usable is left), 2 bad command\n"
    "line\n";

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

// `*` and `?` over bytes, ASCII letter case ignored.
bool GlobMatch(const std::string& pattern, const std::string& text) {
  std::size_t p = 0, t = 0, star = std::string::npos, mark = 0;
  const std::string P = Upper(pattern), T = Upper(text);
  while (t < T.size()) {
    if (p < P.size() && (P[p] == '?' || P[p] == T[t])) {
      ++p, ++t;
    } else if (p < P.size() && P[p] == '*') {
      star = p++;
      mark = t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < P.size() && P[p] == '*') ++p;
  return p == P.size();
}

uint64_t ParseSize(const std::string& text) {
  std::size_t used = 0;
  uint64_t value = 0;
  try {
    value = std::stoull(text, &used);
  } catch (...) {
    throw UsageError("build: --disk-size takes a number of bytes, not '" + text + "'");
  }
  const std::string suffix = Upper(text.substr(used));
  if (suffix == "K")
    value *= 1024;
  else if (suffix == "M")
    value *= 1024 * 1024;
  else if (!suffix.empty() || text[0] == '-')
    throw UsageError("build: --disk-size takes a number of bytes, not '" + text + "'");
  if (value == 0) throw UsageError("build: --disk-size must be above 0");
  return value;
}

class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BuildError(PathToUtf8(path) + ": cannot be read");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The files below the source folder by upper-cased name.
class SourceTree {
 public:
  explicit SourceTree(const fs::path& root) : root_(root) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
         it.increment(ec))
      if (it->is_regular_file(ec))
        byName_[Upper(PathToUtf8(it->path().filename()))].push_back(it->path());
    if (ec) throw BuildError(PathToUtf8(root) + ": cannot be read (" + ec.message() + ")");
  }

  // The file a name (code page 932) stands for: the one directly in the source folder, else the
  // only one of that name below it. Empty when there is none; throws when several compete.
  fs::path Find(const std::string& cp932Name) const {
    std::string utf8;
    if (!Cp932ToUtf8(cp932Name, utf8)) return {};
    auto it = byName_.find(Upper(utf8));
    if (it == byName_.end()) return {};
    for (const fs::path& path : it->second)
      if (path.parent_path() == root_) return path;
    if (it->second.size() > 1) {
      std::string list;
      for (const fs::path& path : it->second) list += " " + PathToUtf8(path);
      throw BuildError("several files are named " + utf8 + ":" + list);
    }
    return it->second.front();
  }
  // A file whose compressed name is `compressed` (an original for a script that names X.TX_).
  fs::path FindOriginal(const std::string& compressed, char& lastChar) const {
    std::string utf8;
    if (!Cp932ToUtf8(compressed, utf8)) return {};
    fs::path found;
    for (const auto& [upper, paths] : byName_) {
      std::string name;
      char recorded = 0;
      if (!pack::CompressedHostName(PathToUtf8(paths.front().filename()), name, recorded) ||
          Upper(name) != Upper(utf8))
        continue;
      if (!found.empty()) throw BuildError("several files compress to " + utf8);
      found = Find(FromTerminal(PathToUtf8(paths.front().filename())));
      lastChar = recorded;
    }
    return found;
  }

 private:
  fs::path root_;
  std::map<std::string, std::vector<fs::path>> byName_;
};

// A file of the distribution: where it comes from and whether it is compressed on the way.
struct DistFile {
  std::string name;  // code page 932, in the disk folder
  fs::path from;
  bool compress = false;
  char lastChar = 0;
  fs::path staged;  // the compressed file, once made
  uint64_t size = 0;
};

fs::path DefaultSetupExe() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const fs::path bin = self.parent_path();
  for (const fs::path& candidate :
       {bin / "../../build-windows/win32/SETUP.EXE", bin / "../share/orvane-setup/SETUP.EXE",
        bin / "../share/orvane-setup/win32/SETUP.EXE"})
    if (fs::is_regular_file(candidate, ec)) return fs::weakly_canonical(candidate, ec);
  return {};
}

void CopyInto(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) throw BuildError(PathToUtf8(to) + ": cannot be written (" + ec.message() + ")");
}

int Build(const ParsedOptions& options) {
  const fs::path source = PathFromUtf8(options.operands[0]);
  const fs::path scriptPath = PathFromUtf8(options.Value("script"));
  const fs::path out = PathFromUtf8(options.Value("out"));
  const bool disks = options.Has("disk-size");
  const uint64_t diskSize = disks ? ParseSize(options.Value("disk-size")) : 0;
  if (!fs::is_directory(source)) throw BuildError(options.operands[0] + ": not a folder");
  std::vector<std::string> patterns;
  for (const std::string& value : options.Values("compress")) {
    std::string all = FromTerminal(value);
    for (std::size_t start = 0; start <= all.size();) {
      std::size_t end = all.find_first_of(",;", start);
      if (end == std::string::npos) end = all.size();
      if (end > start) patterns.push_back(all.substr(start, end - start));
      start = end + 1;
    }
  }

  std::error_code ec;
  const std::string scriptText = ReadBytes(scriptPath);
  IniDocument script = IniDocument::Parse(scriptText);
  const SourceTree tree(source);

  fs::path setupExe =
      options.Has("setup-exe") ? PathFromUtf8(options.Value("setup-exe")) : DefaultSetupExe();
  if (options.Has("setup-exe") && !fs::is_regular_file(setupExe))
    throw BuildError(options.Value("setup-exe") + ": no such file");

  // The files the wizard reads from the distribution folder, relative to it.
  std::map<std::string, fs::path> wizardFiles;  // relative path (code page 932) -> source file
  for (const auto& [section, key] : {std::pair<const char*, const char*>{"EULA", "File"},
                                     {"Readme", "File"},
                                     {"Extend", "InstallChecker"}}) {
    std::string value = DelPathDelim(script.Get(section, key).value_or(""), "T");
    if (value.empty()) continue;
    std::string utf8;
    Cp932ToUtf8(value, utf8);
    std::string relative = utf8;
    for (char& c : relative)
      if (c == '\\') c = '/';
    fs::path from = source / PathFromUtf8(relative);
    if (!fs::is_regular_file(from) && relative.find('/') == std::string::npos)
      from = tree.Find(value);
    if (from.empty() || !fs::is_regular_file(from))
      throw BuildError("[" + std::string(section) + "] " + key + "=" + utf8 + ": not in " +
                       options.operands[0]);
    wizardFiles[value] = from;
  }

  // The [CopyFile] sources, each value rewritten where its source is compressed.
  std::vector<pack::CopyEntry> entries = pack::ReadCopyEntries(script);
  std::map<std::string, DistFile> files;  // by upper-cased name
  std::vector<std::vector<std::string>> entryFiles(entries.size());
  bool hadMarkers = false;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    for (pack::CopyKey& key : entries[i].keys) {
      hadMarkers |= key.diskChange;
      const std::string& name = key.sourceName;
      std::string utf8Name;
      Cp932ToUtf8(name, utf8Name);
      DistFile file;
      bool wanted = false;
      for (const std::string& pattern : patterns) wanted |= GlobMatch(pattern, name);
      if (wanted && StrRight(name, 1) != "_") {
        file.from = tree.Find(name);
        if (file.from.empty())
          throw BuildError("[CopyFile] " + key.key + ": " + utf8Name + " is not in " +
                           options.operands[0]);
        SzddName compressed = CompressedName(name);
        std::string rewritten, error;
        if (!pack::CompressedValue(key.value, compressed.name, compressed.lastChar, rewritten,
                                   error))
          throw BuildError("[CopyFile] " + key.key + ": " + DisplayUtf8(error));
        key.value = rewritten;
        file.name = compressed.name;
        file.compress = true;
        file.lastChar = compressed.lastChar;
      } else {
        file.name = name;
        file.from = tree.Find(name);
        if (file.from.empty() && StrRight(name, 1) == "_") {
          file.from = tree.FindOriginal(name, file.lastChar);
          file.compress = !file.from.empty();
        }
        if (file.from.empty())
          throw BuildError("[CopyFile] " + key.key + ": " + utf8Name + " is not in " +
                           options.operands[0]);
      }
      auto [it, added] = files.emplace(Upper(file.name), file);
      if (!added && (it->second.from != file.from || it->second.compress != file.compress))
        throw BuildError("[CopyFile] " + key.key + ": " + DisplayUtf8(file.name) +
                         " would stand for two different files");
      entryFiles[i].push_back(Upper(file.name));
    }
  }

  // Compressed files are made first (their sizes decide the disks), in a folder of DIST's own.
  fs::create_directories(out, ec);
  if (ec) throw BuildError(options.Value("out") + ": cannot be made (" + ec.message() + ")");
  const fs::path staging = out / ".staging";
  fs::create_directories(staging, ec);
  for (auto& [upper, file] : files) {
    if (file.compress) {
      std::string utf8;
      Cp932ToUtf8(file.name, utf8);
      file.staged = staging / PathFromUtf8(utf8);
      pack::CompressedFile result;
      std::string error;
      if (!pack::CompressFile(file.from, file.staged, file.lastChar, result, error))
        throw BuildError(error);
      file.size = result.outputSize;
    } else {
      file.size = fs::file_size(file.from, ec);
      if (ec) throw BuildError(PathToUtf8(file.from) + ": cannot be read");
    }
  }

  // The script with each entry's value, "(Dch)" before the first entry of each later disk.
  std::vector<int> diskOf(entries.size(), 1);
  auto render = [&]() {
    IniDocument doc = script;
    bool changed = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const bool marker = i > 0 && diskOf[i] > diskOf[i - 1];
      for (const pack::CopyKey& key : entries[i].keys) {
        const std::string value = (marker ? "(Dch)" : "") + key.value;
        if (value != script.Get("CopyFile", key.key).value_or("")) {
          doc.Set("CopyFile", key.key, value);
          changed = true;
        }
      }
    }
    return changed ? doc.Text() : scriptText;
  };
  std::string finalScript = render();
  if (disks) {
    uint64_t fixed = setupExe.empty() ? 0 : fs::file_size(setupExe, ec);
    for (const auto& [relative, from] : wizardFiles) fixed += fs::file_size(from, ec);
    std::vector<std::vector<pack::DiskFile>> sizes(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
      for (const std::string& upper : entryFiles[i])
        sizes[i].push_back({upper, files.at(upper).size});
    // The script grows by the markers it gets, which may move entries: repeat until it settles.
    for (int round = 0;; ++round) {
      std::vector<int> assigned;
      std::string error;
      if (!pack::AssignDisks(diskSize, fixed + finalScript.size(), sizes, assigned, error))
        throw BuildError(error);
      if (assigned == diskOf) break;
      if (round == 20) throw BuildError("the disks do not settle; try another --disk-size");
      diskOf = assigned;
      finalScript = render();
    }
  } else if (hadMarkers) {
    std::cerr << "orvane-pack build: note: \"(Dch)\" removed from [CopyFile]: the distribution is "
                 "one folder (give --disk-size for disks)\n";
  }

  // The folders.
  const int diskCount = entries.empty() ? 1 : diskOf.back();
  auto folder = [&](int disk) { return disks ? out / ("DISK" + std::to_string(disk)) : out; };
  std::map<int, std::vector<std::string>> listing;
  if (!setupExe.empty()) {
    CopyInto(setupExe, folder(1) / "SETUP.EXE");
    listing[1].push_back("SETUP.EXE");
  }
  fs::create_directories(folder(1), ec);
  std::ofstream(folder(1) / "SETUP.INI", std::ios::binary) << finalScript;
  if (!fs::is_regular_file(folder(1) / "SETUP.INI") ||
      fs::file_size(folder(1) / "SETUP.INI") != finalScript.size())
    throw BuildError(PathToUtf8(folder(1) / "SETUP.INI") + ": cannot be written");
  listing[1].push_back("SETUP.INI");
  for (const auto& [relative, from] : wizardFiles) {
    std::string utf8;
    Cp932ToUtf8(relative, utf8);
    for (char& c : utf8)
      if (c == '\\') c = '/';
    CopyInto(from, folder(1) / PathFromUtf8(utf8));
    listing[1].push_back(utf8);
  }
  std::set<std::pair<int, std::string>> written;
  for (std::size_t i = 0; i < entries.size(); ++i)
    for (const std::string& upper : entryFiles[i]) {
      const int disk = diskOf[i];
      if (!written.insert({disk, upper}).second) continue;
      const DistFile& file = files.at(upper);
      std::string utf8;
      Cp932ToUtf8(file.name, utf8);
      CopyInto(file.compress ? file.staged : file.from, folder(disk) / PathFromUtf8(utf8));
      listing[disk].push_back(utf8);
    }
  fs::remove_all(staging, ec);

  for (int disk = 1; disk <= diskCount; ++disk) {
    uint64_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(folder(disk), ec))
      if (entry.is_regular_file()) bytes += entry.file_size();
    std::cout << PathToUtf8(folder(disk)) << ": " << listing[disk].size() << " files, " << bytes
              << " bytes:";
    for (const std::string& name : listing[disk]) std::cout << " " << name;
    std::cout << "\n";
  }
  if (setupExe.empty())
    std::cout << "no SETUP.EXE: the Windows build was not found (give --setup-exe PATH); the "
                 "folder installs with orvane-run or orvane-setup\n";
  return 0;
}

}  // namespace

int PackBuild(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {{"script", true},
                                                         {"out", true},
                                                         {"compress", true},
                                                         {"disk-size", true},
                                                         {"setup-exe", true}});
  if (AnswerHelpOrVersion(options, kUsage, "orvane-pack")) return 0;
  if (options.operands.size() != 1) throw UsageError("build: give one SOURCE folder");
  if (options.Value("script").empty()) throw UsageError("build: --script SETUP.INI is needed");
  if (options.Value("out").empty()) throw UsageError("build: --out DIST is needed");
  if (options.Has("disk-size")) ParseSize(options.Value("disk-size"));
  const fs::path out = PathFromUtf8(options.Value("out"));
  std::error_code ec;
  const bool existed = fs::exists(out);
  if (existed && (!fs::is_directory(out) || !fs::is_empty(out, ec))) {
    std::cerr << "orvane-pack build: " << options.Value("out")
              << ": exists and is not an empty folder\n";
    return 1;
  }
  try {
    return Build(options);
  } catch (const std::runtime_error& error) {
    // Nothing half-built is left: DIST is as it was (missing, or empty).
    std::cerr << "orvane-pack build: " << error.what() << "\n";
    fs::remove_all(out, ec);
    if (existed) fs::create_directory(out, ec);
    return 1;
  }
}

}  // namespace orvane::tools
