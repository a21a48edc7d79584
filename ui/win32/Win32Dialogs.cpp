// The system's own dialogs: MessageBoxW for messages and the restart question, the shell's
// SHBrowseForFolderW for folders. While one is open the forms take no input, and a thread timer
// keeps the state dump up to date from inside the dialog's own message loop.
#include <shlobj.h>


#include "app/Application.h"
#include "app/Main.h"
#include "app/WindowState.h"
#include "platform/WinTypes.h"
#include "platform/win32/Win32Paths.h"
#include "support/Cp932.h"
#include "support/Texts.h"
#include "ui/win32/Win32Paint.h"
#include "ui/win32/Win32Ui.h"
#include "windows/CusDlg.h"
#include "windows/Status.h"

namespace orvane::win32ui {
namespace {

Win32Ui* g_dialogUi = nullptr;
HHOOK g_hook = nullptr;

// The message box's window, when it is activated the first time.
LRESULT CALLBACK NoteMessageBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && g_dialogUi) {
    wchar_t name[16] = {};
    GetClassNameW(reinterpret_cast<HWND>(wParam), name, 16);
    if (lstrcmpW(name, L"#32770") == 0) g_dialogUi->NoteDialog(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

void CALLBACK RefreshDump(HWND, UINT, UINT_PTR, DWORD) {
  if (g_dialogUi) g_dialogUi->WriteDump();
}

int CALLBACK BrowserEvent(HWND window, UINT message, LPARAM lParam, LPARAM) {
  if (!g_dialogUi) return 0;
  if (message == BFFM_INITIALIZED) g_dialogUi->NoteDialog(window);
  if (message == BFFM_SELCHANGED) {
    wchar_t path[MAX_PATH] = {};
    std::string cp932;
    if (SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path))
      cp932 = win32::FromWideLossy(path);
    g_dialogUi->NoteBrowserSelection(cp932);
    g_dialogUi->WriteDump();
  }
  return 0;
}

// "NAME X Y W H" for a window, in screen pixels.
std::string Place(const std::string& name, HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return name + Numbers({r.left, r.top, r.right - r.left, r.bottom - r.top});
}

}  // namespace

void Win32Ui::BeginDialog(const std::string& kind, const std::string& title,
                          const std::string& text) {
  ++modalDialogs_;
  Sync();
  dialogKind_ = kind, dialogTitle_ = title, dialogText_ = text;
  dialog_ = nullptr;
  browserSelection_.clear();
  g_dialogUi = this;
}

void Win32Ui::EndDialog() {
  dialog_ = nullptr;
  dialogKind_.clear();
  g_dialogUi = nullptr;
  --modalDialogs_;
  Sync();
}

std::string Win32Ui::DialogDump() const {
  HWND window = static_cast<HWND>(dialog_);
  if (!window || !IsWindow(window)) return "";
  std::string out;
  if (dialogKind_ == "box") {
    out += Place("box", window) + " " + DumpQuote(DisplayUtf8(dialogTitle_)) + " " +
           DumpQuote(DisplayUtf8(dialogText_)) + "\n";
    for (auto [id, name] : {std::pair{IDOK, "box.ok"},
                            {IDCANCEL, "box.cancel"},
                            {IDYES, "box.yes"},
                            {IDNO, "box.no"}})
      if (HWND button = GetDlgItem(window, id); button && IsWindowVisible(button))
        out += Place(name, button) + "\n";
  } else {
    out += Place("browser", window) + " " + DumpQuote(DisplayUtf8(dialogTitle_)) + "\n";
    for (auto [id, name] : {std::pair{IDOK, "browser.ok"}, {IDCANCEL, "browser.cancel"}})
      if (HWND button = GetDlgItem(window, id)) out += Place(name, button) + "\n";
    if (HWND tree = FindWindowExW(window, nullptr, L"SysTreeView32", nullptr))
      out += Place("browser.tree", tree) + "\n";
    out += "browser.selected " + DumpQuote(DisplayUtf8(browserSelection_)) + "\n";
  }
  return out;
}

int Win32Ui::ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) {
  HWND owner = static_cast<HWND>(DialogOwner());
  BeginDialog("box", caption, text);
  g_hook = SetWindowsHookExW(WH_CBT, NoteMessageBox, nullptr, GetCurrentThreadId());
  UINT_PTR timer = dumpPath_.empty() ? 0 : SetTimer(nullptr, 0, 200, RefreshDump);
  int answer =
      MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), flags | MB_SETFOREGROUND);
  if (timer) KillTimer(nullptr, timer);
  if (g_hook) UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  EndDialog();
  if (answer == IDOK || answer == IDCANCEL || answer == IDYES || answer == IDNO) return answer;
  // No answer (the box could not be shown): as Escape would have answered.
  return (flags & 0x0F) == mb::YesNo      ? id::No
         : (flags & 0x0F) == mb::OkCancel ? id::Cancel
                                          : id::Ok;
}

std::optional<std::string> Win32Ui::BrowseForFolder(const std::string& title, uint32_t flags) {
  static const bool comReady = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  (void)comReady;
  std::wstring wideTitle = Wide(title);
  BROWSEINFOW info = {};
  info.hwndOwner = static_cast<HWND>(DialogOwner());
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = flags;
  info.lpfn = BrowserEvent;
  BeginDialog("browser", title, "");
  UINT_PTR timer = dumpPath_.empty() ? 0 : SetTimer(nullptr, 0, 200, RefreshDump);
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (timer) KillTimer(nullptr, timer);
  EndDialog();
  if (!chosen) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  const bool isPath = SHGetPathFromIDListW(chosen, path);
  CoTaskMemFree(chosen);
  std::string cp932;
  // A folder whose name has no code page 932 form cannot be used by the program.
  if (!isPath || !win32::FromWide(path, cp932)) return std::nullopt;
  return cp932;
}

// The shell's restart dialog restarts Windows by itself when the user agrees; the program
// restarts through its platform after cleaning up, so the question is a system message box.
int Win32Ui::RestartDialog() {
  int answer = ShowMessage(texts::kRestartQuestionText, texts::kRestartQuestionCaption,
                           mb::YesNo | mb::IconQuestion);
  return answer == id::Yes ? id::Yes : id::No;
}

}  // namespace orvane::win32ui
