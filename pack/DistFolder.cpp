// The distribution folder on the host's disk, read with the standard library's file system.
#include "pack/DistFolder.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "pack/ScriptRules.h"
#include "support/Cp932.h"

namespace fs = std::filesystem;

namespace orvane::pack {

namespace {

std::string Utf8Name(const fs::path& path) {
  const std::u8string name = path.filename().u8string();
  return std::string(name.begin(), name.end());
}

fs::path FromUtf8(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

fs::path FindEntry(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  const fs::path exact = folder / FromUtf8(name);
  if (fs::exists(exact, ec)) return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (SameName(Utf8Name(it->path()), name)) return it->path();
  return fs::path();
}

DistFolder::DistFolder(const fs::path& path, const std::vector<fs::path>& disks) {
  std::error_code ec;
  fs::path folder = path;
  if (fs::is_directory(path, ec)) {
    script_ = FindEntry(path, "SETUP.INI");
    if (script_.empty()) throw std::runtime_error(path.string() + ": no SETUP.INI in this folder");
  } else {
    script_ = path;
    folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  }
  std::ifstream in(script_, std::ios::binary);
  if (!in) throw std::runtime_error(script_.string() + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  bytes_ = text.str();

  disks_.push_back(folder);
  for (const fs::path& disk : disks) disks_.push_back(disk);
  if (!disks.empty()) return;
  // DISK1 beside DISK2, DISK3, ...
  fs::path absolute = fs::absolute(folder, ec).lexically_normal();
  if (absolute.filename().empty()) absolute = absolute.parent_path();
  const std::string name = Utf8Name(absolute);
  size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
  if (digits == name.size() || name.size() - digits > 3) return;
  const fs::path parent = absolute.parent_path();
  for (int n = std::stoi(name.substr(digits)) + 1;; ++n) {
    const fs::path next = FindEntry(parent, name.substr(0, digits) + std::to_string(n));
    if (next.empty() || !fs::is_directory(next, ec)) break;
    disks_.push_back(next);
  }
}

bool DistFolder::HasFile(int disk, const std::string& relative) const {
  if (disk < 1 || disk > DiskCount()) return false;
  std::string utf8;
  if (!Cp932ToUtf8(relative, utf8)) return false;
  fs::path at = disks_[static_cast<size_t>(disk - 1)];
  size_t begin = 0;
  while (begin <= utf8.size()) {
    size_t end = utf8.find_first_of("\\/", begin);
    if (end == std::string::npos) end = utf8.size();
    const std::string part = utf8.substr(begin, end - begin);
    begin = end + 1;
    if (part.empty() || part == ".") continue;
    at = part == ".." ? at.parent_path() : FindEntry(at, part);
    if (at.empty()) return false;
  }
  std::error_code ec;
  return fs::is_regular_file(at, ec);
}

}  // namespace orvane::pack
