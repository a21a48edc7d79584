// Code page 932 <-> UTF-16 at the backend's edge, and the path check that keeps devices, other
// machines and malformed names away from the system.
#include "platform/win32/Win32Paths.h"

#include <vector>

#include "platform/WinTypes.h"
#include "support/Cp932.h"
#include "support/WindowsPath.h"

namespace orvane::win32 {
namespace {

// wchar_t is 16 bits wide on Windows: the two string types hold the same code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "the W functions take UTF-16");

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
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
  if (uint32_t err = ParseWindowsPath(path, drive, names)) return err;
  canonical = std::string(1, drive) + ":\\";
  for (size_t i = 0; i < names.size(); ++i) canonical += (i ? "\\" : "") + names[i];
  return 0;
}

uint32_t WidePath(const std::string& path, std::wstring& wide) {
  std::string canonical;
  if (uint32_t err = CanonicalPath(path, canonical)) return err;
  return ToWide(canonical, wide) ? 0u : static_cast<uint32_t>(err::InvalidName);
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
