// Fuzz target for the headless runner's answers file: any bytes either parse or are refused with
// an AnswersError naming the file and line (no other exception, no crash), every rule keeps the
// line it came from, and the glob matching of box and status rules agrees with a plain dynamic
// programming matcher.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "ui/headless/Answers.h"

using namespace orvane::headless;

namespace {

// "*" matches any run of bytes, "?" one byte, anything else itself.
bool Glob(const std::string& pattern, const std::string& text) {
  std::vector<char> row(text.size() + 1, 0), next(text.size() + 1);
  row[0] = 1;
  for (size_t t = 1; t <= text.size(); ++t) row[t] = 0;
  for (char p : pattern) {
    next[0] = p == '*' && row[0];
    for (size_t t = 1; t <= text.size(); ++t) {
      if (p == '*')
        next[t] = row[t] || next[t - 1];
      else
        next[t] = row[t - 1] && (p == '?' || p == text[t - 1]);
    }
    row.swap(next);
  }
  return row[text.size()];
}

void CheckGlob(const std::string& pattern, const std::string& text) {
  FUZZ_CHECK(GlobMatch(pattern, text) == Glob(pattern, text), "glob agrees with the plain matcher");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  int lines = 1;
  for (char c : text) lines += c == '\n';

  // Each half of the input as a pattern against the other: short enough to stay fast.
  const std::string left = text.substr(0, std::min<size_t>(size / 2, 256));
  const std::string right = text.substr(size / 2, 256);
  CheckGlob(left, right);
  CheckGlob(right, left);

  Answers answers;
  try {
    answers = Answers::Parse(text, "answers.txt", "/base");
  } catch (const AnswersError& e) {
    FUZZ_CHECK(std::string(e.what()).rfind("answers.txt:", 0) == 0, "the message names the file");
    return 0;
  }
  auto lineOk = [&](int line) { return line >= 1 && line <= lines; };
  for (const PageAction& a : answers.actions) FUZZ_CHECK(lineOk(a.line), "page action line");
  for (const BoxRule& r : answers.boxes) {
    FUZZ_CHECK(lineOk(r.line), "box rule line");
    CheckGlob(r.caption, r.text);
    CheckGlob(r.text, left);
  }
  for (const SharedRule& r : answers.shared) FUZZ_CHECK(lineOk(r.line), "shared rule line");
  for (const AbortRule& r : answers.aborts) {
    FUZZ_CHECK(lineOk(r.line) && r.nth >= 1, "abort rule line and count");
    CheckGlob(r.status, right);
  }
  for (const auto& [disk, folder] : answers.disks)
    FUZZ_CHECK(disk >= 2 && (folder.empty() || folder[0] == '/'), "disks from 2, absolute");
  for (int line : answers.restartLines) FUZZ_CHECK(lineOk(line), "restart rule line");
  return 0;
}
