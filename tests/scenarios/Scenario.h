// Scenario tests: a distribution folder made by the test, the real orvane-run on a fresh machine,
// then the transcript and the machine examined.
//
// The same tests run on two kinds of machine. By default the Linux runner works on a fresh
// emulated machine folder. With ORVANE_SCENARIO_TARGET=win64, win32 or win98 (see
// tests/scenarios/WineMachine.h) the Windows build's orvane-run.exe runs under Wine on a fresh
// prefix, and every run is made twice: first by the Linux runner on an emulated machine set up
// the same way (the reference), then under Wine; the two transcripts must be the same once
// Wine's differences are mapped, and the test's own checks read the prefix. A test setting up
// or reading the machine goes through the fixture so that both machines see the same.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/Machine.h"
#include "tests/scenarios/WineMachine.h"
#include "tests/unit/MachineSnapshot.h"

namespace orvane::scenario {

struct RunResult {
  int exitCode = -1;
  bool timedOut = false;  // killed at the fixture's time limit
  std::string transcript;
  std::vector<std::string> lines;
  std::string errors;  // what the runner wrote to standard error
  // True when some transcript line contains `text`.
  bool Has(const std::string& text) const;
  // The lines that start with `prefix`, in order.
  std::vector<std::string> Starting(const std::string& prefix) const;
  // Index of the first line containing `text` at or after `from`, or -1.
  int Find(const std::string& text, int from = 0) const;
};

// Skips the rest of a test that needs the emulated machine itself, with the reason shown.
#define SCENARIO_EMULATED_MACHINE_ONLY(reason)                                               \
  if (OnWine()) GTEST_SKIP() << "not run under Wine: " << reason

class Scenario : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // True when the program runs under Wine (see above).
  bool OnWine() const { return wine_ != nullptr; }
  // True when the machine is a Windows 9x one (under Wine, a prefix posing as Windows 98; the
  // reference machine then has the Windows 95 layout).
  bool Windows9x() const { return wine_ && wine_->Settings().kind == "win98"; }
  std::filesystem::path Root() const { return root_; }
  std::filesystem::path Dist() const { return root_ / "dist"; }
  // The emulated machine: the one the program runs on, or under Wine the reference machine.
  std::filesystem::path MachineFolder() const { return root_ / "machine"; }

  // Writes a file of the distribution folder (texts are written as given: use CRLF and code page
  // 932 bytes where the file needs them). An executable .EXE that is a shell script stands for
  // a program of the package (a checker); under Wine a Windows program doing the same stands in
  // for it (see tests/windows/wine_helper.cpp for the script lines it understands).
  void WriteDist(const std::string& name, const std::string& content, bool executable = false);
  // Copies a folder's files into the distribution folder, as WriteDist writes them.
  void CopyDist(const std::filesystem::path& folder);
  // Writes SETUP.INI from UTF-8 text with "\n" line ends (converted to CRLF and code page 932).
  void WriteScript(const std::string& utf8);
  // Runs orvane-run with these arguments (the machine and transcript options are added; the
  // distribution folder's path stands for the folder) and the answers text (none when empty).
  RunResult Run(const std::vector<std::string>& arguments, const std::string& answers = "");
  // Installs from Dist().
  RunResult Install(const std::string& answers = "") { return Run({Dist().string()}, answers); }
  // Runs a copy of orvane-run kept in the test's folder from now on (for tests whose failure
  // could change the program file itself) and returns its path.
  std::filesystem::path UseRunnerCopy();
  // Kills a run that lasts longer than this (0: no limit), so that a hang fails the test.
  void SetRunTimeLimit(int seconds) { timeLimitSeconds_ = seconds; }

  // Setting the machine up (under Wine, the prefix and the reference machine alike).
  // A fresh machine's skeleton, made now rather than by the first run.
  void PrepareMachine();
  // The machine removed: the next use makes a fresh one.
  void ResetMachine();
  void WriteFile(const std::string& windowsPath, const std::string& content);
  // Removes a file or folder with everything in it.
  void RemoveFromMachine(const std::string& windowsPath);
  // Sets a file's modification time to now + `seconds`.
  void SetFileAge(const std::string& windowsPath, int seconds);
  // A registry value, `type` and `data` as orvane-machine's "reg set" takes them.
  void SetReg(const std::string& key, const std::string& name, const std::string& type,
              const std::string& data);
  void CreateRegKey(const std::string& key);
  // One INI entry, as an editor would change it.
  void SetIni(const std::string& file, const std::string& section, const std::string& key,
              const std::string& value);
  // The file is held open by another process (in use) until the returned object goes away;
  // null when it could not be held.
  std::shared_ptr<void> HoldFile(const std::string& windowsPath);
  // Another instance of the program is running until the returned object goes away.
  std::shared_ptr<void> HoldProgramMutex();
  // Restarts the machine: pending replacements are carried out.
  void RestartMachine();

  // Reading the machine the program ran on.
  // The host path of a Windows path of the machine (empty when it does not resolve).
  std::filesystem::path HostPath(const std::string& windowsPath) const;
  bool Exists(const std::string& windowsPath) const;
  std::string ReadFile(const std::string& windowsPath) const;
  // A registry value shown as orvane-machine shows it ("reg::Sz text", "reg::Dword 3"), or "" when
  // it is missing. `key` is rooted: "HKEY_LOCAL_MACHINE\SOFTWARE\...".
  std::string Reg(const std::string& key, const std::string& name) const;
  bool KeyExists(const std::string& key) const;
  // A key with its subkeys as REGEDIT text.
  std::string ExportKey(const std::string& key) const;
  // The Add/Remove Programs entries, one a line: key name, display name, uninstall command.
  std::string Programs() const;
  // The machine's files and registry (the drive of the distribution folder left out).
  test::MachineSnapshot Snapshot() const;
  // The host paths of the machine's temporary folder (where the program makes its work folders).
  std::filesystem::path TempFolder() const;

  // The emulated machine, opened for inspection (reopened on each call, so it sees the latest
  // state). Under Wine it is the reference machine.
  std::unique_ptr<host::Machine> OpenMachine() const;
  // Under Wine: runs a Windows program in the prefix (`arguments[0]` is its Windows path) to its
  // end, at most two minutes; its standard output and error go to `output`. Returns its status.
  int RunInPrefix(const std::vector<std::string>& arguments, std::string& output);
  // Under Wine: a file of the Windows build the runner comes from (SETUP.EXE beside it).
  std::filesystem::path WindowsBuildFile(const std::string& name) const;
  // Under Wine: the Windows path of a host path in the scenario's folder.
  std::string WindowsPathOf(const std::filesystem::path& host) const;
  // Text as the emulated machine shows it: under Wine with Wine's folder names mapped.
  std::string ToEmulatedText(const std::string& text) const;
  // Runs a host command and returns its exit code; its output goes to `output` when given.
  static int Shell(const std::string& command, std::string* output = nullptr);

 private:
  RunResult RunOnce(const std::filesystem::path& runner, const std::vector<std::string>& arguments,
                    const std::string& answers, bool onWine);
  void SyncReferenceDist();
  std::string MachineTool(const std::string& arguments) const;

  std::filesystem::path root_;
  std::filesystem::path runner_ = ORVANE_RUN_PATH;
  std::unique_ptr<WineMachine> wine_;
  // Scripts standing for programs of the package, by file name: the reference machine runs
  // them, under Wine a helper program does the same.
  std::map<std::string, std::string> scripts_;
  int timeLimitSeconds_ = 0;
  int runs_ = 0;
};

}  // namespace orvane::scenario
