// Drawing helpers for the FLTK backend: the Japanese face names mapped to installed fonts,
// Windows colours, code page 932 texts for display, word wrapping and the message box icons.
#pragma once
#include <FL/Enumerations.H>

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::fltk {

// The FLTK font for a face name in code page 932: "ＭＳ Ｐゴシック" → IPAPGothic, "ＭＳ ゴシック" →
// IPAGothic, "ＭＳ Ｐ明朝" → IPAPMincho, "Times New Roman" → Liberation Serif; others IPAPGothic.
Fl_Font FontFor(const std::string& faceCp932, bool italic);
// A 0x00BBGGRR colour; the system colours clBtnFace and clWindow as the classic scheme has them.
Fl_Color ColorOf(uint32_t windowsColor);
// The grey of dialog faces.
Fl_Color FaceColor();

// A code page 932 text as UTF-8 for display (invalid bytes shown as U+FFFD).
std::string Utf8(const std::string& cp932);
// Typed UTF-8 text back to code page 932 (characters without a CP932 form become "?").
std::string Cp932(const std::string& utf8);
// A caption with "&X" shortcut marks as an FLTK label: "@" escaped, "&" kept (FLTK reads "&X"
// and "&&" as Windows does).
std::string ButtonLabel(const std::string& cp932);
// A caption for plain drawing: "&&" becomes "&", a single "&" is dropped.
std::string PlainText(const std::string& cp932);

// Splits UTF-8 text into lines that fit `width` pixels in the current font: CR LF, lone CR and
// LF break lines; long lines break after a blank or between Japanese characters.
std::vector<std::string> WrapLines(const std::string& utf8, int width, bool wrap);
// Draws lines from (x, y) downwards with the current font and colour; no symbol or "&" handling.
void DrawLines(const std::vector<std::string>& lines, int x, int y, int w, int lineHeight,
               bool centre);

enum class IconKind { NoIcon, Stop, Question, Warning, Information, Setup };
// Draws a 32 × 32 icon at (x, y).
void DrawIcon(IconKind kind, int x, int y);

}  // namespace orvane::fltk
