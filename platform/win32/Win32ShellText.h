// Code page 932 <-> UTF-16 at the edge of the shell, system, process, component and LZ parts of
// the Win32 backend: the core's texts are CP932 bytes whatever the system's ANSI code page is.
#pragma once
#include <windows.h>

#include <string>

namespace orvane::win32::shelltext {

// CP932 to UTF-16; false for bytes that are no CP932 text (the caller fails with 123).
bool Wide(const std::string& cp932, std::wstring& out);
// A path the core hands to the system, in UTF-16: 0, or 123 when it is no CP932 text. Every
// path this part passes to the system goes through here.
uint32_t SystemPath(const std::string& path, std::wstring& wide);
// UTF-16 to CP932; false for a character that code page 932 has no code for.
bool Narrow(const std::wstring& wide, std::string& out);
// A path from the system as CP932: the path itself, or its short (8.3) form when the long one
// holds a character CP932 lacks, or empty when neither can be written in CP932.
std::string NarrowPath(const std::wstring& path);
// A text the system gave through a buffer of `count` characters, cut at its first NUL.
std::wstring FromBuffer(const wchar_t* buffer, size_t count);
// The Win32 error code an HRESULT carries (its low word for FACILITY_WIN32), else `otherwise`.
uint32_t ErrorOfResult(HRESULT result, uint32_t otherwise);

}  // namespace orvane::win32::shelltext
