// Durable replacement of the records a user cannot rebuild (the uninstall log, the registry, INI
// files): the new data is flushed to disk before the rename that publishes it, and the folder
// after it, so that a crash leaves either the old file or the whole new one.
#pragma once
#include <sys/types.h>

#include <string>

namespace orvane::host {

// Flushes the data of the file at `path` to disk. 0 or the errno of the failure.
int FlushFile(const std::string& path);
// Flushes the folder that holds `path`, so that an entry made or renamed in it lasts. Best effort:
// a file system that cannot flush folders is not an error. 0 or the errno of the failure.
int FlushFolderOf(const std::string& path);
// Writes `text` to `temporary` (made afresh: one left there is removed first), flushes it,
// renames it over `target` and flushes target's folder. `mode`, when not 0, gives the new file's
// permission bits. 0, or the errno of the failure; then the temporary is gone and `target` is as
// it was.
int ReplaceFileDurably(const std::string& temporary, const std::string& target,
                       const std::string& text, mode_t mode);

}  // namespace orvane::host
