// Fonts, colours, text conversion, wrapping and icons for the FLTK backend.
#include "ui/fltk/FltkSupport.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>

// Xlib, which FLTK includes, defines None as a macro; the form models use the name.
#undef None

#include <map>
#include <utility>

#include "support/Cp932.h"
#include "support/Texts.h"

namespace orvane::fltk {

Fl_Font FontFor(const std::string& face, bool italic) {
  static std::map<std::pair<std::string, bool>, Fl_Font> fonts;
  static int next = FL_FREE_FONT;
  std::string family = "IPAPGothic";
  if (face == texts::kFontGothic)
    family = "IPAGothic";
  else if (face == texts::kFontPMincho)
    family = "IPAPMincho";
  else if (face == "Times New Roman")
    family = "Liberation Serif";
  auto key = std::make_pair(family, italic);
  auto found = fonts.find(key);
  if (found != fonts.end()) return found->second;
  // FLTK's Xft font names: the first character is the style (' ' plain, 'I' italic).
  static std::vector<std::string> names;  // FLTK keeps the pointer
  names.reserve(64);
  names.push_back((italic ? "I" : " ") + family);
  Fl_Font font = static_cast<Fl_Font>(next++);
  Fl::set_font(font, names.back().c_str());
  fonts[key] = font;
  return font;
}

Fl_Color FaceColor() {
  return fl_rgb_color(212, 208, 200);
}

Fl_Color ColorOf(uint32_t c) {
  if (c == 0x8000000F) return FaceColor();  // clBtnFace
  if (c == 0x80000005) return FL_WHITE;     // clWindow
  return fl_rgb_color(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

std::string Utf8(const std::string& cp932) {
  return DisplayUtf8(cp932);
}

std::string Cp932(const std::string& utf8) {
  std::string out;
  if (Utf8ToCp932(utf8, out)) return out;
  // One character at a time, so that one unmappable character costs only itself.
  out.clear();
  const char* p = utf8.c_str();
  const char* end = p + utf8.size();
  while (p < end) {
    int length = 0;
    fl_utf8decode(p, end, &length);
    if (length < 1) length = 1;
    std::string one;
    out += Utf8ToCp932(std::string(p, length), one) ? one : "?";
    p += length;
  }
  return out;
}

std::string ButtonLabel(const std::string& cp932) {
  std::string text = Utf8(cp932), out;
  for (char c : text) {
    if (c == '@')
      out += "@@";
    else
      out += c;
  }
  return out;
}

std::string PlainText(const std::string& cp932) {
  std::string text = Utf8(cp932), out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

namespace {

// True for characters after which a Japanese line may break (ideographs, kana, full-width forms).
bool BreaksAnywhere(unsigned code) {
  return code >= 0x2E80;
}

}  // namespace

std::vector<std::string> WrapLines(const std::string& utf8, int width, bool wrap) {
  std::vector<std::string> paragraphs{""};
  for (size_t i = 0; i < utf8.size(); ++i) {
    char c = utf8[i];
    if (c == '\r') {
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
      paragraphs.emplace_back();
    } else if (c == '\n') {
      paragraphs.emplace_back();
    } else {
      paragraphs.back() += c;
    }
  }
  if (!wrap) return paragraphs;
  std::vector<std::string> lines;
  for (const std::string& text : paragraphs) {
    size_t start = 0;
    while (true) {
      if (fl_width(text.c_str() + start, static_cast<int>(text.size() - start)) <= width) {
        lines.push_back(text.substr(start));
        break;
      }
      // Find the longest prefix that fits, remembering the last place a break is allowed.
      size_t pos = start, lastBreak = std::string::npos, fits = start;
      while (pos < text.size()) {
        int length = 0;
        unsigned code = fl_utf8decode(text.c_str() + pos, text.c_str() + text.size(), &length);
        if (length < 1) length = 1;
        size_t next = pos + length;
        if (fl_width(text.c_str() + start, static_cast<int>(next - start)) > width) break;
        fits = next;
        if (code == ' ' || BreaksAnywhere(code)) lastBreak = next;
        pos = next;
      }
      size_t cut = lastBreak != std::string::npos && lastBreak > start ? lastBreak : fits;
      if (cut <= start) {  // not even one character fits: take one anyway
        int length = 0;
        fl_utf8decode(text.c_str() + start, text.c_str() + text.size(), &length);
        cut = start + (length < 1 ? 1 : length);
      }
      std::string line = text.substr(start, cut - start);
      while (!line.empty() && line.back() == ' ') line.pop_back();
      lines.push_back(line);
      start = cut;
      while (start < text.size() && text[start] == ' ') ++start;
      if (start >= text.size()) break;
    }
  }
  return lines;
}

void DrawLines(const std::vector<std::string>& lines, int x, int y, int w, int lineHeight,
               bool centre) {
  int baseline = y + fl_height() - fl_descent();
  for (const std::string& line : lines) {
    int dx = centre ? (w - static_cast<int>(fl_width(line.c_str()))) / 2 : 0;
    fl_draw(line.c_str(), static_cast<int>(line.size()), x + dx, baseline);
    baseline += lineHeight;
  }
}

void DrawIcon(IconKind kind, int x, int y) {
  auto glyph = [&](const char* text, Fl_Color color, int size, int dy) {
    fl_color(color);
    fl_font(FL_TIMES_BOLD, size);
    int w = static_cast<int>(fl_width(text));
    fl_draw(text, x + (32 - w) / 2, y + dy);
  };
  switch (kind) {
    case IconKind::NoIcon:
      return;
    case IconKind::Stop:
      fl_color(fl_rgb_color(200, 0, 0));
      fl_pie(x + 1, y + 1, 30, 30, 0, 360);
      fl_color(FL_WHITE);
      fl_line_style(FL_SOLID, 4);
      fl_line(x + 10, y + 10, x + 22, y + 22);
      fl_line(x + 22, y + 10, x + 10, y + 22);
      fl_line_style(0);
      return;
    case IconKind::Question:
      fl_color(fl_rgb_color(0, 64, 200));
      fl_pie(x + 1, y + 1, 30, 30, 0, 360);
      glyph("?", FL_WHITE, 24, 25);
      return;
    case IconKind::Information:
      fl_color(fl_rgb_color(0, 64, 200));
      fl_pie(x + 1, y + 1, 30, 30, 0, 360);
      glyph("i", FL_WHITE, 24, 25);
      return;
    case IconKind::Warning:
      fl_color(fl_rgb_color(240, 200, 0));
      fl_polygon(x + 16, y + 1, x + 31, y + 30, x + 1, y + 30);
      fl_color(FL_BLACK);
      fl_loop(x + 16, y + 1, x + 31, y + 30, x + 1, y + 30);
      glyph("!", FL_BLACK, 22, 28);
      return;
    case IconKind::Setup:
      // A computer with a package in front of it: the installer's own icon.
      fl_color(fl_rgb_color(128, 128, 128));
      fl_rectf(x + 4, y + 2, 24, 18);
      fl_color(fl_rgb_color(0, 0, 128));
      fl_rectf(x + 6, y + 4, 20, 14);
      fl_color(fl_rgb_color(0, 128, 128));
      fl_rectf(x + 8, y + 6, 16, 10);
      fl_color(fl_rgb_color(192, 192, 192));
      fl_rectf(x + 10, y + 20, 12, 3);
      fl_color(fl_rgb_color(224, 176, 64));
      fl_rectf(x + 14, y + 18, 16, 13);
      fl_color(FL_BLACK);
      fl_rect(x + 14, y + 18, 16, 13);
      fl_line(x + 14, y + 23, x + 29, y + 23);
      return;
  }
}

}  // namespace orvane::fltk
