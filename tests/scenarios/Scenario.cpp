// The scenario fixture: the emulated machine, or a Wine prefix checked against it.
#include "tests/scenarios/Scenario.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/host/HostRegistry.h"
#include "support/Cp932.h"
#include "support/IniDocument.h"
#include "support/uStrOp.h"
#include "tests/scenarios/PlanCheck.h"
#include "tests/unit/MachineFixture.h"

extern char** environ;

namespace orvane::scenario {
namespace fs = std::filesystem;
namespace {

std::string ReadHostFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteHostFile(const fs::path& file, const std::string& content) {
  fs::create_directories(file.parent_path());
  // A new file rather than a write into the old one, which may share its data with a template.
  std::error_code ec;
  fs::remove(file, ec);
  std::ofstream(file, std::ios::binary) << content;
}

// Runs a host program (no shell) and returns its exit status.
int Spawn(std::vector<std::string> args, std::string* output = nullptr) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
  close(pipeEnds[0]);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The steps of orvane-wine-helper.exe that do what a checker script does, or nothing when the
// script holds a line it does not know. The scripts are of the form the tests write:
//   printf 'TEXT' > "$dir/NAME"; sleep N; ls "$SCENARIO_TEMP" > "$dir/NAME"; true
std::optional<std::string> HelperSteps(const std::string& script) {
  std::string steps;
  std::istringstream lines(script);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream commands(line);
    for (std::string command; std::getline(commands, command, ';');) {
      command.erase(0, command.find_first_not_of(' '));
      while (!command.empty() && command.back() == ' ') command.pop_back();
      if (command.empty() || command[0] == '#' || command == "true" ||
          command == "dir=$(dirname \"$0\")")
        continue;
      size_t to = command.rfind(" > \"$dir/");
      std::string target =
          to == std::string::npos ? "" : command.substr(to + 9, command.size() - to - 10);
      if (command.rfind("sleep ", 0) == 0) {
        steps += "sleep " + std::to_string(std::stoi(command.substr(6)) * 1000) + "\n";
      } else if (command.rfind("printf '", 0) == 0 && to != std::string::npos &&
                 command[to - 1] == '\'') {
        steps += "write " + target + " " + command.substr(8, to - 9) + "\n";
      } else if (command.rfind("ls \"$SCENARIO_TEMP\"", 0) == 0 && to != std::string::npos) {
        steps += "list " + target + "\n";
      } else {
        return std::nullopt;
      }
    }
  }
  return steps;
}

fs::path TempFolderOf(host::Machine& machine) {
  fs::path host;
  machine.Resolve(machine.TempFolder(), host);
  return host;
}

}  // namespace

bool RunResult::Has(const std::string& text) const { return Find(text) >= 0; }

std::vector<std::string> RunResult::Starting(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& line : lines)
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  return out;
}

int RunResult::Find(const std::string& text, int from) const {
  for (int i = std::max(from, 0); i < static_cast<int>(lines.size()); ++i)
    if (lines[i].find(text) != std::string::npos) return i;
  return -1;
}

void Scenario::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  root_ = fs::temp_directory_path() /
          ("orvane-scenario-" + std::to_string(::getpid()) + "-" + name);
  fs::remove_all(root_);
  fs::create_directories(Dist());
  if (std::optional<WineSettings> settings = WineSettings::FromEnvironment()) {
    for (const fs::path& file : {settings->runner, settings->helper, settings->prefixTool})
      ASSERT_TRUE(fs::exists(file)) << file << " is missing: scripts/build-windows.sh makes it";
    ASSERT_TRUE(fs::exists(settings->templatePrefix / ".orvane-template"))
        << "no template prefix in " << settings->templatePrefix
        << " (tests/windows/wine-prefix.sh template makes it)";
    wine_ = std::make_unique<WineMachine>(*settings, root_, Dist());
  }
}

void Scenario::TearDown() {
  if (wine_) {
    wine_->CheckTemplate();
    wine_.reset();  // ends the prefix's programs and removes it
  }
  if (!HasFailure()) fs::remove_all(root_);
  else std::cerr << "scenario files kept in " << root_ << "\n";
}

void Scenario::WriteDist(const std::string& name, const std::string& content, bool executable) {
  fs::path path = Dist() / name;
  fs::create_directories(path.parent_path());
  scripts_.erase(name);
  fs::remove(path.string() + ".steps");
  const bool program = name.size() > 4 && MapString(name.substr(name.size() - 4),
                                                    lcmap::UpperCase) == ".EXE";
  if (executable && program && OnWine() && content.rfind("#!/bin/sh", 0) == 0) {
    std::optional<std::string> steps = HelperSteps(content);
    ASSERT_TRUE(steps) << "no Windows program stands in for the script " << name << ":\n"
                       << content;
    scripts_[name] = content;
    fs::copy_file(wine_->Settings().helper, path, fs::copy_options::overwrite_existing);
    std::ofstream(path.string() + ".steps", std::ios::binary) << *steps;
    return;
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
  if (executable)
    fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
}

void Scenario::CopyDist(const fs::path& folder) {
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    bool executable = (entry.status().permissions() & fs::perms::owner_exec) != fs::perms::none;
    WriteDist(fs::relative(entry.path(), folder).string(), ReadHostFile(entry.path()), executable);
  }
}

void Scenario::WriteScript(const std::string& utf8) {
  std::string cp932;
  ASSERT_TRUE(Utf8ToCp932(utf8, cp932));
  std::string crlf;
  for (char c : cp932) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  WriteDist("SETUP.INI", crlf);
}

// The reference machine's distribution folder: the same files (and times) as Dist(), with the
// scripts that stand for the package's programs.
void Scenario::SyncReferenceDist() {
  fs::path reference = root_ / "reference-dist";
  fs::remove_all(reference);
  fs::create_directories(reference);
  for (const auto& entry : fs::recursive_directory_iterator(Dist())) {
    fs::path relative = fs::relative(entry.path(), Dist());
    fs::path target = reference / relative;
    if (entry.is_directory()) {
      fs::create_directories(target);
    } else if (entry.is_fifo()) {
      mkfifo(target.c_str(), 0644);
    } else if (entry.path().extension() != ".steps") {
      if (auto script = scripts_.find(relative.string()); script != scripts_.end()) {
        std::ofstream(target, std::ios::binary) << script->second;
        fs::permissions(target, fs::perms::owner_exec, fs::perm_options::add);
      } else {
        fs::copy_file(entry.path(), target);
        fs::last_write_time(target, fs::last_write_time(entry.path()));
      }
    }
  }
}

RunResult Scenario::RunOnce(const fs::path& runner, const std::vector<std::string>& arguments,
                            const std::string& answers, bool onWine) {
  const std::string tag = std::to_string(runs_) + (OnWine() && !onWine ? "-reference" : "");
  fs::path transcript = root_ / ("transcript" + tag + ".txt");
  fs::path errors = root_ / ("errors" + tag + ".txt");
  fs::path answersFile = root_ / ("answers" + std::to_string(runs_) + ".txt");
  std::vector<std::string> args;
  if (onWine) {
    args = {wine_->WindowsPath(runner), "--transcript", wine_->WindowsPath(transcript)};
    if (!answers.empty()) args.insert(args.end(), {"--answers", wine_->WindowsPath(answersFile)});
  } else {
    args = {runner.string(), "--machine", MachineFolder().string(), "--transcript",
            transcript.string()};
    if (!answers.empty()) args.insert(args.end(), {"--answers", answersFile.string()});
  }
  for (const std::string& a : arguments) {
    if (OnWine() && a == Dist().string())
      args.push_back(onWine ? "D:\\" : (root_ / "reference-dist").string());
    else
      args.push_back(a);
  }

  RunResult result;
  if (onWine) {
    ProcessResult process = wine_->Wine(args, timeLimitSeconds_, {}, errors);
    result.timedOut = process.timedOut;
    result.exitCode = process.status;
  } else {
    // A checker script lists the machine's temporary folder through this.
    std::error_code ec;
    if (fs::exists(MachineFolder() / "machine.ini", ec)) {
      try {
        setenv("SCENARIO_TEMP", TempFolderOf(*OpenMachine()).c_str(), 1);
      } catch (const std::exception&) {
        // A damaged machine: the run reports it.
      }
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return result;
    int status = 0;
    if (timeLimitSeconds_ > 0) {
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeLimitSeconds_);
      while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
          kill(pid, SIGKILL);
          waitpid(pid, &status, 0);
          result.timedOut = true;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    } else {
      waitpid(pid, &status, 0);
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) + 0 : -1;
  }
  // Exit codes above 255 do not fit a process status: the runner's codes are recovered from
  // the transcript's last line.
  result.transcript = ReadHostFile(transcript);
  result.errors = ReadHostFile(errors);
  if (onWine) result.transcript = wine_->ToEmulated(result.transcript);
  std::istringstream lines(result.transcript);
  for (std::string line; std::getline(lines, line);) result.lines.push_back(line);
  if (!result.lines.empty() && result.lines.back().rfind("exit ", 0) == 0)
    result.exitCode = std::stoi(result.lines.back().substr(5));
  return result;
}

RunResult Scenario::Run(const std::vector<std::string>& arguments, const std::string& answers) {
  ++runs_;
  if (!answers.empty())
    std::ofstream(root_ / ("answers" + std::to_string(runs_) + ".txt"), std::ios::binary)
        << answers;
  if (!OnWine()) {
    // Installs are planned first when the scenarios check plans (see PlanCheck.h).
    if (!PlansChecked() || arguments != std::vector<std::string>{Dist().string()})
      return RunOnce(runner_, arguments, answers, false);
    PlannedInstall plan = PlanInstall(
        MachineFolder(), Dist(),
        answers.empty() ? fs::path() : root_ / ("answers" + std::to_string(runs_) + ".txt"));
    RunResult result = RunOnce(runner_, arguments, answers, false);
    CheckPlan(plan, MachineFolder(), result.exitCode);
    return result;
  }

  SyncReferenceDist();
  OpenMachine();  // made as the prefix's kind of Windows
  RunResult reference = RunOnce(runner_, arguments, answers, false);
  fs::path windowsRunner = runner_ == ORVANE_RUN_PATH ? wine_->Settings().runner
                                                      : root_ / "bin" / "orvane-run.exe";
  RunResult result = RunOnce(windowsRunner, arguments, answers, true);
  // The program has asked Windows to restart; Wine's session ends after the program does: the
  // restart is waited for here, as the reference run's machine restarted before it ended.
  if (result.Has("restart -> yes")) wine_->Restart();
  // The transcript must be the emulated machine's, line for line.
  if (result.lines != reference.lines) {
    std::ostringstream diff;
    size_t n = std::max(result.lines.size(), reference.lines.size());
    int shown = 0;
    for (size_t i = 0; i < n && shown < 12; ++i) {
      const std::string* a = i < reference.lines.size() ? &reference.lines[i] : nullptr;
      const std::string* b = i < result.lines.size() ? &result.lines[i] : nullptr;
      if (a && b && *a == *b) continue;
      ++shown;
      diff << "line " << i + 1 << ":\n  emulated: " << (a ? *a : "(none)")
           << "\n  wine:     " << (b ? *b : "(none)") << "\n";
    }
    ADD_FAILURE() << "run " << runs_ << ": the transcript under Wine differs from the emulated "
                  << "machine's:\n"
                  << diff.str();
  }
  return result;
}

fs::path Scenario::UseRunnerCopy() {
  fs::path copy = root_ / "bin" / "orvane-run";
  fs::create_directories(copy.parent_path());
  fs::copy_file(ORVANE_RUN_PATH, copy, fs::copy_options::overwrite_existing);
  runner_ = copy;
  if (!OnWine()) return copy;
  fs::path windowsCopy = root_ / "bin" / "orvane-run.exe";
  fs::copy_file(wine_->Settings().runner, windowsCopy, fs::copy_options::overwrite_existing);
  return windowsCopy;
}

std::string Scenario::MachineTool(const std::string& arguments) const {
  std::string out;
  Shell(std::string(ORVANE_MACHINE_TOOL) + " --machine '" + MachineFolder().string() + "' " +
            arguments,
        &out);
  return out;
}

void Scenario::PrepareMachine() {
  OpenMachine();
  if (wine_) wine_->Make();
}

void Scenario::ResetMachine() {
  fs::remove_all(MachineFolder());
  if (wine_) wine_->Reset();
}

void Scenario::WriteFile(const std::string& windowsPath, const std::string& content) {
  std::string cp932;
  fs::path host;
  ASSERT_TRUE(Utf8ToCp932(windowsPath, cp932));
  ASSERT_EQ(OpenMachine()->Resolve(cp932, host), 0u) << windowsPath;
  WriteHostFile(host, content);
  if (wine_) WriteHostFile(HostPath(windowsPath), content);
}

void Scenario::RemoveFromMachine(const std::string& windowsPath) {
  std::string cp932;
  fs::path host;
  ASSERT_TRUE(Utf8ToCp932(windowsPath, cp932));
  ASSERT_EQ(OpenMachine()->Resolve(cp932, host), 0u) << windowsPath;
  fs::remove_all(host);
  if (wine_) fs::remove_all(HostPath(windowsPath));
}

void Scenario::SetFileAge(const std::string& windowsPath, int seconds) {
  auto when = fs::file_time_type::clock::now() + std::chrono::seconds(seconds);
  std::string cp932;
  fs::path host;
  ASSERT_TRUE(Utf8ToCp932(windowsPath, cp932));
  ASSERT_EQ(OpenMachine()->Resolve(cp932, host), 0u) << windowsPath;
  fs::last_write_time(host, when);
  if (wine_) fs::last_write_time(HostPath(windowsPath), when);
}

void Scenario::SetReg(const std::string& key, const std::string& name, const std::string& type,
                      const std::string& data) {
  std::string output;
  EXPECT_EQ(Spawn({ORVANE_MACHINE_TOOL, "--machine", MachineFolder().string(), "reg", "set", key,
                   name, type, data},
                  &output),
            0)
      << output;
  if (wine_) wine_->SetValue(key, name, type, data);
}

void Scenario::CreateRegKey(const std::string& key) {
  RegRoot root;
  std::string path, cp932;
  ASSERT_TRUE(Utf8ToCp932(key, cp932) && host::ParseRootedKey(cp932, root, path)) << key;
  ASSERT_EQ(OpenMachine()->Registry().CreateKey(root, path), 0u) << key;
  if (wine_) wine_->CreateKey(key);
}

void Scenario::SetIni(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& value) {
  std::string output;
  EXPECT_EQ(Spawn({ORVANE_MACHINE_TOOL, "--machine", MachineFolder().string(), "ini", "set", file,
                   section, key, value},
                  &output),
            0)
      << output;
  if (wine_) {
    // The INI model the program itself uses, on the prefix's file.
    fs::path host = HostPath(file);
    std::string cp932Section, cp932Key, cp932Value;
    ASSERT_TRUE(Utf8ToCp932(section, cp932Section) && Utf8ToCp932(key, cp932Key) &&
                Utf8ToCp932(value, cp932Value));
    IniDocument document = IniDocument::Parse(ReadHostFile(host));
    document.Set(cp932Section, cp932Key, cp932Value);
    WriteHostFile(host, document.Text());
  }
}

namespace {

// Holds what each machine holds until it goes away.
struct Holds {
  std::shared_ptr<void> reference, wine;
};

// The emulated machine's single-instance lock, held by this process.
struct LockFile {
  int fd = -1;
  ~LockFile() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

std::shared_ptr<void> Scenario::HoldFile(const std::string& windowsPath) {
  auto holds = std::make_shared<Holds>();
  std::string cp932;
  fs::path host;
  if (!Utf8ToCp932(windowsPath, cp932) || OpenMachine()->Resolve(cp932, host) != 0) return nullptr;
  auto lock = std::make_shared<host::testing::ChildLock>(host);
  if (!lock->Locked()) return nullptr;
  holds->reference = lock;
  if (wine_ && !(holds->wine = wine_->Hold("hold", windowsPath))) return nullptr;
  return holds;
}

std::shared_ptr<void> Scenario::HoldProgramMutex() {
  auto holds = std::make_shared<Holds>();
  fs::path lock = MachineFolder() / "locks" / "ORVANEMX.lock";
  OpenMachine();
  fs::create_directories(lock.parent_path());
  auto file = std::make_shared<LockFile>();
  file->fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0644);
  if (file->fd < 0 || ::flock(file->fd, LOCK_EX | LOCK_NB) != 0) return nullptr;
  holds->reference = file;
  if (wine_ && !(holds->wine = wine_->Hold("mutex", "ORVANEMX"))) return nullptr;
  return holds;
}

void Scenario::RestartMachine() {
  std::string output;
  EXPECT_EQ(Spawn({ORVANE_MACHINE_TOOL, "--machine", MachineFolder().string(), "restart"}, &output),
            0)
      << output;
  if (wine_) wine_->Restart();
}

std::unique_ptr<host::Machine> Scenario::OpenMachine() const {
  host::MachineSettings settings;
  if (Windows9x()) settings.platformId = 1;
  return host::Machine::Open(MachineFolder(), settings);
}

fs::path Scenario::HostPath(const std::string& windowsPath) const {
  if (wine_) {
    wine_->Make();
    return wine_->HostPath(windowsPath);
  }
  std::string cp932;
  if (!Utf8ToCp932(windowsPath, cp932)) return {};
  fs::path host;
  if (OpenMachine()->Resolve(cp932, host) != 0) return {};
  return host;
}

bool Scenario::Exists(const std::string& windowsPath) const {
  fs::path host = HostPath(windowsPath);
  return !host.empty() && fs::exists(host);
}

std::string Scenario::ReadFile(const std::string& windowsPath) const {
  std::string content = ReadHostFile(HostPath(windowsPath));
  return wine_ ? wine_->ToEmulated(content) : content;
}

std::string Scenario::Reg(const std::string& key, const std::string& name) const {
  if (wine_) return wine_->Value(key, name);
  auto machine = OpenMachine();
  RegRoot root;
  std::string path, cp932Key, cp932Name;
  Utf8ToCp932(key, cp932Key);
  Utf8ToCp932(name, cp932Name);
  if (!host::ParseRootedKey(cp932Key, root, path)) return "";
  RegValue value;
  if (machine->Registry().GetValue(root, path, cp932Name, value) != 0) return "";
  uint32_t dword = 0;
  if (value.AsDword(dword)) return "REG_DWORD " + std::to_string(dword);
  if (value.type == reg::Sz) return "REG_SZ " + DisplayUtf8(value.data);
  if (value.type == reg::ExpandSz) return "REG_EXPAND_SZ " + DisplayUtf8(value.data);
  return (value.type == reg::Binary ? "REG_BINARY " : "type " + std::to_string(value.type) + " ") +
         HexList(value.data);
}

bool Scenario::KeyExists(const std::string& key) const {
  if (wine_) return wine_->KeyExists(key);
  RegRoot root;
  std::string path, cp932;
  if (!Utf8ToCp932(key, cp932) || !host::ParseRootedKey(cp932, root, path)) return false;
  return OpenMachine()->Registry().KeyExists(root, path);
}

std::string Scenario::ExportKey(const std::string& key) const {
  if (wine_) return wine_->Export(key).value_or("");
  return MachineTool("reg export '" + key + "'");
}

int Scenario::RunInPrefix(const std::vector<std::string>& arguments, std::string& output) {
  const fs::path file = root_ / "prefix-output.txt";
  ProcessResult result = wine_->Wine(arguments, 120, file, file);
  output = ReadHostFile(file);
  fs::remove(file);
  return result.status;
}

fs::path Scenario::WindowsBuildFile(const std::string& name) const {
  return wine_->Settings().runner.parent_path() / name;
}

std::string Scenario::WindowsPathOf(const fs::path& host) const { return wine_->WindowsPath(host); }

std::string Scenario::ToEmulatedText(const std::string& text) const {
  return wine_ ? wine_->ToEmulated(text) : text;
}

std::string Scenario::Programs() const {
  if (wine_) return wine_->Programs();
  return MachineTool("programs");
}

test::MachineSnapshot Scenario::Snapshot() const {
  if (wine_) {
    test::MachineSnapshot raw =
        test::MachineSnapshot::Of({{'C', wine_->Prefix() / "drive_c"}}, wine_->RegistryForSnapshot());
    test::MachineSnapshot snapshot;
    snapshot.registry = raw.registry;
    for (const auto& [name, description] : raw.files)
      snapshot.files[wine_->ToEmulated(name)] = description;
    return snapshot;
  }
  auto machine = OpenMachine();
  test::MachineSnapshot snapshot = test::MachineSnapshot::Take(*machine);
  // The distribution folder's drive is the package's medium, not part of the machine.
  std::error_code ec;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    fs::path folder = machine->DriveFolder(letter);
    if (folder.empty() || !fs::equivalent(folder, Dist(), ec)) continue;
    std::string prefix = std::string(1, letter) + ":\\";
    std::erase_if(snapshot.files, [&](const auto& e) { return e.first.rfind(prefix, 0) == 0; });
  }
  return snapshot;
}

fs::path Scenario::TempFolder() const {
  if (wine_) return HostPath("C:\\Users\\User\\AppData\\Local\\Temp");
  return TempFolderOf(*OpenMachine());
}

int Scenario::Shell(const std::string& command, std::string* output) {
  std::string full = command + " 2>&1";
  FILE* pipe = popen(full.c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  std::string text;
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvane::scenario
