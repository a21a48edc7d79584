// The uninstall log "UNSETUP.INI": its writer (built in memory in the order the install run
// writes it, numbered by FindLogSlot, then put in place in one step) and its numbered-key readers.
#include "uninstall/UninstallLog.h"

#include "install/FileOps.h"
#include "platform/Files.h"
#include "support/MBUtils.h"
#include "support/uStrOp.h"

namespace orvane {

namespace {

std::string Upper(const std::string& s) {
  return MapString(s, lcmap::UpperCase);
}

std::string FirstField(const std::string& s) {
  return GetField(s, ",", 1);
}

// The next "|" at or after `start` that stands as a character of its own (a trail byte of a
// double-byte character may have the same value).
size_t NextBar(const std::string& s, size_t start) {
  for (size_t i = start; i < s.size(); ++i) {
    if (s[i] == '|') return i;
    if (IsLeadChar(static_cast<unsigned char>(s[i]))) ++i;
  }
  return std::string::npos;
}

}  // namespace

std::vector<std::string> ReadNumberedKeys(const IniDocument& doc, const std::string& section,
                                          const std::string& stem) {
  std::vector<std::string> values;
  for (int n = 1;; ++n) {
    std::optional<std::string> value = doc.Get(section, stem + std::to_string(n));
    if (!value || value->empty()) break;
    values.push_back(*value);
  }
  return values;
}

IniDocument ReadLogDocument(IFiles& files, const std::string& path) {
  std::string bytes;
  if (files.ReadFile(path, bytes) != 0) return IniDocument();
  return IniDocument::Parse(bytes);
}

std::vector<std::string> ReadNumberedKeys(IFiles& files, const std::string& path,
                                          const std::string& section, const std::string& stem) {
  return ReadNumberedKeys(ReadLogDocument(files, path), section, stem);
}

void UninstallLogWriter::Set(const std::string& section, const std::string& key,
                             const std::string& value) {
  doc_.Set(section, key, value);
}

UninstallLogWriter::SlotIndex& UninstallLogWriter::Index(const std::string& section,
                                                         const std::string& stem) {
  return index_[Upper(section) + "\n" + Upper(stem)];
}

int UninstallLogWriter::FindLogSlot(const std::string& item, const std::string& section,
                                    const std::string& stem) {
  SlotIndex& index = Index(section, stem);
  // Slots are written only at the number this rule gives, so they are contiguous from 1, and a
  // slot whose first field is empty can only be the last one written: an empty slot beyond it
  // reads as empty too.
  int count = static_cast<int>(index.fields.size());
  int free = (count > 0 && index.fields[count - 1].empty()) ? count : count + 1;
  std::string key = Upper(FirstField(item));
  if (key.empty()) return free;
  auto found = index.byKey.find(key);
  if (found != index.byKey.end() && found->second < free) return found->second;
  return free;
}

void UninstallLogWriter::Record(SlotIndex& index, int slot, const std::string& field) {
  if (slot > static_cast<int>(index.fields.size())) {
    index.fields.resize(slot);
  } else {
    const std::string old = index.fields[slot - 1];
    if (old == field) return;
    // The slot changed its key (a value that reads back trimmed or unquoted): the old key now
    // belongs to its next slot, if any.
    index.fields[slot - 1] = field;
    auto entry = index.byKey.find(old);
    if (!old.empty() && entry != index.byKey.end() && entry->second == slot) {
      index.byKey.erase(entry);
      for (size_t k = slot; k < index.fields.size(); ++k) {
        if (index.fields[k] == old) {
          index.byKey.emplace(old, static_cast<int>(k) + 1);
          break;
        }
      }
    }
  }
  index.fields[slot - 1] = field;
  if (!field.empty()) {
    auto entry = index.byKey.find(field);
    if (entry == index.byKey.end() || entry->second > slot) index.byKey[field] = slot;
  }
}

void UninstallLogWriter::WriteItem(const std::string& section, const std::string& stem,
                                   const std::string& item, bool keepShared) {
  int slot = FindLogSlot(item, section, stem);
  std::string key = stem + std::to_string(slot);
  std::string value = item;
  if (keepShared) {
    std::string stored = doc_.Get(section, key).value_or("");
    if (PosNoCase("/S", stored) != 0 && PosNoCase("/S", value) == 0)
      value += PosNoCase(",/", value) != 0 ? "/S" : ",/S";
  }
  doc_.Set(section, key, value);
  // Index what a later lookup will read back, which the profile rules may have trimmed.
  Record(Index(section, stem), slot, Upper(FirstField(doc_.Get(section, key).value_or(""))));
}

void UninstallLogWriter::WriteList(const std::string& section, const std::string& stem,
                                   const std::vector<std::string>& items, bool keepShared) {
  // The entries are the pieces of the items joined by bars, which keeps every log byte for byte
  // what it was when the run kept its lists in that form.
  std::string list;
  for (const std::string& item : items) list += item + "|";
  size_t start = 0;
  for (size_t bar; (bar = NextBar(list, start)) != std::string::npos; start = bar + 1)
    WriteItem(section, stem, list.substr(start, bar - start), keepShared);
}

uint32_t UninstallLogWriter::Save(IFiles& files, const std::string& logPath) const {
  std::string temporary = ExtractFilePath(logPath) + "UNSETUP.IN$";
  uint32_t error = files.WriteFile(temporary, doc_.Text());
  if (error == 0) error = files.Move(temporary, logPath, true);
  if (error != 0) files.RemoveFile(temporary);
  return error;
}

}  // namespace orvane
