// A Wine prefix as the machine of a scenario: a fresh copy of a template prefix in which
// orvane-run.exe runs, with the distribution folder as drive D:, the scenario's folder as S: and
// the runner's folder as R: (and no Z:, so that nothing reaches the host's root); its files and
// registry read back in the emulated machine's form: the harness maps what Wine shows otherwise.
#pragma once
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane::scenario {

// Where the Windows build and its prefixes are, from the environment the test runs in:
// ORVANE_SCENARIO_TARGET (win64, win32 or win98) and ORVANE_WINDOWS_BUILD (the folder that
// scripts/build-windows.sh made, with win32/, win64/ and wine/ in it).
struct WineSettings {
  std::string kind;
  std::filesystem::path runner;          // orvane-run.exe
  std::filesystem::path helper;          // orvane-wine-helper.exe
  std::filesystem::path templatePrefix;  // made by tests/windows/wine-prefix.sh
  std::filesystem::path prefixTool;      // tests/windows/wine-prefix.sh

  static std::optional<WineSettings> FromEnvironment();
};

// A process run to its end.
struct ProcessResult {
  int status = -1;  // exit status, -1 when killed
  bool timedOut = false;
};

// Bytes as orvane-machine shows binary registry data: two hex digits each, comma-separated.
std::string HexList(const std::string& bytes);

class WineMachine {
 public:
  // `root` is the scenario's folder (drive S:), `dist` its distribution folder (drive D:).
  WineMachine(WineSettings settings, std::filesystem::path root, std::filesystem::path dist);
  ~WineMachine();

  const WineSettings& Settings() const { return settings_; }
  // Makes the prefix when there is none yet; Reset ends it, the next use makes a fresh one.
  void Make();
  void Reset();
  const std::filesystem::path& Prefix() const { return prefix_; }

  // Runs `arguments` with wine in the prefix (the first is the program), the current folder
  // being S:\. Standard output and error go to the files when given. A run longer than
  // `timeLimitSeconds` (0: no limit) is killed.
  ProcessResult Wine(const std::vector<std::string>& arguments, int timeLimitSeconds = 0,
                     const std::filesystem::path& output = {},
                     const std::filesystem::path& errors = {});
  // The Windows path of a host path inside the scenario's folder, the distribution folder or
  // the runner's folder; empty for any other.
  std::string WindowsPath(const std::filesystem::path& host) const;
  // The host path of a Windows path of the prefix, given in the emulated machine's form (its
  // folders mapped to Wine's; names matched without regard to ASCII letter case; names that do
  // not exist are kept as given); empty for a drive the prefix lacks.
  std::filesystem::path HostPath(const std::string& windowsPath) const;

  // The registry through `reg`: a key's export text (UTF-8, continued lines joined, in the
  // emulated machine's form), or nothing when the key is missing.
  std::optional<std::string> Export(const std::string& key);
  // A value as Scenario::Reg shows it, "" when missing.
  std::string Value(const std::string& key, const std::string& name);
  bool KeyExists(const std::string& key);
  // `type` and `data` as orvane-machine's "reg set" takes them.
  void SetValue(const std::string& key, const std::string& name, const std::string& type,
                const std::string& data);
  void CreateKey(const std::string& key);
  // The Add/Remove Programs entries as orvane-machine's "programs" lists them.
  std::string Programs();
  // The registry of HKEY_LOCAL_MACHINE\SOFTWARE and HKEY_CURRENT_USER\Software as export text,
  // without Wine's own keys (Software\Wine).
  std::string RegistryForSnapshot();
  // Forgets what was read from the registry (after anything that may have changed it).
  void Changed() { exports_.clear(); }

  // Restarts the machine as Windows restarts: every program ends, pending replacements are
  // carried out.
  void Restart();
  // Keeps `what` held by a helper process in the prefix until the returned object goes away:
  // `verb` is "hold" (a file, by its Windows path) or "mutex" (a mutex name). Null on failure.
  std::shared_ptr<void> Hold(const std::string& verb, const std::string& what);
  // Fails the test when the program changed a file the prefix shares with its template.
  void CheckTemplate();

  // Text as the emulated machine would show it: Wine's folders named as the emulated machine
  // names them (see Folders), registry keys under HKEY_LOCAL_MACHINE\Software as SOFTWARE, and
  // the system's short message texts replaced by Windows' (also in their full-width form), in
  // plain text and with the transcript's doubled backslashes.
  std::string ToEmulated(const std::string& text) const;

 private:
  // Wine's folders and the emulated machine's names for them, (Wine's, emulated) pairs: the
  // letter case of C:\windows and C:\users, and on a Windows 98 prefix the Windows 95 layout the
  // emulated machine has (C:\WINDOWS\SYSTEM, C:\WINDOWS\TEMP, the shell folders under
  // C:\WINDOWS) for the NT layout that Wine keeps.
  static std::vector<std::pair<std::string, std::string>> Folders(const std::string& kind);

  // The environment of every Wine program run in the prefix.
  std::vector<std::string> Environment() const;
  // Starts the prefix's wineserver to stay until it is ended.
  void KeepServer();
  std::vector<std::string> RegArguments(std::vector<std::string> arguments) const;
  void LoadMessageTexts();

  WineSettings settings_;
  std::filesystem::path root_, dist_, prefix_;
  bool made_ = false;
  std::map<std::string, std::optional<std::string>> exports_;
  std::vector<std::pair<std::string, std::string>> mapping_;  // (Wine's text, the emulated one)
  std::vector<std::pair<std::string, std::string>> folders_;  // Folders(kind)
};

}  // namespace orvane::scenario
