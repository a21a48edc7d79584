// The uninstall run: works through the uninstall log, removing files, shortcuts, folders and
// registry keys, restoring file associations, then reports failures and completes.
#pragma once
#include <cstdint>
#include <string>

namespace orvane {

class Application;
class TfrmMain;

class UninstallRun {
 public:
  UninstallRun(Application& app, TfrmMain& wizard);

  // The whole run, from the options on the uninstall screen to the end signals.
  void Run();

  // One [DeleteFile] or [AddDeleteFile] value's path and option letters through the file rules:
  // 0 when deleted or kept by a rule or an answer, else the Windows error code of the deletion.
  uint32_t DeleteLoggedFile(const std::string& path, const std::string& options);

  // Run state.
  std::string maskList;    // "|"-terminated patterns deleted inside the installation's folders
  bool deleteAll = false;  // the "DeleteAll" layout is in force and its box is ticked
  std::string failureLog;
  int failureCount = 0;

 private:
  bool CheckDestination();
  void RemoveProgramEntry();
  void RemoveFiles(const std::string& section, bool report);
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
  void AddFailure(const std::string& tag, const std::string& path, const std::string& reason);
  std::string Log(const std::string& section, const std::string& key);

  Application& app_;
  TfrmMain& wizard_;
  std::string appFolder_;
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
