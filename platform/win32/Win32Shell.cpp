// The Windows shell over shell32 and ole32, with every text converted between CP932 and UTF-16
// at this edge.
#include "platform/win32/Win32Shell.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include "platform/WinTypes.h"
#include "platform/win32/Win32ShellText.h"
#include "support/ShellLink.h"

namespace orvane::win32 {
namespace {

using shelltext::ErrorOfResult;
using shelltext::Wide;

// Releases a COM interface when it goes out of scope.
template <typename T>
struct Released {
  T* p = nullptr;
  ~Released() {
    if (p) p->Release();
  }
};

// True when `text` passes through the ANSI code page unchanged. Some shells (Wine's among them)
// store a link's local path only in that code page, so a name outside it would be lost.
bool FitsAnsiCodePage(const std::wstring& text) {
  if (text.empty() || GetACP() == CP_UTF8) return true;
  BOOL lossy = FALSE;
  int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(),
                                 static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
  return size > 0 && !lossy;
}

// Writes a whole link file, replacing one that is there. 0 or the system's error code.
uint32_t WriteLinkFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD written = 0;
  uint32_t error = 0;
  if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    error = GetLastError();
  else if (written != bytes.size())
    error = ERROR_DISK_FULL;
  if (!CloseHandle(file) && error == 0) error = GetLastError();
  if (error != 0) DeleteFileW(path.c_str());
  return error;
}

}  // namespace

Win32Shell::Win32Shell() {
  // S_FALSE (already initialised on this thread) must be balanced too; a thread in the other
  // apartment model (RPC_E_CHANGED_MODE) keeps its COM and must not be uninitialised by us.
  comInitialised_ =
      SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

Win32Shell::~Win32Shell() {
  if (comInitialised_) CoUninitialize();
}

std::string Win32Shell::SpecialFolderPath(int csidl) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || list == nullptr) return "";
  wchar_t buffer[MAX_PATH + 1] = {};
  BOOL found = SHGetPathFromIDListW(list, buffer);
  CoTaskMemFree(list);
  if (!found) return "";
  std::wstring folder = shelltext::FromBuffer(buffer, MAX_PATH + 1);
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return shelltext::NarrowPath(folder);
}

uint32_t Win32Shell::SaveShellLink(const std::string& linkPath, const std::string& target,
                                   const std::string& workingFolder, const std::string& arguments) {
  std::wstring wideLink, wideTarget, wideFolder, wideArguments;
  if (uint32_t error = shelltext::SystemPath(linkPath, wideLink)) return error;
  if (!Wide(target, wideTarget) || !Wide(workingFolder, wideFolder) ||
      !Wide(arguments, wideArguments))
    return err::InvalidName;
  if (!FitsAnsiCodePage(wideTarget) || !FitsAnsiCodePage(wideFolder) ||
      !FitsAnsiCodePage(wideArguments))
    return WriteLinkFile(wideLink, BuildShellLink(target, workingFolder, arguments));

  Released<IShellLinkW> link;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(&link.p));
  if (FAILED(result)) return ErrorOfResult(result, err::AccessDenied);
  // An empty working folder or argument text is left unset, so that the link holds no empty
  // string (readers such as lnkinfo reject a present but empty one).
  if (FAILED(result = link.p->SetPath(wideTarget.c_str())) ||
      (!wideFolder.empty() && FAILED(result = link.p->SetWorkingDirectory(wideFolder.c_str()))) ||
      (!wideArguments.empty() && FAILED(result = link.p->SetArguments(wideArguments.c_str()))))
    return ErrorOfResult(result, err::InvalidParameter);
  Released<IPersistFile> file;
  result = link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
  if (FAILED(result)) return ErrorOfResult(result, err::AccessDenied);
  return ErrorOfResult(file.p->Save(wideLink.c_str(), TRUE), err::AccessDenied);
}

int Win32Shell::Execute(const std::string& verb, const std::string& file,
                        const std::optional<std::string>& parameters) {
  std::wstring wideVerb, wideFile, wideParameters;
  if (!Wide(verb, wideVerb) || shelltext::SystemPath(file, wideFile) != 0 ||
      (parameters && !Wide(*parameters, wideParameters)))
    return SE_ERR_FNF;
  HINSTANCE result =
      ShellExecuteW(GetDesktopWindow(), verb.empty() ? nullptr : wideVerb.c_str(), wideFile.c_str(),
                    parameters ? wideParameters.c_str() : nullptr, nullptr, SW_SHOWNORMAL);
  return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

void Win32Shell::ChangeNotify(long event) {
  SHChangeNotify(event, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace orvane::win32
