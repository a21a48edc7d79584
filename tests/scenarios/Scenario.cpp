// The scenario fixture.
#include "tests/scenarios/Scenario.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/host/HostRegistry.h"
#include "support/Cp932.h"

extern char** environ;

namespace orvane::scenario {

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
  root_ = std::filesystem::temp_directory_path() /
          ("orvane-scenario-" + std::to_string(::getpid()) + "-" + name);
  std::filesystem::remove_all(root_);
  std::filesystem::create_directories(Dist());
}

void Scenario::TearDown() {
  if (!HasFailure()) std::filesystem::remove_all(root_);
  else std::cerr << "scenario files kept in " << root_ << "\n";
}

void Scenario::WriteDist(const std::string& name, const std::string& content, bool executable) {
  std::filesystem::path path = Dist() / name;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  if (executable)
    std::filesystem::permissions(path, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
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

RunResult Scenario::Run(const std::vector<std::string>& arguments, const std::string& answers) {
  ++runs_;
  std::filesystem::path transcript = root_ / ("transcript" + std::to_string(runs_) + ".txt");
  std::vector<std::string> args = {runner_.string(), "--machine", MachineFolder().string(),
                                   "--transcript", transcript.string()};
  if (!answers.empty()) {
    std::filesystem::path file = root_ / ("answers" + std::to_string(runs_) + ".txt");
    std::ofstream(file, std::ios::binary) << answers;
    args.push_back("--answers");
    args.push_back(file.string());
  }
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  RunResult result;
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return result;
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
  // Exit codes above 255 do not fit a process status: the runner's codes are recovered from
  // the transcript's last line.
  std::ifstream in(transcript, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  result.transcript = text.str();
  std::istringstream lines(result.transcript);
  for (std::string line; std::getline(lines, line);) result.lines.push_back(line);
  if (!result.lines.empty() && result.lines.back().rfind("exit ", 0) == 0)
    result.exitCode = std::stoi(result.lines.back().substr(5));
  return result;
}

std::filesystem::path Scenario::UseRunnerCopy() {
  std::filesystem::path copy = root_ / "bin" / "orvane-run";
  std::filesystem::create_directories(copy.parent_path());
  std::filesystem::copy_file(ORVANE_RUN_PATH, copy,
                             std::filesystem::copy_options::overwrite_existing);
  runner_ = copy;
  return copy;
}

std::unique_ptr<host::Machine> Scenario::OpenMachine() const {
  return host::Machine::Open(MachineFolder());
}

std::filesystem::path Scenario::HostPath(const std::string& windowsPath) const {
  std::string cp932;
  if (!Utf8ToCp932(windowsPath, cp932)) return {};
  std::filesystem::path host;
  if (OpenMachine()->Resolve(cp932, host) != 0) return {};
  return host;
}

bool Scenario::Exists(const std::string& windowsPath) const {
  std::filesystem::path host = HostPath(windowsPath);
  return !host.empty() && std::filesystem::exists(host);
}

std::string Scenario::ReadFile(const std::string& windowsPath) const {
  std::ifstream in(HostPath(windowsPath), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Scenario::WriteFile(const std::string& windowsPath, const std::string& content) const {
  std::filesystem::path host = HostPath(windowsPath);
  std::filesystem::create_directories(host.parent_path());
  std::ofstream(host, std::ios::binary) << content;
}

std::string Scenario::Reg(const std::string& key, const std::string& name) const {
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
  std::string hex;
  char buffer[4];
  for (unsigned char c : value.data) {
    std::snprintf(buffer, sizeof buffer, "%s%02x", hex.empty() ? "" : ",", c);
    hex += buffer;
  }
  return (value.type == reg::Binary ? "REG_BINARY " : "type " + std::to_string(value.type) + " ") +
         hex;
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
