// Quoted, escaped texts.
#include "support/Quoted.h"

#include "support/Cp932.h"

namespace orvane {

std::string QuotedUtf8(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

std::string QuotedCp932(const std::string& cp932) { return QuotedUtf8(DisplayUtf8(cp932)); }

}  // namespace orvane
