// The profile functions over an IFiles, without a cache: every read parses the file afresh.
#include "platform/memory/MemoryProfile.h"

#include "platform/Files.h"
#include "support/IniDocument.h"

namespace orvane::memory {

MemoryProfile::MemoryProfile(IFiles& files, std::string windowsFolder)
    : files_(files), windowsFolder_(std::move(windowsFolder)) {}

std::string MemoryProfile::FullPath(const std::string& path) const {
  std::string name = path.empty() ? "win.ini" : path;
  if (name.find_first_of("\\/:") != std::string::npos) return name;
  return windowsFolder_ + "\\" + name;
}

std::string MemoryProfile::GetString(const std::string& section, const std::string& key,
                                     const std::string& defaultValue, size_t capacity,
                                     const std::string& path) {
  std::string text;
  std::optional<std::string> value;
  if (files_.ReadFile(FullPath(path), text) == 0)
    value = IniDocument::Parse(text).Get(section, key);
  return IniDocument::ProfileResult(value, defaultValue, capacity);
}

bool MemoryProfile::WriteString(const std::optional<std::string>& section,
                                const std::optional<std::string>& key,
                                const std::optional<std::string>& value, const std::string& path) {
  if (!section) return false;
  const std::string file = FullPath(path);
  std::string text;
  uint32_t err = files_.ReadFile(file, text);
  if (err != 0 && err != err::FileNotFound) return false;
  IniDocument doc = IniDocument::Parse(text);
  if (!doc.ApplyWrite(*section, key, value)) return true;
  return files_.WriteFile(file, doc.Text()) == 0;
}

}  // namespace orvane::memory
