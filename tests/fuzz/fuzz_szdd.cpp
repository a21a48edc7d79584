// Fuzz target for the SZDD decoder (LZ expansion of compressed distribution files): the fast
// block-wise decoder must give exactly what a plain one-byte-at-a-time LZSS decoder gives, with
// the same status, and the expanded name rule must keep the name's length within one byte.
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "support/Szdd.h"

using namespace orvane;

namespace {

// The format as written down: a 14-byte header, then flag bytes (least significant bit first,
// 1 = literal) over a 4096-byte window of blanks whose first write position is 0xFF0.
SzddStatus Reference(const std::string& in, std::string& out) {
  static const unsigned char kMagic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
  out.clear();
  if (in.size() < 8 || std::memcmp(in.data(), kMagic, 8) != 0) return SzddStatus::NotCompressed;
  if (in.size() < 14) return SzddStatus::Truncated;
  if (in[8] != 'A') return SzddStatus::UnknownMode;
  uint32_t recorded = 0;
  for (int i = 0; i < 4; ++i)
    recorded |= uint32_t{static_cast<unsigned char>(in[10 + i])} << (8 * i);
  unsigned char window[4096];
  std::memset(window, ' ', sizeof window);
  unsigned pos = 0xFF0;
  size_t i = 14;
  auto put = [&](unsigned char c) {
    out += static_cast<char>(c);
    window[pos] = c;
    pos = (pos + 1) % 4096;
  };
  while (i < in.size()) {
    unsigned flags = static_cast<unsigned char>(in[i++]);
    for (int bit = 0; bit < 8 && i < in.size(); ++bit) {
      if (flags & (1u << bit)) {
        put(static_cast<unsigned char>(in[i++]));
        continue;
      }
      if (i + 1 >= in.size()) return SzddStatus::Truncated;
      unsigned b1 = static_cast<unsigned char>(in[i]), b2 = static_cast<unsigned char>(in[i + 1]);
      i += 2;
      unsigned from = b1 | ((b2 & 0xF0) << 4);
      for (unsigned n = 0; n < (b2 & 0x0F) + 3u; ++n) put(window[(from + n) % 4096]);
    }
  }
  return out.size() < recorded ? SzddStatus::Truncated : SzddStatus::Ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string expected;
  const SzddStatus want = Reference(bytes, expected);

  std::string out;
  const SzddStatus got = ExpandSzdd(bytes, out);
  FUZZ_CHECK(got == want, "status agrees with the plain decoder");
  // A failed expansion stops early, so only a whole one has a definite output.
  if (want == SzddStatus::Ok) FUZZ_CHECK(out == expected, "output agrees with the plain decoder");
  FUZZ_CHECK(IsSzdd(bytes) == (want != SzddStatus::NotCompressed), "the magic is recognised");

  // A sink that refuses stops the expansion with WriteFailed, unless there was nothing to write.
  const SzddStatus refused =
      ExpandSzdd(bytes.data(), bytes.size(), [](const char*, size_t) { return false; });
  if (want == SzddStatus::Ok && !expected.empty())
    FUZZ_CHECK(refused == SzddStatus::WriteFailed, "a refusing sink stops the expansion");

  // The name rule on the input taken as a file name, with its recorded character.
  SzddHeader header;
  const char recorded = ReadSzddHeader(bytes.data(), bytes.size(), header) == SzddStatus::Ok
                            ? header.lastChar
                            : (size ? static_cast<char>(data[0]) : 'X');
  const std::string name = bytes.substr(0, 64);
  const std::string expanded = ExpandedName(name, recorded);
  // The last character, stepping over double-byte characters whole (their second byte may be "_").
  size_t last = std::string::npos;
  for (size_t i = 0; i < name.size(); ++i) {
    last = i;
    auto c = static_cast<unsigned char>(name[i]);
    if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < name.size()) ++i;
  }
  if (last == std::string::npos || last + 1 != name.size() || name[last] != '_') {
    FUZZ_CHECK(expanded == name, "a name without a trailing _ is kept");
  } else {
    FUZZ_CHECK(expanded.compare(0, name.size() - 1, name, 0, name.size() - 1) == 0 &&
                   expanded.size() + (recorded == 0 ? 1 : 0) == name.size(),
               "only the trailing _ is replaced");
  }
  return 0;
}
