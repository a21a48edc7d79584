// Form and control models.
#include "windows/Controls.h"

#include <utility>

namespace orvane {

TControl::TControl(TForm* form, TControl* parent, ControlKind kind, std::string name, int left,
                   int top, int width, int height, std::string caption)
    : form(form),
      parent(parent),
      kind(kind),
      name(std::move(name)),
      left(left),
      top(top),
      width(width),
      height(height),
      caption(std::move(caption)) {
  if (form) font = form->font;
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->parent)
    if (!c->visible) return false;
  return true;
}

TForm::TForm(std::string name, std::string caption, int clientWidth, int clientHeight)
    : name(std::move(name)),
      caption(std::move(caption)),
      clientWidth(clientWidth),
      clientHeight(clientHeight) {}

TForm::~TForm() {
  for (TControl* c : controls_) delete c;
}

TControl* TForm::Find(const std::string& controlName) const {
  for (TControl* c : controls_)
    if (c->name == controlName) return c;
  return nullptr;
}

TControl& TForm::Add(TControl* parent, ControlKind kind, const std::string& name, int left,
                     int top, int width, int height, const std::string& caption) {
  controls_.push_back(new TControl(this, parent, kind, name, left, top, width, height, caption));
  return *controls_.back();
}

}  // namespace orvane
