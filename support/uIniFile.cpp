// ReadIni and WriteIni: the program's only way to INI files, over the profile functions.
#include "support/uIniFile.h"

namespace orvane {

std::string ReadIni(IProfile& profile, const std::string& section, const std::string& key,
                    const std::string& defaultValue, const std::string& path) {
  // The profile function copies at most capacity - 1 characters; a full buffer may mean a cut
  // value, so the whole read is repeated with a larger buffer until the value fits. The buffer
  // doubles, so that a value of n bytes costs O(n) in all and log2(n / 256) reads.
  size_t capacity = 256;
  for (;;) {
    std::string value = profile.GetString(section, key, defaultValue, capacity, path);
    if (value.size() < capacity - 1) return value;
    capacity *= 2;
  }
}

bool WriteIni(IProfile& profile, const std::string& section, const std::string& key,
              const std::string& value, const std::string& path) {
  // Flush the cached copy first: another step may have just replaced the file on disk.
  profile.WriteString(std::nullopt, std::nullopt, std::nullopt, path);
  return profile.WriteString(section, key, value, path);
}

}  // namespace orvane
