// LZ expansion on Windows with the project's own SZDD decoder (support/Szdd) over Win32 file
// I/O: byte-exact on damaged and tiny files, free of the 128-character limit of LZOpenFile and
// of the ANSI code page that the system's LZ32 converts names through (bench/lz_bench_wine.sh
// measures both).
#pragma once
#include "platform/Lz.h"

namespace orvane::win32 {

class Win32Lz : public ILzExpand {
 public:
  std::string ExpandedName(const std::string& path) override;
  // Expands into a temporary file beside the destination and moves it over the destination, so
  // a failed expansion leaves the destination as it was. 2 or 3 for a missing source, 13 for a
  // damaged, truncated or unknown-mode compressed file, 123 for a name that is no CP932 text,
  // other failures as the system reports them.
  uint32_t Expand(const std::string& source, const std::string& destination) override;
};

}  // namespace orvane::win32
