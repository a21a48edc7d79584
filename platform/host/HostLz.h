// The LZ expansion library on the emulated machine: SZDD files expanded byte-exactly, other files
// copied unchanged, the original name restored from the header.
#pragma once
#include "platform/Lz.h"

namespace orvane::host {

class Machine;

class HostLz : public ILzExpand {
 public:
  explicit HostLz(Machine& machine) : machine_(machine) {}

  std::string ExpandedName(const std::string& path) override;
  // Writes a temporary file beside the destination and renames it into place, so a failed
  // expansion leaves the destination as it was. 2 for a missing source, 13 for a damaged,
  // truncated or unknown-mode compressed file, other host failures as their Win32 codes.
  uint32_t Expand(const std::string& source, const std::string& destination) override;

 private:
  Machine& machine_;
};

}  // namespace orvane::host
