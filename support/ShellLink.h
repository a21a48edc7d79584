// Shell link files (.lnk, the MS-SHLLINK format): a writer for the three properties the installer
// sets (target, working folder, arguments) and a reader for our own tools and tests.
#pragma once
#include <string>

namespace orvane {

// The bytes of a link to `target` (a Windows path). All inputs are code page 932 texts. Empty
// working folder or arguments are left out of the file. The target is stored both in code page
// 932 and in UTF-16 in the LinkInfo; the working folder and arguments as UTF-16 strings.
std::string BuildShellLink(const std::string& target, const std::string& workingFolder,
                           const std::string& arguments);

// Reads a link's target (LinkInfo local base path plus common path suffix), working folder and
// arguments, as code page 932 texts. False for a file that is not a well-formed link, or whose
// target is not a local path. Absent strings read as empty.
bool ParseShellLink(const std::string& bytes, std::string& target, std::string& workingFolder,
                    std::string& arguments);

}  // namespace orvane
