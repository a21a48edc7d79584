// The Win32 backend's shell links and LZ expansion in the conformance suite, in the Windows build
// only (run under Wine): a backend over the real API whose shell and LZ are Win32Shell and
// Win32Lz, with C:\CT removed before and after each test. The files, profile and registry
// contracts run against the Win32 backend in Win32Backend.cpp.
#ifdef _WIN32
#include <windows.h>

#include <string>

#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Lz.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "support/Cp932.h"
#include "tests/conformance/Backend.h"

namespace orvane::conformance {
namespace {

// Removes a folder with everything in it.
void RemoveFolderTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName, path = folder + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveFolderTree(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(search, &data));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

class Win32ShellBackend : public Backend {
 public:
  Win32ShellBackend() { RemoveFolderTree(L"C:\\CT"); }
  ~Win32ShellBackend() override { RemoveFolderTree(L"C:\\CT"); }
  IFiles& Files() override { return files_; }
  IProfile& Profile() override { return profile_; }
  IRegistry& Registry() override { return registry_; }
  IShell* Shell() override { return &shell_; }
  ILzExpand* Lz() override { return &lz_; }
  std::string WindowsFolder() override {
    wchar_t buffer[MAX_PATH + 1];
    UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    std::string folder;
    Utf16ToCp932(std::u16string(buffer, buffer + length), folder);
    return folder;
  }
  std::shared_ptr<void> HoldOpen(const std::string& path) override {
    std::u16string wide;
    if (!Cp932ToUtf16(path, wide)) return nullptr;
    HANDLE file =
        CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::shared_ptr<void>(file, [](HANDLE handle) { CloseHandle(handle); });
  }

 private:
  win32::Win32Files files_;
  win32::Win32Profile profile_;
  win32::Win32Registry registry_;
  win32::Win32Shell shell_;
  win32::Win32Lz lz_;
};

std::unique_ptr<Backend> MakeWin32ShellBackend() {
  return std::make_unique<Win32ShellBackend>();
}

INSTANTIATE_TEST_SUITE_P(Win32Shell, ShellLinkContract,
                         ::testing::Values(BackendFactory{"Win32Shell", &MakeWin32ShellBackend}));
INSTANTIATE_TEST_SUITE_P(Win32Shell, LzContract,
                         ::testing::Values(BackendFactory{"Win32Shell", &MakeWin32ShellBackend}));

}  // namespace
}  // namespace orvane::conformance
#endif  // _WIN32
