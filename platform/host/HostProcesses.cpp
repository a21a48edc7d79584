// Processes of the emulated machine. A program is a host file inside the drives; it starts in
// the machine's current folder with our environment plus ORVANE_MACHINE naming the machine
// folder, so that helper programs can reach the same machine.
#include "platform/host/HostProcesses.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/host/Machine.h"
#include "platform/host/RegularFile.h"
#include "support/Cp932.h"

extern char** environ;

namespace fs = std::filesystem;

namespace orvane::host {
namespace {

// The first bytes of a regular file (nothing for a FIFO or device, which could block).
std::string FirstBytes(const std::string& hostPath, size_t count) {
  int fd = OpenRegularFile(hostPath);
  if (fd < 0) return "";
  std::string bytes(count, '\0');
  size_t got = 0;
  while (got < count) {
    ssize_t n = read(fd, bytes.data() + got, count - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  bytes.resize(got);
  return bytes;
}

// The interpreter and its optional argument from a "#!" line.
std::vector<std::string> Interpreter(const std::string& hostPath) {
  std::string line = FirstBytes(hostPath, 256);
  size_t end = line.find('\n');
  line = line.substr(2, end == std::string::npos ? std::string::npos : end - 2);
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size() && words.size() < 2) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    size_t start = i;
    if (words.empty()) {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    } else {
      i = line.find_last_not_of(" \t\r") + 1;  // the rest of the line is one argument
    }
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> args;
  const std::string& s = commandLine;
  size_t i = 0, n = s.size();
  while (i < n) {
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n) {
      char c = s[i];
      if (IsLeadChar(static_cast<unsigned char>(c)) && i + 1 < n) {
        arg += s.substr(i, 2);
        i += 2;
        continue;
      }
      if ((c == ' ' || c == '\t') && !quoted) break;
      if (c == '\\') {
        size_t k = 0;
        while (i + k < n && s[i + k] == '\\') ++k;
        if (i + k < n && s[i + k] == '"') {
          arg.append(k / 2, '\\');
          if (k % 2) {
            arg += '"';
            i += k + 1;
          } else {
            i += k;
          }
        } else {
          arg.append(k, '\\');
          i += k;
        }
        continue;
      }
      if (c == '"') {
        if (quoted && i + 1 < n && s[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
        continue;
      }
      arg += c;
      ++i;
    }
    args.push_back(arg);
  }
  return args;
}

bool IsHostExecutable(const std::string& hostPath) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_mode & 0111) return true;
  std::string head = FirstBytes(hostPath, 4);
  return head.rfind("#!", 0) == 0 || head ==
                                         "\x7F"
                                         "ELF";
}

HostProcesses::~HostProcesses() {
  for (const auto& [pid, status] : running_)
    if (status < 0) closed_.insert(pid);
  ReapClosed();
}

void HostProcesses::ReapClosed() {
  for (auto it = closed_.begin(); it != closed_.end();) {
    int status = 0;
    pid_t r = waitpid(*it, &status, WNOHANG);
    it = (r == 0) ? std::next(it) : closed_.erase(it);
  }
}

int HostProcesses::Start(const std::string& program, const std::string& arguments) {
  ReapClosed();
  fs::path host;
  if (machine_.Resolve(program, host) != 0 || !IsHostExecutable(host.string())) return 0;

  std::vector<std::string> argv;
  struct stat st;
  stat(host.c_str(), &st);
  if (st.st_mode & 0111) {
    argv.push_back(host.string());
  } else if (FirstBytes(host.string(), 2) == "#!") {
    argv = Interpreter(host.string());
    if (argv.empty()) return 0;
    argv.push_back(host.string());
  } else {
    // An ELF program without the execute bit runs through the dynamic loader.
    const char* loaders[] = {"/lib64/ld-linux-x86-64.so.2", "/lib/ld-linux-aarch64.so.1"};
    for (const char* loader : loaders)
      if (access(loader, X_OK) == 0) {
        argv = {loader, host.string()};
        break;
      }
    if (argv.empty()) return 0;
  }
  for (const std::string& arg : SplitCommandLine(arguments)) {
    std::string utf8;
    argv.push_back(Cp932ToUtf8(arg, utf8) ? utf8 : arg);
  }

  fs::path folder;
  std::error_code ec;
  if (machine_.Resolve(machine_.CurrentFolder(), folder) != 0 || !fs::is_directory(folder, ec))
    folder = host.parent_path();

  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, "ORVANE_MACHINE=", 15) != 0) env.emplace_back(*e);
  env.push_back("ORVANE_MACHINE=" + machine_.Folder().string());

  std::vector<char*> argp, envp;
  for (std::string& a : argv) argp.push_back(a.data());
  argp.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t pid = 0;
  int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0 || pid <= 0) return 0;
  running_[pid] = -1;
  return pid;
}

bool HostProcesses::Wait(int process, uint32_t timeoutMs) {
  ReapClosed();
  auto it = running_.find(process);
  if (it == running_.end()) return true;
  if (it->second >= 0) return true;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    pid_t r = waitpid(process, &status, WNOHANG);
    if (r == process) {
      it->second = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return true;
    }
    if (r < 0 && errno != EINTR) {
      it->second = 255;
      return true;
    }
    if (timeoutMs != 0xFFFFFFFFu && std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void HostProcesses::Close(int process) {
  auto it = running_.find(process);
  if (it != running_.end()) {
    if (it->second < 0) closed_.insert(process);
    running_.erase(it);
  }
  ReapClosed();
}

int HostProcesses::ExitCode(int process) const {
  auto it = running_.find(process);
  return it == running_.end() ? -1 : it->second;
}

}  // namespace orvane::host
