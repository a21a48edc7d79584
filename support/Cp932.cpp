// Code page 932 conversions: a table lookup per character in each direction. The table reads
// codes as characters; the reverse table is built from it once, on first use.
#include "support/Cp932.h"

#include <cstdint>
#include <iterator>
#include <vector>

namespace orvane {
namespace {

#include "support/Cp932Table.inc"

constexpr uint16_t kNone = 0xFFFF;

// The UTF-16 code unit of the character starting at text[i] (i moves past it); kNone when the
// bytes there are not a character.
uint16_t ReadCp932(const std::string& text, size_t& i) {
  unsigned char c = static_cast<unsigned char>(text[i++]);
  if (!IsLeadChar(c)) return kSingleByte[c];
  if (i >= text.size()) return kNone;
  unsigned char trail = static_cast<unsigned char>(text[i++]);
  if (!IsTrailChar(trail)) return kNone;
  return kDoubleByte[c <= 0x9F ? c - 0x81 : c - 0xE0 + 0x1F][trail - 0x40];
}

// The code of each UTF-16 code unit (kNone when code page 932 has none): the lowest code that
// reads as the character, then the table's exceptions.
const std::vector<uint16_t>& CodeOfUnit() {
  static const std::vector<uint16_t> table = [] {
    std::vector<uint16_t> codes(0x10000, kNone);
    for (unsigned b = 0; b < 256; ++b)
      if (kSingleByte[b] != kNone && codes[kSingleByte[b]] == kNone) codes[kSingleByte[b]] = b;
    for (unsigned row = 0; row < std::size(kDoubleByte); ++row) {
      unsigned lead = row < 0x1F ? 0x81 + row : 0xE0 + row - 0x1F;
      for (unsigned column = 0; column < std::size(kDoubleByte[row]); ++column) {
        uint16_t unit = kDoubleByte[row][column];
        if (unit != kNone && codes[unit] == kNone) codes[unit] = (lead << 8) | (0x40 + column);
      }
    }
    for (const auto& e : kFromUnicode) codes[e.unicode] = e.code;
    return codes;
  }();
  return table;
}

bool WriteCp932(uint32_t unit, std::string& out) {
  if (unit > 0xFFFF) return false;
  uint16_t code = CodeOfUnit()[unit];
  if (code == kNone) return false;
  if (code > 0xFF) out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
  return true;
}

void WriteUtf8(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The code point of the well-formed UTF-8 sequence at text[i] (i moves past it); false for a
// malformed one (overlong forms, surrogates and values above U+10FFFF are malformed).
bool ReadUtf8(const std::string& text, size_t& i, uint32_t& cp) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  int extra;
  uint32_t min;
  if (c < 0x80) {
    cp = c;
    ++i;
    return true;
  } else if (c >= 0xC2 && c <= 0xDF) {
    cp = c & 0x1F, extra = 1, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    cp = c & 0x0F, extra = 2, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    cp = c & 0x07, extra = 3, min = 0x10000;
  } else {
    return false;
  }
  if (text.size() - i <= static_cast<size_t>(extra)) return false;
  for (int k = 1; k <= extra; ++k) {
    unsigned char t = static_cast<unsigned char>(text[i + k]);
    if ((t & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (t & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  i += extra + 1;
  return true;
}

bool IsSurrogate(uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDFFF;
}

}  // namespace

bool Cp932ToUtf8(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    uint16_t unit = ReadCp932(text, i);
    if (unit == kNone) return false;
    WriteUtf8(unit, out);
  }
  return true;
}

bool Utf8ToCp932(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    uint32_t cp;
    if (!ReadUtf8(text, i, cp) || !WriteCp932(cp, out)) return false;
  }
  return true;
}

bool Cp932ToUtf16(const std::string& text, std::u16string& out) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    uint16_t unit = ReadCp932(text, i);
    if (unit == kNone) return false;
    out += static_cast<char16_t>(unit);
  }
  return true;
}

bool Utf16ToCp932(const std::u16string& text, std::string& out) {
  out.clear();
  for (char16_t unit : text)
    if (IsSurrogate(unit) || !WriteCp932(unit, out)) return false;
  return true;
}

bool Utf16ToUtf8(const std::u16string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (IsSurrogate(cp)) {
      return false;
    }
    WriteUtf8(cp, out);
  }
  return true;
}

bool Utf8ToUtf16(const std::string& text, std::u16string& out) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    uint32_t cp;
    if (!ReadUtf8(text, i, cp)) return false;
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      cp = 0xDC00 + ((cp - 0x10000) & 0x3FF);
    }
    out += static_cast<char16_t>(cp);
  }
  return true;
}

std::u16string DisplayUtf16(const std::string& cp932) {
  std::u16string out;
  for (size_t i = 0; i < cp932.size();) {
    size_t next = i;
    uint16_t unit = ReadCp932(cp932, next);
    if (unit == kNone) {
      out += u'\xFFFD';
      ++i;
    } else {
      out += static_cast<char16_t>(unit);
      i = next;
    }
  }
  return out;
}

std::string DisplayUtf8(const std::string& cp932) {
  std::string out;
  for (char16_t unit : DisplayUtf16(cp932)) WriteUtf8(unit, out);
  return out;
}

}  // namespace orvane
