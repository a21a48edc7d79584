// The LZ expansion library: files made by the Microsoft compression tool (SZDD).
#pragma once
#include <cstdint>
#include <string>

namespace orvane {

class ILzExpand {
 public:
  virtual ~ILzExpand() = default;

  // GetExpandedNameA: the original name recorded in a compressed file's header; the path
  // unchanged for a file that is not compressed or cannot be read.
  virtual std::string ExpandedName(const std::string& path) = 0;
  // LZOpenFileA + LZCopy + LZClose: expands `source` into `destination` (created or replaced);
  // a file that is not compressed is copied unchanged. 0, or a Win32 error code (13 for a
  // damaged or truncated compressed file).
  virtual uint32_t Expand(const std::string& source, const std::string& destination) = 0;
};

}  // namespace orvane
