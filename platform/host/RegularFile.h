// Opening host files for reading: only regular files are opened, and a FIFO, socket or device
// node in their place never blocks the caller.
#pragma once
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace orvane::host {

// Opens a host file for reading (symbolic links followed) when it is a regular file. The open
// does not wait for a FIFO's writer, and the type is examined on the opened descriptor, so that
// nothing can be swapped in between. Returns the descriptor (close-on-exec), or -1 with `error`
// set to a Win32 code: the open's failure mapped, or 5 (access denied, as for a folder opened
// as a file) when the entry is anything but a regular file. `info`, when given, receives the
// opened file's stat.
int OpenRegularFile(const std::filesystem::path& path, uint32_t* error = nullptr,
                    struct stat* info = nullptr);
// Reads a whole regular host file. 0 or a Win32 code as above (or from the read).
uint32_t ReadRegularFile(const std::filesystem::path& path, std::string& bytes);

}  // namespace orvane::host
