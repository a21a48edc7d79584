// Drawing helpers for the Windows user interface: the forms' fonts (the code page 932 face names
// with SHIFTJIS_CHARSET, the system's message font where a face is not installed), Windows
// colours, display texts, and the painting of the windowless kinds of control (labels, group
// boxes, the setup icon) and of the background window's gradient; and the state dump's pieces.
#pragma once
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

namespace orvane {
struct TControl;
struct TFont;
class TfrmBack;
}  // namespace orvane

namespace orvane::win32ui {

// Form pixels (96 dots per inch) to screen pixels.
int Scale(int pixels);
// A code page 932 text for display (invalid bytes shown as U+FFFD).
std::wstring Wide(const std::string& cp932);
// " A B C D": numbers for the state dump, each after a space.
std::string Numbers(std::initializer_list<long> values);
// Writes `text` as the whole content of the file `path`; false when it could not.
bool WriteWholeFile(const std::wstring& path, const std::string& text);
// A 0x00BBGGRR colour; the system colours clBtnFace and clWindow from the system.
COLORREF ColorOf(uint32_t windowsColor);
// The font of a form font, made once and kept for the life of the process.
HFONT FontOf(const TFont& font);
// The message font of the system, for dialogs the program draws itself.
HFONT SystemFont();

// The size a label takes for its text (auto-sized labels).
SIZE LabelExtent(const TControl& label);
// Paints a label, a group box or the setup icon into `rect` of `dc`.
void PaintStatic(HDC dc, const RECT& rect, const TControl& control);
// Paints the background window: the gradient bands over its client area, then its labels.
void PaintBack(HDC dc, const RECT& client, TfrmBack& back);

}  // namespace orvane::win32ui
