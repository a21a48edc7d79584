// TFolderDialog: a non-visual component that lets the user pick a folder with the shell's browser.
#pragma once
#include <cstdint>
#include <set>
#include <string>

namespace orvane {

class IUserInterface;

enum class TFolderDlgOption {
  bifBrowseForComputer,
  bifBrowseForPrinter,
  bifDontGoBelowDomain,
  bifReturnFSAncestors,
  bifReturnOnlyFSDirs,
  bifStatusText,
};

class TFolderDialog {
 public:
  explicit TFolderDialog(IUserInterface& ui);

  std::string Title;
  std::set<TFolderDlgOption> Option{TFolderDlgOption::bifReturnOnlyFSDirs};
  std::string SelectedFolder;

  // The BIF_ flags of the options present.
  uint32_t Flags() const;
  // Runs the browser: true and SelectedFolder set when the user chose a folder; false and
  // SelectedFolder unchanged when the user cancelled.
  bool Execute();

 private:
  IUserInterface& ui_;
};

}  // namespace orvane
