// The folder browser component over the user interface's folder chooser.
#include "windows/FldrDlg.h"

#include "platform/Ui.h"

namespace orvane {

TFolderDialog::TFolderDialog(IUserInterface& ui) : ui_(ui) {}

uint32_t TFolderDialog::Flags() const {
  uint32_t flags = 0;
  for (TFolderDlgOption option : Option) {
    switch (option) {
      case TFolderDlgOption::bifBrowseForComputer: flags |= 0x1000; break;
      case TFolderDlgOption::bifBrowseForPrinter: flags |= 0x2000; break;
      case TFolderDlgOption::bifDontGoBelowDomain: flags |= 0x2; break;
      case TFolderDlgOption::bifReturnFSAncestors: flags |= 0x8; break;
      case TFolderDlgOption::bifReturnOnlyFSDirs: flags |= 0x1; break;
      case TFolderDlgOption::bifStatusText: flags |= 0x4; break;
    }
  }
  return flags;
}

bool TFolderDialog::Execute() {
  std::optional<std::string> folder = ui_.BrowseForFolder(Title, Flags());
  if (!folder) return false;
  // The shell copies the path into a 261-character buffer.
  SelectedFolder = folder->substr(0, 260);
  return true;
}

}  // namespace orvane
