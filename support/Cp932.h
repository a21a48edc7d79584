// Code page 932 as the program's texts hold it: the lead-byte test, and conversion to and from
// UTF-8 and UTF-16 through a generated table (support/Cp932Table.inc), the same on every system.
#pragma once
#include <string>

namespace orvane {

// True for a lead byte of code page 932 (0x81-0x9F, 0xE0-0xFC).
inline bool IsLeadChar(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
// True for a byte that can follow a lead byte (0x40-0x7E, 0x80-0xFC).
inline bool IsTrailChar(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Whole texts. False when `text` holds a byte sequence that is not a character of its encoding
// (a lone lead byte at the end, an unpaired surrogate, malformed UTF-8) or a character that code
// page 932 has no code for; `out` is then unspecified.
bool Cp932ToUtf8(const std::string& text, std::string& out);
bool Utf8ToCp932(const std::string& text, std::string& out);
bool Cp932ToUtf16(const std::string& text, std::u16string& out);
bool Utf16ToCp932(const std::u16string& text, std::string& out);
// Any UTF-16 text, surrogate pairs included; false for an unpaired surrogate.
bool Utf16ToUtf8(const std::u16string& text, std::string& out);
// Any UTF-8 text, as surrogate pairs beyond U+FFFF; false for malformed UTF-8.
bool Utf8ToUtf16(const std::string& text, std::u16string& out);

// For display: a byte that does not start a character becomes U+FFFD instead of failing.
std::string DisplayUtf8(const std::string& cp932);
std::u16string DisplayUtf16(const std::string& cp932);

}  // namespace orvane
