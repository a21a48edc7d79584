// SZDD decoding: a tight LZSS loop over a 4096-byte ring window, output collected in large blocks.
#include "support/Szdd.h"

#include <cstring>
#include <memory>

#include "support/Cp932.h"

namespace orvane {
namespace {

constexpr unsigned kWindowMask = kSzddWindowSize - 1;
constexpr std::size_t kBlockSize = std::size_t{1} << 18;

bool IsAsciiLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool IsSzdd(const std::string& bytes) {
  return bytes.size() >= sizeof kSzddMagic &&
         std::memcmp(bytes.data(), kSzddMagic, sizeof kSzddMagic) == 0;
}

SzddStatus ReadSzddHeader(const char* data, std::size_t size, SzddHeader& header) {
  if (size < sizeof kSzddMagic || std::memcmp(data, kSzddMagic, sizeof kSzddMagic) != 0)
    return SzddStatus::NotCompressed;
  if (size < kSzddHeaderSize) return SzddStatus::Truncated;
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  header.mode = static_cast<char>(p[8]);
  header.lastChar = static_cast<char>(p[9]);
  header.size =
      uint32_t{p[10]} | uint32_t{p[11]} << 8 | uint32_t{p[12]} << 16 | uint32_t{p[13]} << 24;
  return SzddStatus::Ok;
}

SzddStatus ExpandSzdd(const char* data, std::size_t size, const SzddSink& sink) {
  SzddHeader header;
  SzddStatus status = ReadSzddHeader(data, size, header);
  if (status != SzddStatus::Ok) return status;
  if (header.mode != kSzddMode) return SzddStatus::UnknownMode;

  const auto* in = reinterpret_cast<const unsigned char*>(data) + kSzddHeaderSize;
  const auto* const end = reinterpret_cast<const unsigned char*>(data) + size;
  unsigned char window[kSzddWindowSize];
  std::memset(window, kSzddWindowFill, sizeof window);
  unsigned pos = kSzddFirstPosition;

  // The block leaves room for one whole match, so the space test runs once per item.
  std::unique_ptr<unsigned char[]> block(new unsigned char[kBlockSize]);
  unsigned char* const out0 = block.get();
  unsigned char* const outLimit = out0 + kBlockSize - kSzddMaxMatch;
  unsigned char* out = out0;
  uint64_t total = 0;
  auto flush = [&]() {
    std::size_t n = static_cast<std::size_t>(out - out0);
    total += n;
    out = out0;
    return n == 0 || sink(reinterpret_cast<const char*>(out0), n);
  };

  while (in < end) {
    unsigned flags = *in++;
    for (int bit = 0; bit < 8 && in < end; ++bit, flags >>= 1) {
      if (out > outLimit && !flush()) return SzddStatus::WriteFailed;
      if (flags & 1) {
        unsigned char c = *in++;
        *out++ = c;
        window[pos] = c;
        pos = (pos + 1) & kWindowMask;
      } else {
        if (end - in < 2) return SzddStatus::Truncated;  // a pair cut in half
        unsigned from = in[0] | ((in[1] & 0xF0u) << 4);
        unsigned length = (in[1] & 0x0Fu) + kSzddMinMatch;
        in += 2;
        // Byte by byte with wrap-around: the source may overlap the bytes being written.
        for (unsigned i = 0; i < length; ++i) {
          unsigned char c = window[from];
          from = (from + 1) & kWindowMask;
          *out++ = c;
          window[pos] = c;
          pos = (pos + 1) & kWindowMask;
        }
      }
    }
  }
  if (!flush()) return SzddStatus::WriteFailed;
  // The data decides the length; data that stops short of the recorded size was cut off.
  if (total < header.size) return SzddStatus::Truncated;
  return SzddStatus::Ok;
}

SzddStatus ExpandOrCopy(const char* data, std::size_t size, const SzddSink& sink) {
  SzddStatus status = ExpandSzdd(data, size, sink);
  if (status != SzddStatus::NotCompressed) return status;
  return sink(data, size) ? SzddStatus::Ok : SzddStatus::WriteFailed;
}

SzddStatus ExpandSzdd(const std::string& bytes, std::string& out) {
  out.clear();
  SzddHeader header;
  if (ReadSzddHeader(bytes.data(), bytes.size(), header) == SzddStatus::Ok) {
    // The recorded size is only a hint; an expansion never exceeds 144 bytes per 17 read.
    uint64_t bound = uint64_t{bytes.size()} / 17 * 144 + 144;
    out.reserve(static_cast<std::size_t>(header.size < bound ? header.size : bound));
  }
  return ExpandSzdd(bytes.data(), bytes.size(), [&out](const char* data, std::size_t n) {
    out.append(data, n);
    return true;
  });
}

std::string ExpandedName(const std::string& fileName, char recordedChar) {
  // Walk the name character by character so that a trail byte is never taken for "_" or a letter.
  std::size_t lastChar = std::string::npos;
  int lastLetterCase = 0;  // -1 lower, +1 upper, 0 none seen
  for (std::size_t i = 0; i < fileName.size();) {
    auto c = static_cast<unsigned char>(fileName[i]);
    lastChar = i;
    if (IsLeadChar(c) && i + 1 < fileName.size()) {
      i += 2;
      continue;
    }
    if (IsAsciiLetter(c)) lastLetterCase = (c >= 'a') ? -1 : 1;
    ++i;
  }
  if (lastChar == std::string::npos || fileName[lastChar] != '_' || lastChar != fileName.size() - 1)
    return fileName;
  std::string name = fileName.substr(0, lastChar);
  if (recordedChar == 0) return name;
  auto r = static_cast<unsigned char>(recordedChar);
  if (IsAsciiLetter(r) && lastLetterCase != 0) {
    if (lastLetterCase < 0 && r <= 'Z') r = static_cast<unsigned char>(r + 32);
    if (lastLetterCase > 0 && r >= 'a') r = static_cast<unsigned char>(r - 32);
  }
  name += static_cast<char>(r);
  return name;
}

std::string ExpandedPath(const std::string& path, char recordedChar) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size();) {
    auto c = static_cast<unsigned char>(path[i]);
    if (IsLeadChar(c) && i + 1 < path.size()) {
      i += 2;
      continue;
    }
    ++i;
    if (c == '\\' || c == '/' || c == ':') start = i;
  }
  return path.substr(0, start) + ExpandedName(path.substr(start), recordedChar);
}

}  // namespace orvane
