// Texts in double quotes with backslash escapes (\r, \n, \t, \", \\), one line each: the form the
// transcript and the dry run's plan show texts in.
#pragma once
#include <string>

namespace orvane {

// A UTF-8 text quoted and escaped.
std::string QuotedUtf8(const std::string& utf8);
// A code page 932 text as a quoted, escaped UTF-8 text.
std::string QuotedCp932(const std::string& cp932);

}  // namespace orvane
