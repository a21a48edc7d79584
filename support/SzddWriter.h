// Encoder for the SZDD files that support/Szdd decodes, as the Microsoft compression tool writes
// them with its rename option: the name's last character replaced by "_" and kept in the header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "support/Szdd.h"

namespace orvane {

// The name of a compressed file and the character its header records, for a file name in code
// page 932 (no folder): the last character replaced by "_" and recorded; a name without "." gets
// "._" and records 0; a name ending in a double-byte character gets "_" added and records 0, so
// that ExpandedName gives the name back. Empty for an empty name.
struct SzddName {
  std::string name;
  char lastChar = 0;
};
SzddName CompressedName(const std::string& fileName);

// Compresses a stream fed in pieces. The parse is the cheapest one over the longest matches a
// hash-chain search finds at every position (literal 9 bits, match 17 bits), worked out per block
// of input, so memory stays small whatever the size.
class SzddEncoder {
 public:
  // Hands the header to `sink` at once; `size` is the input's length, of which the header keeps
  // the low 32 bits.
  SzddEncoder(SzddSink sink, char lastChar, uint64_t size);
  ~SzddEncoder();
  SzddEncoder(const SzddEncoder&) = delete;
  SzddEncoder& operator=(const SzddEncoder&) = delete;

  // The next piece of input; false once the sink has refused a block.
  bool Write(const char* data, std::size_t size);
  // Compresses the rest and hands out the last bytes; false when the sink refused a block.
  bool Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A whole file in memory.
std::string CompressSzdd(const std::string& data, char lastChar = 0);

}  // namespace orvane
