// The example package's checker for the walks under Wine (the package's own CHECK.EXE is a shell
// script): writes the verdict "ContinueInstall" and a message into RESULT.TXT beside itself.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

int main() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return 1;
  path.resize(length);
  path = path.substr(0, path.find_last_of(L'\\') + 1) + L"RESULT.TXT";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char verdict[] =
      "ContinueInstall\r\nThis machine meets the requirements of Orvane Demo.\r\n";
  DWORD written = 0;
  BOOL ok = WriteFile(file, verdict, sizeof verdict - 1, &written, nullptr);
  CloseHandle(file);
  return ok && written == sizeof verdict - 1 ? 0 : 1;
}
