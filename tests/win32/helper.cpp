// A program for the Win32 backend's tests to start. What it does is chosen by the environment
// variable ORVANE_HELPER_MODE, so that its command line stays free for the test to check:
//   report  writes its command line, current folder and ORVANE_HELPER_VALUE (UTF-8, one per
//           line) to the file ORVANE_HELPER_REPORT and exits with ORVANE_HELPER_EXIT (or 0);
//   system  writes Win32System's FirstArgument and ProgramPath (CP932, one per line) there;
//   mutex   exits 1 when Win32System takes the mutex named ORVANE_HELPER_VALUE, else 0;
//   sleep   sleeps for a minute.
// It carries a version resource (helper.rc) for the FileVersion test.
#include <windows.h>

#include <string>

#include "platform/win32/Win32System.h"
#include "support/Cp932.h"

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[4096];
  DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
  return length > 0 && length < 4096 ? std::wstring(buffer, length) : L"";
}

std::string Utf8(const std::wstring& text) {
  std::string out;
  orvane::Utf16ToUtf8(std::u16string(text.begin(), text.end()), out);
  return out;
}

void Report(const std::string& bytes) {
  HANDLE file = CreateFileW(Environment(L"ORVANE_HELPER_REPORT").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int main() {
  const std::wstring mode = Environment(L"ORVANE_HELPER_MODE");
  if (mode == L"report") {
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    Report(Utf8(GetCommandLineW()) + "\n" + Utf8(folder) + "\n" +
           Utf8(Environment(L"ORVANE_HELPER_VALUE")) + "\n");
    return _wtoi(Environment(L"ORVANE_HELPER_EXIT").c_str());
  }
  if (mode == L"system") {
    orvane::win32::Win32System system;
    Report(system.FirstArgument() + "\n" + system.ProgramPath() + "\n");
    return 0;
  }
  if (mode == L"mutex") {
    std::wstring name = Environment(L"ORVANE_HELPER_VALUE");
    std::string cp932;
    orvane::Utf16ToCp932(std::u16string(name.begin(), name.end()), cp932);
    return orvane::win32::Win32System().CreateSingleInstanceMutex(cp932) ? 1 : 0;
  }
  if (mode == L"sleep") Sleep(60000);
  return 0;
}
