// Program start to program end, the modal loop, input dispatch and the default error report.
#include "app/Application.h"

#include "app/Main.h"
#include "support/Texts.h"
#include "windows/Back.h"
#include "windows/CusDlg.h"
#include "windows/Status.h"

namespace orvane {

Application::Application(Platform& platform)
    : platform(platform),
      main_(std::make_unique<TfrmMain>(*this)),
      back_(std::make_unique<TfrmBack>(*this, platform.system, *main_)),
      status_(std::make_unique<TfrmStatus>(*this, *main_, ctx.LastAnswer)),
      dialog_(std::make_unique<TfrmCustomDlg>(main_->lblFormShare)) {}

Application::~Application() = default;

std::vector<TForm*> Application::Forms() const {
  return {back_.get(), main_.get(), status_.get(), dialog_.get()};
}

ProgramOutcome Application::Run() {
  if (!platform.system.CreateSingleInstanceMutex("ORVANEMX")) {
    outcome = ProgramOutcome::AlreadyRunning;
    return outcome;
  }
  Title = "Orvane Setup Professional";
  for (TForm* form : Forms()) platform.ui.Realise(*form);
  status_->FormCreate();

  // The background window is the main window: shown maximised, its first resize runs the
  // wizard, and when it closes the message loop ends.
  back_->visible = true;
  back_->maximised = true;
  platform.ui.ProcessMessages();
  back_->FormResize();

  // Restart handling after the loop.
  if (ctx.RestartRequired) {
    if (ctx.LockedFilesPending)
      ShowMessageBox(texts::kLockedFilesText, texts::kLockedFilesCaption, mb::IconInformation);
    if (platform.ui.RestartDialog() == id::No)
      ShowMessageBox(texts::kRestartDeclinedText, texts::kRestartDeclinedCaption, mb::IconWarning);
    else
      platform.system.RestartWindows();
  }
  return outcome;
}

int Application::ShowModal(TForm& form) {
  form.visible = true;
  form.modalResult = 0;
  modal_.push_back(&form);
  form.FormActivate();
  do {
    platform.ui.HandleMessage();
    if (Terminated) {
      form.modalResult = 2;
    } else if (form.modalResult != 0) {
      if (form.FormCloseQuery())
        form.FormClose();
      else
        form.modalResult = 0;
    }
  } while (form.modalResult == 0);
  form.visible = false;
  modal_.pop_back();
  return form.modalResult;
}

void Application::Click(TControl& control) {
  if (!control.Showing() || !control.enabled || !control.form->enabled) return;
  if (onInput) onInput(control, nullptr);
  if (control.kind == ControlKind::CheckBox) {
    control.checked = !control.checked;
  } else if (control.kind == ControlKind::RadioButton) {
    for (TControl* other : control.form->Controls())
      if (other->kind == ControlKind::RadioButton && other->parent == control.parent)
        other->checked = other == &control;
  }
  if (!control.onClick) return;
  try {
    control.onClick();
  } catch (const std::exception& error) {
    outcome = ProgramOutcome::Failed;
    ShowException(error.what());
  }
}

void Application::SetText(TControl& control, const std::string& text) {
  if (!control.Showing() || !control.enabled || control.readOnly) return;
  if (onInput) onInput(control, &text);
  control.caption = text;
  if (control.onChange) control.onChange();
}

int Application::ShowMessageBox(const std::string& text, const std::string& caption,
                                uint32_t flags) {
  return orvane::ShowMessageBox(*this, text, caption, flags);
}

void Application::ShowException(const std::string& message) {
  ShowMessageBox(message, Title, mb::Ok | mb::IconStop);
}

int ShowMessageBox(Application& app, const std::string& text, const std::string& caption,
                   uint32_t flags) {
  std::vector<TForm*> disabled;
  for (TForm* form : app.Forms()) {
    if (form->visible && form->enabled) {
      form->enabled = false;
      disabled.push_back(form);
    }
  }
  int answer = app.platform.ui.ShowMessage(text, caption, flags);
  for (TForm* form : disabled) form->enabled = true;
  return answer;
}

}  // namespace orvane
