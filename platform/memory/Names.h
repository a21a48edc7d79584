// Name rules of the in-memory backend, as the emulated machine has them: names compare without
// regard to ASCII letter case, and folder searches match Windows wildcards.
#pragma once
#include <string>

namespace orvane::memory {

// The name with its ASCII letters upper-cased; a double-byte character is left whole, so its
// trail byte is never taken for a letter.
std::string FoldName(const std::string& name);

// Windows wildcard match of one name: "*" and "?" over code page 932 characters, letter case
// ignored, "*.*" matching every name, "NAME.*" matching "NAME" and "NAME." a name without a dot.
bool MatchesPattern(const std::string& pattern, const std::string& name);

}  // namespace orvane::memory
