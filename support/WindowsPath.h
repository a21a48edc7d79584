// Windows paths as the system reads them, the same for every backend: a drive letter and names,
// with the names Windows refuses (devices, reserved characters, broken double-byte characters).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// Splits an absolute path ("C:\Dir\..\File.txt", "/" accepted for "\") into its upper-case drive
// letter and its names, "." and ".." taken away and trailing dots and blanks dropped from each
// name, as Windows does. 0, or the error Windows gives: 53 for a share ("\\server\..."), 206 past
// 259 bytes, 3 for a relative path, 123 for a device name (CON, NUL, COM1, ... with or without an
// extension), a reserved character or a lead byte without its trail byte.
uint32_t ParseWindowsPath(const std::string& path, char& drive, std::vector<std::string>& names);

// True for the names Windows keeps for devices in every folder: CON, PRN, AUX, NUL, COM1-COM9
// and LPT1-LPT9, in any letter case, alone or followed by an extension ("nul.txt", "Com1 .log").
bool IsDeviceName(const std::string& name);

// Splits a path at its last "\" or "/" (double-byte aware) into the folder before it and the name
// after it; false when there is none.
bool SplitLastSeparator(const std::string& path, std::string& folder, std::string& name);

}  // namespace orvane
