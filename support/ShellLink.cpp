// MS-SHLLINK writer and reader. The writer emits a header, a LinkInfo with a fixed-disk VolumeID
// and the local base path, the working folder and arguments as counted UTF-16 strings, and the
// terminal block. Times are zero so that the same inputs always give the same bytes.
#include "support/ShellLink.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "support/Cp932.h"

namespace orvane {
namespace {

constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint32_t kHasLinkTargetIdList = 0x01;
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasName = 0x04;
constexpr uint32_t kHasRelativePath = 0x08;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr uint32_t kLinkInfoHeaderSize = 0x24;  // with the Unicode path offsets
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kVolumeSerial = 0x4F52564E;
constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr uint32_t kShowNormal = 1;

void PutU16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}
void SetU32(std::string& out, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutWide(std::string& out, const std::u16string& text) {
  for (char16_t c : text) PutU16(out, c);
}

class Reader {
 public:
  Reader(const std::string& bytes) : bytes_(bytes) {}
  bool U16(std::size_t at, uint32_t& v) const {
    if (at > bytes_.size() || bytes_.size() - at < 2) return false;
    v = Byte(at) | Byte(at + 1) << 8;
    return true;
  }
  bool U32(std::size_t at, uint32_t& v) const {
    if (at > bytes_.size() || bytes_.size() - at < 4) return false;
    v = Byte(at) | Byte(at + 1) << 8 | Byte(at + 2) << 16 | Byte(at + 3) << 24;
    return true;
  }
  // A NUL-terminated 8-bit string inside [at, limit).
  bool Narrow(std::size_t at, std::size_t limit, std::string& out) const {
    for (std::size_t i = at; i < limit && i < bytes_.size(); ++i) {
      if (bytes_[i] == '\0') {
        out.assign(bytes_, at, i - at);
        return true;
      }
    }
    return false;
  }
  // A NUL-terminated UTF-16 string inside [at, limit).
  bool Wide(std::size_t at, std::size_t limit, std::u16string& out) const {
    out.clear();
    for (std::size_t i = at; i + 1 < limit && i + 1 < bytes_.size(); i += 2) {
      auto c = static_cast<char16_t>(Byte(i) | Byte(i + 1) << 8);
      if (c == 0) return true;
      out += c;
    }
    return false;
  }
  // `count` UTF-16 code units at `at`.
  bool Counted(std::size_t at, std::size_t count, std::u16string& out) const {
    if (at > bytes_.size() || (bytes_.size() - at) / 2 < count) return false;
    out.clear();
    for (std::size_t k = 0; k < count; ++k)
      out += static_cast<char16_t>(Byte(at + 2 * k) | Byte(at + 2 * k + 1) << 8);
    return true;
  }
  std::size_t Size() const { return bytes_.size(); }

 private:
  uint32_t Byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
  const std::string& bytes_;
};

}  // namespace

std::string BuildShellLink(const std::string& target, const std::string& workingFolder,
                           const std::string& arguments) {
  std::string out;
  uint32_t flags = kHasLinkInfo | kIsUnicode;
  if (!workingFolder.empty()) flags |= kHasWorkingDir;
  if (!arguments.empty()) flags |= kHasArguments;

  // Header.
  PutU32(out, kHeaderSize);
  out.append(reinterpret_cast<const char*>(kLinkClsid), sizeof kLinkClsid);
  PutU32(out, flags);
  PutU32(out, kFileAttributeArchive);
  out.append(3 * 8, '\0');  // creation, access and write times
  PutU32(out, 0);           // file size
  PutU32(out, 0);           // icon index
  PutU32(out, kShowNormal);
  PutU16(out, 0);        // hot key
  out.append(10, '\0');  // reserved

  // LinkInfo: header, VolumeID, the local base path in both encodings, empty suffixes.
  const std::size_t info = out.size();
  const std::u16string wideTarget = DisplayUtf16(target);
  const uint32_t volumeSize = 0x11;  // fixed fields and an empty label
  const uint32_t localOffset = kLinkInfoHeaderSize + volumeSize;
  const uint32_t suffixOffset = localOffset + static_cast<uint32_t>(target.size()) + 1;
  const uint32_t wideLocalOffset = suffixOffset + 1;
  const uint32_t wideSuffixOffset =
      wideLocalOffset + 2 * static_cast<uint32_t>(wideTarget.size()) + 2;
  const uint32_t infoSize = wideSuffixOffset + 2;
  PutU32(out, infoSize);
  PutU32(out, kLinkInfoHeaderSize);
  PutU32(out, kVolumeIdAndLocalBasePath);
  PutU32(out, kLinkInfoHeaderSize);  // VolumeID offset
  PutU32(out, localOffset);
  PutU32(out, 0);  // no network location
  PutU32(out, suffixOffset);
  PutU32(out, wideLocalOffset);
  PutU32(out, wideSuffixOffset);
  PutU32(out, volumeSize);
  PutU32(out, kDriveFixed);
  PutU32(out, kVolumeSerial);
  PutU32(out, 0x10);  // label offset: the empty label right after these fields
  out += '\0';
  out += target;
  out += '\0';
  out += '\0';  // common path suffix
  PutWide(out, wideTarget);
  PutU16(out, 0);
  PutU16(out, 0);  // Unicode common path suffix
  SetU32(out, info, static_cast<uint32_t>(out.size() - info));

  // StringData, in flag order.
  for (const std::string* text : {&workingFolder, &arguments}) {
    if (text->empty()) continue;
    std::u16string wide = DisplayUtf16(*text);
    if (wide.size() > 0xFFFF) wide.resize(0xFFFF);
    PutU16(out, static_cast<uint32_t>(wide.size()));
    PutWide(out, wide);
  }
  PutU32(out, 0);  // terminal block
  return out;
}

bool ParseShellLink(const std::string& bytes, std::string& target, std::string& workingFolder,
                    std::string& arguments) {
  target.clear();
  workingFolder.clear();
  arguments.clear();
  Reader r(bytes);
  uint32_t headerSize, flags;
  if (!r.U32(0, headerSize) || headerSize != kHeaderSize || bytes.size() < kHeaderSize ||
      std::memcmp(bytes.data() + 4, kLinkClsid, sizeof kLinkClsid) != 0 || !r.U32(0x14, flags))
    return false;
  std::size_t at = kHeaderSize;
  if (flags & kHasLinkTargetIdList) {
    uint32_t listSize;
    if (!r.U16(at, listSize)) return false;
    at += 2 + listSize;
  }
  if (!(flags & kHasLinkInfo)) return false;

  uint32_t infoSize, infoHeaderSize, infoFlags, localOffset, suffixOffset;
  if (!r.U32(at, infoSize) || infoSize < 0x1C || infoSize > r.Size() - at ||
      !r.U32(at + 4, infoHeaderSize) || infoHeaderSize > infoSize || !r.U32(at + 8, infoFlags) ||
      !(infoFlags & kVolumeIdAndLocalBasePath) || !r.U32(at + 16, localOffset) ||
      !r.U32(at + 24, suffixOffset) || localOffset >= infoSize || suffixOffset >= infoSize)
    return false;
  const std::size_t infoEnd = at + infoSize;
  std::string local, suffix;
  uint32_t wideLocalOffset = 0, wideSuffixOffset = 0;
  if (infoHeaderSize >= 0x24) {
    if (!r.U32(at + 28, wideLocalOffset) || !r.U32(at + 32, wideSuffixOffset)) return false;
  }
  std::u16string wide;
  if (wideLocalOffset != 0) {
    if (wideLocalOffset >= infoSize || !r.Wide(at + wideLocalOffset, infoEnd, wide) ||
        !Utf16ToCp932(wide, local))
      return false;
  } else if (!r.Narrow(at + localOffset, infoEnd, local)) {
    return false;
  }
  if (wideSuffixOffset != 0) {
    if (wideSuffixOffset >= infoSize || !r.Wide(at + wideSuffixOffset, infoEnd, wide) ||
        !Utf16ToCp932(wide, suffix))
      return false;
  } else if (!r.Narrow(at + suffixOffset, infoEnd, suffix)) {
    return false;
  }
  target = local + suffix;
  at = infoEnd;

  // StringData items appear in flag order; only the working folder and arguments are kept.
  for (uint32_t flag :
       {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation}) {
    if (!(flags & flag)) continue;
    uint32_t count;
    if (!r.U16(at, count)) return false;
    at += 2;
    std::string text;
    // A string ends at its first NUL: some writers (Wine's link object) count a terminator in.
    if (flags & kIsUnicode) {
      if (!r.Counted(at, count, wide)) return false;
      wide.resize(std::min(wide.size(), wide.find(u'\0')));
      if (!Utf16ToCp932(wide, text)) return false;
      at += 2 * std::size_t{count};
    } else {
      if (count > r.Size() - at) return false;
      text.assign(bytes, at, count);
      text.resize(std::min(text.size(), text.find('\0')));
      at += count;
    }
    if (flag == kHasWorkingDir) workingFolder = text;
    if (flag == kHasArguments) arguments = text;
  }
  return true;
}

}  // namespace orvane
