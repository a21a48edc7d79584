// The file routines both runs, the start-up and the closing share. Each returns a plain result
// (a flag or a Win32 error code) and never raises or asks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Files.h"

namespace orvane {

class IFiles;
class ISystem;
struct Platform;

// Find without "." and "..", in name order (ASCII letter case ignored) whatever order the platform
// lists in, so that what is done to each entry happens in the same order on every backend.
// 2 when nothing else matches.
uint32_t ListFolder(IFiles& files, const std::string& pattern, std::vector<FindEntry>& entries);
// Copies over an existing destination, leaving it with the archive attribute only.
uint32_t CopyFileTo(IFiles& files, const std::string& source, const std::string& destination);
// Deletes one file, or every match of a wildcard pattern with matching sub-folders and their
// contents; unregisters a DLL/OCX first. 2 for a missing file without wildcards.
uint32_t DeleteFiles(Platform& platform, const std::string& path);
// Deletes the "|"-separated patterns inside `folder`, then removes the folder.
uint32_t RemoveFolder(Platform& platform, const std::string& folder, const std::string& patterns);
bool FolderExists(IFiles& files, const std::string& path);
// True when a file (not a folder) exists at `path`.
bool FileExists(IFiles& files, const std::string& path);
// Creates every missing folder of the path; the success of the last creation attempted.
bool ForceFolders(IFiles& files, const std::string& path);
// The system's text for a code in full-width characters, followed by CR LF; empty for 0.
std::string ErrorText(ISystem& system, uint32_t code);
// Free bytes on a drive ("C:"), -1 when the query fails.
bool GetFreeBytesEx(IFiles& files, const std::string& drive, int64_t& freeBytes);
bool GetFreeBytes(IFiles& files, const std::string& drive, int64_t& freeBytes);
std::string ShortPath(IFiles& files, const std::string& path);
// The last-write time of a file as a local DOS date-time, -1 for a missing file or a folder.
int32_t FileDosDateTime(IFiles& files, ISystem& system, const std::string& path);

// The file-name part of a path (after the last "\" or ":"), and the folder part with its "\".
std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path);

}  // namespace orvane
