// Windows paths as the system reads them, shared by the emulated machine and the Win32 backend.
#include "support/WindowsPath.h"

#include "platform/WinTypes.h"
#include "support/Cp932.h"

namespace orvane {

namespace {

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Ends the name being read: "." is dropped and ".." takes the last name away.
uint32_t FinishName(std::string& current, std::vector<std::string>& names) {
  std::string name = current;
  current.clear();
  if (name.empty() || name == ".") return 0;
  if (name == "..") {
    if (!names.empty()) names.pop_back();
    return 0;
  }
  // Windows drops trailing dots and blanks of a name.
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name.empty() || IsDeviceName(name)) return err::InvalidName;
  names.push_back(name);
  return 0;
}

}  // namespace

bool IsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = AsciiUpper(c);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

uint32_t ParseWindowsPath(const std::string& original, char& drive,
                          std::vector<std::string>& names) {
  names.clear();
  std::string path = original;
  // "/" becomes "\" only where it is a character of its own ("/" is never a trail byte).
  for (char& c : path)
    if (c == '/') c = '\\';
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return err::BadNetPath;
  if (path.size() > 259) return err::FilenameExcedRange;
  char letter = path.empty() ? 0 : AsciiUpper(path[0]);
  if (path.size() < 2 || letter < 'A' || letter > 'Z' || path[1] != ':') return err::PathNotFound;
  if (path.size() > 2 && path[2] != '\\') return err::PathNotFound;  // "C:dir" is relative
  drive = letter;
  std::string current;
  for (size_t i = 2; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadChar(c)) {
      // The byte after a lead byte as written: a "/" there is no trail byte.
      const auto trail = i + 1 < path.size() ? static_cast<unsigned char>(original[i + 1]) : 0;
      if (!IsTrailChar(trail)) return err::InvalidName;
      current += path.substr(i, 2);
      ++i;
      continue;
    }
    if (c == '\\') {
      if (uint32_t err = FinishName(current, names)) return err;
      continue;
    }
    if (c < 0x20 || std::string("<>:\"|?*").find(static_cast<char>(c)) != std::string::npos)
      return err::InvalidName;
    current += static_cast<char>(c);
  }
  return FinishName(current, names);
}

bool SplitLastSeparator(const std::string& path, std::string& folder, std::string& name) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadChar(static_cast<unsigned char>(path[i]))) {
      ++i;
      continue;
    }
    if (path[i] == '\\' || path[i] == '/') last = i;
  }
  if (last == std::string::npos) return false;
  folder = path.substr(0, last);
  name = path.substr(last + 1);
  return true;
}

}  // namespace orvane
