// String routines on code page 932 byte strings with 1-based positions: substrings, path
// delimiters at either end, comma fields and the locale mapping (upper case, full width).
#pragma once
#include <cstdint>
#include <string>

namespace orvane {

// A start below 1 counts as 1; a start beyond the end or a negative count gives "".
std::string StrLeft(const std::string& s, int count);
std::string StrRight(const std::string& s, int count);
std::string StrFrom(const std::string& s, int position);

// Mode "T" works on the first character, "B" on the last; any other mode leaves the path alone.
// A delimiter is a "\" that stands as a character of its own (not a trail byte).
std::string AddPathDelim(const std::string& path, const std::string& mode);
std::string DelPathDelim(const std::string& path, const std::string& mode);
// True when the byte at 1-based `position` is a "\" that is a character of its own.
bool IsPathDelimiter(const std::string& s, int position);

// MapString's flags: upper case and full width, with LCMapStringA's values.
namespace lcmap {
enum : uint32_t { UpperCase = 0x00000200, FullWidth = 0x00800000 };
}  // namespace lcmap
// LCMapStringA with the system default locale (code page 932): upper case leaves double-byte
// characters intact; full width turns ASCII and half-width katakana into their double-byte forms.
std::string MapString(const std::string& s, uint32_t flags);

// The n-th (1-based) field of s between single-character separators; no double-byte handling.
std::string GetField(const std::string& s, const std::string& separator, int n);

}  // namespace orvane
