// The headless user interface: a scripted user that follows an answers file, and a transcript of
// everything a user would have seen. Implements: message boxes, the folder browser, the restart
// dialog, the modal loop's input and message processing. Differs from a desktop: nothing is drawn;
// a question without a rule gets the documented default, and a state where no input can help ends
// the program.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/Ui.h"
#include "ui/headless/Answers.h"
#include "ui/headless/Transcript.h"

namespace orvane {
class Application;
enum class WizardPage;
}  // namespace orvane

namespace orvane::headless {

// The page of the answers file that a wizard page is (none for WizardPage::None).
std::optional<Page> AnswersPage(WizardPage page);

class HeadlessUi : public IUserInterface {
 public:
  HeadlessUi(Answers answers, Transcript& transcript);

  void Attach(Application& app) { app_ = &app; }
  // Called when a disk must be "inserted": maps the folder as the distribution drive; false when
  // that failed.
  std::function<bool(int disk, const std::string& folder)> InsertDisk;
  // True when the program was stopped because no input could make progress.
  bool Stuck() const { return stuck_; }
  // Transcript lines for the rules that were never used.
  void ReportUnusedRules();

  void Realise(TForm&) override {}
  void ProcessMessages() override;
  void HandleMessage() override;
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) override;
  std::optional<std::string> BrowseForFolder(const std::string& title, uint32_t flags) override;
  int RestartDialog() override;

 private:
  // The page that waits for input, if any; the shared-file dialog is asked apart.
  std::optional<Page> CurrentPage() const;
  bool SharedDialogOpen() const;
  void AnswerSharedDialog();
  void RecordPage(Page page);
  void RecordStatus();
  // The next scripted action for a page, or the page's default (marked in the transcript).
  PageAction NextAction(Page page, bool& isDefault);
  void Perform(const PageAction& action, bool isDefault);
  void Stop(const std::string& why);

  Answers answers_;
  Transcript& transcript_;
  Application* app_ = nullptr;
  std::vector<bool> actionUsed_;
  std::string lastStatus_, lastProgress_;
  unsigned lastShowings_ = 0;
  int waits_ = 0;
  int lastDiskAsked_ = 0, diskAskCount_ = 0;
  bool stuck_ = false;
};

}  // namespace orvane::headless
