// Name rules of the in-memory backend.
#include "platform/memory/Names.h"

#include <vector>

#include "support/MBUtils.h"

namespace orvane::memory {
namespace {

// The characters of a name, folded, a double-byte character as one unit.
std::vector<std::string> Units(const std::string& text) {
  std::vector<std::string> units;
  for (size_t i = 0; i < text.size();) {
    size_t length = IsLeadChar(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    units.push_back(FoldName(text.substr(i, length)));
    i += length;
  }
  return units;
}

bool Glob(const std::string& pattern, const std::string& name) {
  const std::vector<std::string> p = Units(pattern), n = Units(name);
  // match[j]: the pattern so far matches the first j units of the name.
  std::vector<bool> match(n.size() + 1, false);
  match[0] = true;
  for (const std::string& unit : p) {
    std::vector<bool> next(n.size() + 1, false);
    bool any = false;
    for (size_t j = 0; j <= n.size(); ++j) {
      if (unit == "*")
        next[j] = any = any || match[j];
      else if (j > 0)
        next[j] = match[j - 1] && (unit == "?" || unit == n[j - 1]);
    }
    match.swap(next);
  }
  return match[n.size()];
}

}  // namespace

std::string FoldName(const std::string& name) {
  std::string folded = name;
  for (size_t i = 0; i < folded.size(); ++i) {
    if (IsLeadChar(static_cast<unsigned char>(folded[i])))
      ++i;
    else if (folded[i] >= 'a' && folded[i] <= 'z')
      folded[i] = static_cast<char>(folded[i] - 'a' + 'A');
  }
  return folded;
}

bool MatchesPattern(const std::string& pattern, const std::string& name) {
  if (pattern == "*" || pattern == "*.*" || Glob(pattern, name)) return true;
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
      Glob(pattern.substr(0, pattern.size() - 2), name))
    return true;
  return !pattern.empty() && pattern.back() == '.' && name.find('.') == std::string::npos &&
         Glob(pattern.substr(0, pattern.size() - 1), name);
}

}  // namespace orvane::memory
