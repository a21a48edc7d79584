// Code page 932 <-> UTF-8 through iconv; ASCII text takes a fast path that skips iconv.
#include "platform/host/Encoding.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace orvane::host {
namespace {

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

bool Convert(const char* to, const char* from, const std::string& text, std::string& out) {
  if (IsAscii(text)) {
    out = text;
    return true;
  }
  return ConvertEncoding(to, from, text, out);
}

}  // namespace

bool ConvertEncoding(const char* to, const char* from, const std::string& text, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(text.size() * 4 + 8, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  bool ok = iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1) && inLeft == 0;
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return ok;
}

bool Cp932ToUtf8(const std::string& text, std::string& out) {
  return Convert("UTF-8", "CP932", text, out);
}

bool Utf8ToCp932(const std::string& text, std::string& out) {
  return Convert("CP932", "UTF-8", text, out);
}

std::string DisplayUtf8(const std::string& cp932) {
  std::string out;
  if (Cp932ToUtf8(cp932, out)) return out;
  // Convert piece by piece: a byte that does not start a valid character shows as U+FFFD.
  out.clear();
  size_t i = 0;
  while (i < cp932.size()) {
    unsigned char c = static_cast<unsigned char>(cp932[i]);
    size_t len = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
    std::string piece, conv;
    piece = cp932.substr(i, len);
    if (Cp932ToUtf8(piece, conv)) {
      out += conv;
      i += piece.size();
    } else {
      out += "\xEF\xBF\xBD";
      i += 1;
    }
  }
  return out;
}

}  // namespace orvane::host
