// WizardRunView: the runs' view of the program, over the wizard, the status window and the
// shared-file dialog.
#pragma once
#include "install/RunView.h"

namespace orvane {

class Application;

class WizardRunView : public IRunView {
 public:
  explicit WizardRunView(Application& app) : app_(app) {}

  InstallChoices InstallOptions() override;
  UninstallChoices TakeUninstallOptions() override;
  std::string DestinationFolder() override;
  void HideWizard() override;
  void ShowStatusWindow() override;
  void ShowStatus(const std::string& text) override;
  void ShowProgressFrame(bool show) override;
  void ShowProgress(int percent, const std::string& label) override;
  void EnableAbort(bool enable) override;
  bool AbortRequested() override;
  void ProcessMessages() override;
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  bool ConfirmSharedFileDeletion(const std::string& question) override;
  void ShowFailureDetails(const std::string& caption, const std::string& text,
                          bool verticalScrollBar) override;
  void EndRun(RunEnd end, bool closeStatusWindow) override;

 private:
  Application& app_;
};

}  // namespace orvane
