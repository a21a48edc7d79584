// The wizard step: the next pending page, or the final page and the start of a run; the checker
// program with its result file; text files shown on the text page.
#include "app/Application.h"
#include "app/Main.h"
#include "install/FileOps.h"
#include "support/uStrOp.h"
#include "windows/Status.h"

namespace orvane {
namespace {

// Splits a file's bytes into lines at CR LF, CR or LF, as the text controls load them.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c != '\0') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

ScrollBars ScrollBarsOf(const std::string& value, ScrollBars current) {
  if (value == "ssVertical") return ScrollBars::Vertical;
  if (value == "ssHorizontal") return ScrollBars::Horizontal;
  if (value == "ssBoth") return ScrollBars::Both;
  return current;
}

}  // namespace

void TfrmMain::btnEventClick() {
  const WizardPage shown = page;
  const std::string& s = ctx.SetupString;
  const std::string& u = ctx.UnSetupString;
  IFiles& files = app.platform.files;

  // The welcome page, shown once at start-up.
  if (ctx.TitlePending) {
    ctx.TitlePending = false;
    fraTitle.visible = true;
    const std::string p = ScriptValue("Title", "Program");
    lblTitleMessage.caption =
        "Welcome to the " + p + " Installer. This Installer will " + s + " " + p +
        " on your computer.\r\n\r\nIt is strongly recommended that you exit all Windows Programs "
        "before running this Installer.\r\n\r\nClick [Exit " + s + "] to quit " + s +
        " and then close any programs you have running. Click [Continue " + s +
        "] to continue with the Installer.";
    btnEvent.caption = "Continue " + s + "(&C)";
    btnEnd.caption = "Exit " + s + "(&E)";
    btnEvent.enabled = btnEnd.enabled = true;
    focused = &btnEvent;
    page = WizardPage::Title;
    return;
  }
  // The package's checker program, once, when the script names one that exists: its result
  // file decides whether the user may go on, so the wizard waits on this page.
  if (ctx.InstallCheckerPending) {
    ctx.InstallCheckerPending = false;
    std::string checker = SourcePath(ScriptValue("Extend", "InstallChecker"));
    if (FileExists(files, checker)) {
      RunChecker(checker);
      return;
    }
  }
  // Leaving the welcome page: the window hides for a second, so the change of page is seen.
  if (fraTitle.visible) {
    fraTitle.visible = false;
    visible = false;
    app.ProcessMessages();
    app.platform.clock.Sleep(1000);
    visible = true;
  }
  // The licence, on a grey text page, when its file exists.
  if (ctx.EulaPending) {
    ctx.EulaPending = false;
    std::string file = SourcePath(ScriptValue("EULA", "File"));
    if (FileExists(files, file)) {
      fraReadme.caption = "Software License Agreement";
      btnEvent.caption = "Accept(&A)";
      btnEnd.caption = "Refuse(&R)";
      btnEvent.enabled = btnEnd.enabled = true;
      focused = &btnEvent;
      txtReadme.color = clSilver;
      LoadTextFile(file, ScriptValue("EULA", "ScrollBars", "ssVertical"));
      SetTextPageVisible(true);
      page = WizardPage::Licence;
      return;
    }
  }
  // Every later text page has the ordinary background.
  txtReadme.color = clWindow;
  // The readme, when its file exists.
  if (ctx.ReadmePending) {
    ctx.ReadmePending = false;
    std::string file = SourcePath(ScriptValue("Readme", "File"));
    if (FileExists(files, file)) {
      btnEvent.caption = "Continue " + s + "(&C)";
      btnEnd.caption = "Exit " + s + "(&E)";
      btnEvent.enabled = btnEnd.enabled = true;
      focused = &btnEvent;
      LoadTextFile(file, ScriptValue("Readme", "ScrollBars", "ssVertical"));
      fraReadme.caption = ScriptValue("Readme", "Title");
      SetTextPageVisible(true);
      page = WizardPage::Readme;
      return;
    }
  }
  // The choice between the package's two variants, when the script asks for it.
  if (ctx.SelectTypePending) {
    ctx.SelectTypePending = false;
    if (ScriptValue("SelectType", "Visible", "False") == "True") {
      lblSelectTypeMsg.caption = "Select what you would like to " + s +
                                 ".\r\nThen click [Continue " + s + "] to continue.";
      optSelectType1.caption = ScriptValue("SelectType", "Type1", "Normal Type " + s + ".");
      optSelectType2.caption = ScriptValue("SelectType", "Type2", "Another Type " + s + ".");
      btnEvent.caption = "Continue " + s + "(&C)";
      btnEnd.caption = "Exit " + s + "(&E)";
      btnEvent.enabled = btnEnd.enabled = true;
      focused = &btnEvent;
      fraSelectType.visible = true;
      fraReadme.visible = false;
      page = WizardPage::SelectType;
      return;
    }
  }
  // The final page. A click on it starts the run it offers; a click on a run's failure details
  // ends the run's wait for them.
  fraSelectType.visible = false;
  SetTextPageVisible(false);
  btnEvent.caption = ctx.Uninstalling() ? "Start " + u + "(&S)" : "Start " + s + "(&S)";
  btnEnd.caption = "Exit " + s + "(&E)";
  btnEvent.enabled = btnEnd.enabled = true;
  page = ctx.Uninstalling() ? WizardPage::Uninstall : WizardPage::Final;
  if (shown == WizardPage::Uninstall) {
    RunUninstall();
  } else if (shown == WizardPage::Final) {
    RunInstall();
  } else if (shown == WizardPage::Details) {
    btnEvent.enabled = false;
  }
}

void TfrmMain::RunChecker(const std::string& checker) {
  const std::string& s = ctx.SetupString;
  lblTitleMessage.caption =
      "Installer is checking whether the management can be continued just like this. Wait for a "
      "while.\r\n\r\nChoose [Compulsory Exit(E)] for a long time pass when a check isn't finished "
      "and when a " + s + " is unavoidably stopped.";
  btnEnd.caption = "Compulsory Exit(&E)";
  btnEnd.enabled = true;
  btnEvent.enabled = false;
  page = WizardPage::Checking;
  app.ProcessMessages();

  RunAndWait(checker, "");
  if (EndRequested()) return;

  std::string verdict = "AbortInstall";
  std::string text = " Check is now Complete.\r\n\r\n";
  const std::string result = ctx.SourceFolder + "RESULT.TXT";
  std::string bytes;
  if (!FileExists(app.platform.files, result)) {
    text += s + " can't be continued.\r\n";
  } else if (app.platform.files.ReadFile(result, bytes) == 0 && !bytes.empty()) {
    std::vector<std::string> lines = SplitLines(bytes);
    if (!lines.empty()) verdict = lines[0];
    for (size_t i = 1; i < lines.size(); ++i) text += lines[i] + "\r\n";
    text += "\r\n";
  }
  if (verdict == "ContinueInstall") {
    btnEnd.caption = "Exit " + s + "(&E)";
    btnEvent.enabled = true;
    page = WizardPage::CheckPassed;
  } else {
    btnEnd.caption = "End(&E)";
    page = WizardPage::CheckFailed;
  }
  lblTitleMessage.caption = text;
  btnEnd.enabled = true;
  app.ProcessMessages();
}

bool TfrmMain::RunAndWait(const std::string& program, const std::string& arguments) {
  IProcesses& processes = app.platform.processes;
  int process = processes.Start(program, arguments);
  if (process == 0) return false;
  // The 1-ms pause between turns is a wait on the process itself, not a pause of the visible
  // pace, so it is not taken through the clock.
  while (!processes.Wait(process, 0)) {
    app.ProcessMessages();
    if (EndRequested() || app.Terminated) break;
    processes.Wait(process, 1);
  }
  processes.Close(process);
  return true;
}

void TfrmMain::LoadTextFile(const std::string& path, const std::string& scrollBars) {
  std::string bytes;
  std::string text;
  if (app.platform.files.ReadFile(path, bytes) == 0) {
    for (const std::string& line : SplitLines(bytes)) text += line + "\r\n";
  }
  txtReadme.caption = text;
  txtReadme.scrollBars = ScrollBarsOf(scrollBars, txtReadme.scrollBars);
}

}  // namespace orvane
