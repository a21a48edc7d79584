// Shared pieces of the command-line tools that are the same on every system.
#include "tools/ToolSupport.h"

#include <stdexcept>

#include "support/Cp932.h"

namespace orvane::tools {

std::string FromTerminal(const std::string& utf8) {
  std::string out;
  if (!Utf8ToCp932(utf8, out))
    throw std::runtime_error("'" + utf8 + "' has characters that code page 932 cannot hold");
  return out;
}

std::string ToTerminal(const std::string& cp932) {
  return DisplayUtf8(cp932);
}

std::optional<std::string> ReadWholeFile(const std::string& utf8) {
  // A folder either does not open (Windows) or fails its first read (Linux).
  std::FILE* file = OpenFile(utf8, "rb");
  if (!file) return std::nullopt;
  std::string text;
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
  const bool failed = std::ferror(file);
  std::fclose(file);
  if (failed) return std::nullopt;
  return text;
}

std::wstring WideText(const std::string& utf8) {
  std::u16string wide;
  Utf8ToUtf16(utf8, wide);
  return std::wstring(wide.begin(), wide.end());
}

std::string Utf8Text(const std::wstring& wide) {
  std::string utf8;
  Utf16ToUtf8(std::u16string(wide.begin(), wide.end()), utf8);
  return utf8;
}

}  // namespace orvane::tools
