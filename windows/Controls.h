// Form models: windows and their controls as plain state that UI backends render.
// A control holds its place, text, visibility and enabled state and the form's handlers for its
// input; a form owns its controls.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvane {

// Colours as 0x00BBGGRR, as Windows keeps them.
enum : uint32_t {
  clBlack = 0x000000,
  clWhite = 0xFFFFFF,
  clBlue = 0xFF0000,
  clGreen = 0x008000,
  clSilver = 0xC0C0C0,
  clWindow = 0x80000005,  // the system window colour
  clBtnFace = 0x8000000F,
};

struct TFont {
  std::string name;  // face name in code page 932, e.g. "ＭＳ Ｐゴシック"
  int height = 12;   // pixels
  uint32_t color = clBlack;
  bool italic = false;
};

enum class ControlKind { Label, Button, CheckBox, RadioButton, Edit, Memo, GroupBox, ProgressBar, Image };
enum class ScrollBars { None, Vertical, Horizontal, Both };

class TForm;

// One control of a form. Places are in pixels relative to the parent's client area.
struct TControl {
  TControl(TForm* form, TControl* parent, ControlKind kind, std::string name, int left, int top,
           int width, int height, std::string caption = "");
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  TForm* form;
  TControl* parent;  // the group box that holds it, or null for the form itself
  ControlKind kind;
  std::string name;
  int left, top, width, height;
  std::string caption;  // caption of labels, buttons, boxes; text of edit and memo fields
  bool visible = true;
  bool enabled = true;
  bool checked = false;      // check boxes and radio buttons
  bool readOnly = false;     // edit and memo fields
  bool wordWrap = false;     // labels
  bool autoSize = false;     // labels
  bool transparent = false;  // labels
  uint32_t color = clBtnFace;  // background of memo fields
  ScrollBars scrollBars = ScrollBars::None;
  int position = 0, minimum = 0, maximum = 100;  // progress bars
  TFont font;
  // The form's handlers: a click (after a check box has toggled or a radio button has selected
  // itself) and a change of text typed by the user. Either may be empty.
  std::function<void()> onClick;
  std::function<void()> onChange;

  // Visible on screen: this control and every group box that holds it are visible.
  bool Showing() const;
};

// A top-level window model. Forms keep their controls in creation order (z-order: later above).
class TForm {
 public:
  TForm(std::string name, std::string caption, int clientWidth, int clientHeight);
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  std::string name;
  std::string caption;
  int clientWidth, clientHeight;
  int left = 0, top = 0;
  bool visible = false;
  bool enabled = true;
  bool closeBoxEnabled = true;  // the Close item of the system menu
  bool maximised = false;
  int modalResult = 0;
  TFont font;
  TControl* focused = nullptr;

  const std::vector<TControl*>& Controls() const { return controls_; }
  // The control of that name, or null.
  TControl* Find(const std::string& controlName) const;

  // Called by the modal loop when the form becomes the active window.
  virtual void FormActivate() {}
  // Asked before a modal form closes; false keeps it open.
  virtual bool FormCloseQuery() { return true; }
  // Clean-up when a modal form closes.
  virtual void FormClose() {}

 protected:
  // Creates a control owned by this form.
  TControl& Add(TControl* parent, ControlKind kind, const std::string& name, int left, int top,
                int width, int height, const std::string& caption = "");

 private:
  std::vector<TControl*> controls_;
};

}  // namespace orvane
