// The Win32 backend's edge: code page 932 texts to and from the UTF-16 of the W functions, and the
// check every path from a script, log or answers file passes before the system sees it.
#pragma once
#include <cstdint>
#include <string>

namespace orvane::win32 {

// Strict conversions: false when `cp932` is not valid code page 932, or a character of `wide`
// has no code in it.
bool ToWide(const std::string& cp932, std::wstring& wide);
bool FromWide(const std::wstring& wide, std::string& cp932);
// A text the system gives (a registry name or value), each character without a code page 932
// code becoming "?", as the A functions give it.
std::string FromWideLossy(const std::wstring& wide);

// Checks an absolute Windows path by the emulated machine's rules and gives its canonical form:
// "C:\Dir\File" with "\" separators, "." and ".." folded (never above the drive root), trailing
// dots and blanks of a name dropped, no trailing separator but at a drive root. Returns 0, or 53
// for a UNC path (which takes in "\\?\" and "\\.\" device paths), 3 for a relative path, 123 for
// a forbidden character (one of <>:"|?* or a control character), a device name (CON, PRN, AUX,
// NUL, COM1-COM9, LPT1-LPT9, with or without an extension) or bytes that are not code page 932,
// 206 for a path over 259 bytes. So no path reaches the system that names a device, another
// machine, an alternate data stream or a wildcard.
uint32_t CanonicalPath(const std::string& path, std::string& canonical);
// CanonicalPath in UTF-16, ready for a W function.
uint32_t WidePath(const std::string& path, std::wstring& wide);

// The ASCII letters of a code page 932 text in upper case (trail bytes left alone).
std::string FoldCase(const std::string& text);

}  // namespace orvane::win32
