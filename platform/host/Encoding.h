// Conversion between the program's code page 932 texts and UTF-8 (names on disk, terminal text).
#pragma once
#include <string>

namespace orvane::host {

// False when `text` is not valid in the source encoding; `out` is then unspecified.
bool Cp932ToUtf8(const std::string& text, std::string& out);
bool Utf8ToCp932(const std::string& text, std::string& out);

// Any conversion iconv knows ("UTF-16LE", "CP932", "UTF-8", ...); false when `text` is not
// valid in `from`.
bool ConvertEncoding(const char* to, const char* from, const std::string& text, std::string& out);

// For display only: invalid bytes become U+FFFD instead of failing.
std::string DisplayUtf8(const std::string& cp932);

}  // namespace orvane::host
