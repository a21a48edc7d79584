// The Win32 backend in the conformance suite, on the machine the suite runs on (a Wine prefix):
// each test starts and ends with C:\CT, the profile file in the Windows folder and the suite's
// registry keys removed, so that tests see a fresh machine where they look.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Paths.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "tests/conformance/Backend.h"

namespace orvane::conformance {
namespace {

// Removes a folder with everything in it, read-only files too.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(search, &data));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

class Win32Backend : public Backend {
 public:
  Win32Backend() { Clean(); }
  ~Win32Backend() override { Clean(); }
  IFiles& Files() override { return files_; }
  IProfile& Profile() override { return profile_; }
  IRegistry& Registry() override { return registry_; }
  std::string WindowsFolder() override {
    wchar_t buffer[MAX_PATH + 1];
    UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    std::string folder;
    win32::FromWide(std::wstring(buffer, length), folder);
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
  }
  // The file is held the way a running program holds its files: others may read it, none may
  // write, rename or delete it. The system's sharing rules are the same whichever process holds
  // the handle, so this process holds it.
  std::shared_ptr<void> HoldOpen(const std::string& path) override {
    std::wstring wide;
    if (win32::WidePath(path, wide) != 0) return nullptr;
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::shared_ptr<void>(file, [](HANDLE handle) { CloseHandle(handle); });
  }

 private:
  void Clean() {
    RemoveTree(L"C:\\CT");
    std::wstring ini;
    win32::ToWide(WindowsFolder() + "\\ct_test.ini", ini);
    DeleteFileW(ini.c_str());
    registry_.DeleteTree(RegRoot::CurrentUser, "Software\\Conformance");
  }

  win32::Win32Files files_;
  win32::Win32Profile profile_;
  win32::Win32Registry registry_;
};

std::unique_ptr<Backend> MakeWin32Backend() {
  return std::make_unique<Win32Backend>();
}

ORVANE_CONFORMANCE_BACKEND(Win32, &MakeWin32Backend);

// The suite means to run under each ANSI code page it is given (ORVANE_EXPECT_ACP): a run under
// another one would prove nothing about it.
TEST(Win32Machine, RunsUnderTheAnsiCodePageAsked) {
  const char* expected = std::getenv("ORVANE_EXPECT_ACP");
  if (!expected) GTEST_SKIP() << "ANSI code page " << GetACP();
  EXPECT_EQ(std::to_string(GetACP()), expected);
}

}  // namespace
}  // namespace orvane::conformance
