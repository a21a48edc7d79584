// The user interface backend: renders form models and turns input into their handlers.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace orvane {

class TForm;

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;

  // Makes a native window for a form model; called once per form at program start.
  virtual void Realise(TForm& form) = 0;
  // Application.ProcessMessages: handles pending input and repaints without waiting.
  virtual void ProcessMessages() = 0;
  // Application.HandleMessage: waits for one input event and dispatches it to its handler.
  virtual void HandleMessage() = 0;
  // MessageBox(text, caption, flags): returns id::Ok, id::Cancel, id::Yes or id::No.
  virtual int ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) = 0;
  // SHBrowseForFolderA: the chosen folder's path, or nothing when the user cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title, uint32_t flags) = 0;
  // The shell's restart dialog (EWX_REBOOT): id::Yes when the user agreed to restart.
  virtual int RestartDialog() = 0;
};

}  // namespace orvane
