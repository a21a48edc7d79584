// The uninstall run: works through the uninstall log, removing files, shortcuts, folders and
// registry keys, restoring file associations, then reports failures and completes. A run that is
// killed at any point can be finished by running the Add/Remove Programs command again.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

class IRunView;
struct Platform;
struct SetupContext;

// The Windows, system, program files and temporary folders in upper case with their final "\",
// as written and in their short (8.3) forms.
struct ProtectedFolders {
  std::vector<std::string> longForms, shortForms;
};

class UninstallRun {
 public:
  // The run works on `platform`, reads and sets the context `ctx`, and shows and asks through
  // `view`.
  UninstallRun(Platform& platform, SetupContext& ctx, IRunView& view);

  // The whole run, from the options on the uninstall screen to the end signals.
  void Run();

  // One [DeleteFile] or [AddDeleteFile] value's path and option letters through the file rules:
  // 0 when deleted or kept by a rule or an answer, else the Windows error code of the deletion.
  // `entry` ("DeleteFile\File3") names the value for the record that keeps a rerun from
  // lowering a shared count twice; without it nothing is recorded.
  uint32_t DeleteLoggedFile(const std::string& path, const std::string& options,
                            const std::string& entry = "");

  // Run state.
  std::string maskList;    // "|"-terminated patterns deleted inside the installation's folders
  bool deleteAll = false;  // the "DeleteAll" layout is in force and its box is ticked
  std::string failureLog;
  int failureCount = 0;

 private:
  // A log value whose handling waits for the end of the run.
  struct Deferred {
    std::string path, options, entry;
    bool report;
  };

  bool CheckDestination();
  void RemoveProgramEntry();
  void RemoveFiles(const std::string& section, bool report);
  void RemoveOwnLog();
  void RemoveShortcuts();
  void RemoveFolders();
  void RemoveRegistryKeys();
  void RestoreAssociations();
  void RemoveDestination();
  void ReportFailures();
  void Complete();

  uint32_t AskAndDelete(const std::string& path, const std::string& question);
  uint32_t SharedFileAnswer(const std::string& path);
  void DeleteKey(const std::string& rootToken, const std::string& keyPath);
  bool MayDeleteKey(const std::string& rootToken, const std::string& keyPath);

  // Every deletion of the run goes through these two, so that the log is never lost while the
  // Add/Remove Programs entry still needs it.
  uint32_t Delete(const std::string& path);
  uint32_t EmptyAndRemoveFolder(const std::string& folder, const std::string& patterns);
  bool IsOwnLog(const std::string& path);
  void KeepEntryRecoverable();
  std::optional<int> LoweredFrom(const std::string& entry);
  void RecordLowering(const std::string& entry, int count);
  void AddFailure(const std::string& tag, const std::string& path, const std::string& reason);
  std::string Log(const std::string& section, const std::string& key);
  // The folders the run never empties or removes wholesale, worked out on first use: every
  // logged path is judged against them, and they do not change while the run lasts.
  const ProtectedFolders& Protected();

  Platform& platform_;
  SetupContext& ctx_;
  IRunView& view_;
  std::string appFolder_;
  std::vector<std::string> ownLogs_;  // the log the run was started with, the destination's log
  std::vector<Deferred> deferred_;
  std::string entryKey_;  // the Add/Remove Programs key below HKEY_LOCAL_MACHINE, or empty
  bool entryRepointed_ = false;
  std::optional<ProtectedFolders> protected_;
};

// The judgements that keep a damaged or altered log from removing more than an installation made.
// Paths are code page 932 texts; "\" is tested as a character of its own.
// An absolute folder of a drive below its root ("C:\App\", with or without the final "\"): no
// relative, UNC or root path, no "."/".." or empty part, no forbidden character or wildcard.
bool IsAbsoluteDriveFolder(const std::string& path);
// True when `registryPath` under the root of `rootToken` is a whole root, a top-level key or a key
// that Windows itself keeps (the Uninstall list, SharedDLLs, CLSID, ".exe", ...).
bool IsProtectedRegistryKey(const std::string& rootToken, const std::string& registryPath);

}  // namespace orvane
