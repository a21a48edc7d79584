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

std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace orvane::tools
