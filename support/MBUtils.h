// Double-byte-safe search in code page 932 text.
#pragma once
#include <string>

#include "support/Cp932.h"  // IsLeadChar

namespace orvane {

// 1-based position of the first occurrence of `sub` in `s` that starts on a character boundary;
// 0 when there is none or `sub` is empty.
int MBPos(const std::string& sub, const std::string& s);
// MBPos of both texts upper-cased (MapString with lcmap::UpperCase).
int PosNoCase(const std::string& sub, const std::string& s);

}  // namespace orvane
