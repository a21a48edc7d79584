// Host failures as Win32 error codes: the one translation of errno values in the Linux backend.
#pragma once
#include <cstdint>
#include <filesystem>

namespace orvane::host {

// The Win32 error code for an errno met on `hostPath`: ENOENT gives 2 when the path's folder
// exists and 3 when it is missing too, as Windows tells a missing file from a missing folder.
uint32_t Win32ErrorOf(int error, const std::filesystem::path& hostPath);
// The same where no path is at hand (a read or write on an open file): ENOENT gives 3.
uint32_t Win32ErrorOf(int error);

}  // namespace orvane::host
