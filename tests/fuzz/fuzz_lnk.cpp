// Fuzz target for the shell link reader (ParseShellLink, which orvane-machine uses on .lnk files
// of the machine): any bytes are read or refused without reading outside them, and what was read
// survives being written as a link and read again.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "support/Cp932.h"
#include "support/ShellLink.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string target, folder, arguments;
  if (!ParseShellLink(bytes, target, folder, arguments)) return 0;
  // Texts read from an 8-bit link may not be code page 932 at all; the writer replaces those.
  std::string t8, f8, a8;
  if (!Cp932ToUtf8(target, t8) || !Cp932ToUtf8(folder, f8) || !Cp932ToUtf8(arguments, a8)) return 0;
  FUZZ_CHECK(target.find('\0') == std::string::npos, "a target ends at its terminator");

  std::string target2, folder2, arguments2;
  FUZZ_CHECK(
      ParseShellLink(BuildShellLink(target, folder, arguments), target2, folder2, arguments2),
      "a written link reads");
  std::string t2, f2, a2;
  FUZZ_CHECK(Cp932ToUtf8(target2, t2) && Cp932ToUtf8(folder2, f2) && Cp932ToUtf8(arguments2, a2),
             "a written link reads as code page 932");
  FUZZ_CHECK(t2 == t8 && f2 == f8 && a2 == a8, "a written link reads back the same texts");
  return 0;
}
