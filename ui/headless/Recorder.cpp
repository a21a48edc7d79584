// The recorder of the user's answers.
#include "ui/headless/Recorder.h"

#include <iterator>

#include "app/Application.h"
#include "app/Main.h"
#include "platform/WinTypes.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/headless/Transcript.h"
#include "windows/CusDlg.h"
#include "windows/Status.h"

namespace orvane::headless {
namespace {

std::string Quoted(const std::string& cp932) {
  return Transcript::Quote(cp932);
}

}  // namespace

Recorder::Recorder(IUserInterface& inner, std::function<bool(const std::string&)> save)
    : inner_(inner), save_(std::move(save)) {}

void Recorder::Attach(Application& app) {
  app_ = &app;
  app.onInput = [this](TControl& control, const std::string* text) { Input(control, text); };
}

std::string Recorder::Heading() {
  return "# recorded with /record: replay with /answers=FILE or orvane-run --answers FILE\n";
}

std::string Recorder::Text() const {
  std::string text = Heading();
  for (const std::string& line : lines_) text += line + "\n";
  return text;
}

void Recorder::Add(const std::string& line, bool replacesLast) {
  if (replacesLast && lastIsFolder_)
    lines_.back() = line;
  else
    lines_.push_back(line);
  lastIsFolder_ = replacesLast;
  if (!save_(Text())) failed_ = true;
}

void Recorder::NoteStatus() {
  if (!app_) return;
  TfrmStatus& status = app_->frmStatus();
  if (!status.visible) return;
  if (status.stepTextShowings == lastShowings_ && status.lblMessage.caption == lastStatus_) return;
  lastShowings_ = status.stepTextShowings;
  lastStatus_ = status.lblMessage.caption;
  ++statusShowings_[lastStatus_];
}

void Recorder::ProcessMessages() {
  NoteStatus();
  const bool outer = waitingForInput_;
  waitingForInput_ = false;
  inner_.ProcessMessages();
  waitingForInput_ = outer;
}

void Recorder::HandleMessage() {
  NoteStatus();
  const bool outer = waitingForInput_;
  waitingForInput_ = true;
  inner_.HandleMessage();
  waitingForInput_ = outer;
}

void Recorder::Input(TControl& control, const std::string* text) {
  TfrmMain& m = app_->frmMain();
  TfrmStatus& status = app_->frmStatus();
  TfrmCustomDlg& dialog = app_->frmCustomDlg();
  if (&control == &status.btnAbort) {
    // A run stopped by an error waits in the status window; otherwise the user pressed Abort
    // while a run went on, at the status text shown then.
    if (waitingForInput_ && !m.enabled) return Add("status abort");
    NoteStatus();
    return Add("abort " + Quoted(status.lblMessage.caption) + " " +
               std::to_string(statusShowings_[status.lblMessage.caption]));
  }
  if (control.form == &dialog) {
    const char* answer = &control == &dialog.btnYes      ? "yes"
                         : &control == &dialog.btnNo     ? "no"
                         : &control == &dialog.btnDelete ? "all-delete"
                         : &control == &dialog.btnSave   ? "all-save"
                                                         : nullptr;
    if (answer)
      Add(std::string("shared ") + answer + " " + Quoted(dialog.lblMessage.caption) + " once");
    return;
  }
  if (control.form != &m) return;
  const std::optional<Page> shown = AnswersPage(m.page);
  if (!shown) return;
  const std::string page = PageName(*shown);
  if (text) {
    if (&control == &m.txtFolder) Add(page + " folder " + Quoted(*text), true);
    return;
  }
  if (&control == &m.btnEvent) {
    Add(page + (page == "licence"                        ? " accept"
                : page == "final" || page == "uninstall" ? " start"
                                                         : " continue"));
  } else if (&control == &m.btnEnd) {
    Add(page + (page == "licence" ? " refuse" : " exit"));
  } else if (&control == &m.btnRefer) {
    Add(page + " browse");
  } else if (&control == &m.optSelectType1) {
    Add(page + " type1");
  } else if (&control == &m.optSelectType2) {
    Add(page + " type2");
  } else {
    // A check box is about to change: ticked when it is clear now.
    const std::pair<TControl*, const char*> boxes[] = {{&m.chkOverWrite, "overwrite"},
                                                       {&m.chkSCutDesktop, "desktop"},
                                                       {&m.chkSCutStartMenu, "startmenu"},
                                                       {&m.chkSCutStartUp, "startup"},
                                                       {&m.chkSCutSendTo, "sendto"}};
    for (size_t i = 0; i < std::size(boxes); ++i) {
      if (boxes[i].first != &control) continue;
      // The uninstall page shows the removal's options in the shortcut boxes.
      std::string name =
          page == "uninstall" && i > 0 ? "option" + std::to_string(i) : boxes[i].second;
      Add(page + (control.checked ? " untick " : " tick ") + name);
    }
  }
}

int Recorder::ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) {
  const int answer = inner_.ShowMessage(text, caption, flags);
  const char* word = answer == id::Yes      ? "yes"
                     : answer == id::No     ? "no"
                     : answer == id::Cancel ? "cancel"
                                            : "ok";
  Add(std::string("box ") + word + " " + Quoted(caption) + " " + Quoted(text) + " once");
  return answer;
}

std::optional<std::string> Recorder::BrowseForFolder(const std::string& title, uint32_t flags) {
  std::optional<std::string> folder = inner_.BrowseForFolder(title, flags);
  Add(folder ? "browse " + Quoted(*folder) : std::string("browse cancel"));
  return folder;
}

int Recorder::RestartDialog() {
  const int answer = inner_.RestartDialog();
  Add(std::string("restart ") + (answer == id::Yes ? "yes" : "no"));
  return answer;
}

}  // namespace orvane::headless
