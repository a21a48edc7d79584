// Transcript lines and text escaping.
#include "ui/headless/Transcript.h"

#include <cerrno>

#include "support/Cp932.h"

namespace orvane::headless {

void Transcript::Line(const std::string& line) {
  if (lost_) return;
  errno = 0;
  out_ << line << '\n' << std::flush;
  if (!out_) NoteFailure(errno ? errno : EIO);
}

void Transcript::NoteFailure(int error) {
  if (lost_) return;
  lost_ = true;
  error_ = error;
}

std::string Transcript::QuoteUtf8(const std::string& utf8) {
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

std::string Transcript::Quote(const std::string& cp932) {
  return QuoteUtf8(DisplayUtf8(cp932));
}

}  // namespace orvane::headless
