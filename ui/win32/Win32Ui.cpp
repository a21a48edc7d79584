// The Windows backend: top-level windows made from the form models and re-synchronised from them
// before each wait, with the dialog keys handled in the program's own message loop.
#include "ui/win32/Win32Ui.h"

// clang-format off
#include "ui/win32/Win32Paint.h"  // <windows.h>, which <commctrl.h> needs first
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "app/Application.h"
#include "app/Main.h"
#include "app/WindowState.h"
#include "platform/win32/Win32Paths.h"
#include "support/Cp932.h"
#include "windows/Back.h"
#include "windows/Controls.h"
#include "windows/CusDlg.h"
#include "windows/Status.h"

namespace orvane::win32ui {
namespace {

const wchar_t kFormClass[] = L"OrvaneForm";
const wchar_t kStaticClass[] = L"OrvaneStatic";

// The one user interface: the window procedures reach it here.
Win32Ui* g_ui = nullptr;

bool TakesFocus(ControlKind kind) {
  return kind == ControlKind::Button || kind == ControlKind::CheckBox ||
         kind == ControlKind::RadioButton || kind == ControlKind::Edit || kind == ControlKind::Memo;
}

std::string WindowTextOf(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  std::string cp932;
  if (!win32::FromWide(text, cp932)) cp932 = win32::FromWideLossy(text);
  return cp932;
}

// A memo's text with lone CR and lone LF as CR LF, the only line break an edit control knows.
std::string CrLfLines(const std::string& text) {
  std::string out;
  for (size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '\r' || text[k] == '\n') {
      out += "\r\n";
      if (text[k] == '\r' && k + 1 < text.size() && text[k + 1] == '\n') ++k;
    } else {
      out += text[k];
    }
  }
  return out;
}

// The letter a caption underlines ("&X"; "&&" is a plain "&"), upper case, or 0.
unsigned Mnemonic(const std::string& caption) {
  for (size_t k = 0; k + 1 < caption.size(); ++k) {
    auto c = static_cast<unsigned char>(caption[k]);
    if (IsLeadChar(c)) {
      ++k;
    } else if (c == '&') {
      auto next = static_cast<unsigned char>(caption[k + 1]);
      if (next != '&' && next < 0x80) return static_cast<unsigned>(std::toupper(next));
      ++k;
    }
  }
  return 0;
}

}  // namespace

// What was last written into a control's window, so that only changes touch it.
struct ControlView {
  TControl* control = nullptr;
  HWND window = nullptr;
  std::string caption;
  bool first = true, shown = false, active = true, enabled = true, checked = false;
  bool isDefault = false;
  int position = -1, x = 0, y = 0, w = 0, h = 0;
  uint32_t color = 0;
  ScrollBars scrollBars = ScrollBars::None;
  HBRUSH brush = nullptr;  // memo background
};

struct FormView {
  TForm* form = nullptr;
  HWND window = nullptr;
  std::vector<ControlView> controls;
  std::string caption;
  bool first = true, shown = false, enabled = true, closeBox = true;
  int width = 0, height = 0;
  ControlView* Find(HWND window) {
    for (ControlView& cv : controls)
      if (cv.window == window) return &cv;
    return nullptr;
  }
};

namespace {

LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* cv = reinterpret_cast<ControlView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_PAINT && cv) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT rect;
    GetClientRect(window, &rect);
    PaintStatic(dc, rect, *cv->control);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_NCHITTEST) return HTTRANSPARENT;  // clicks go to the form beneath
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* view = reinterpret_cast<FormView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!view || !g_ui) return DefWindowProcW(window, message, wParam, lParam);
  TForm& form = *view->form;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (auto* back = dynamic_cast<TfrmBack*>(&form)) {
        // Drawn off screen and copied at once: the gradient and the titles do not flicker.
        RECT client;
        GetClientRect(window, &client);
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1),
                                                std::max<LONG>(client.bottom, 1));
        HGDIOBJ old = SelectObject(memory, bitmap);
        PaintBack(memory, client, *back);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
      }
      EndPaint(window, &paint);
      g_ui->NotePainted(*view);
      return 0;
    }
    case WM_ERASEBKGND:
      if (dynamic_cast<TfrmBack*>(&form)) return 1;
      break;
    case WM_COMMAND: {
      ControlView* cv = view->Find(reinterpret_cast<HWND>(lParam));
      if (!cv) break;
      TControl& c = *cv->control;
      if (HIWORD(wParam) == BN_CLICKED && c.kind == ControlKind::Button) {
        g_ui->QueueClick(c);
      } else if (HIWORD(wParam) == BN_CLICKED &&
                 (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton)) {
        g_ui->ClickNow(c);
        SendMessageW(cv->window, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
      } else if (HIWORD(wParam) == EN_CHANGE && c.kind == ControlKind::Edit) {
        std::string text = WindowTextOf(cv->window);
        cv->caption = text;  // the model takes it; nothing to write back
        g_ui->TypedText(c, text);
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      ControlView* cv = view->Find(reinterpret_cast<HWND>(lParam));
      if (cv && cv->brush) {
        SetBkColor(reinterpret_cast<HDC>(wParam), ColorOf(cv->control->color));
        SetTextColor(reinterpret_cast<HDC>(wParam), ColorOf(cv->control->font.color));
        return reinterpret_cast<LRESULT>(cv->brush);
      }
      break;
    }
    case WM_SETFOCUS:
      // The focus entering the window goes on to the form's focused control.
      g_ui->FocusEntered(*view);
      return 0;
    case WM_CLOSE:
      // A close box on a modal form ends its modal loop with Cancel; other forms ignore it.
      if (form.closeBoxEnabled && form.enabled) form.modalResult = 2;
      return 0;
    case WM_TIMER:
      g_ui->WriteDump();
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  INITCOMMONCONTROLSEX common = {sizeof common, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW form = {};
  form.cbSize = sizeof form;
  form.lpfnWndProc = FormProc;
  form.hInstance = instance;
  form.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  form.lpszClassName = kFormClass;
  RegisterClassExW(&form);
  WNDCLASSEXW label = form;
  label.lpfnWndProc = StaticProc;
  label.hIcon = nullptr;
  label.hbrBackground = nullptr;
  label.lpszClassName = kStaticClass;
  RegisterClassExW(&label);
}

HWND MakeControlWindow(HWND parent, ControlView& cv) {
  TControl& c = *cv.control;
  const wchar_t* cls = kStaticClass;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS, extended = 0;
  switch (c.kind) {
    case ControlKind::Button:
      cls = L"BUTTON", style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlKind::CheckBox:
      cls = L"BUTTON", style |= BS_CHECKBOX | WS_TABSTOP;
      break;
    case ControlKind::RadioButton:
      cls = L"BUTTON", style |= BS_RADIOBUTTON | WS_TABSTOP;
      break;
    case ControlKind::Edit:
      cls = L"EDIT", style |= ES_AUTOHSCROLL | WS_TABSTOP, extended = WS_EX_CLIENTEDGE;
      if (c.readOnly) style |= ES_READONLY;
      break;
    case ControlKind::Memo: {
      cls = L"EDIT", style |= ES_MULTILINE | ES_READONLY | WS_TABSTOP, extended = WS_EX_CLIENTEDGE;
      const bool horizontal =
          c.scrollBars == ScrollBars::Horizontal || c.scrollBars == ScrollBars::Both;
      const bool vertical =
          c.scrollBars == ScrollBars::Vertical || c.scrollBars == ScrollBars::Both;
      if (horizontal) style |= WS_HSCROLL | ES_AUTOHSCROLL;
      if (vertical) style |= WS_VSCROLL | ES_AUTOVSCROLL;
      cv.scrollBars = c.scrollBars;
      break;
    }
    case ControlKind::ProgressBar:
      cls = PROGRESS_CLASSW, style |= PBS_SMOOTH;
      break;
    default:
      break;
  }
  HWND window = CreateWindowExW(extended, cls, L"", style, 0, 0, 1, 1, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&cv));
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(c.font)), FALSE);
  if (c.kind == ControlKind::ProgressBar) SendMessageW(window, PBM_SETBARCOLOR, 0, RGB(0, 0, 128));
  // Later controls lie above earlier ones (the copy progress frame over the status text).
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  cv.first = true;
  return window;
}

}  // namespace

Win32Ui::Win32Ui() {
  if (const wchar_t* p = _wgetenv(L"ORVANE_WIN32_DUMP")) dumpPath_ = p;
  if (const wchar_t* p = _wgetenv(L"ORVANE_WIN32_FIRST_PAINT"))
    firstPaintPath_ = p;
  g_ui = this;
  RegisterClasses();
}

Win32Ui::~Win32Ui() {
  for (auto& view : views_) {
    if (view->window) DestroyWindow(view->window);
    for (ControlView& cv : view->controls)
      if (cv.brush) DeleteObject(cv.brush);
  }
  g_ui = nullptr;
}

void Win32Ui::Realise(TForm& form) {
  auto view = std::make_unique<FormView>();
  view->form = &form;
  const bool back = dynamic_cast<TfrmBack*>(&form) != nullptr;
  DWORD style = back ? WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN
                     : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  DWORD extended = back ? 0 : WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  view->window = CreateWindowExW(extended, kFormClass, L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                 Scale(form.clientWidth), Scale(form.clientHeight), nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(view->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view.get()));
  // The focus rectangles and underlined letters show from the start, not only after a key.
  SendMessageW(view->window, WM_CHANGEUISTATE,
               MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  view->controls.resize(form.Controls().size());
  size_t i = 0;
  for (TControl* c : form.Controls()) {
    ControlView& cv = view->controls[i++];
    cv.control = c;
    // The background window draws its own titles over the gradient.
    if (!back) cv.window = MakeControlWindow(view->window, cv);
  }
  views_.push_back(std::move(view));
}

void Win32Ui::ClickNow(TControl& control) {
  if (app_) app_->Click(control);
}

void Win32Ui::TypedText(TControl& control, const std::string& cp932) {
  if (app_ && control.caption != cp932) app_->SetText(control, cp932);
}

bool Win32Ui::TakesInput(const TForm& form) const {
  return FormTakesInput(*app_, form, modalDialogs_ > 0);
}

// ---- Keeping a form's windows in step with its model ----

namespace {

// The window's place and size: the whole work area when maximised, else its client area the
// form's size, centred on the work area; and its caption and close box.
void SyncWindow(FormView& view, HWND owner) {
  TForm& form = *view.form;
  HWND window = view.window;
  if (view.first && owner && owner != window)
    SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  if (form.maximised) {
    if (IsWindowVisible(window)) {
      RECT client;
      GetClientRect(window, &client);
      form.clientWidth = client.right;
      form.clientHeight = client.bottom;
    }
  } else if (view.first || view.width != form.clientWidth || view.height != form.clientHeight) {
    view.width = form.clientWidth;
    view.height = form.clientHeight;
    RECT frame = {0, 0, Scale(form.clientWidth), Scale(form.clientHeight)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (view.first || view.caption != form.caption) {
    view.caption = form.caption;
    SetWindowTextW(window, Wide(form.caption).c_str());
  }
  if (view.first || view.closeBox != form.closeBoxEnabled) {
    view.closeBox = form.closeBoxEnabled;
    EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE,
                   MF_BYCOMMAND | (form.closeBoxEnabled ? MF_ENABLED : MF_GRAYED));
  }
  view.first = false;
}

// A control's place in its window (its parents' offsets added) and its size; an auto-sized
// label takes the size of its text.
void SyncGeometry(ControlView& cv) {
  const TControl& c = *cv.control;
  int x = c.left, y = c.top;
  for (TControl* p = c.parent; p; p = p->parent) x += p->left, y += p->top;
  int width = Scale(c.width), height = Scale(c.height);
  x = Scale(x), y = Scale(y);
  if (c.kind == ControlKind::Label && (c.width <= 0 || c.height <= 0)) {
    SIZE extent = LabelExtent(c);
    if (c.width <= 0) width = extent.cx;
    if (c.height <= 0) height = extent.cy;
  }
  if (!cv.first && x == cv.x && y == cv.y && width == cv.w && height == cv.h) return;
  cv.x = x, cv.y = y, cv.w = width, cv.h = height;
  SetWindowPos(cv.window, nullptr, x, y, std::max(width, 1), std::max(height, 1),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// A control's text as its kind shows it.
void SyncText(ControlView& cv) {
  const TControl& c = *cv.control;
  if (!cv.first && c.caption == cv.caption) return;
  cv.caption = c.caption;
  if (c.kind == ControlKind::Memo)
    SetWindowTextW(cv.window, Wide(CrLfLines(c.caption)).c_str());
  else if (c.kind == ControlKind::Edit && WindowTextOf(cv.window) == c.caption)
    return;
  else
    SetWindowTextW(cv.window, Wide(c.caption).c_str());
  InvalidateRect(cv.window, nullptr, TRUE);
}

// A memo's colour, and its scroll bars: a change of them makes its window anew, as the edit
// control reads its wrapping from its style only when it is made.
void SyncLook(HWND form, ControlView& cv) {
  const TControl& c = *cv.control;
  if (c.kind != ControlKind::Memo) return;
  if (!cv.first && cv.scrollBars != c.scrollBars) {
    DestroyWindow(cv.window);
    cv.window = MakeControlWindow(form, cv);
    cv.first = true, cv.shown = false;
    SyncGeometry(cv);
    SyncText(cv);
  }
  if (cv.first || cv.color != c.color) {
    cv.color = c.color;
    if (cv.brush) DeleteObject(cv.brush);
    cv.brush = CreateSolidBrush(ColorOf(c.color));
    InvalidateRect(cv.window, nullptr, TRUE);
  }
}

// The tick of a check box or radio button and the position of a progress bar.
void SyncValue(ControlView& cv) {
  const TControl& c = *cv.control;
  if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton) {
    if (cv.first || c.checked != cv.checked) {
      cv.checked = c.checked;
      SendMessageW(cv.window, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
  if (c.kind != ControlKind::ProgressBar || (!cv.first && c.position == cv.position)) return;
  cv.position = c.position;
  SendMessageW(cv.window, PBM_SETRANGE32, static_cast<WPARAM>(c.minimum),
               static_cast<LPARAM>(c.maximum));
  SendMessageW(cv.window, PBM_SETPOS, static_cast<WPARAM>(c.position), 0);
}

// Enabled and shown. A control that can take the focus counts as active (for the dump) while it
// is enabled and its form takes input; the form's window itself is disabled then, as Windows
// disables the windows beneath a modal one.
void SyncState(ControlView& cv, bool formTakesInput) {
  const TControl& c = *cv.control;
  cv.active =
      TakesFocus(c.kind) ? c.enabled && (formTakesInput || c.kind == ControlKind::Memo) : true;
  if (cv.first || c.enabled != cv.enabled) {
    cv.enabled = c.enabled;
    // A memo stays enabled so that its text can be scrolled; labels grey themselves.
    if (c.kind != ControlKind::Memo) EnableWindow(cv.window, c.enabled ? TRUE : FALSE);
    InvalidateRect(cv.window, nullptr, TRUE);
  }
  const bool shown = c.Showing();
  if (cv.first || shown != cv.shown) {
    cv.shown = shown;
    ShowWindow(cv.window, shown ? SW_SHOWNA : SW_HIDE);
  }
}

// The button Enter presses wears the dark frame: the focused push button, else the wizard's
// start button.
void SyncDefault(FormView& view) {
  auto* main = dynamic_cast<TfrmMain*>(view.form);
  HWND focus = GetFocus();
  ControlView* focused = view.Find(focus);
  const bool buttonFocused = focused && focused->control->kind == ControlKind::Button;
  for (ControlView& cv : view.controls) {
    if (cv.control->kind != ControlKind::Button) continue;
    const bool wanted = buttonFocused ? &cv == focused : main && cv.control == &main->btnEvent;
    if (wanted == cv.isDefault && !cv.first) continue;
    cv.isDefault = wanted;
    SendMessageW(cv.window, BM_SETSTYLE, wanted ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

}  // namespace

void Win32Ui::SyncForm(FormView& view) {
  // The dialogs stay above the background window, the shared-file question above the wizard.
  HWND owner = nullptr;
  if (app_ && view.form != &app_->frmBack()) {
    const TForm* ownerForm = view.form == &app_->frmCustomDlg()
                                 ? static_cast<TForm*>(&app_->frmMain())
                                 : &app_->frmBack();
    for (auto& v : views_)
      if (v->form == ownerForm) owner = v->window;
  }
  SyncWindow(view, owner);
  const bool input = TakesInput(*view.form);
  const bool back = dynamic_cast<TfrmBack*>(view.form) != nullptr;
  bool changed = false;
  for (ControlView& cv : view.controls) {
    if (back) {
      // The titles are drawn by the window: any change repaints it.
      const TControl& c = *cv.control;
      changed |= cv.first || cv.caption != c.caption || cv.shown != c.Showing() || cv.x != c.left ||
                 cv.y != c.top;
      cv.caption = c.caption;
      cv.shown = c.Showing();
      cv.x = c.left, cv.y = c.top;
      cv.first = false;
      continue;
    }
    SyncGeometry(cv);
    SyncText(cv);
    SyncLook(view.window, cv);
    SyncValue(cv);
    SyncState(cv, input);
  }
  if (!back) SyncDefault(view);
  for (ControlView& cv : view.controls) cv.first = false;
  if (changed) InvalidateRect(view.window, nullptr, FALSE);
  // The form's window takes input only while the form does (the background never does).
  const bool enabled = input && !back;
  if (enabled != view.enabled || !view.shown) {
    view.enabled = enabled;
    EnableWindow(view.window, enabled ? TRUE : FALSE);
  }
  if (view.form->visible && !view.shown) {
    view.shown = true;
    ShowWindow(view.window, view.form->maximised ? SW_SHOWMAXIMIZED : SW_SHOW);
    UpdateWindow(view.window);
    if (view.form->maximised) SyncWindow(view, owner);
  } else if (!view.form->visible && view.shown) {
    view.shown = false;
    ShowWindow(view.window, SW_HIDE);
  }
}

FormView* Win32Ui::ViewOf(void* window) {
  if (!window) return nullptr;
  HWND top = GetAncestor(static_cast<HWND>(window), GA_ROOT);
  for (auto& view : views_)
    if (view->window == top) return view.get();
  return nullptr;
}

FormView* Win32Ui::InputView() {
  if (!app_ || modalDialogs_ > 0) return nullptr;
  for (TForm* form : KeyboardCandidates(*app_))
    for (auto& view : views_)
      if (view->form == form && form->visible && view->shown && TakesInput(*form))
        return view.get();
  return nullptr;
}

void* Win32Ui::FocusTarget(FormView& view) const {
  auto usable = [](const ControlView& cv) {
    return TakesFocus(cv.control->kind) && cv.control->Showing() && cv.control->enabled;
  };
  for (const ControlView& cv : view.controls) {
    if (view.form->focused ? cv.control == view.form->focused : usable(cv))
      return usable(cv) ? cv.window : view.window;
  }
  return view.window;
}

// The real focus follows the model: after a page change, and again as soon as the focused
// control is enabled or shown after a time in which it could not hold the focus.
void Win32Ui::FollowModelFocus() {
  FormView* view = InputView();
  if (!view) return;
  HWND target = static_cast<HWND>(FocusTarget(*view));
  if (GetFocus() == target) return;
  SetFocus(target);
}

void Win32Ui::FocusEntered(FormView& view) {
  if (InputView() != &view) return;
  HWND target = static_cast<HWND>(FocusTarget(view));
  if (target != view.window) SetFocus(target);
}

void Win32Ui::NoteUserFocus(void* window) {
  FormView* view = ViewOf(window);
  if (!view) return;
  if (ControlView* cv = view->Find(static_cast<HWND>(window))) view->form->focused = cv->control;
}

// Tab and Shift+Tab: the next control in the form's order that can take the focus.
void Win32Ui::MoveFocus(FormView& view, bool backwards) {
  const int n = static_cast<int>(view.controls.size());
  // From the form's focused control, or, when it names none, from the control holding the focus.
  const TControl* current = view.form->focused;
  if (const ControlView* holder = view.Find(GetFocus()); !current && holder)
    current = holder->control;
  int from = -1;
  for (int i = 0; i < n; ++i)
    if (view.controls[i].control == current) from = i;
  for (int step = 1; step <= n; ++step) {
    int i = from < 0 ? (backwards ? n - step : step - 1)
                     : ((from + (backwards ? -step : step)) % n + n) % n;
    ControlView& cv = view.controls[i];
    if (TakesFocus(cv.control->kind) && cv.control->Showing() && cv.control->enabled) {
      SetFocus(cv.window);
      view.form->focused = cv.control;
      // A text field selects its whole text when Tab brings the focus to it.
      if (cv.control->kind == ControlKind::Edit) SendMessageW(cv.window, EM_SETSEL, 0, -1);
      return;
    }
  }
}

// The arrow keys on a radio button select the next or previous button of its group (the radio
// buttons next to it in the form's order with the same parent), as in a Windows dialog.
bool Win32Ui::MoveInGroup(FormView& view, ControlView& from, bool forwards) {
  const int n = static_cast<int>(view.controls.size());
  const int start = static_cast<int>(&from - view.controls.data());
  for (int i = start + (forwards ? 1 : -1); i >= 0 && i < n; i += forwards ? 1 : -1) {
    TControl& c = *view.controls[i].control;
    if (c.kind != ControlKind::RadioButton || c.parent != from.control->parent) break;
    if (!c.Showing() || !c.enabled) continue;
    SetFocus(view.controls[i].window);
    view.form->focused = &c;
    ClickNow(c);
    return true;
  }
  return true;  // the end of the group: the focus stays
}

void Win32Ui::PressDefault(FormView& view) {
  auto* main = dynamic_cast<TfrmMain*>(view.form);
  if (main && main->btnEvent.Showing() && main->btnEvent.enabled) QueueClick(main->btnEvent);
}

bool Win32Ui::PressMnemonic(FormView& view, unsigned letter) {
  for (ControlView& cv : view.controls) {
    TControl& c = *cv.control;
    if (c.kind != ControlKind::Button && c.kind != ControlKind::CheckBox &&
        c.kind != ControlKind::RadioButton)
      continue;
    if (!c.Showing() || !c.enabled || Mnemonic(c.caption) != letter) continue;
    SetFocus(cv.window);
    view.form->focused = &c;
    if (c.kind == ControlKind::Button)
      QueueClick(c);
    else
      ClickNow(c);
    return true;
  }
  return false;
}

// The keys a dialog manager would handle, in the forms that take input. True when used.
bool Win32Ui::TranslateKey(const void* message) {
  const MSG& msg = *static_cast<const MSG*>(message);
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSCHAR && msg.message != WM_CHAR)
    return false;
  FormView* view = ViewOf(msg.hwnd);
  if (!view || view != InputView()) return false;
  ControlView* focused = view->Find(GetFocus());
  const ControlKind kind = focused ? focused->control->kind : ControlKind::Label;
  if (msg.message == WM_SYSCHAR)
    return PressMnemonic(*view, static_cast<unsigned>(std::toupper(static_cast<int>(msg.wParam))));
  if (msg.message == WM_CHAR) {
    // Without Alt, a letter presses its control while the focus is not in a text field.
    if (kind == ControlKind::Edit || kind == ControlKind::Memo || msg.wParam < L'0' ||
        msg.wParam > L'z')
      return false;
    return PressMnemonic(*view, static_cast<unsigned>(std::toupper(static_cast<int>(msg.wParam))));
  }
  switch (msg.wParam) {
    case VK_TAB:
      MoveFocus(*view, GetKeyState(VK_SHIFT) < 0);
      return true;
    case VK_RETURN:
      if (focused && kind == ControlKind::Button) {
        if (focused->control->enabled) QueueClick(*focused->control);
      } else {
        PressDefault(*view);
      }
      return true;
    case VK_ESCAPE:
      return true;  // the forms have no Cancel button
    case VK_UP:
    case VK_LEFT:
    case VK_DOWN:
    case VK_RIGHT:
      return kind == ControlKind::RadioButton &&
             MoveInGroup(*view, *focused, msg.wParam == VK_DOWN || msg.wParam == VK_RIGHT);
    case 'A':
      if (kind == ControlKind::Edit && GetKeyState(VK_CONTROL) < 0) {
        SendMessageW(focused->window, EM_SETSEL, 0, -1);
        return true;
      }
      return false;
  }
  return false;
}

void Win32Ui::Pump(bool wait) {
  if (wait && pending_.empty())
    MsgWaitForMultipleObjectsEx(0, nullptr, 500, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;  // the program ends through its forms, not WM_QUIT
    HWND before = GetFocus();
    if (!TranslateKey(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    // A focus moved by a key or a click is the user's choice.
    HWND after = GetFocus();
    if (after != before && ((msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
                            msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONUP))
      NoteUserFocus(after);
  }
}

void Win32Ui::Sync() {
  if (!app_) return;
  for (auto& view : views_) SyncForm(*view);
  FollowModelFocus();
  WriteDump();
}

void Win32Ui::DispatchPending() {
  if (app_) DispatchClicks(*app_, pending_);
}

void Win32Ui::ProcessMessages() {
  Sync();
  Pump(false);
  DispatchPending();
  Sync();
}

void Win32Ui::HandleMessage() {
  Sync();
  Pump(true);
  DispatchPending();
  Sync();
}

void Win32Ui::NotePainted(FormView& view) {
  if (firstPaintWritten_ || firstPaintPath_.empty() || !app_) return;
  if (view.form != &app_->frmMain() || !WizardShowsPage(*app_)) return;
  firstPaintWritten_ = true;
  auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::system_clock::now().time_since_epoch())
                 .count();
  // The process's creation time too, so that a benchmark can tell the program's own share from
  // the time the system took to start it.
  FILETIME created, exited, kernel, user;
  long long createdMs = 0;
  if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
    ULARGE_INTEGER ticks;  // 100 ns since 1601
    ticks.LowPart = created.dwLowDateTime;
    ticks.HighPart = created.dwHighDateTime;
    createdMs = static_cast<long long>(ticks.QuadPart / 10000 - 11644473600000ULL);
  }
  WriteWholeFile(firstPaintPath_, std::to_string(now) + " " + std::to_string(createdMs) + "\n");
}

void* Win32Ui::DialogOwner() {
  if (FormView* view = InputView()) return view->window;
  if (!app_) return nullptr;
  const TForm* topmostFirst[] = {&app_->frmCustomDlg(), &app_->frmStatus(), &app_->frmMain(),
                                 &app_->frmBack()};
  for (const TForm* form : topmostFirst)
    for (auto& view : views_)
      if (view->form == form && view->shown) return view->window;
  return nullptr;
}

void Win32Ui::WriteDump() {
  if (dumpPath_.empty()) return;
  std::string out;
  for (auto& view : views_) {
    TForm& form = *view->form;
    if (!form.visible || !view->shown) continue;
    RECT client;
    GetClientRect(view->window, &client);
    POINT origin = {0, 0};
    ClientToScreen(view->window, &origin);
    out += "form " + form.name + Numbers({origin.x, origin.y, client.right, client.bottom}) +
           (form.enabled ? "" : " disabled") + " " + DumpQuote(DisplayUtf8(form.caption)) + "\n";
    for (ControlView& cv : view->controls) {
      TControl& c = *cv.control;
      if (!c.Showing() || c.kind == ControlKind::Memo) continue;
      int x = cv.x, y = cv.y, w = cv.w, h = cv.h;
      if (!cv.window) {  // drawn by the background window
        SIZE extent = LabelExtent(c);
        x = Scale(c.left), y = Scale(c.top), w = extent.cx, h = extent.cy;
      }
      out += "control " + form.name + "." + c.name + Numbers({origin.x + x, origin.y + y, w, h}) +
             (c.enabled && cv.active ? "" : " disabled") +
             ((c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton)
                  ? (c.checked ? " on" : " off")
                  : "") +
             " " + DumpQuote(DisplayUtf8(c.caption)) + "\n";
    }
  }
  out += DialogDump();
  // Where the keyboard focus is: a form control, a form window itself, a dialog part or none.
  std::string focus = "none";
  HWND f = GetFocus();
  if (FormView* view = ViewOf(f)) {
    focus = view->form->name;
    if (ControlView* cv = view->Find(f)) focus += "." + cv->control->name;
  } else if (f && dialog_ && GetAncestor(f, GA_ROOT) == static_cast<HWND>(dialog_)) {
    focus = dialogKind_ == "box" ? "box" : "browser";
    switch (GetDlgCtrlID(f)) {
      case IDOK:
        focus += ".ok";
        break;
      case IDCANCEL:
        focus += ".cancel";
        break;
      case IDYES:
        focus += ".yes";
        break;
      case IDNO:
        focus += ".no";
        break;
      default:
        focus += dialogKind_ == "browser" ? ".tree" : "";
        break;
    }
  }
  out += "focus " + focus + "\n";
  if (out == lastDump_) return;
  lastDump_ = out;
  // Written aside and moved into place, so that a reader never sees half a dump.
  const std::wstring temporary = dumpPath_ + L".tmp";
  if (WriteWholeFile(temporary, out + "end\n"))
    MoveFileExW(temporary.c_str(), dumpPath_.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace orvane::win32ui
