// The FLTK backend: windows made from the form models and re-synchronised from them before each
// wait, message boxes drawn from their MB_ flags, a folder browser over the machine's drives.
#include "ui/fltk/FltkUi.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Tree.H>
#include <FL/fl_draw.H>

// Xlib, which FLTK includes, defines None as a macro; the form models use the name.
#undef None

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/Application.h"
#include "app/Main.h"
#include "app/WindowState.h"
#include "platform/Files.h"
#include "support/Texts.h"
#include "ui/fltk/FltkSupport.h"
#include "windows/Back.h"
#include "windows/Controls.h"
#include "windows/CusDlg.h"
#include "windows/Status.h"

namespace orvane::fltk {
namespace {

// A label: plain text in its own font and colour, word-wrapped when the model says so, over the
// face colour or, when transparent, over whatever the window drew beneath it.
class LabelWidget : public Fl_Widget {
 public:
  LabelWidget(TControl& c, int x, int y, int w, int h) : Fl_Widget(x, y, w, h), c_(c) {}
  std::string text;
  void draw() override {
    if (!c_.transparent) {
      fl_color(FaceColor());
      fl_rectf(x(), y(), w(), h());
    }
    fl_font(FontFor(c_.font.name, c_.font.italic), c_.font.height);
    fl_color(c_.enabled ? ColorOf(c_.font.color) : fl_rgb_color(128, 128, 128));
    const bool centre = c_.name == "lblStatus";  // the progress figure is centred in its box
    std::vector<std::string> lines = WrapLines(text, w(), c_.wordWrap);
    const int lineHeight = fl_height();
    int top = y();
    if (centre) top += (h() - lineHeight * static_cast<int>(lines.size())) / 2;
    if (!c_.autoSize) fl_push_clip(x(), y(), w(), h());
    DrawLines(lines, x(), top, w(), lineHeight, centre);
    if (!c_.autoSize) fl_pop_clip();
  }

 private:
  TControl& c_;
};

// A group box: an etched frame with the caption set into its top edge.
class GroupWidget : public Fl_Widget {
 public:
  GroupWidget(TControl& c, int x, int y, int w, int h) : Fl_Widget(x, y, w, h), c_(c) {}
  std::string text;
  void draw() override {
    fl_color(FaceColor());
    fl_rectf(x(), y(), w(), h());
    fl_draw_box(FL_ENGRAVED_FRAME, x(), y() + 6, w(), h() - 6, FaceColor());
    if (text.empty()) return;
    fl_font(FontFor(c_.font.name, c_.font.italic), c_.font.height);
    int tw = static_cast<int>(fl_width(text.c_str()));
    fl_color(FaceColor());
    fl_rectf(x() + 6, y(), tw + 4, fl_height());
    fl_color(c_.enabled ? FL_BLACK : fl_rgb_color(128, 128, 128));
    fl_draw(text.c_str(), static_cast<int>(text.size()), x() + 8, y() + fl_height() - fl_descent());
  }

 private:
  TControl& c_;
};

class ImageWidget : public Fl_Widget {
 public:
  ImageWidget(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}
  void draw() override {
    fl_color(FaceColor());
    fl_rectf(x(), y(), w(), h());
    DrawIcon(IconKind::Setup, x(), y());
  }
};

// A push button as on Windows: Enter and space press it while it has the focus. The button that
// Enter presses wears a dark frame: the focused one, else the window's default button.
class PushButton : public Fl_Button {
 public:
  PushButton(int x, int y, int w, int h, const char* label = nullptr)
      : Fl_Button(x, y, w, h, label) {}
  bool isDefault = false;
  int handle(int event) override {
    if (event == FL_KEYBOARD && Fl::focus() == this &&
        (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
      do_callback();
      return 1;
    }
    if (event == FL_FOCUS || event == FL_UNFOCUS) RedrawDefault();
    return Fl_Button::handle(event);
  }
  void draw() override {
    Fl_Button::draw();  // with FLTK's dotted focus rectangle inside the focused button
    if (Fl::focus() == this || (isDefault && !OtherButtonFocused())) {
      fl_color(FL_BLACK);
      fl_rect(x(), y(), w(), h());
    }
  }

 private:
  bool OtherButtonFocused() const {
    auto* focused = dynamic_cast<PushButton*>(Fl::focus());
    return focused && focused != this && focused->window() == window();
  }
  // The default button's frame comes and goes as the focus moves between buttons.
  void RedrawDefault() {
    if (!parent()) return;
    for (int i = 0; i < parent()->children(); ++i) {
      auto* button = dynamic_cast<PushButton*>(parent()->child(i));
      if (button && button->isDefault && button != this) button->redraw();
    }
  }
};

// Presses the window's default button when it can be pressed.
void PressDefault(Fl_Group& window) {
  for (int i = 0; i < window.children(); ++i) {
    auto* button = dynamic_cast<PushButton*>(window.child(i));
    if (button && button->isDefault && button->visible() && button->active()) {
      button->do_callback();
      return;
    }
  }
}

// A window whose keys work as in a Windows dialog: Tab and the arrows move the focus, Enter
// presses the default button unless a button has the focus, and the underlined letters press
// their buttons whichever window the pointer is over.
class KeyWindow : public Fl_Double_Window {
 public:
  using Fl_Double_Window::Fl_Double_Window;
  int handle(int event) override {
    if (event != FL_KEYBOARD) return Fl_Double_Window::handle(event);
    if (Fl_Double_Window::handle(FL_KEYBOARD)) return 1;
    if (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter) {
      PressDefault(*this);
      return 1;  // FLTK would otherwise move the focus on Enter
    }
    return Fl_Double_Window::handle(FL_SHORTCUT);
  }
};

// The folder tree as on Windows: the arrow keys move the selection itself, not a separate item
// focus, and Enter is left to the window, where it presses OK.
class FolderTree : public Fl_Tree {
 public:
  using Fl_Tree::Fl_Tree;
  int handle(int event) override {
    if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter))
      return 0;
    const int used = Fl_Tree::handle(event);
    Fl_Tree_Item* item = get_item_focus();
    if (event == FL_KEYBOARD && used && item && !item->is_selected()) select_only(item, 0);
    return used;
  }
};

// The one user interface: the event dispatcher reports focus moves to it.
FltkUi* g_ui = nullptr;

bool TakesFocus(ControlKind kind) {
  return kind == ControlKind::Button || kind == ControlKind::CheckBox ||
         kind == ControlKind::RadioButton || kind == ControlKind::Edit || kind == ControlKind::Memo;
}

// Keys go to the window that holds the focus rather than the one under the pointer, which FLTK
// would take for the focused window. A focus moved by a key or a click is the user's choice and
// is reported to the user interface.
int DispatchEvent(int event, Fl_Window* window) {
  Fl_Widget* before = Fl::focus();
  if ((event == FL_KEYBOARD || event == FL_KEYUP) && before && before->top_window())
    window = before->top_window();
  const int used = Fl::handle_(event, window);
  if (g_ui && Fl::focus() && Fl::focus() != before &&
      (event == FL_KEYBOARD || event == FL_SHORTCUT || event == FL_PUSH))
    g_ui->NoteUserFocus(Fl::focus());
  return used;
}

// What was last written into a widget, so that only changes touch it.
struct ControlView {
  TControl* control = nullptr;
  Fl_Widget* widget = nullptr;
  Fl_Text_Buffer* buffer = nullptr;  // memo fields
  std::string caption;
  bool first = true, shown = false, active = true, checked = false, enabledLook = true;
  int position = -1, x = 0, y = 0, w = 0, h = 0;
  uint32_t color = 0;
  ScrollBars scrollBars = ScrollBars::None;
};

}  // namespace

// What a widget callback needs to reach the program.
struct ClickTarget {
  FltkUi* ui;
  TControl* control;
};

struct FormView {
  std::vector<std::unique_ptr<ClickTarget>> targets;
  ClickTarget* Target(TControl* c) {
    targets.push_back(std::make_unique<ClickTarget>(ClickTarget{ui, c}));
    return targets.back().get();
  }
  FltkUi* ui = nullptr;
  TForm* form = nullptr;
  Fl_Double_Window* window = nullptr;
  std::vector<ControlView> controls;
  std::string caption;
  bool first = true;
};

namespace {

// A form's window: draws the background gradient when the form has one, reports its first
// paint, and lets the close box do only what the form allows. The focus entering the window
// goes to the form's focused control; while that control cannot take it the window keeps it,
// and Tab goes on from that control.
class FormWindow : public KeyWindow {
 public:
  FormWindow(FormView& view, int w, int h) : KeyWindow(w, h), view_(view) {}
  void draw() override {
    if (auto* back = dynamic_cast<TfrmBack*>(view_.form)) {
      back->GradBox.width = w();
      back->GradBox.height = h();
      fl_color(FL_BLACK);
      fl_rectf(0, 0, w(), h());
      for (const GradBand& band : back->GradBox.Bands()) {
        fl_color(ColorOf(band.color));
        fl_rectf(band.x1, band.y1, band.x2 - band.x1, band.y2 - band.y1);
      }
      draw_children();
    } else {
      Fl_Double_Window::draw();
    }
    view_.ui->NotePainted(view_);
  }
  int handle(int event) override {
    if (event == FL_FOCUS) {
      Fl_Widget* target = view_.ui->FocusTarget(view_);
      if (target != this) target->take_focus();
      return 1;
    }
    if (event == FL_KEYBOARD && Fl::focus() == this && Fl::event_key() == FL_Tab)
      return TabFromFocusedControl(Fl::event_state(FL_SHIFT) != 0);
    return KeyWindow::handle(event);
  }

 private:
  int TabFromFocusedControl(bool backwards) {
    auto& controls = view_.controls;
    const int n = static_cast<int>(controls.size());
    int from = -1;
    for (int i = 0; i < n; ++i)
      if (controls[i].control == view_.form->focused) from = i;
    for (int step = 1; step <= n; ++step) {
      int i = from < 0 ? (backwards ? n - step : step - 1)
                       : ((from + (backwards ? -step : step)) % n + n) % n;
      ControlView& cv = controls[i];
      if (TakesFocus(cv.control->kind) && cv.widget->visible() && cv.widget->active() &&
          cv.widget->take_focus())
        return 1;
    }
    return 1;
  }
  FormView& view_;
};

void WindowCallback(Fl_Widget* widget, void* data) {
  auto* view = static_cast<FormView*>(data);
  (void)widget;
  // Escape reaches a window as a close request in FLTK; these windows have no Cancel button.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  if (!view->form->closeBoxEnabled || !view->form->enabled) return;
  // A close box on a modal form ends its modal loop with Cancel; other forms ignore it.
  view->form->modalResult = 2;
}

}  // namespace

FltkUi::FltkUi() {
  if (const char* p = std::getenv("ORVANE_FLTK_DUMP")) dumpPath_ = p;
  if (const char* p = std::getenv("ORVANE_FLTK_FIRST_PAINT")) firstPaintPath_ = p;
  g_ui = this;
  Fl::event_dispatch(DispatchEvent);
  Fl::scheme("base");
  Fl::background(212, 208, 200);
  FL_NORMAL_SIZE = 12;
}

FltkUi::~FltkUi() {
  Fl::event_dispatch(nullptr);
  g_ui = nullptr;
  for (auto& view : views_) {
    for (ControlView& cv : view->controls) {
      if (auto* display = dynamic_cast<Fl_Text_Display*>(cv.widget)) display->buffer(nullptr);
      delete cv.buffer;
    }
    delete view->window;
  }
}

namespace {

// A push button's click waits in a queue for the program's message loop to dispatch it.
Fl_Widget* MakePushButton(FormView& view, TControl& c) {
  auto* b = new PushButton(0, 0, 1, 1);
  // The wizard's start button is the default button: Enter presses it unless another button has
  // the focus.
  if (auto* main = dynamic_cast<TfrmMain*>(view.form)) b->isDefault = &c == &main->btnEvent;
  b->callback(
      [](Fl_Widget*, void* d) {
        auto* t = static_cast<ClickTarget*>(d);
        t->ui->QueueClick(*t->control);
      },
      view.Target(&c));
  return b;
}

Fl_Widget* MakeToggle(FormView& view, TControl& c) {
  const bool check = c.kind == ControlKind::CheckBox;
  Fl_Button* b = check ? static_cast<Fl_Button*>(new Fl_Check_Button(0, 0, 1, 1))
                       : static_cast<Fl_Button*>(new Fl_Round_Button(0, 0, 1, 1));
  b->box(FL_FLAT_BOX);
  b->color(FaceColor());
  b->down_box(check ? FL_DOWN_BOX : FL_ROUND_DOWN_BOX);
  b->selection_color(FL_BLACK);
  // Ticking only changes the model's state; it runs no handler, so it is applied at once and the
  // widget never disagrees with the model for longer than one callback.
  b->callback(
      [](Fl_Widget*, void* d) {
        auto* t = static_cast<ClickTarget*>(d);
        t->ui->ClickNow(*t->control);
      },
      view.Target(&c));
  return b;
}

Fl_Widget* MakeEdit(FormView& view, TControl& c) {
  auto* input = new Fl_Input(0, 0, 1, 1);
  input->when(FL_WHEN_CHANGED);
  input->callback(
      [](Fl_Widget* widget, void* d) {
        auto* t = static_cast<ClickTarget*>(d);
        auto* in = static_cast<Fl_Input*>(widget);
        t->ui->TypedText(*t->control, in->value());
      },
      view.Target(&c));
  return input;
}

Fl_Widget* MakeProgressBar() {
  auto* progress = new Fl_Progress(0, 0, 1, 1);
  progress->box(FL_DOWN_BOX);
  progress->color(FaceColor());
  progress->selection_color(fl_rgb_color(0, 0, 128));
  return progress;
}

// The widget of a control, hidden until the first synchronisation places and shows it.
Fl_Widget* MakeWidget(FormView& view, ControlView& cv) {
  TControl& c = *cv.control;
  Fl_Widget* w = nullptr;
  switch (c.kind) {
    case ControlKind::Label:
      w = new LabelWidget(c, 0, 0, 1, 1);
      break;
    case ControlKind::GroupBox:
      w = new GroupWidget(c, 0, 0, 1, 1);
      break;
    case ControlKind::Image:
      w = new ImageWidget(0, 0, 32, 32);
      break;
    case ControlKind::Button:
      w = MakePushButton(view, c);
      break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
      w = MakeToggle(view, c);
      break;
    case ControlKind::Edit:
      w = MakeEdit(view, c);
      break;
    case ControlKind::Memo: {
      auto* display = new Fl_Text_Display(0, 0, 1, 1);
      cv.buffer = new Fl_Text_Buffer();
      display->buffer(cv.buffer);
      w = display;
      break;
    }
    case ControlKind::ProgressBar:
      w = MakeProgressBar();
      break;
  }
  w->hide();
  // The drawn kinds use the control's font themselves; the others show it as their label.
  if (c.kind != ControlKind::Label && c.kind != ControlKind::GroupBox &&
      c.kind != ControlKind::Image) {
    w->labelfont(FontFor(c.font.name, c.font.italic));
    w->labelsize(c.font.height);
  }
  return w;
}

}  // namespace

void FltkUi::Realise(TForm& form) {
  auto view = std::make_unique<FormView>();
  view->ui = this;
  view->form = &form;
  auto* window = new FormWindow(*view, form.clientWidth, form.clientHeight);
  view->window = window;
  window->color(dynamic_cast<TfrmBack*>(&form) ? FL_BLACK : FaceColor());
  // A raised edge inside the client area keeps dialogs apart where no window frame is drawn.
  if (!dynamic_cast<TfrmBack*>(&form)) window->box(FL_UP_BOX);
  window->callback(WindowCallback, view.get());
  view->controls.resize(form.Controls().size());
  size_t i = 0;
  for (TControl* c : form.Controls()) {
    ControlView& cv = view->controls[i++];
    cv.control = c;
    cv.widget = MakeWidget(*view, cv);
  }
  window->end();
  views_.push_back(std::move(view));
}

void FltkUi::ClickNow(TControl& control) {
  if (app_) app_->Click(control);
}

void FltkUi::TypedText(TControl& control, const std::string& utf8) {
  if (app_) app_->SetText(control, Cp932(utf8));
}

bool FltkUi::TakesInput(const TForm& form) const {
  return FormTakesInput(*app_, form, modalDialogs_ > 0);
}

// ---- Keeping a form's widgets in step with its model ----

namespace {

// Marks a control's area for repainting rather than the widget alone: overlapping controls (the
// copy progress frame over the status text) are then drawn again in their order.
void DamageArea(Fl_Window* window, const ControlView& cv) {
  window->damage(FL_DAMAGE_ALL, cv.x, cv.y, std::max(cv.w, 1), std::max(cv.h, 1));
}

// The window's place and size (the whole work area when maximised, else centred on it) and its
// caption.
void SyncWindow(FormView& view) {
  TForm& form = *view.form;
  Fl_Double_Window* window = view.window;
  int sx = 0, sy = 0, sw = 1024, sh = 768;
  Fl::screen_work_area(sx, sy, sw, sh);
  if (form.maximised) {
    form.clientWidth = sw;
    form.clientHeight = sh;
    if (window->x() != sx || window->y() != sy || window->w() != sw || window->h() != sh)
      window->resize(sx, sy, sw, sh);
  } else if (window->w() != form.clientWidth || window->h() != form.clientHeight || view.first) {
    window->resize(sx + (sw - form.clientWidth) / 2, sy + (sh - form.clientHeight) / 2,
                   form.clientWidth, form.clientHeight);
  }
  if (view.first || view.caption != form.caption) {
    view.caption = form.caption;
    window->copy_label(Utf8(form.caption).c_str());
  }
  view.first = false;
}

// A control's place in its window (its parents' offsets added) and its size; an auto-sized label
// takes the size of its text. True when it moved or changed size.
bool SyncGeometry(Fl_Window* window, ControlView& cv) {
  const TControl& c = *cv.control;
  int x = c.left, y = c.top;
  for (TControl* p = c.parent; p; p = p->parent) x += p->left, y += p->top;
  int width = c.width, height = c.height;
  if (c.kind == ControlKind::Label && (width <= 0 || height <= 0)) {
    fl_font(FontFor(c.font.name, c.font.italic), c.font.height);
    int tw = 0, th = 0;
    std::string text = PlainText(c.caption);
    fl_measure(text.c_str(), tw, th, 0);
    if (width <= 0) width = tw + 4;
    if (height <= 0) height = th + 2;
  }
  if (!cv.first && x == cv.x && y == cv.y && width == cv.w && height == cv.h) return false;
  if (!cv.first) DamageArea(window, cv);  // where it was
  cv.x = x, cv.y = y, cv.w = width, cv.h = height;
  cv.widget->resize(x, y, std::max(width, 1), std::max(height, 1));
  DamageArea(window, cv);
  return true;
}

// A memo's text with CR LF and lone CR as LF: the text widget breaks lines at LF only.
std::string LfLines(const std::string& text) {
  std::string lf;
  for (size_t k = 0; k < text.size(); ++k) {
    if (text[k] != '\r')
      lf += text[k];
    else if (k + 1 >= text.size() || text[k + 1] != '\n')
      lf += '\n';
  }
  return lf;
}

// A control's text as its kind shows it. True when it changed.
bool SyncText(Fl_Window* window, ControlView& cv) {
  const TControl& c = *cv.control;
  if (!cv.first && c.caption == cv.caption) return false;
  cv.caption = c.caption;
  Fl_Widget* w = cv.widget;
  switch (c.kind) {
    case ControlKind::Label:
      static_cast<LabelWidget*>(w)->text = PlainText(c.caption);
      break;
    case ControlKind::GroupBox:
      static_cast<GroupWidget*>(w)->text = PlainText(c.caption);
      break;
    case ControlKind::Memo:
      cv.buffer->text(LfLines(Utf8(c.caption)).c_str());
      break;
    case ControlKind::Edit: {
      auto* in = static_cast<Fl_Input*>(w);
      std::string text = Utf8(c.caption);
      if (text != in->value()) in->value(text.c_str());
      break;
    }
    default:
      w->copy_label(ButtonLabel(c.caption).c_str());
      break;
  }
  DamageArea(window, cv);
  return true;
}

// The font, colour and scroll bars of a memo, and the font and read-only state of an edit field
// (set once).
void SyncLook(ControlView& cv) {
  const TControl& c = *cv.control;
  if (c.kind == ControlKind::Memo &&
      (cv.first || cv.color != c.color || cv.scrollBars != c.scrollBars)) {
    cv.color = c.color;
    cv.scrollBars = c.scrollBars;
    auto* display = static_cast<Fl_Text_Display*>(cv.widget);
    display->color(ColorOf(c.color));
    display->textfont(FontFor(c.font.name, c.font.italic));
    display->textsize(c.font.height);
    bool horizontal = c.scrollBars == ScrollBars::Horizontal || c.scrollBars == ScrollBars::Both;
    bool vertical = c.scrollBars == ScrollBars::Vertical || c.scrollBars == ScrollBars::Both;
    display->wrap_mode(horizontal ? Fl_Text_Display::WRAP_NONE : Fl_Text_Display::WRAP_AT_BOUNDS,
                       0);
    display->scrollbar_align((vertical ? FL_ALIGN_RIGHT : 0) | (horizontal ? FL_ALIGN_BOTTOM : 0));
    display->redraw();
  }
  if (c.kind == ControlKind::Edit && cv.first) {
    auto* in = static_cast<Fl_Input*>(cv.widget);
    in->textfont(FontFor(c.font.name, c.font.italic));
    in->textsize(c.font.height - 2);
    in->readonly(c.readOnly);
  }
}

// The tick of a check box or radio button (also when the widget changed it on its own) and the
// position of a progress bar. True when a progress bar moved.
bool SyncValue(Fl_Window* window, ControlView& cv) {
  const TControl& c = *cv.control;
  if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton) {
    auto* button = static_cast<Fl_Button*>(cv.widget);
    if (cv.first || c.checked != cv.checked || button->value() != (c.checked ? 1 : 0)) {
      cv.checked = c.checked;
      button->value(c.checked ? 1 : 0);
    }
  }
  if (c.kind != ControlKind::ProgressBar || (!cv.first && c.position == cv.position)) return false;
  cv.position = c.position;
  auto* progress = static_cast<Fl_Progress*>(cv.widget);
  progress->minimum(static_cast<float>(c.minimum));
  progress->maximum(static_cast<float>(c.maximum));
  progress->value(static_cast<float>(c.position));
  DamageArea(window, cv);
  return true;
}

// Whether a control takes input and whether it is shown. A control that can take the focus is
// active while it is enabled and its form takes input (a memo scrolls whatever the form does);
// the others are always active and only look disabled. True when either state changed.
bool SyncState(Fl_Window* window, ControlView& cv, bool formTakesInput) {
  const TControl& c = *cv.control;
  Fl_Widget* w = cv.widget;
  bool changed = false;
  const bool takesInput = TakesFocus(c.kind);
  const bool active =
      takesInput ? c.enabled && (formTakesInput || c.kind == ControlKind::Memo) : true;
  if (cv.first || active != cv.active) {
    cv.active = active;
    if (active)
      w->activate();
    else
      w->deactivate();
    changed = true;
  }
  if (!takesInput && c.enabled != cv.enabledLook) {
    cv.enabledLook = c.enabled;
    DamageArea(window, cv);
  }
  const bool shown = c.Showing();
  if (cv.first || shown != cv.shown) {
    cv.shown = shown;
    if (shown)
      w->show();
    else
      w->hide();
    changed = true;
  }
  return changed;
}

}  // namespace

void FltkUi::SyncForm(FormView& view) {
  SyncWindow(view);
  const bool input = TakesInput(*view.form);
  bool changed = false;
  for (ControlView& cv : view.controls) {
    changed |= SyncGeometry(view.window, cv);
    changed |= SyncText(view.window, cv);
    SyncLook(cv);
    changed |= SyncValue(view.window, cv);
    changed |= SyncState(view.window, cv, input);
    cv.first = false;
  }
  // The background window's gradient lies beneath its controls: a change repaints it whole.
  if (changed && dynamic_cast<TfrmBack*>(view.form)) view.window->redraw();
  if (view.form->visible && !view.window->shown()) view.window->show();
  if (!view.form->visible && view.window->shown()) view.window->hide();
}

FormView* FltkUi::InputView() {
  if (!app_ || modalDialogs_ > 0) return nullptr;
  for (TForm* form : KeyboardCandidates(*app_))
    for (auto& view : views_)
      if (view->form == form && form->visible && view->window->shown() && TakesInput(*form))
        return view.get();
  return nullptr;
}

Fl_Widget* FltkUi::FocusTarget(FormView& view) const {
  auto usable = [](const ControlView& cv) {
    return TakesFocus(cv.control->kind) && cv.widget->visible() && cv.widget->active();
  };
  for (ControlView& cv : view.controls) {
    if (view.form->focused ? cv.control == view.form->focused : usable(cv))
      return usable(cv) ? cv.widget : view.window;
  }
  return view.window;
}

// The real focus follows the model: after a page change, and again as soon as the focused
// control is enabled or shown after a time in which it could not hold the focus.
void FltkUi::FollowModelFocus() {
  FormView* view = InputView();
  if (!view) return;
  Fl_Widget* target = FocusTarget(*view);
  if (Fl::focus() == target) return;
  if (target == view->window || !target->take_focus()) Fl::focus(view->window);
}

void FltkUi::NoteUserFocus(Fl_Widget* widget) {
  for (auto& view : views_)
    for (ControlView& cv : view->controls)
      if (cv.widget == widget) view->form->focused = cv.control;
}

void FltkUi::Sync() {
  if (!app_) return;
  for (auto& view : views_) SyncForm(*view);
  FollowModelFocus();
  WriteDump();
}

void FltkUi::DispatchPending() {
  if (app_) DispatchClicks(*app_, pending_);
}

void FltkUi::ProcessMessages() {
  Sync();
  Fl::check();
  DispatchPending();
  Sync();
}

void FltkUi::HandleMessage() {
  Sync();
  if (pending_.empty()) Fl::wait(0.5);
  DispatchPending();
  Sync();
}

void FltkUi::NotePainted(FormView& view) {
  if (firstPaintWritten_ || firstPaintPath_.empty() || !app_) return;
  if (view.form != &app_->frmMain() || !WizardShowsPage(*app_)) return;
  firstPaintWritten_ = true;
  auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::system_clock::now().time_since_epoch())
                 .count();
  std::ofstream(firstPaintPath_) << now << "\n";
}

void FltkUi::SetDialogDump(std::string lines,
                           std::vector<std::pair<Fl_Widget*, std::string>> focusNames) {
  dialogDump_ = std::move(lines);
  dialogFocusNames_ = std::move(focusNames);
  WriteDump();
}

void FltkUi::WriteDump() {
  if (dumpPath_.empty()) return;
  std::ostringstream out;
  for (auto& view : views_) {
    TForm& form = *view->form;
    if (!form.visible || !view->window->shown()) continue;
    out << "form " << form.name << " " << view->window->x() << " " << view->window->y() << " "
        << view->window->w() << " " << view->window->h() << (form.enabled ? "" : " disabled") << " "
        << DumpQuote(Utf8(form.caption)) << "\n";
    for (ControlView& cv : view->controls) {
      TControl& c = *cv.control;
      if (!c.Showing() || c.kind == ControlKind::Memo) continue;
      out << "control " << form.name << "." << c.name << " " << view->window->x() + cv.x << " "
          << view->window->y() + cv.y << " " << cv.w << " " << cv.h
          << (c.enabled && cv.active ? "" : " disabled")
          << ((c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton)
                  ? (c.checked ? " on" : " off")
                  : "")
          << " " << DumpQuote(Utf8(c.caption)) << "\n";
    }
  }
  out << dialogDump_;
  // Where the keyboard focus is: a form control, a form window itself, a dialog widget or none.
  std::string focus = "none";
  if (Fl_Widget* f = Fl::focus()) {
    for (auto& [widget, name] : dialogFocusNames_)
      if (widget == f) focus = name;
    for (auto& view : views_) {
      if (view->window == f) focus = view->form->name;
      for (ControlView& cv : view->controls)
        if (cv.widget == f) focus = view->form->name + "." + cv.control->name;
    }
  }
  out << "focus " << focus << "\n";
  std::string text = out.str();
  if (text == lastDump_) return;
  lastDump_ = text;
  std::string temporary = dumpPath_ + ".tmp";
  {
    std::ofstream file(temporary, std::ios::trunc);
    file << text << "end\n";
  }
  std::rename(temporary.c_str(), dumpPath_.c_str());
}

// ---- Message boxes ----

namespace {

class MessageBody : public Fl_Widget {
 public:
  MessageBody(int x, int y, int w, int h, IconKind icon, std::vector<std::string> lines)
      : Fl_Widget(x, y, w, h), icon_(icon), lines_(std::move(lines)) {}
  void draw() override {
    fl_color(FaceColor());
    fl_rectf(x(), y(), w(), h());
    DrawIcon(icon_, x() + 12, y() + 12);
    fl_font(FontFor("", false), 12);
    fl_color(FL_BLACK);
    int textX = icon_ == IconKind::NoIcon ? x() + 12 : x() + 60;
    DrawLines(lines_, textX, y() + 14, w() - textX, fl_height(), false);
  }

 private:
  IconKind icon_;
  std::vector<std::string> lines_;
};

struct BoxState {
  int answer = 0;
  int escapeAnswer = 0;
};

// The icon a message box's flags ask for.
IconKind IconFor(uint32_t flags) {
  switch (flags & 0xF0) {
    case mb::IconStop:
      return IconKind::Stop;
    case mb::IconQuestion:
      return IconKind::Question;
    case mb::IconWarning:
      return IconKind::Warning;
    case mb::IconInformation:
      return IconKind::Information;
  }
  return IconKind::NoIcon;
}

// A message box button: its label, its name in the state dump and the answer it gives.
struct ButtonSpec {
  const char* label;
  const char* name;
  int answer;
};

// The buttons a message box's flags ask for, left to right.
std::vector<ButtonSpec> ButtonsFor(uint32_t flags) {
  switch (flags & 0x0F) {
    case mb::OkCancel:
      return {{"OK", "ok", id::Ok}, {"Cancel", "cancel", id::Cancel}};
    case mb::YesNo:
      return {{"&Yes", "yes", id::Yes}, {"&No", "no", id::No}};
  }
  return {{"OK", "ok", id::Ok}};
}

}  // namespace

int FltkUi::ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) {
  const IconKind icon = IconFor(flags);
  const std::vector<ButtonSpec> buttons = ButtonsFor(flags);
  BoxState state;
  state.escapeAnswer = buttons.back().answer;

  // Size the box to its text: lines wrap at 440 pixels, as a message box keeps to a width.
  fl_font(FontFor("", false), 12);
  std::vector<std::string> lines = WrapLines(Utf8(text), 440, true);
  int textWidth = 0;
  for (const std::string& line : lines)
    textWidth = std::max(textWidth, static_cast<int>(fl_width(line.c_str())));
  const int textLeft = icon == IconKind::NoIcon ? 12 : 60;
  const int bodyHeight = std::max(icon == IconKind::NoIcon ? 0 : 56,
                                  28 + fl_height() * static_cast<int>(lines.size()));
  const int buttonWidth = 75, buttonGap = 8;
  const int buttonsWidth = static_cast<int>(buttons.size()) * (buttonWidth + buttonGap) - buttonGap;
  const int width = std::max({textLeft + textWidth + 24, buttonsWidth + 24, 160});
  const int height = bodyHeight + 46;

  int sx = 0, sy = 0, sw = 1024, sh = 768;
  Fl::screen_work_area(sx, sy, sw, sh);
  KeyWindow window(sx + (sw - width) / 2, sy + (sh - height) / 2, width, height);
  std::string title = Utf8(caption);
  window.copy_label(title.c_str());
  window.color(FaceColor());
  window.box(FL_UP_BOX);  // a raised edge, so that the box stands out where no frame is drawn
  new MessageBody(2, 2, width - 4, bodyHeight - 2, icon, lines);
  std::ostringstream dump;
  dump << "box " << window.x() << " " << window.y() << " " << width << " " << height << " "
       << DumpQuote(title) << " " << DumpQuote(Utf8(text)) << "\n";
  int bx = (width - buttonsWidth) / 2;
  struct Target {
    BoxState* state;
    int answer;
  };
  std::vector<std::unique_ptr<Target>> targets;
  PushButton* first = nullptr;
  std::vector<std::pair<Fl_Widget*, std::string>> focusNames;
  for (const ButtonSpec& spec : buttons) {
    auto* b = new PushButton(bx, bodyHeight + 8, buttonWidth, 23);
    b->label(spec.label);
    b->labelfont(FontFor("", false));
    b->labelsize(12);
    targets.push_back(std::make_unique<Target>(Target{&state, spec.answer}));
    b->callback(
        [](Fl_Widget*, void* d) {
          auto* t = static_cast<Target*>(d);
          t->state->answer = t->answer;
        },
        targets.back().get());
    dump << "box." << spec.name << " " << window.x() + bx << " " << window.y() + bodyHeight + 8
         << " " << buttonWidth << " 23\n";
    focusNames.emplace_back(b, std::string("box.") + spec.name);
    if (!first) first = b;
    bx += buttonWidth + buttonGap;
  }
  first->isDefault = true;
  window.end();
  window.set_modal();
  window.callback(
      [](Fl_Widget*, void* d) {
        auto* s = static_cast<BoxState*>(d);
        s->answer = s->escapeAnswer;  // Escape or the close box: Cancel, No, or OK when alone
      },
      &state);

  ++modalDialogs_;
  Sync();
  window.show();
  first->take_focus();
  SetDialogDump(dump.str(), focusNames);
  while (state.answer == 0) {
    Fl::wait(0.5);
    Sync();
  }
  window.hide();
  SetDialogDump("");
  --modalDialogs_;
  Sync();
  return state.answer;
}

// ---- The folder browser ----

namespace {

struct BrowserState {
  IFiles* files = nullptr;
  std::deque<std::string> paths;  // item user data: the Windows path of each folder item
  int answer = 0;
};

// Adds the subfolders of an item's folder below it, once.
void FillFolder(BrowserState& state, Fl_Tree* tree, Fl_Tree_Item* item) {
  if (!item->user_data()) return;
  const std::string folder = *static_cast<std::string*>(item->user_data());
  // A placeholder child marks folders that were not read yet.
  if (item->children() != 1 || item->child(0)->user_data()) return;
  tree->remove(item->child(0));
  std::vector<FindEntry> entries;
  std::string base = folder.back() == '\\' ? folder : folder + "\\";
  if (state.files->Find(base + "*.*", entries) != 0) return;
  std::vector<std::string> names;
  for (const FindEntry& e : entries)
    if (e.info.IsFolder() && e.name != "." && e.name != "..") names.push_back(e.name);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    std::string la = a, lb = b;
    for (char& c : la) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : lb) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return la < lb;
  });
  for (const std::string& name : names) {
    std::string label = Utf8(name);
    for (char& c : label)
      if (c == '/') c = '_';
    Fl_Tree_Item* child = tree->add(item, label.c_str());
    if (!child) continue;
    state.paths.push_back(base + name);
    child->user_data(&state.paths.back());
    tree->add(child, "...");
    child->close();
  }
}

// An item for each drive, with a placeholder child until it is opened.
void AddDrives(BrowserState& state, Fl_Tree* tree) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    std::string root = std::string(1, letter) + ":\\";
    FileInfo info;
    if (state.files->GetInfo(root, info) != 0 || !info.IsFolder()) continue;
    std::string label = std::string(1, letter) + ":";
    Fl_Tree_Item* item = tree->add(label.c_str());
    state.paths.push_back(root);
    item->user_data(&state.paths.back());
    tree->add(item, "...");
    item->close();
  }
}

// The state dump's lines for the folders on view with their places, for tests that pick one by a
// click.
std::string ItemsDump(const Fl_Window& window, Fl_Tree* tree) {
  std::ostringstream items;
  for (Fl_Tree_Item* item = tree->first(); item; item = tree->next(item)) {
    if (!item->user_data() || !item->visible_r() || item->y() < tree->y() ||
        item->y() + item->h() > tree->y() + tree->h())
      continue;
    items << "browser.item " << window.x() + item->label_x() << " " << window.y() + item->label_y()
          << " " << item->label_w() << " " << item->label_h() << " "
          << DumpQuote(Utf8(*static_cast<std::string*>(item->user_data()))) << "\n";
  }
  return items.str();
}

}  // namespace

std::optional<std::string> FltkUi::BrowseForFolder(const std::string& title, uint32_t) {
  if (!app_) return std::nullopt;
  BrowserState state;
  state.files = &app_->platform.files;
  const int width = 320, height = 380;
  int sx = 0, sy = 0, sw = 1024, sh = 768;
  Fl::screen_work_area(sx, sy, sw, sh);
  KeyWindow window(sx + (sw - width) / 2, sy + (sh - height) / 2, width, height,
                   "Browse for Folder");
  window.color(FaceColor());
  window.box(FL_UP_BOX);
  std::vector<std::string> titleLines;
  {
    fl_font(FontFor("", false), 12);
    titleLines = WrapLines(Utf8(title), width - 24, true);
  }
  new MessageBody(0, 0, width, 40, IconKind::NoIcon, titleLines);
  auto* tree = new FolderTree(12, 44, width - 24, height - 90);
  tree->showroot(0);
  tree->item_labelfont(FontFor("", false));
  tree->item_labelsize(12);
  tree->selectmode(FL_TREE_SELECT_SINGLE);
  AddDrives(state, tree);
  tree->callback(
      [](Fl_Widget* w, void* d) {
        auto* tree = static_cast<Fl_Tree*>(w);
        auto* s = static_cast<BrowserState*>(d);
        if (tree->callback_reason() == FL_TREE_REASON_OPENED)
          FillFolder(*s, tree, tree->callback_item());
      },
      &state);
  tree->when(FL_WHEN_CHANGED);
  if (Fl_Tree_Item* c = tree->find_item("C:")) {
    FillFolder(state, tree, c);
    c->open();
    tree->select(c, 0);
  }
  auto* ok = new PushButton(width - 2 * (75 + 8) - 4, height - 36, 75, 23, "OK");
  auto* cancel = new PushButton(width - 75 - 12, height - 36, 75, 23, "Cancel");
  ok->isDefault = true;
  ok->callback([](Fl_Widget*, void* d) { static_cast<BrowserState*>(d)->answer = id::Ok; }, &state);
  cancel->callback([](Fl_Widget*, void* d) { static_cast<BrowserState*>(d)->answer = id::Cancel; },
                   &state);
  window.callback([](Fl_Widget*, void* d) { static_cast<BrowserState*>(d)->answer = id::Cancel; },
                  &state);
  window.end();
  window.set_modal();
  ++modalDialogs_;
  Sync();
  window.show();
  tree->take_focus();
  const std::vector<std::pair<Fl_Widget*, std::string>> focusNames = {
      {tree, "browser.tree"}, {ok, "browser.ok"}, {cancel, "browser.cancel"}};
  std::ostringstream dump;
  dump << "browser " << window.x() << " " << window.y() << " " << width << " " << height << " "
       << DumpQuote(Utf8(title)) << "\n"
       << "browser.ok " << window.x() + ok->x() << " " << window.y() + ok->y() << " 75 23\n"
       << "browser.cancel " << window.x() + cancel->x() << " " << window.y() + cancel->y()
       << " 75 23\n";
  SetDialogDump(dump.str(), focusNames);
  std::optional<std::string> result;
  while (state.answer == 0) {
    Fl::wait(0.5);
    if (!dumpPath_.empty()) SetDialogDump(dump.str() + ItemsDump(window, tree), focusNames);
    Sync();
    if (state.answer == id::Ok) {
      Fl_Tree_Item* item = tree->first_selected_item();
      if (!item || !item->user_data()) {
        state.answer = 0;  // only folders can be confirmed
        continue;
      }
      result = *static_cast<std::string*>(item->user_data());
    }
  }
  window.hide();
  SetDialogDump("");
  --modalDialogs_;
  Sync();
  return result;
}

int FltkUi::RestartDialog() {
  int answer = ShowMessage(texts::kRestartQuestionText, texts::kRestartQuestionCaption,
                           mb::YesNo | mb::IconQuestion);
  return answer == id::Yes ? id::Yes : id::No;
}

}  // namespace orvane::fltk
