// Double-byte-safe search in code page 932 text: a substring search that only matches on
// character boundaries, and its case-insensitive form.
#include "support/MBUtils.h"

#include "support/uStrOp.h"

namespace orvane {

int MBPos(const std::string& sub, const std::string& s) {
  if (sub.empty()) return 0;
  size_t i = 0;
  while (i < s.size()) {
    // compare() clips the piece at the end of s, so a substring longer than the rest never matches.
    if (s[i] == sub[0] && s.compare(i, sub.size(), sub) == 0) return static_cast<int>(i) + 1;
    // Stepping over a whole double-byte character keeps a trail byte from ever being a start.
    i += IsLeadChar(static_cast<unsigned char>(s[i])) ? 2 : 1;
  }
  return 0;
}

int PosNoCase(const std::string& sub, const std::string& s) {
  // Upper-casing keeps every character at its byte position, so the position found is valid for s.
  return MBPos(MapString(sub, lcmap::UpperCase), MapString(s, lcmap::UpperCase));
}

}  // namespace orvane
