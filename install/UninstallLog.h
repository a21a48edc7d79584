// The uninstall log "UNSETUP.INI": its writer (built in memory in the order the install run
// writes it, numbered by FindLogSlot, then put in place in one step), its numbered-key readers,
// and the uninstall's progress record in the Add/Remove Programs entry.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "support/IniDocument.h"

namespace orvane {

class IFiles;
class IRegistry;

// An uninstall records in the Add/Remove Programs entry, for each log value whose shared count it
// lowered, the count it found ("LoweredSharedCount DeleteFile\File3" = 2), so that a rerun after
// an interruption lowers each count once. The values go with the entry, which the uninstall
// deletes last.
inline constexpr char kLoweredCountPrefix[] = "LoweredSharedCount ";
// A new install into the entry (`entryKey` below HKEY_LOCAL_MACHINE) forgets what an interrupted
// uninstall recorded there.
void ForgetUninstallProgress(IRegistry& registry, const std::string& entryKey);

// The values of stem1, stem2, ... of a section up to the first empty one.
std::vector<std::string> ReadNumberedKeys(const IniDocument& doc, const std::string& section,
                                          const std::string& stem);
// The same read from a file; a missing or unreadable file gives no values.
std::vector<std::string> ReadNumberedKeys(IFiles& files, const std::string& path,
                                          const std::string& section, const std::string& stem);
// The whole file as a document; empty when it is missing or unreadable.
IniDocument ReadLogDocument(IFiles& files, const std::string& path);

class UninstallLogWriter {
 public:
  // One key, written as WritePrivateProfileString would write it into the log being built.
  void Set(const std::string& section, const std::string& key, const std::string& value);
  // The number under which `item` goes in a numbered section: the first k whose stored value's
  // first comma field is empty or equals the item's first comma field (letter case ignored).
  int FindLogSlot(const std::string& item, const std::string& section, const std::string& stem);
  // Writes one item under its slot. With `keepShared` (the [DeleteFile] section) an item keeps
  // the "/S" mark of the value it replaces.
  void WriteItem(const std::string& section, const std::string& stem, const std::string& item,
                 bool keepShared);
  // Writes a list's items in order. The log's entries cannot hold a "|": an item with bars of its
  // own (a script value) is written as the pieces between them, as the log has always been.
  void WriteList(const std::string& section, const std::string& stem,
                 const std::vector<std::string>& items, bool keepShared);

  const IniDocument& Document() const { return doc_; }
  std::string Text() const { return doc_.Text(); }

  // Writes the log beside `logPath` ("UNSETUP.IN$") and renames it over the log in one step, so
  // that a complete log, old or new, exists at every moment. 0 or the Win32 error code; on an
  // error the old log is left as it was.
  uint32_t Save(IFiles& files, const std::string& logPath) const;

 private:
  // What FindLogSlot would read back from slots 1..fields.size() of one numbered section.
  struct SlotIndex {
    std::vector<std::string> fields;             // upper-cased first field of each slot
    std::unordered_map<std::string, int> byKey;  // non-empty field -> its first slot
  };
  SlotIndex& Index(const std::string& section, const std::string& stem);
  void Record(SlotIndex& index, int slot, const std::string& field);
  IniDocument doc_;
  std::unordered_map<std::string, SlotIndex> index_;  // upper-cased section + "\n" + stem
};

}  // namespace orvane
