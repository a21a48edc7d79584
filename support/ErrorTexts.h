// The English system texts of the Win32 error codes the program meets, as Windows words them:
// the emulated machine's message texts, and the Win32 backend's when the system has none.
#pragma once
#include <cstdint>
#include <string>

namespace orvane {

// The text without a line end ("The system cannot find the path specified." for 3); empty for a
// code outside the table.
std::string EnglishErrorText(uint32_t code);

}  // namespace orvane
