// The profile functions on Windows through the project's own INI model (support/IniDocument) over
// Win32 file I/O, not GetPrivateProfileString: the bytes stay code page 932 whatever the system's
// ANSI code page, and a numbered-key read costs one lookup instead of a pass over the file.
#pragma once
#include <memory>
#include <string>

#include "platform/Profile.h"

namespace orvane::win32 {

class Win32Profile : public IProfile {
 public:
  // `windowsFolder` ("C:\WINDOWS", no trailing "\") is where a file name without a folder lives;
  // empty means the system's Windows folder.
  explicit Win32Profile(std::string windowsFolder = "");
  ~Win32Profile() override;

  // Parsed files are kept and read again when their size or last-write time changes.
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& defaultValue, size_t capacity,
                        const std::string& path) override;
  // A write reads, changes and replaces the file under one machine-wide mutex, so that processes
  // writing INI files do not lose each other's changes. The new text goes to a temporary file
  // beside, is flushed to disk and renamed over the file (MoveFileEx with REPLACE_EXISTING and
  // WRITE_THROUGH), so that a crash leaves the old file or the whole new one. Fails when the
  // folder does not exist, the file is read-only or the path is refused. Like Windows, the flush
  // (all three null) and a null section with a key or value return false.
  bool WriteString(const std::optional<std::string>& section, const std::optional<std::string>& key,
                   const std::optional<std::string>& value, const std::string& path) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::win32
