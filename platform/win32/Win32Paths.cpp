// Code page 932 <-> UTF-16 at the backend's edge, and the path check that keeps devices, other
// machines and malformed names away from the system.
#include "platform/win32/Win32Paths.h"

#include <vector>

#include "platform/WinTypes.h"
#include "support/Cp932.h"

namespace orvane::win32 {
namespace {

// wchar_t is 16 bits wide on Windows: the two string types hold the same code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "the W functions take UTF-16");

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// True for the names Windows keeps for devices in every folder, in any letter case, alone or
// followed by an extension ("nul.txt", "Com1 .log").
bool IsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = AsciiUpper(c);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// Splits a path into its upper-case drive letter and folded names.
uint32_t Parse(const std::string& original, char& drive, std::vector<std::string>& names) {
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
  auto finish = [&]() -> uint32_t {
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
  };
  for (size_t i = 2; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadChar(c)) {
      const auto trail = i + 1 < path.size() ? static_cast<unsigned char>(original[i + 1]) : 0;
      if (!IsTrailChar(trail)) return err::InvalidName;
      current += path.substr(i, 2);
      ++i;
      continue;
    }
    if (c == '\\') {
      if (uint32_t err = finish()) return err;
      continue;
    }
    if (c < 0x20 || std::string("<>:\"|?*").find(static_cast<char>(c)) != std::string::npos)
      return err::InvalidName;
    current += static_cast<char>(c);
  }
  return finish();
}

}  // namespace

bool ToWide(const std::string& cp932, std::wstring& wide) {
  std::u16string units;
  if (!Cp932ToUtf16(cp932, units)) return false;
  wide.assign(units.begin(), units.end());
  return true;
}

bool FromWide(const std::wstring& wide, std::string& cp932) {
  return Utf16ToCp932(std::u16string(wide.begin(), wide.end()), cp932);
}

std::string FromWideLossy(const std::wstring& wide) {
  std::string out;
  if (FromWide(wide, out)) return out;
  out.clear();
  for (size_t i = 0; i < wide.size(); ++i) {
    // A surrogate pair is one character, and no character of code page 932.
    bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size() &&
                wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF;
    std::string one;
    if (!pair && Utf16ToCp932(std::u16string(1, static_cast<char16_t>(wide[i])), one))
      out += one;
    else
      out += '?';
    if (pair) ++i;
  }
  return out;
}

uint32_t CanonicalPath(const std::string& path, std::string& canonical) {
  char drive = 0;
  std::vector<std::string> names;
  if (uint32_t err = Parse(path, drive, names)) return err;
  canonical = std::string(1, drive) + ":\\";
  for (size_t i = 0; i < names.size(); ++i) canonical += (i ? "\\" : "") + names[i];
  return 0;
}

uint32_t WidePath(const std::string& path, std::wstring& wide) {
  std::string canonical;
  if (uint32_t err = CanonicalPath(path, canonical)) return err;
  return ToWide(canonical, wide) ? 0u : static_cast<uint32_t>(err::InvalidName);
}

bool SplitLast(const std::string& path, std::string& folder, std::string& name) {
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

std::string FoldCase(const std::string& text) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsLeadChar(static_cast<unsigned char>(out[i])))
      ++i;
    else
      out[i] = AsciiUpper(out[i]);
  }
  return out;
}

}  // namespace orvane::win32
