// String routines on code page 932 byte strings: substrings with 1-based positions, path
// delimiters at either end, comma fields and the upper-case / full-width locale mapping.
#include "support/uStrOp.h"

#include "support/MBUtils.h"

namespace orvane {

namespace {

// Full-width code page 932 forms of ASCII 0x20-0x7E (space becomes the ideographic space).
// Generated once with iconv (UTF-16LE -> CP932) from U+3000 and U+FF01-U+FF5E.
constexpr uint16_t kFullWidthAscii[0x7F - 0x20] = {
    0x8140, 0x8149, 0xFA57, 0x8194, 0x8190, 0x8193, 0x8195, 0xFA56, 0x8169, 0x816A,  // ' '-')'
    0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E, 0x824F, 0x8250, 0x8251, 0x8252,  // '*'-'3'
    0x8253, 0x8254, 0x8255, 0x8256, 0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181,  // '4'-'='
    0x8184, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // '>'-'G'
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E, 0x826F, 0x8270,  // 'H'-'Q'
    0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, 0x8277, 0x8278, 0x8279, 0x816D,  // 'R'-'['
    0x815F, 0x816E, 0x814F, 0x8151, 0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285,  // '\'-'e'
    0x8286, 0x8287, 0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // 'f'-'o'
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297, 0x8298, 0x8299,  // 'p'-'y'
    0x829A, 0x816F, 0x8162, 0x8170, 0x8160,                                          // 'z'-'~'
};

// Full-width forms of the half-width katakana 0xA1-0xDF, each character on its own (a voiced
// mark stays a separate full-width mark, it is not combined with the kana before it).
constexpr uint16_t kFullWidthKana[0xE0 - 0xA1] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346,  // 0xA1-0xAA
    0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347,  // 0xAB-0xB4
    0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A,  // 0xB5-0xBE
    0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,  // 0xBF-0xC8
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381,  // 0xC9-0xD2
    0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F,  // 0xD3-0xDC
    0x8393, 0x814A, 0x814B,                                                          // 0xDD-0xDF
};

void AppendDoubleByte(std::string& out, uint16_t code) {
  out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

std::string ToFullWidth(const std::string& s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (IsLeadChar(c)) {
      // A double-byte character is already full width; a lone lead byte at the end is kept.
      out.push_back(s[i]);
      if (i + 1 < s.size()) out.push_back(s[++i]);
    } else if (c >= 0x20 && c <= 0x7E) {
      AppendDoubleByte(out, kFullWidthAscii[c - 0x20]);
    } else if (c >= 0xA1 && c <= 0xDF) {
      AppendDoubleByte(out, kFullWidthKana[c - 0xA1]);
    } else {
      out.push_back(s[i]);  // control characters have no full-width form
    }
  }
  return out;
}

std::string ToUpper(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (IsLeadChar(c)) {
      if (i + 1 >= out.size()) break;
      const auto trail = static_cast<unsigned char>(out[i + 1]);
      // Full-width small Latin letters (0x8281-0x829A) map to their capitals (0x8260-0x8279);
      // every other double-byte character, its trail byte included, is left as it is.
      if (c == 0x82 && trail >= 0x81 && trail <= 0x9A) out[i + 1] = static_cast<char>(trail - 0x21);
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

// Position p (1-based) of s, count n, with the program's substring rule.
std::string Substring(const std::string& s, long long position, long long count) {
  if (count < 0) return "";
  if (position < 1) position = 1;
  if (position > static_cast<long long>(s.size())) return "";
  return s.substr(static_cast<size_t>(position - 1), static_cast<size_t>(count));
}

}  // namespace

std::string StrLeft(const std::string& s, int count) {
  return Substring(s, 1, count);
}

std::string StrRight(const std::string& s, int count) {
  return Substring(s, static_cast<long long>(s.size()) - count + 1, count);
}

std::string StrFrom(const std::string& s, int position) {
  return Substring(s, position, static_cast<long long>(s.size()));
}

bool IsPathDelimiter(const std::string& s, int position) {
  if (position < 1 || position > static_cast<int>(s.size())) return false;
  const size_t index = static_cast<size_t>(position - 1);
  if (s[index] != '\\') return false;
  // The byte is the second half of a double-byte character when the unbroken run of lead bytes
  // directly before it has odd length.
  size_t run = 0;
  while (run < index && IsLeadChar(static_cast<unsigned char>(s[index - run - 1]))) ++run;
  return run % 2 == 0;
}

std::string AddPathDelim(const std::string& path, const std::string& mode) {
  if (mode.empty()) return path;
  if (mode[0] == 'T') return IsPathDelimiter(path, 1) ? path : "\\" + path;
  if (mode[0] == 'B') {
    return IsPathDelimiter(path, static_cast<int>(path.size())) ? path : path + "\\";
  }
  return path;
}

std::string DelPathDelim(const std::string& path, const std::string& mode) {
  if (mode.empty()) return path;
  if (mode[0] == 'T') return IsPathDelimiter(path, 1) ? path.substr(1) : path;
  if (mode[0] == 'B') {
    return IsPathDelimiter(path, static_cast<int>(path.size())) ? path.substr(0, path.size() - 1)
                                                                : path;
  }
  return path;
}

std::string MapString(const std::string& s, uint32_t flags) {
  // Only the two mappings the program uses are known; any other flag leaves the text alone, as a
  // failed LCMapStringA call would.
  if (flags == 0 || (flags & ~(lcmap::UpperCase | lcmap::FullWidth)) != 0) return s;
  std::string out = s;
  if (flags & lcmap::FullWidth) out = ToFullWidth(out);
  if (flags & lcmap::UpperCase) out = ToUpper(out);
  return out;
}

std::string GetField(const std::string& s, const std::string& separator, int n) {
  std::string result;
  // A separator of any length but one never matches: the whole of s is then field 1.
  const bool single = separator.size() == 1;
  int field = 1;
  for (char c : s) {
    if (single && c == separator[0]) {
      ++field;
    } else if (field == n) {
      result.push_back(c);
    }
  }
  return result;
}

}  // namespace orvane
