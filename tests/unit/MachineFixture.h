// Test fixture: a fresh emulated machine in a temporary folder for each test, removed afterwards,
// with small helpers to read and write host files.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/host/Machine.h"

namespace orvane::host::testing {

// A child process that holds a lock on a host file until this object goes away: flock(LOCK_EX),
// or a POSIX record lock (fcntl F_SETLK) when `posix` is set.
class ChildLock {
 public:
  explicit ChildLock(const std::filesystem::path& file, bool posix = false) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      int fd = open(file.c_str(), O_RDWR);
      bool locked = false;
      if (fd >= 0 && posix) {
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        locked = fcntl(fd, F_SETLK, &lock) == 0;
      } else if (fd >= 0) {
        locked = flock(fd, LOCK_EX) == 0;
      }
      char c = locked ? '1' : '0';
      (void)!write(ready[1], &c, 1);
      for (;;) pause();
    }
    close(ready[1]);
    char c = 0;
    locked_ = read(ready[0], &c, 1) == 1 && c == '1';
    close(ready[0]);
  }
  ~ChildLock() { Release(); }
  bool Locked() const { return locked_; }
  void Release() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
  bool locked_ = false;
};

class MachineFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orvane-machine-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    OpenMachine();
  }
  void TearDown() override {
    machine_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  // Settings of the machine a test makes; override for a Windows 95 machine.
  virtual MachineSettings NewMachineSettings() const { return {}; }
  void OpenMachine() { machine_ = Machine::Open(root_ / "machine", NewMachineSettings()); }

  // The host path of a Windows path (a test failure when it does not resolve).
  std::filesystem::path Host(const std::string& windowsPath) const {
    std::filesystem::path host;
    uint32_t err = machine_->Resolve(windowsPath, host);
    EXPECT_EQ(err, 0u) << windowsPath;
    return host;
  }
  static void WriteHostFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  static std::string ReadHostFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
  }

  std::filesystem::path root_;  // temporary folder; the machine is root_/"machine"
  std::unique_ptr<Machine> machine_;
};

}  // namespace orvane::host::testing
