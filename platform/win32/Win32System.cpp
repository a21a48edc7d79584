// System information and the clock on the real API. Every text crosses this edge through
// support/Cp932, so the results do not depend on the system's ANSI code page.
#include "platform/win32/Win32System.h"

#include <windows.h>

#include <vector>

#include "platform/win32/Win32ShellText.h"
#include "support/ErrorTexts.h"

namespace orvane::win32 {
namespace {

using shelltext::FromBuffer;
using shelltext::Narrow;
using shelltext::NarrowPath;
using shelltext::Wide;

// A folder from one of the Get...Directory/GetTempPath calls: they return the length without
// the NUL when the buffer was big enough and the size needed otherwise.
template <typename Call>
std::wstring SystemFolder(Call call) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int round = 0; round < 2; ++round) {
    DWORD length = call(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return L"";
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return L"";
}

std::wstring Hex4(unsigned value) {
  const wchar_t digits[] = L"0123456789abcdef";
  std::wstring text;
  for (int shift = 12; shift >= 0; shift -= 4) text += digits[(value >> shift) & 0xF];
  return text;
}

// FormatMessageW from the system's table in one language; empty when it has no such text.
std::wstring SystemMessage(uint32_t code, DWORD language) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, code, language, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length && text ? std::wstring(text, length) : L"";
  if (text) LocalFree(text);
  while (!message.empty() &&
         (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
    message.pop_back();
  return message;
}

constexpr uint32_t kEarliestDosDateTime = ((0u << 9 | 1u << 5 | 1u) << 16);  // 1980-01-01 0:00
constexpr uint32_t kLatestDosDateTime =
    ((127u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u);  // 2107-12-31 23:59:58

}  // namespace

std::wstring FirstCommandLineArgument(const std::wstring& commandLine) {
  size_t i = 0, n = commandLine.size();
  // The program name: Windows' own rule, which knows no escapes.
  if (i < n && commandLine[i] == L'"') {
    size_t close = commandLine.find(L'"', i + 1);
    i = close == std::wstring::npos ? n : close + 1;
  }
  while (i < n && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
  while (i < n && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
  std::wstring argument;
  bool quoted = false;
  for (; i < n; ++i) {
    wchar_t c = commandLine[i];
    if (c == L'"') {
      quoted = !quoted;
    } else if ((c == L' ' || c == L'\t') && !quoted) {
      break;
    } else {
      argument += c;
    }
  }
  return argument;
}

Win32System::Win32System(SystemOptions options) : options_(std::move(options)) {}

Win32System::~Win32System() {
  for (const auto& [name, handle] : mutexes_) CloseHandle(handle);
}

int Win32System::PlatformId() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return -1;
#pragma GCC diagnostic pop
  return static_cast<int>(info.dwPlatformId);
}

std::string Win32System::ProgramPath() {
  if (options_.programPath) return *options_.programPath;
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return "";
    if (length < buffer.size() - 1) return NarrowPath(std::wstring(buffer.data(), length));
    if (buffer.size() >= 32768) return "";
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32System::FirstArgument() {
  if (options_.firstArgument) return *options_.firstArgument;
  std::wstring argument = FirstCommandLineArgument(GetCommandLineW());
  // A log path with a character CP932 lacks is given in its short form.
  return argument.empty() ? "" : NarrowPath(argument);
}

std::string Win32System::TempPath() {
  return NarrowPath(SystemFolder([](DWORD size, wchar_t* b) { return GetTempPathW(size, b); }));
}

std::string Win32System::WindowsDirectory() {
  return NarrowPath(
      SystemFolder([](DWORD size, wchar_t* b) { return GetWindowsDirectoryW(b, size); }));
}

std::string Win32System::SystemDirectory() {
  return NarrowPath(
      SystemFolder([](DWORD size, wchar_t* b) { return GetSystemDirectoryW(b, size); }));
}

std::string Win32System::FileVersion(const std::string& path) {
  std::wstring file;
  if (shelltext::SystemPath(path, file) != 0) return "";
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return "";
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return "";
  struct Translation {
    WORD language, codePage;
  }* translations = nullptr;
  UINT bytes = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translations), &bytes) ||
      bytes < sizeof(Translation))
    return "";
  std::wstring query = L"\\StringFileInfo\\" + Hex4(translations[0].language) +
                       Hex4(translations[0].codePage) + L"\\FileVersion";
  wchar_t* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) ||
      text == nullptr)
    return "";
  std::string version;
  return Narrow(FromBuffer(text, length), version) ? version : "";
}

std::string Win32System::MessageText(uint32_t code) {
  for (DWORD language :
       {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)}) {
    std::string text;
    std::wstring message = SystemMessage(code, language);
    if (!message.empty() && Narrow(message, text)) return text;
  }
  return EnglishErrorText(code);
}

int32_t Win32System::LocalDosDateTime(int64_t fileTime) {
  if (fileTime < 0) return static_cast<int32_t>(kEarliestDosDateTime);
  FILETIME utc, local;
  utc.dwLowDateTime = static_cast<DWORD>(fileTime);
  utc.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(fileTime) >> 32);
  SYSTEMTIME when;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &when))
    return static_cast<int32_t>(kLatestDosDateTime);
  // DOS times run from 1980 to 2107; times outside are held at the nearest end, as the
  // emulated machine does (FileTimeToDosDateTime itself fails for them).
  if (when.wYear < 1980) return static_cast<int32_t>(kEarliestDosDateTime);
  if (when.wYear > 2107) return static_cast<int32_t>(kLatestDosDateTime);
  WORD date = 0, time = 0;
  if (!FileTimeToDosDateTime(&local, &date, &time))
    return static_cast<int32_t>(kEarliestDosDateTime);
  return static_cast<int32_t>(static_cast<uint32_t>(date) << 16 | time);
}

bool Win32System::CreateSingleInstanceMutex(const std::string& name) {
  if (mutexes_.count(name)) return true;
  std::wstring wide;
  if (!Wide(name, wide)) return false;
  if (HANDLE other = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, wide.c_str())) {
    CloseHandle(other);
    return false;
  }
  HANDLE mutex = CreateMutexW(nullptr, FALSE, wide.c_str());
  if (mutex == nullptr) return false;
  // Another process may have made it between the two calls: then it is that one's.
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  mutexes_[name] = mutex;
  return true;
}

void Win32System::RestartWindows() {
  ++restartRequests_;
  if (!options_.allowRestart) return;
  // The shutdown privilege is held but disabled in a process token on Windows NT; the Windows 95
  // family has no tokens, and there ExitWindowsEx needs none.
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
  }
  ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION |
                                SHTDN_REASON_FLAG_PLANNED);
}

void Win32Clock::Sleep(uint32_t milliseconds) {
  total_ += milliseconds;
  if (onPause_) onPause_(milliseconds);
  if (!virtual_) ::Sleep(milliseconds);
}

}  // namespace orvane::win32
