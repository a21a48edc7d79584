// Record once, replay everywhere: a user interface that passes everything to another one (the
// desktop's windows) and writes down, as the user goes, an answers file that replays this very
// run with the headless runner: the page actions, the message box, shared-file and folder-browser
// answers, the aborts and the restart answer.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace orvane {
class Application;
struct TControl;
}  // namespace orvane

namespace orvane::headless {

class Recorder : public IUserInterface {
 public:
  // `save` receives the whole answers file after each answer and returns false when it could not
  // be written; the run goes on and Failed() tells afterwards.
  Recorder(IUserInterface& inner, std::function<bool(const std::string& text)> save);

  // Watches the program's input (Application::onInput) from now on.
  void Attach(Application& app);
  // The first line of every recorded file (a comment): what the file is before any answer.
  static std::string Heading();
  // The answers file so far, and whether any save failed.
  std::string Text() const;
  bool Failed() const { return failed_; }

  void Realise(TForm& form) override { inner_.Realise(form); }
  void ProcessMessages() override;
  void HandleMessage() override;
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) override;
  std::optional<std::string> BrowseForFolder(const std::string& title, uint32_t flags) override;
  int RestartDialog() override;

 private:
  void Input(TControl& control, const std::string* text);
  // Counts the showings of status texts as the runner does, for `abort STATUS N`.
  void NoteStatus();
  // Adds a line; a line with the same `replaces` key as the last one takes its place (the folder
  // field typed key by key is one answer).
  void Add(const std::string& line, bool replacesLast = false);

  IUserInterface& inner_;
  std::function<bool(const std::string&)> save_;
  Application* app_ = nullptr;
  std::vector<std::string> lines_;
  bool lastIsFolder_ = false;
  bool failed_ = false;
  bool waitingForInput_ = false;  // inside HandleMessage rather than ProcessMessages
  std::map<std::string, int> statusShowings_;
  std::string lastStatus_;
  unsigned lastShowings_ = 0;
};

}  // namespace orvane::headless
