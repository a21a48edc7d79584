// What a distribution folder must hold for a script, read as the install reads it: the
// [CopyFile] entries with the source each looks for, the entry values rewritten for compressed
// sources and disk changes, and the entries spread over disks of a given size.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/IniDocument.h"

namespace orvane::pack {

// One [CopyFile] key of an entry: File<n> or a variant File<n>_<type>.
struct CopyKey {
  std::string key;          // as written in the script
  std::string value;        // its value without a leading "(Dch)"
  bool diskChange = false;  // the value began with "(Dch)"
  std::string sourceName;   // the file the install looks for in the distribution folder
};

// The keys of entry number n, the keys the install may read for it whatever the install type.
struct CopyEntry {
  int number = 0;
  std::vector<CopyKey> keys;
};

// The entries from File1 on, up to the first number that no key has a value for (where every
// install stops), with each key's source name found as the copy phase finds it (path tokens
// expanded, the rename bar and the flags taken off, the file-name part).
std::vector<CopyEntry> ReadCopyEntries(const IniDocument& script);

// The source name of a [CopyFile] value, as above.
std::string CopySourceName(const std::string& value);

// `value` (without "(Dch)") rewritten so that the install takes the compressed file
// `compressedName` (header recording `lastChar`) for its source and installs the same
// destination: the source name replaced, and a rename bar added where the name the header gives
// back (upper-cased, as the install makes it) would differ from the destination's. False with
// `error` when the value cannot be rewritten so.
bool CompressedValue(const std::string& value, const std::string& compressedName, char lastChar,
                     std::string& rewritten, std::string& error);

// A file an entry needs on its disk.
struct DiskFile {
  std::string name;  // its name in the distribution folder (letter case ignored)
  uint64_t size = 0;
};

// The disk of each entry (1 for the first), filling the disks in entry order: the first holds
// `firstDiskBytes` (the program, the script and the files the wizard shows) before any entry, an
// entry that no longer fits starts the next disk, a file needed by several entries on one disk
// is counted once. False with `error` when a disk cannot hold what it must.
bool AssignDisks(uint64_t diskSize, uint64_t firstDiskBytes,
                 const std::vector<std::vector<DiskFile>>& entryFiles, std::vector<int>& disks,
                 std::string& error);

}  // namespace orvane::pack
