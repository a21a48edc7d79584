// Scenario tests: a distribution folder made by the test, the real orvane-run on a fresh machine
// folder, then the transcript and the machine examined.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/Machine.h"

namespace orvane::scenario {

struct RunResult {
  int exitCode = -1;
  bool timedOut = false;  // killed at the fixture's time limit
  std::string transcript;
  std::vector<std::string> lines;
  // True when some transcript line contains `text`.
  bool Has(const std::string& text) const;
  // The lines that start with `prefix`, in order.
  std::vector<std::string> Starting(const std::string& prefix) const;
  // Index of the first line containing `text` at or after `from`, or -1.
  int Find(const std::string& text, int from = 0) const;
};

class Scenario : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::filesystem::path Root() const { return root_; }
  std::filesystem::path Dist() const { return root_ / "dist"; }
  std::filesystem::path MachineFolder() const { return root_ / "machine"; }

  // Writes a file of the distribution folder (texts are written as given: use CRLF and code page
  // 932 bytes where the file needs them).
  void WriteDist(const std::string& name, const std::string& content, bool executable = false);
  // Writes SETUP.INI from UTF-8 text with "\n" line ends (converted to CRLF and code page 932).
  void WriteScript(const std::string& utf8);
  // Runs orvane-run with these arguments (the machine and transcript options are added) and the
  // answers text (none when empty).
  RunResult Run(const std::vector<std::string>& arguments, const std::string& answers = "");
  // Installs from Dist().
  RunResult Install(const std::string& answers = "") { return Run({Dist().string()}, answers); }
  // Runs a copy of orvane-run kept in the test's folder from now on (for tests whose failure
  // could change the program file itself) and returns its path.
  std::filesystem::path UseRunnerCopy();
  // Kills a run that lasts longer than this (0: no limit), so that a hang fails the test.
  void SetRunTimeLimit(int seconds) { timeLimitSeconds_ = seconds; }

  // The machine, opened for inspection (reopened on each call, so it sees the latest state).
  std::unique_ptr<host::Machine> OpenMachine() const;
  // The host path of a Windows path of the machine (empty when it does not resolve).
  std::filesystem::path HostPath(const std::string& windowsPath) const;
  bool Exists(const std::string& windowsPath) const;
  std::string ReadFile(const std::string& windowsPath) const;
  void WriteFile(const std::string& windowsPath, const std::string& content) const;
  // A registry value shown as orvane-machine shows it ("reg::Sz text", "reg::Dword 3"), or "" when
  // it is missing. `key` is rooted: "HKEY_LOCAL_MACHINE\SOFTWARE\...".
  std::string Reg(const std::string& key, const std::string& name) const;
  // Runs a host command and returns its exit code; its output goes to `output` when given.
  static int Shell(const std::string& command, std::string* output = nullptr);

 private:
  std::filesystem::path root_;
  std::filesystem::path runner_ = ORVANE_RUN_PATH;
  int timeLimitSeconds_ = 0;
  int runs_ = 0;
};

}  // namespace orvane::scenario
