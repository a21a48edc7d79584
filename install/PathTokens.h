// Path tokens: "(App)", "(Win)", "(Sys)" and the rest, replaced by their folders in script values.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace orvane {

struct SetupContext;

// The seventeen tokens with their current values, in the fixed order of expansion.
std::vector<std::pair<std::string, std::string>> PathTokenValues(const SetupContext& ctx);
// Every path token of `text` replaced by its value (letter case of the token ignored).
std::string ExpandPathTokens(const SetupContext& ctx, const std::string& text);
// Every occurrence of one token replaced by one value; a delimiter after a value that ends in one
// is dropped. A value that holds the token itself is inserted once and not searched again.
std::string ReplaceToken(const std::string& text, const std::string& token,
                         const std::string& value);

}  // namespace orvane
