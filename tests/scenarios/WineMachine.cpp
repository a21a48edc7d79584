// A Wine prefix as a scenario's machine.
#include "tests/scenarios/WineMachine.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "support/Cp932.h"
#include "support/ErrorTexts.h"
#include "support/uStrOp.h"

extern char** environ;

namespace orvane::scenario {
namespace fs = std::filesystem;
namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty() || from == to) return;
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
}

// ReplaceAll for a name: only where no letter, digit or "_" follows it.
void ReplaceName(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos;) {
    size_t end = at + from.size();
    if (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) {
      at = end;
      continue;
    }
    text.replace(at, from.size(), to);
    at += to.size();
  }
}

// Text of a UTF-16LE file (with or without its byte order mark) in UTF-8.
std::string Utf16FileText(const std::string& bytes) {
  std::u16string wide;
  size_t start = bytes.size() >= 2 && bytes[0] == '\xff' && bytes[1] == '\xfe' ? 2 : 0;
  for (size_t i = start; i + 1 < bytes.size(); i += 2)
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  std::string out;
  Utf16ToUtf8(wide, out);
  return out;
}

// Export text with CR LF line ends and the "\" continued lines of long hex values joined, one
// value a line.
std::string JoinLines(const std::string& text) {
  std::string out;
  std::istringstream in(text);
  bool continuing = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (continuing) line.erase(0, line.find_first_not_of(' '));
    bool more = !line.empty() && line.back() == '\\' &&
                (continuing || line.find("=hex") != std::string::npos);
    if (more) line.pop_back();
    out += line;
    if (!more) out += '\n';
    continuing = more;
  }
  return out;
}

// A quoted REGEDIT string starting at `at` (the opening quote); `at` ends after the closing one.
std::string Unquote(const std::string& line, size_t& at) {
  std::string out;
  for (++at; at < line.size(); ++at) {
    char c = line[at];
    if (c == '"') {
      ++at;
      break;
    }
    if (c == '\\' && at + 1 < line.size()) {
      char next = line[++at];
      out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == '0' ? '\0' : next;
    } else {
      out += c;
    }
  }
  return out;
}

std::string HexBytes(const std::string& list) {
  std::string bytes;
  std::istringstream in(list);
  for (std::string pair; std::getline(in, pair, ',');)
    if (!pair.empty()) bytes.push_back(static_cast<char>(std::stoul(pair, nullptr, 16)));
  return bytes;
}


struct ExportedValue {
  std::string name;  // "" for the default value
  std::string shown;  // as Scenario::Reg shows it
};

// The values of the first key of an export text.
std::vector<ExportedValue> FirstKeyValues(const std::string& text) {
  std::vector<ExportedValue> values;
  std::istringstream in(text);
  std::string line;
  bool inKey = false;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (line[0] == '[') {
      if (inKey) break;
      inKey = true;
      continue;
    }
    if (!inKey) continue;
    ExportedValue value;
    size_t at = 0;
    if (line[0] == '@') {
      at = 1;
    } else if (line[0] == '"') {
      value.name = Unquote(line, at);
    } else {
      continue;
    }
    if (at >= line.size() || line[at] != '=') continue;
    std::string data = line.substr(at + 1);
    if (!data.empty() && data[0] == '"') {
      size_t quote = 0;
      value.shown = "REG_SZ " + Unquote(data, quote);
    } else if (data.rfind("dword:", 0) == 0) {
      value.shown = "REG_DWORD " + std::to_string(std::stoul(data.substr(6), nullptr, 16));
    } else if (data.rfind("hex:", 0) == 0) {
      value.shown = "REG_BINARY " + data.substr(4);
    } else if (data.rfind("hex(", 0) == 0) {
      int type = std::stoi(data.substr(4), nullptr, 16);
      std::string bytes = HexBytes(data.substr(data.find(':') + 1));
      if (type == 2) {
        std::u16string wide;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
          wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                               (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        while (!wide.empty() && wide.back() == 0) wide.pop_back();
        std::string utf8;
        Utf16ToUtf8(wide, utf8);
        value.shown = "REG_EXPAND_SZ " + utf8;
      } else {
        value.shown = "type " + std::to_string(type) + " " + HexList(bytes);
      }
    } else {
      continue;
    }
    values.push_back(value);
  }
  return values;
}

// A key as reg.exe takes it: the root abbreviated.
std::string RegKey(const std::string& key) {
  static const std::pair<const char*, const char*> roots[] = {
      {"HKEY_LOCAL_MACHINE", "HKLM"}, {"HKEY_CURRENT_USER", "HKCU"},
      {"HKEY_CLASSES_ROOT", "HKCR"},  {"HKEY_USERS", "HKU"}};
  for (const auto& [full, shortName] : roots) {
    size_t length = std::string(full).size();
    if (key.size() >= length && Lower(key.substr(0, length)) == Lower(full))
      return shortName + key.substr(length);
  }
  return key;
}

// Runs a host program with extra environment settings, in `folder`.
ProcessResult Spawn(const std::vector<std::string>& arguments,
                    const std::vector<std::string>& environment, const fs::path& folder,
                    int timeLimitSeconds, const fs::path& output, const fs::path& errors,
                    int inputFd = -1, int outputFd = -1, pid_t* started = nullptr) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = name == "DISPLAY";  // no windows: everything runs headless
    for (const std::string& setting : environment)
      if (setting.substr(0, setting.find('=')) == name) replaced = true;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), environment.begin(), environment.end());
  std::vector<char*> envp, argv;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = arguments;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  if (inputFd >= 0) posix_spawn_file_actions_adddup2(&actions, inputFd, 0);
  else posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (outputFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
  else
    posix_spawn_file_actions_addopen(&actions, 1, output.empty() ? "/dev/null" : output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errors.empty() ? "/dev/null" : errors.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ProcessResult result;
  pid_t pid = 0;
  int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return result;
  if (started) {
    *started = pid;
    return result;
  }
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeLimitSeconds);
  while (waitpid(pid, &status, timeLimitSeconds > 0 ? WNOHANG : 0) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// A helper process holding something in the prefix; ends when its input closes.
struct Holder {
  pid_t pid = -1;
  int input = -1;
  ~Holder() {
    if (input >= 0) close(input);
    if (pid > 0) waitpid(pid, nullptr, 0);
  }
};

}  // namespace

std::string HexList(const std::string& bytes) {
  std::string out;
  char buffer[4];
  for (unsigned char c : bytes) {
    std::snprintf(buffer, sizeof buffer, "%s%02x", out.empty() ? "" : ",", c);
    out += buffer;
  }
  return out;
}

std::optional<WineSettings> WineSettings::FromEnvironment() {
  const char* kind = std::getenv("ORVANE_SCENARIO_TARGET");
  if (!kind || !*kind || std::string(kind) == "host") return std::nullopt;
  const char* build = std::getenv("ORVANE_WINDOWS_BUILD");
  WineSettings settings;
  settings.kind = kind;
  fs::path folder = fs::path(build ? build : "") / (settings.kind == "win64" ? "win64" : "win32");
  settings.runner = folder / "orvane-run.exe";
  settings.helper = folder / "orvane-wine-helper.exe";
  settings.templatePrefix = fs::path(build ? build : "") / "wine" / settings.kind;
  settings.prefixTool = fs::path(ORVANE_SOURCE_DIR) / "tests" / "windows" / "wine-prefix.sh";
  return settings;
}

WineMachine::WineMachine(WineSettings settings, fs::path root, fs::path dist)
    : settings_(std::move(settings)),
      root_(std::move(root)),
      dist_(std::move(dist)),
      prefix_(root_ / "prefix"),
      folders_(Folders(settings_.kind)) {}

std::vector<std::pair<std::string, std::string>> WineMachine::Folders(const std::string& kind) {
  std::vector<std::pair<std::string, std::string>> folders;
  if (kind == "win98") {
    const std::string roaming = "C:\\users\\User\\AppData\\Roaming\\Microsoft\\Windows";
    folders = {{roaming + "\\Start Menu\\Programs\\Startup",
                "C:\\WINDOWS\\Start Menu\\Programs\\StartUp"},
               {roaming + "\\Start Menu", "C:\\WINDOWS\\Start Menu"},
               {roaming + "\\SendTo", "C:\\WINDOWS\\SendTo"},
               {"C:\\users\\User\\AppData\\Local\\Temp", "C:\\WINDOWS\\TEMP"},
               {"C:\\users\\User\\Desktop", "C:\\WINDOWS\\Desktop"},
               {"C:\\windows\\system32", "C:\\WINDOWS\\SYSTEM"}};
  }
  folders.insert(folders.end(), {{"C:\\windows", "C:\\WINDOWS"}, {"C:\\users", "C:\\Users"}});
  return folders;
}

WineMachine::~WineMachine() {
  if (made_)
    Spawn({settings_.prefixTool.string(), "remove", prefix_.string()}, {}, {}, 0, {}, {});
}

void WineMachine::Make() {
  if (made_) return;
  ProcessResult copy = Spawn({settings_.prefixTool.string(), "copy",
                              settings_.templatePrefix.string(), prefix_.string()},
                             {}, {}, 0, {}, root_ / "prefix-copy.txt");
  if (copy.status != 0)
    throw std::runtime_error("cannot copy the template prefix " +
                             settings_.templatePrefix.string() + ": " +
                             ReadAll(root_ / "prefix-copy.txt"));
  // The drives: the distribution folder, the scenario's folder and the runner's; the host's root
  // is not reachable.
  fs::path devices = prefix_ / "dosdevices";
  fs::remove(devices / "z:");
  fs::create_directory_symlink(dist_, devices / "d:");
  fs::create_directory_symlink(root_, devices / "s:");
  fs::create_directory_symlink(settings_.runner.parent_path(), devices / "r:");
  // Windows answers "path not found" for a path on a drive that does not exist, Wine "file not
  // found"; a drive letter naming a plain file gives Windows' answer and nothing can be made
  // there, so every other letter names an empty read-only file.
  fs::path noDrive = prefix_ / "no-drive";
  std::ofstream{noDrive};
  fs::permissions(noDrive, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    fs::path device = devices / (std::string(1, letter) + ":");
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(device, ec))) fs::create_symlink(noDrive, device);
  }
  made_ = true;
  exports_.clear();
  KeepServer();
  if (mapping_.empty()) LoadMessageTexts();
}

void WineMachine::Reset() {
  if (!made_) return;
  CheckTemplate();
  Spawn({settings_.prefixTool.string(), "remove", prefix_.string()}, {}, {}, 0, {}, {});
  made_ = false;
  exports_.clear();
}

void WineMachine::KeepServer() {
  // A scenario runs Wine programs one after another with the reference runs in between; a
  // wineserver that stays (until the prefix is removed or restarted) spares each of them the
  // start of the server and the prefix's services, about half a second a program.
  Spawn({"wineserver", "-p"}, Environment(), {}, 60, {}, {});
}

std::vector<std::string> WineMachine::Environment() const {
  // No Gecko or Mono installer questions, and no menu entries or .desktop files made for the
  // shortcuts a program writes (they would land beside the shortcuts and on the host).
  return {"WINEPREFIX=" + prefix_.string(), "WINEDEBUG=-all", "USER=User",
          "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"};
}

ProcessResult WineMachine::Wine(const std::vector<std::string>& arguments, int timeLimitSeconds,
                                const fs::path& output, const fs::path& errors) {
  Make();
  std::vector<std::string> command = {"wine"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  ProcessResult result =
      Spawn(command,
            Environment(),
            root_, timeLimitSeconds, output, errors);
  exports_.clear();
  return result;
}

std::string WineMachine::WindowsPath(const fs::path& host) const {
  const std::pair<const fs::path*, const char*> drives[] = {
      {&dist_, "D:"}, {&root_, "S:"}, {&settings_.runner, "R:"}};
  for (const auto& [folder, drive] : drives) {
    fs::path base = folder == &settings_.runner ? folder->parent_path() : *folder;
    fs::path relative = fs::absolute(host).lexically_relative(base);
    if (relative.empty() || *relative.begin() == "..") continue;
    std::string path = drive;
    for (const fs::path& part : relative)
      if (part != ".") path += "\\" + part.string();
    return path.size() == 2 ? path + "\\" : path;
  }
  return "";
}

fs::path WineMachine::HostPath(const std::string& emulatedPath) const {
  std::string windowsPath = emulatedPath;
  for (const auto& [wine, emulated] : folders_) {
    const std::string lower = Lower(windowsPath);
    if (lower.rfind(Lower(emulated), 0) == 0 &&
        (lower.size() == emulated.size() || lower[emulated.size()] == '\\')) {
      windowsPath = wine + windowsPath.substr(emulated.size());
      break;
    }
  }
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return {};
  char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
  fs::path path = prefix_ / "dosdevices" / (std::string(1, letter) + ":");
  std::error_code ec;
  if (!fs::is_directory(path, ec)) return {};
  std::istringstream parts(windowsPath.substr(2));
  bool missing = false;
  for (std::string name; std::getline(parts, name, '\\');) {
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      path = path.parent_path();
      continue;
    }
    fs::path next = path / name;
    if (!missing && !fs::exists(next, ec)) {
      std::string wanted = Lower(name);
      bool found = false;
      for (const auto& entry : fs::directory_iterator(path, ec)) {
        if (Lower(entry.path().filename().string()) == wanted) {
          next = entry.path();
          found = true;
          break;
        }
      }
      missing = !found;
    }
    path = next;
  }
  return path;
}

std::vector<std::string> WineMachine::RegArguments(std::vector<std::string> arguments) const {
  arguments.insert(arguments.begin(), "reg");
  // Debian's wine runs the 32-bit reg.exe, which sees the 32-bit view of a 64-bit prefix.
  if (settings_.kind == "win64") arguments.push_back("/reg:64");
  return arguments;
}

std::optional<std::string> WineMachine::Export(const std::string& key) {
  const std::string cacheKey = Lower(key);
  if (auto found = exports_.find(cacheKey); found != exports_.end()) return found->second;
  fs::path file = root_ / "reg-export.reg";
  fs::remove(file);
  ProcessResult result =
      Wine(RegArguments({"export", RegKey(key), WindowsPath(file), "/y"}), 60);
  std::optional<std::string> text;
  if (result.status == 0) text = ToEmulated(JoinLines(Utf16FileText(ReadAll(file))));
  exports_[cacheKey] = text;
  return text;
}

std::string WineMachine::Value(const std::string& key, const std::string& name) {
  std::optional<std::string> text = Export(key);
  if (!text) return "";
  for (const ExportedValue& value : FirstKeyValues(*text))
    if (Lower(value.name) == Lower(name)) return value.shown;
  return "";
}

bool WineMachine::KeyExists(const std::string& key) { return Export(key).has_value(); }

void WineMachine::SetValue(const std::string& key, const std::string& name,
                           const std::string& type, const std::string& data) {
  std::vector<std::string> arguments = {"add", RegKey(key)};
  if (name.empty()) {
    arguments.push_back("/ve");
  } else {
    arguments.insert(arguments.end(), {"/v", name});
  }
  std::string value = data;
  if (type == "REG_BINARY") std::erase_if(value, [](char c) { return c == ',' || c == ' '; });
  arguments.insert(arguments.end(), {"/t", type, "/d", value, "/f"});
  ProcessResult result = Wine(RegArguments(arguments), 60);
  EXPECT_EQ(result.status, 0) << "reg add " << key << " " << name;
}

void WineMachine::CreateKey(const std::string& key) {
  ProcessResult result = Wine(RegArguments({"add", RegKey(key), "/f"}), 60);
  EXPECT_EQ(result.status, 0) << "reg add " << key;
}

std::string WineMachine::Programs() {
  const std::string root =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  std::optional<std::string> text = Export(root);
  if (!text) return "";
  // One section per key; the entries are the keys right below the list's own.
  const std::string prefix = "[" + Lower(root) + "\\";
  std::map<std::string, std::string> lines;  // upper-case name -> line, as orvane-machine sorts
  size_t at = 0;
  while ((at = text->find("\n[", at)) != std::string::npos) {
    size_t end = text->find("\n[", at + 2);
    std::string section = text->substr(at + 1, end == std::string::npos ? end : end - at - 1);
    at += 2;
    std::string header = section.substr(0, section.find('\n'));
    if (Lower(header).rfind(prefix, 0) != 0 || header.back() != ']') continue;
    std::string name = header.substr(prefix.size(), header.size() - prefix.size() - 1);
    if (name.find('\\') != std::string::npos) continue;
    std::string display, command;
    for (const ExportedValue& value : FirstKeyValues(section)) {
      std::string data = value.shown.substr(value.shown.find(' ') + 1);
      if (Lower(value.name) == "displayname") display = data;
      if (Lower(value.name) == "uninstallstring") command = data;
    }
    std::string cp932;
    std::string sortKey = Utf8ToCp932(name, cp932) ? MapString(cp932, lcmap::UpperCase) : name;
    lines[sortKey] = name + "\t" + display + "\t" + command;
  }
  std::string out;
  for (const auto& [key, line] : lines) out += line + "\n";
  return out;
}

std::string WineMachine::RegistryForSnapshot() {
  std::string text;
  for (const char* key : {"HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_CURRENT_USER\\Software"}) {
    std::optional<std::string> part = Export(key);
    if (!part) continue;
    // Wine's own settings change as its programs run, and Wine registers the host's fonts
    // when it first starts in a prefix, at a time of its own.
    std::istringstream in(*part);
    bool skip = true;  // the export's header line
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line[0] == '[') {
        std::string lower = Lower(line);
        skip = lower.find("\\software\\wine]") != std::string::npos ||
               lower.find("\\software\\wine\\") != std::string::npos ||
               lower.find("\\currentversion\\fonts]") != std::string::npos;
      }
      if (!skip) text += line + "\n";
    }
  }
  return text;
}

void WineMachine::Restart() {
  // Every program ends (the session a program's ExitWindowsEx is ending too: under Wine it goes
  // on after the program), then wineboot's restart carries out PendingFileRenameOperations and
  // WININIT.INI, as Windows does when it starts.
  Spawn({"wineserver", "-k"}, {"WINEPREFIX=" + prefix_.string()}, {}, 60, {}, {});
  KeepServer();
  ProcessResult result = Wine({"wineboot.exe", "--restart"}, 120);
  EXPECT_EQ(result.status, 0) << "wineboot --restart";
}

std::shared_ptr<void> WineMachine::Hold(const std::string& verb, const std::string& what) {
  Make();
  int input[2], ready[2];
  if (pipe2(input, O_CLOEXEC) != 0) return nullptr;
  if (pipe2(ready, O_CLOEXEC) != 0) {
    close(input[0]);
    close(input[1]);
    return nullptr;
  }
  auto holder = std::make_shared<Holder>();
  holder->input = input[1];
  Spawn({"wine", WindowsPath(settings_.helper), verb, what},
        Environment(), root_, 0, {}, {},
        input[0], ready[1], &holder->pid);
  close(input[0]);
  close(ready[1]);
  // The helper says "held" once it holds; it ends when its input closes (the holder goes).
  std::string said;
  char c;
  while (read(ready[0], &c, 1) == 1 && c != '\n') said += c;
  close(ready[0]);
  if (said != "held\r" && said != "held") return nullptr;  // a Windows program ends lines with CR LF
  return holder;
}

void WineMachine::CheckTemplate() {
  if (!made_) return;
  ProcessResult check = Spawn({settings_.prefixTool.string(), "check",
                               settings_.templatePrefix.string(), prefix_.string()},
                              {}, {}, 0, {}, root_ / "template-check.txt");
  EXPECT_EQ(check.status, 0) << ReadAll(root_ / "template-check.txt");
}

void WineMachine::LoadMessageTexts() {
  // The codes the emulated machine has texts for.
  std::vector<std::string> arguments = {WindowsPath(settings_.helper), "messages"};
  for (uint32_t code = 1; code < 2000; ++code)
    if (!EnglishErrorText(code).empty()) arguments.push_back(std::to_string(code));
  fs::path output = root_ / "messages.txt";
  ProcessResult result = Wine(arguments, 60, output);
  ASSERT_EQ(result.status, 0) << "the helper's message texts";
  std::istringstream in(ReadAll(output));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    std::string wine = line.substr(blank + 1);
    std::string windows = EnglishErrorText(std::stoul(line.substr(0, blank)));
    if (wine.empty() || wine == windows) continue;
    mapping_.push_back({wine, windows});
    // The program also shows system texts in full-width characters, without their trailing
    // blanks and full stops (install/FileOps.cpp's ErrorText).
    auto trimmed = [](std::string text) {
      while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
      return text;
    };
    std::string wineCp932, windowsCp932, wideWine, wideWindows;
    if (Utf8ToCp932(trimmed(wine), wineCp932) && Utf8ToCp932(trimmed(windows), windowsCp932) &&
        Cp932ToUtf8(MapString(wineCp932, lcmap::FullWidth), wideWine) &&
        Cp932ToUtf8(MapString(windowsCp932, lcmap::FullWidth), wideWindows))
      mapping_.push_back({wideWine, wideWindows});
  }
  // Longer texts first, so that a text that holds another is replaced whole.
  std::stable_sort(mapping_.begin(), mapping_.end(), [](const auto& a, const auto& b) {
    return a.first.size() > b.first.size();
  });
}

std::string WineMachine::ToEmulated(const std::string& text) const {
  std::string out = text;
  for (const auto& [wine, windows] : mapping_) ReplaceAll(out, wine, windows);
  for (const char* separator : {"\\", "\\\\"}) {
    const std::string s = separator;
    for (auto [wine, emulated] : folders_) {
      ReplaceAll(wine, "\\", s);
      ReplaceAll(emulated, "\\", s);
      ReplaceName(out, wine, emulated);
    }
    ReplaceName(out, "HKEY_LOCAL_MACHINE" + s + "Software", "HKEY_LOCAL_MACHINE" + s + "SOFTWARE");
  }
  return out;
}

}  // namespace orvane::scenario
