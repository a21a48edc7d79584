// CP932 <-> UTF-16 through support/Cp932 (the same table on every system, no ANSI code page).
#include "platform/win32/Win32ShellText.h"

#include <cwchar>

#include "support/Cp932.h"

namespace orvane::win32::shelltext {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

bool Wide(const std::string& cp932, std::wstring& out) {
  std::u16string units;
  if (!Cp932ToUtf16(cp932, units)) return false;
  out.assign(units.begin(), units.end());
  return true;
}

uint32_t SystemPath(const std::string& path, std::wstring& wide) {
  return Wide(path, wide) ? 0 : ERROR_INVALID_NAME;
}

bool Narrow(const std::wstring& wide, std::string& out) {
  return Utf16ToCp932(std::u16string(wide.begin(), wide.end()), out);
}

std::string NarrowPath(const std::wstring& path) {
  std::string out;
  if (Narrow(path, out)) return out;
  DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (size == 0) return "";
  std::wstring shortPath(size, L'\0');
  size = GetShortPathNameW(path.c_str(), shortPath.data(), size);
  if (size == 0 || size >= shortPath.size()) return "";
  shortPath.resize(size);
  // A short form that is still not CP932 (a volume without 8.3 names) is no use to the core.
  return Narrow(shortPath, out) ? out : "";
}

std::wstring FromBuffer(const wchar_t* buffer, size_t count) {
  return std::wstring(buffer, wcsnlen(buffer, count));
}

uint32_t ErrorOfResult(HRESULT result, uint32_t otherwise) {
  if (SUCCEEDED(result)) return 0;
  if (HRESULT_FACILITY(result) == FACILITY_WIN32) return HRESULT_CODE(result);
  return otherwise;
}

}  // namespace orvane::win32::shelltext
