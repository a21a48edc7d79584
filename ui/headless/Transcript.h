// The runner's transcript: one line per visible event, texts in UTF-8 with CR, LF, tab, quote and
// backslash escaped, so that every event stays on one line. A transcript that cannot be written
// (a reader that went away, a full disk) is given up, never the run.
#pragma once
#include <functional>
#include <string>

namespace orvane::headless {

class Transcript {
 public:
  // Where the lines go: writes the text, returns false with errno set when it could not.
  using Sink = std::function<bool(const std::string& text)>;
  explicit Transcript(Sink out) : out_(std::move(out)) {}
  // Writes one line (a newline is added) and flushes it. Once a write has failed nothing more is
  // written: the run goes on without its record.
  void Line(const std::string& line);
  // True once a write failed; the errno value of the failure.
  bool Lost() const { return lost_; }
  int LostError() const { return error_; }
  // Records a failure found outside Line (closing the file), unless one is already recorded.
  void NoteFailure(int error);
  // A code page 932 text as a quoted, escaped UTF-8 text.
  static std::string Quote(const std::string& cp932);
  // A UTF-8 text quoted and escaped.
  static std::string QuoteUtf8(const std::string& utf8);

 private:
  Sink out_;
  bool lost_ = false;
  int error_ = 0;
};

}  // namespace orvane::headless
