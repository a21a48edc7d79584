// The runner's transcript: one line per visible event, texts in UTF-8 with CR, LF, tab, quote and
// backslash escaped, so that every event stays on one line.
#pragma once
#include <ostream>
#include <string>

namespace orvane::headless {

class Transcript {
 public:
  explicit Transcript(std::ostream& out) : out_(out) {}
  // Writes one line (a newline is added).
  void Line(const std::string& line);
  // A code page 932 text as a quoted, escaped UTF-8 text.
  static std::string Quote(const std::string& cp932);
  // A UTF-8 text quoted and escaped.
  static std::string QuoteUtf8(const std::string& utf8);

 private:
  std::ostream& out_;
};

}  // namespace orvane::headless
