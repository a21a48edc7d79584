// The install run: the run state shared by its phases and the phases in their fixed order, from
// the preparation through copying, shortcuts, registry, relations and the uninstall log.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "install/RestoreTable.h"
#include "install/RunView.h"

namespace orvane {

class IFiles;
struct Platform;
struct SetupContext;
class UninstallLogWriter;

// The size of a file found by a search (every attribute); false when nothing is found.
bool FindFileSize(IFiles& files, const std::string& path, int64_t& size);

struct RelationPair {
  std::string name;  // "EXT" or "EXT,Description"
  std::string file;  // "verb,program,arg1,arg2,icon"
};

// What one relation writes, built from its two script values.
struct RelationEntry {
  std::string extension, description, verb, shownProgram, command, icon;
};
RelationEntry BuildRelation(const SetupContext& ctx, const RelationPair& pair);

// Whether the user wants shortcut `name` by the four shortcut boxes of the wizard.
bool ShortcutWanted(const std::string& name, bool desktop, bool startMenu, bool startUp,
                    bool sendTo);

// Destination and source name of a [CopyFile] file part (after the "(Dch)" prefix and the flags
// are taken off): the rename bar, the "_" rule (AUTO.EXT) or the part itself.
struct CopyTarget {
  std::string destination;
  std::string sourceName;
};
CopyTarget ResolveCopyTarget(const std::string& filePart);

class InstallRun {
 public:
  // The run works on `platform`, reads and sets the context `ctx`, and shows and asks through
  // `view`.
  InstallRun(Platform& platform, SetupContext& ctx, IRunView& view);

  // The whole run; returns when it is complete, cancelled or aborted.
  void Run();

  // Run state.
  std::string installType;
  bool overwrite = false;
  bool scutDesktop = false, scutStartMenu = false, scutStartUp = false, scutSendTo = false;
  // What the uninstall removes, one item each, in the order the log numbers them.
  std::vector<std::string> folderList, fileList, shortcutList, registryList, addFileList;
  std::string failureLog;
  int failureCount = 0;
  int entryCount = 0;
  int64_t totalSize = 0;  // 64-bit: a package may exceed 2 GB
  bool sizeProgress = true;
  int diskNumber = 1;
  std::vector<RelationPair> relations;
  RestoreTable& restore;
  int processed = 0;
  int64_t copiedSize = 0;

  // The phases. Each returns false when the run has ended (cancelled or aborted).
  bool Prepare();
  bool MakeFolders();
  bool CopyFiles();
  bool MakeShortcuts();
  bool WriteRegistry();
  bool WriteIniFiles();
  void AddScriptRemovalEntries();
  bool MakeRelations();
  void Complete();

  // Copy phase pieces.
  std::string EntryValue(int n);
  struct Expanded {
    std::string temporary, destination;
    uint32_t error = 0;
  };
  Expanded ExpandCompressed(const std::string& source, const std::string& destination);

  // Makes one shortcut file and returns its path.
  std::string MakeShortcut(const std::string& target, const std::string& shortcutPath,
                           const std::string& workingFolder, const std::string& arguments);

  // Fills `log` from the header texts to [Extend]: the removal lists, the restore table and the
  // options. The caller adds the Add/Remove Programs key and the program identifier.
  void BuildLog(UninstallLogWriter& log);

 private:
  // Status step: the status text, pending messages, then (with `abortTest`) false when the
  // wizard has been disabled by the Abort button.
  bool Status(const std::string& text, bool abortTest = true);
  bool Aborted() const;
  // Ends the run with the cancellation message.
  void Cancel();
  void Pause();
  void Sleep(uint32_t ms);
  std::string Script(const std::string& section, const std::string& key,
                     const std::string& defaultValue = "");
  void AddFailure(const std::string& entry);
  void ReadRelationTable();
  bool SizePass();
  bool CheckFreeSpace();
  bool PrepareFolder();
  void LoadPreviousLog();
  // Ends the run as a completed run does (the end signals set, the status window closed).
  void EndRun(RunEnd end);

  // The copy phase's steps for one entry; those returning bool give false when the run has
  // ended (the disk change cancelled, or the run aborted).
  struct CopyEntry;
  // Reads and resolves entry `n`; false when there is none (the phase ends).
  bool ReadCopyEntry(int n, CopyEntry& entry);
  // Asks for the next disk until the source is there.
  bool AskForDisk(const std::string& source);
  // A missing source: a status text and a failure entry, nothing copied.
  bool SkipMissingSource(const CopyEntry& entry);
  // A present source: expanded when compressed, copied or kept, recorded, its size counted.
  bool InstallEntry(const CopyEntry& entry);
  // The overwrite rules and the flags /S, /W and /R; 0 when copied or kept, else the error.
  uint32_t CopyOrKeep(const std::string& source, const std::string& destination,
                      const std::string& flags);
  // A removal entry, a replacement at the next restart, or a failure entry.
  void RecordCopy(uint32_t error, const std::string& source, const std::string& destination,
                  const std::string& flags);
  // The copied size for progress by size; an unreadable size switches to progress by entry.
  void AddCopiedSize(const std::string& source);
  // The progress bar and label ("40%(2/5)"), pending messages, then the abort test.
  bool ShowCopyProgress(int n);

  Platform& platform_;
  SetupContext& ctx_;
  IRunView& view_;
};

}  // namespace orvane
