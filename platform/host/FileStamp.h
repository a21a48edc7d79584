// What a host file looked like at one moment: two equal stamps mean the file was not changed or
// replaced in between (the caches of parsed INI files and of the registry rely on it).
#pragma once
#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace orvane::host {

struct FileStamp {
  bool exists = false;
  off_t size = 0;
  int64_t mtimeNs = 0;
  ino_t inode = 0;
  mode_t mode = 0;
  bool operator==(const FileStamp&) const = default;
};

inline FileStamp StampOf(const std::string& path) {
  FileStamp s;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    s.exists = true;
    s.size = st.st_size;
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.inode = st.st_ino;
    s.mode = st.st_mode;
  }
  return s;
}

}  // namespace orvane::host
