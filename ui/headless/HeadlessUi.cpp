// The scripted user and its transcript.
#include "ui/headless/HeadlessUi.h"

#include <cstdio>

#include "app/Application.h"
#include "app/Main.h"
#include "support/Cp932.h"
#include "windows/CusDlg.h"
#include "windows/Status.h"

namespace orvane::headless {
namespace {

constexpr int kMaxWaits = 10000;

std::string Hex(uint32_t flags) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%02X", flags);
  return buffer;
}

std::string Utf8(const std::string& cp932) {
  return DisplayUtf8(cp932);
}

std::string Cp932(const std::string& utf8) {
  std::string out;
  return Utf8ToCp932(utf8, out) ? out : utf8;
}

std::string BoxState(const TControl& box) {
  std::string state = box.checked ? "on" : "off";
  if (!box.enabled) state += ",disabled";
  if (!box.Showing()) state += ",hidden";
  return state;
}

}  // namespace

HeadlessUi::HeadlessUi(Answers answers, Transcript& transcript)
    : answers_(std::move(answers)), transcript_(transcript) {
  actionUsed_.assign(answers_.actions.size(), false);
}

bool HeadlessUi::SharedDialogOpen() const {
  const auto& modal = app_->ModalStack();
  return !modal.empty() && modal.back() == &app_->frmCustomDlg();
}

std::optional<Page> AnswersPage(WizardPage page) {
  switch (page) {
    case WizardPage::None:
      return std::nullopt;
    case WizardPage::Title:
      return Page::Title;
    case WizardPage::Checking:
      return Page::Checking;
    case WizardPage::CheckPassed:
    case WizardPage::CheckFailed:
      return Page::Checked;
    case WizardPage::Licence:
      return Page::Licence;
    case WizardPage::Readme:
      return Page::Readme;
    case WizardPage::SelectType:
      return Page::SelectType;
    case WizardPage::Final:
      return Page::Final;
    case WizardPage::Uninstall:
      return Page::Uninstall;
    case WizardPage::Error:
      return Page::Error;
    case WizardPage::Details:
      return Page::Details;
  }
  return std::nullopt;
}

std::optional<Page> HeadlessUi::CurrentPage() const {
  TfrmMain& m = app_->frmMain();
  if (m.visible && m.enabled) return AnswersPage(m.page);
  TfrmStatus& status = app_->frmStatus();
  if (status.visible && status.enabled) return Page::Status;
  return std::nullopt;
}

void HeadlessUi::RecordPage(Page page) {
  TfrmMain& m = app_->frmMain();
  std::string line = std::string("page ") + PageName(page);
  if (page == Page::Status) {
    line += " abort=" + Transcript::Quote(app_->frmStatus().btnAbort.caption);
    transcript_.Line(line);
    return;
  }
  line += " window=" + Transcript::Quote(m.caption) +
          " start=" + Transcript::Quote(m.btnEvent.caption) +
          " exit=" + Transcript::Quote(m.btnEnd.caption);
  // A hidden button is listed as hidden whatever its enabled state: the user cannot see that.
  std::string disabled, hidden;
  auto note = [](std::string& list, const char* name) {
    list += (list.empty() ? "" : ",") + std::string(name);
  };
  if (!m.btnEvent.Showing())
    note(hidden, "start");
  else if (!m.btnEvent.enabled)
    note(disabled, "start");
  if (!m.btnEnd.Showing())
    note(hidden, "exit");
  else if (!m.btnEnd.enabled)
    note(disabled, "exit");
  if (!disabled.empty()) line += " disabled=" + disabled;
  if (!hidden.empty()) line += " hidden=" + hidden;
  std::string text;
  switch (page) {
    case Page::Title:
    case Page::Checking:
    case Page::Checked:
      text = m.lblTitleMessage.caption;
      break;
    case Page::Licence:
    case Page::Readme:
    case Page::Details:
      line += " caption=" + Transcript::Quote(m.fraReadme.caption);
      text = m.txtReadme.caption;
      break;
    case Page::SelectType:
      line += " type1=" + Transcript::Quote(m.optSelectType1.caption) +
              (m.optSelectType1.checked ? ":on" : ":off") +
              " type2=" + Transcript::Quote(m.optSelectType2.caption) +
              (m.optSelectType2.checked ? ":on" : ":off");
      text = m.lblSelectTypeMsg.caption;
      break;
    case Page::Final:
      line += " folder=" + Transcript::Quote(m.txtFolder.caption) +
              (m.txtFolder.enabled ? "" : ":disabled") +
              " options=" + Transcript::Quote(m.grpOption.caption) +
              " overwrite=" + BoxState(m.chkOverWrite) + " desktop=" + BoxState(m.chkSCutDesktop) +
              " startmenu=" + BoxState(m.chkSCutStartMenu) +
              " startup=" + BoxState(m.chkSCutStartUp) + " sendto=" + BoxState(m.chkSCutSendTo);
      text = m.lblMessage.caption;
      break;
    case Page::Uninstall: {
      line += " folder=" + Transcript::Quote(m.txtFolder.caption) +
              " options=" + Transcript::Quote(m.grpOption.caption);
      int n = 1;
      for (TControl* box :
           {&m.chkSCutDesktop, &m.chkSCutStartMenu, &m.chkSCutStartUp, &m.chkSCutSendTo}) {
        if (box->visible)
          line += " option" + std::to_string(n) + "=" + Transcript::Quote(box->caption) + ":" +
                  BoxState(*box);
        ++n;
      }
      text = m.lblMessage.caption;
      break;
    }
    case Page::Error:
      text = m.lblMessage.caption;
      break;
    case Page::Status:
      break;
  }
  transcript_.Line(line);
  if (!text.empty()) transcript_.Line("text " + Transcript::Quote(text));
}

void HeadlessUi::RecordStatus() {
  TfrmStatus& status = app_->frmStatus();
  if (!status.visible) return;
  if (status.stepTextShowings != lastShowings_ || status.lblMessage.caption != lastStatus_) {
    lastShowings_ = status.stepTextShowings;
    lastStatus_ = status.lblMessage.caption;
    transcript_.Line("status " + Transcript::Quote(lastStatus_));
    const std::string text = Utf8(lastStatus_);
    for (AbortRule& rule : answers_.aborts) {
      if (rule.done || !GlobMatch(rule.status, text)) continue;
      if (++rule.seen < rule.nth) continue;
      rule.done = true;
      if (!status.btnAbort.enabled) {
        transcript_.Line("action status abort (ignored: the button is disabled)");
        continue;
      }
      transcript_.Line("action status abort");
      app_->Click(status.btnAbort);
      return;
    }
  }
  if (status.visible && status.fraStatus.visible && status.lblStatus.caption != lastProgress_) {
    lastProgress_ = status.lblStatus.caption;
    transcript_.Line("progress " + Utf8(lastProgress_));
  }
}

PageAction HeadlessUi::NextAction(Page page, bool& isDefault) {
  for (size_t i = 0; i < answers_.actions.size(); ++i) {
    if (!actionUsed_[i] && answers_.actions[i].page == page) {
      actionUsed_[i] = true;
      isDefault = false;
      return answers_.actions[i];
    }
  }
  isDefault = true;
  TfrmMain& m = app_->frmMain();
  const bool startUsable = m.btnEvent.enabled && m.btnEvent.Showing();
  PageAction action{0, page, "", ""};
  if (page == Page::Licence) action.action = startUsable ? "accept" : "refuse";
  else if (page == Page::Final || page == Page::Uninstall)
    action.action = startUsable ? "start" : "exit";
  else if (page == Page::Error) action.action = "exit";
  else if (page == Page::Status) action.action = "abort";
  else action.action = startUsable ? "continue" : "exit";
  return action;
}

void HeadlessUi::Perform(const PageAction& a, bool isDefault) {
  TfrmMain& m = app_->frmMain();
  std::string line = std::string("action ") + PageName(a.page) + " " + a.action;
  if (a.action == "folder") line += " " + Transcript::QuoteUtf8(a.argument);
  else if (!a.argument.empty()) line += " " + a.argument;
  if (isDefault) line += " (default)";
  transcript_.Line(line);

  if (a.action == "continue" || a.action == "accept" || a.action == "start") {
    app_->Click(m.btnEvent);
  } else if (a.action == "exit" || a.action == "refuse") {
    app_->Click(m.btnEnd);
  } else if (a.action == "folder") {
    app_->SetText(m.txtFolder, Cp932(a.argument));
  } else if (a.action == "browse") {
    app_->Click(m.btnRefer);
  } else if (a.action == "type1") {
    app_->Click(m.optSelectType1);
  } else if (a.action == "type2") {
    app_->Click(m.optSelectType2);
  } else if (a.action == "abort") {
    app_->Click(app_->frmStatus().btnAbort);
  } else if (a.action == "tick" || a.action == "untick") {
    TControl* box = nullptr;
    const std::string& b = a.argument;
    if (b == "overwrite") box = &m.chkOverWrite;
    else if (b == "desktop" || b == "option1") box = &m.chkSCutDesktop;
    else if (b == "startmenu" || b == "option2") box = &m.chkSCutStartMenu;
    else if (b == "startup" || b == "option3") box = &m.chkSCutStartUp;
    else if (b == "sendto" || b == "option4") box = &m.chkSCutSendTo;
    if (box && box->checked != (a.action == "tick")) {
      if (!box->enabled || !box->Showing())
        transcript_.Line("note the box " + b + " cannot be changed (disabled)");
      else
        app_->Click(*box);
    }
  }
}

void HeadlessUi::Stop(const std::string& why) {
  transcript_.Line("stopped " + why);
  stuck_ = true;
  app_->Terminated = true;
}

void HeadlessUi::ProcessMessages() {
  if (!app_ || app_->Terminated) return;
  RecordStatus();
  if (SharedDialogOpen()) return;
  const std::optional<Page> page = CurrentPage();
  if (page == Page::Checking) {
    for (size_t i = 0; i < answers_.actions.size(); ++i) {
      if (!actionUsed_[i] && answers_.actions[i].page == Page::Checking) {
        actionUsed_[i] = true;
        RecordPage(*page);
        Perform(answers_.actions[i], false);
        return;
      }
    }
  } else if (page == Page::Details) {
    // The runs wait here, processing messages, until the user continues.
    if (++waits_ > kMaxWaits) return Stop("the scripted user made no progress");
    RecordPage(*page);
    bool isDefault = false;
    PageAction action = NextAction(*page, isDefault);
    Perform(action, isDefault);
  }
}

void HeadlessUi::HandleMessage() {
  if (!app_ || app_->Terminated) return;
  if (++waits_ > kMaxWaits) return Stop("the scripted user made no progress");
  RecordStatus();
  if (SharedDialogOpen()) return AnswerSharedDialog();
  const std::optional<Page> page = CurrentPage();
  if (!page) return Stop("no window takes input");
  if (page == Page::Status && !app_->frmStatus().btnAbort.enabled)
    return Stop("the status window's Abort button is disabled and no window takes input");
  RecordPage(*page);
  bool isDefault = false;
  PageAction action = NextAction(*page, isDefault);
  Perform(action, isDefault);
}

void HeadlessUi::AnswerSharedDialog() {
  TfrmCustomDlg& dialog = app_->frmCustomDlg();
  const std::string text = Utf8(dialog.lblMessage.caption);
  std::string answer = "no";
  bool isDefault = true;
  for (SharedRule& rule : answers_.shared) {
    if ((rule.once && rule.uses > 0) || !GlobMatch(rule.text, text)) continue;
    ++rule.uses;
    answer = rule.answer;
    isDefault = false;
    break;
  }
  transcript_.Line("shared " + Transcript::QuoteUtf8(text) + " -> " + answer +
                   (isDefault ? " (default)" : ""));
  TControl& button = answer == "yes" ? dialog.btnYes
                     : answer == "no" ? dialog.btnNo
                     : answer == "all-delete" ? dialog.btnDelete
                                              : dialog.btnSave;
  app_->Click(button);
}

int HeadlessUi::ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) {
  const std::string t = Utf8(text), c = Utf8(caption);
  const uint32_t buttons = flags & 0x0F;
  auto fits = [&](const std::string& answer) {
    if (buttons == mb::YesNo) return answer == "yes" || answer == "no";
    if (buttons == mb::OkCancel) return answer == "ok" || answer == "cancel";
    return answer == "ok";
  };
  std::string answer;
  bool isDefault = true;
  for (BoxRule& rule : answers_.boxes) {
    if ((rule.once && rule.uses > 0) || !fits(rule.answer)) continue;
    if (!GlobMatch(rule.caption, c) || !GlobMatch(rule.text, t)) continue;
    ++rule.uses;
    answer = rule.answer;
    isDefault = false;
    break;
  }
  std::string note;
  const bool diskChange = caption == "Disk Change";
  int disk = 0;
  if (diskChange) {
    std::sscanf(t.c_str(), "Exchange it for the disk of NO.%d.", &disk);
    diskAskCount_ = disk == lastDiskAsked_ ? diskAskCount_ + 1 : 1;
    lastDiskAsked_ = disk;
  }
  if (answer.empty()) {
    if (buttons == mb::YesNo)
      answer = "yes";
    else if (diskChange) answer = answers_.disks.count(disk) ? "ok" : "cancel";
    else answer = "ok";
  }
  if (diskChange && answer == "ok") {
    if (diskAskCount_ > 2) {
      answer = "cancel";
      note = " (the inserted disk does not hold the file)";
    } else if (answers_.disks.count(disk)) {
      if (!InsertDisk || InsertDisk(disk, answers_.disks[disk]))
        note = " (inserted disk " + std::to_string(disk) + ")";
      else
        note = " (disk " + std::to_string(disk) + " could not be inserted)";
    }
  }
  transcript_.Line("box " + Transcript::QuoteUtf8(c) + " " + Hex(flags) + " " +
                   Transcript::QuoteUtf8(t) + " -> " + answer + (isDefault ? " (default)" : "") +
                   note);
  if (answer == "yes") return id::Yes;
  if (answer == "no") return id::No;
  if (answer == "cancel") return id::Cancel;
  return id::Ok;
}

std::optional<std::string> HeadlessUi::BrowseForFolder(const std::string& title, uint32_t) {
  for (BrowseRule& rule : answers_.browse) {
    if (rule.used) continue;
    rule.used = true;
    transcript_.Line("browse " + Transcript::Quote(title) + " -> " +
                     (rule.folder ? Transcript::QuoteUtf8(*rule.folder) : std::string("cancel")));
    if (!rule.folder) return std::nullopt;
    return Cp932(*rule.folder);
  }
  transcript_.Line("browse " + Transcript::Quote(title) + " -> cancel (default)");
  return std::nullopt;
}

int HeadlessUi::RestartDialog() {
  bool yes = answers_.restart.value_or(true);
  transcript_.Line(std::string("restart -> ") + (yes ? "yes" : "no") +
                   (answers_.restart ? "" : " (default)"));
  return yes ? id::Yes : id::No;
}

void HeadlessUi::ReportUnusedRules() {
  auto unused = [&](int line, const std::string& what) {
    transcript_.Line("unused answers line " + std::to_string(line) + ": " + what);
  };
  for (size_t i = 0; i < answers_.actions.size(); ++i)
    if (!actionUsed_[i])
      unused(answers_.actions[i].line,
             std::string(PageName(answers_.actions[i].page)) + " " + answers_.actions[i].action);
  for (const BoxRule& r : answers_.boxes)
    if (r.uses == 0) unused(r.line, "box " + r.answer);
  for (const SharedRule& r : answers_.shared)
    if (r.uses == 0) unused(r.line, "shared " + r.answer);
  for (const AbortRule& r : answers_.aborts)
    if (!r.done) unused(r.line, "abort");
  for (const BrowseRule& r : answers_.browse)
    if (!r.used) unused(r.line, "browse");
}

}  // namespace orvane::headless
