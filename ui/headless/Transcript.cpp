// Transcript lines and text escaping.
#include "ui/headless/Transcript.h"

#include <cerrno>

#include "support/Quoted.h"

namespace orvane::headless {

void Transcript::Line(const std::string& line) {
  if (lost_) return;
  errno = 0;
  if (!out_(line + '\n')) NoteFailure(errno ? errno : EIO);
}

void Transcript::NoteFailure(int error) {
  if (lost_) return;
  lost_ = true;
  error_ = error;
}

std::string Transcript::QuoteUtf8(const std::string& utf8) { return QuotedUtf8(utf8); }

std::string Transcript::Quote(const std::string& cp932) { return QuotedCp932(cp932); }

}  // namespace orvane::headless
