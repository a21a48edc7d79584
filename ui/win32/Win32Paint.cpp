// Fonts, colours and the painting of the controls that have no window class of the system.
#include "ui/win32/Win32Paint.h"

#include <map>
#include <tuple>

#include "support/Cp932.h"
#include "windows/Back.h"
#include "windows/Controls.h"

namespace orvane::win32ui {
namespace {

int ScreenDpi() {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
  }();
  return dpi;
}

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// True when a font family of that name is installed.
bool FaceInstalled(const std::wstring& face) {
  LOGFONTW query = {};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, face.c_str(), LF_FACESIZE);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &query, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

LOGFONTW MessageFont() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    LOGFONTW fallback = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof fallback, &fallback);
    return fallback;
  }
  return metrics.lfMessageFont;
}

UINT LabelFormat(const TControl& c) {
  if (c.name == "lblStatus") return DT_CENTER | DT_VCENTER | DT_SINGLELINE;  // the progress figure
  return c.wordWrap ? DT_WORDBREAK | DT_EXPANDTABS : DT_EXPANDTABS;
}

void DrawLabel(HDC dc, RECT rect, const TControl& c) {
  HGDIOBJ old = SelectObject(dc, FontOf(c.font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, c.enabled ? ColorOf(c.font.color) : GetSysColor(COLOR_GRAYTEXT));
  std::wstring text = Wide(c.caption);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, LabelFormat(c));
  SelectObject(dc, old);
}

}  // namespace

int Scale(int pixels) {
  return MulDiv(pixels, ScreenDpi(), 96);
}

std::wstring Wide(const std::string& cp932) {
  std::u16string text = DisplayUtf16(cp932);
  return std::wstring(text.begin(), text.end());
}

std::string Numbers(std::initializer_list<long> values) {
  std::string text;
  for (long value : values) text += " " + std::to_string(value);
  return text;
}

bool WriteWholeFile(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  return CloseHandle(file) && ok;
}

COLORREF ColorOf(uint32_t color) {
  if (color == clBtnFace) return GetSysColor(COLOR_BTNFACE);
  if (color == clWindow) return GetSysColor(COLOR_WINDOW);
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

HFONT FontOf(const TFont& font) {
  static std::map<std::tuple<std::string, int, bool>, HFONT> fonts;
  auto key = std::make_tuple(font.name, font.height, font.italic);
  auto found = fonts.find(key);
  if (found != fonts.end()) return found->second;
  // A face that is not installed falls back to the system's message font, as the system maps a
  // missing face to a font it has.
  LOGFONTW spec = MessageFont();
  std::wstring face = Wide(font.name);
  if (!face.empty() && FaceInstalled(face)) {
    lstrcpynW(spec.lfFaceName, face.c_str(), LF_FACESIZE);
    spec.lfCharSet = SHIFTJIS_CHARSET;
  }
  spec.lfHeight = -Scale(font.height);
  spec.lfWidth = 0;
  spec.lfWeight = FW_NORMAL;
  spec.lfItalic = font.italic ? TRUE : FALSE;
  HFONT made = CreateFontIndirectW(&spec);
  if (!made) made = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts.emplace(key, made);
  return made;
}

HFONT SystemFont() {
  static HFONT font = [] {
    LOGFONTW spec = MessageFont();
    HFONT made = CreateFontIndirectW(&spec);
    return made ? made : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }();
  return font;
}

SIZE LabelExtent(const TControl& c) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, FontOf(c.font));
  RECT rect = {0, 0, 0, 0};
  std::wstring text = Wide(c.caption);
  DrawTextW(screen, text.c_str(), static_cast<int>(text.size()), &rect,
            DT_CALCRECT | DT_EXPANDTABS);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return {rect.right + 4, rect.bottom + 2};
}

void PaintStatic(HDC dc, const RECT& rect, const TControl& c) {
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  if (!c.transparent) FillRect(dc, &rect, face);
  switch (c.kind) {
    case ControlKind::Label:
      DrawLabel(dc, rect, c);
      break;
    case ControlKind::GroupBox: {
      HGDIOBJ old = SelectObject(dc, FontOf(c.font));
      TEXTMETRICW metrics = {};
      GetTextMetricsW(dc, &metrics);
      RECT frame = rect;
      frame.top += metrics.tmHeight / 2;
      DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
      std::wstring text = Wide(c.caption);
      if (!text.empty()) {
        RECT caption = {rect.left + Scale(8), rect.top, rect.right - Scale(8), rect.bottom};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &caption,
                  DT_CALCRECT | DT_SINGLELINE);
        InflateRect(&caption, Scale(2), 0);
        FillRect(dc, &caption, face);
        InflateRect(&caption, -Scale(2), 0);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, c.enabled ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &caption, DT_SINGLELINE);
      }
      SelectObject(dc, old);
      break;
    }
    case ControlKind::Image: {
      HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
      if (!icon) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
      DrawIconEx(dc, rect.left, rect.top, icon, Scale(32), Scale(32), 0, nullptr, DI_NORMAL);
      break;
    }
    default:
      break;
  }
}

void PaintBack(HDC dc, const RECT& client, TfrmBack& back) {
  // The gradient is computed in form pixels over the whole client area.
  back.GradBox.width = client.right;
  back.GradBox.height = client.bottom;
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  for (const GradBand& band : back.GradBox.Bands()) {
    RECT r = {band.x1, band.y1, band.x2, band.y2};
    HBRUSH brush = CreateSolidBrush(ColorOf(band.color));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  for (TControl* c : back.Controls()) {
    if (!c->Showing()) continue;
    SIZE size = c->autoSize || c->width <= 0 || c->height <= 0
                    ? LabelExtent(*c)
                    : SIZE{Scale(c->width), Scale(c->height)};
    RECT r = {Scale(c->left), Scale(c->top), Scale(c->left) + size.cx, Scale(c->top) + size.cy};
    PaintStatic(dc, r, *c);
  }
}

}  // namespace orvane::win32ui
