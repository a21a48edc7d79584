// Decoder for files made by the Microsoft compression tool (SZDD: LZSS with a 4096-byte window)
// and the rule that restores a compressed file's original name from its header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace orvane {

enum class SzddStatus {
  Ok,
  NotCompressed,  // no SZDD magic (KWAJ and the older "SZ" form included): copy unchanged
  Truncated,      // header or data cut short, or less data than the header records
  UnknownMode,    // mode byte other than 'A'
  WriteFailed,    // the output sink refused a block
};

// The format both directions share: a 14-byte header (the magic, the mode byte 'A', the name's
// replaced last character and the 32-bit little-endian uncompressed size), then LZSS items over a
// 4096-byte window that starts filled with blanks and is first written at 0xFF0. A match names
// an absolute window position and a length of 3 to 18.
inline constexpr unsigned char kSzddMagic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
inline constexpr char kSzddMode = 'A';
constexpr std::size_t kSzddHeaderSize = 14;
inline constexpr unsigned kSzddWindowSize = 4096;
inline constexpr unsigned char kSzddWindowFill = 0x20;
inline constexpr unsigned kSzddFirstPosition = 0xFF0;
inline constexpr unsigned kSzddMinMatch = 3;
inline constexpr unsigned kSzddMaxMatch = kSzddMinMatch + 15;

struct SzddHeader {
  char mode = 0;
  char lastChar = 0;  // the file name's replaced last character, 0 when not recorded
  uint32_t size = 0;  // recorded uncompressed size (checked as a lower bound only)
};

// True when `bytes` starts with the 8-byte SZDD magic.
bool IsSzdd(const std::string& bytes);
// Reads the header: NotCompressed without the magic, Truncated when shorter than 14 bytes.
SzddStatus ReadSzddHeader(const char* data, std::size_t size, SzddHeader& header);

// Receives the expanded bytes block by block; returns false to stop with WriteFailed.
using SzddSink = std::function<bool(const char* data, std::size_t size)>;

// Expands a whole compressed file held in memory, handing the output to `sink` in large blocks.
// The output ends where the compressed data ends; it may be longer than the recorded size but
// not shorter (that is reported as Truncated). Never reads outside [data, data + size).
SzddStatus ExpandSzdd(const char* data, std::size_t size, const SzddSink& sink);
// Convenience form for tests and small files.
SzddStatus ExpandSzdd(const std::string& bytes, std::string& out);
// As LZCopy does: a compressed file is expanded, any other is handed to `sink` unchanged. Never
// gives NotCompressed.
SzddStatus ExpandOrCopy(const char* data, std::size_t size, const SzddSink& sink);

// The original name of a compressed file: a trailing "_" of `fileName` becomes `recordedChar`,
// in the letter case of the last ASCII letter of the name (unchanged when it has none); a recorded
// 0 drops the "_". Code page 932 double-byte characters are stepped over whole. Names that do not
// end in "_" are returned unchanged.
std::string ExpandedName(const std::string& fileName, char recordedChar);
// ExpandedName applied to the file-name part of a Windows path, the text after its last "\", "/"
// or ":" (found by code page 932 characters, so that a trail byte 0x5C is no separator).
std::string ExpandedPath(const std::string& path, char recordedChar);

}  // namespace orvane
