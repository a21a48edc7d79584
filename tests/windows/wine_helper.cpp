// orvane-wine-helper.exe: what the scenario tests need done inside a Wine prefix that no tool of
// Wine's does. Runs until its standard input ends when it holds something.
//   hold FILE          keeps FILE open as a running program keeps its files (others may read it
//                      and rename or delete it, none may write it), then prints "held"
//   mutex NAME         holds the named mutex (another instance of the program is running)
//   messages CODE...   the system's English text of each Win32 error code, one per line
//   version FILE       the FileVersion text of FILE (made absolute) as the Win32 backend reads it
// Copied under another name (a package's CHECK.EXE), it carries out the steps listed in the file
// of its own name with ".steps" added, one a line, and exits 0:
//   sleep MS           waits
//   write NAME TEXT    writes TEXT (\r, \n and \\ escapes) to NAME beside the program
//   list NAME          writes the names in the temporary folder (%TEMP%), one a line, to NAME
// The scenario tests write their checkers as small shell scripts; on Linux the emulated machine
// runs them, under Wine this program stands in for them (a Unix program started by Wine cannot
// be waited for).
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/Win32Paths.h"
#include "platform/win32/Win32System.h"

namespace {

// Waits until the harness closes this process's standard input.
void WaitForInputEnd() {
  char buffer[64];
  DWORD read = 0;
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(input, buffer, sizeof buffer, &read, nullptr) && read > 0) {
  }
}

void Held() {
  std::printf("held\n");
  std::fflush(stdout);
  WaitForInputEnd();
}

std::wstring Wide(const char* utf8) {
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
  if (length > 1) MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), length);
  return wide;
}

}  // namespace

// The folder of this program, with a trailing backslash.
std::wstring OwnFolder(std::wstring& self) {
  wchar_t buffer[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  self.assign(buffer, length);
  return self.substr(0, self.find_last_of(L'\\') + 1);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char c = text[++i];
      out += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    } else {
      out += text[i];
    }
  }
  return out;
}

int RunSteps() {
  std::wstring self;
  std::wstring folder = OwnFolder(self);
  FILE* steps = _wfopen((self + L".steps").c_str(), L"rb");
  if (!steps) return 0;
  char line[4096];
  int status = 0;
  while (std::fgets(line, sizeof line, steps)) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::string verb = text.substr(0, text.find(' '));
    std::string rest = text.size() > verb.size() ? text.substr(verb.size() + 1) : "";
    if (verb == "sleep") {
      Sleep(static_cast<DWORD>(std::atol(rest.c_str())));
    } else if (verb == "write") {
      std::string name = rest.substr(0, rest.find(' '));
      std::string content = rest.size() > name.size() ? rest.substr(name.size() + 1) : "";
      if (!WriteBytes(folder + Wide(name.c_str()), Unescape(content))) status = 1;
    } else if (verb == "list") {
      wchar_t temp[MAX_PATH];
      DWORD length = GetTempPathW(MAX_PATH, temp);
      std::string names;
      WIN32_FIND_DATAW data;
      HANDLE search = FindFirstFileW((std::wstring(temp, length) + L"*").c_str(), &data);
      if (search != INVALID_HANDLE_VALUE) {
        do {
          std::wstring name = data.cFileName;
          if (name == L"." || name == L"..") continue;
          int size = WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, nullptr, 0, nullptr, nullptr);
          std::string utf8(size > 0 ? size - 1 : 0, '\0');
          WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, utf8.data(), size, nullptr, nullptr);
          names += utf8 + "\n";
        } while (FindNextFileW(search, &data));
        FindClose(search);
      }
      if (!WriteBytes(folder + Wide(rest.c_str()), names)) status = 1;
    }
  }
  std::fclose(steps);
  return status;
}

int main(int argc, char** argv) {
  {
    std::wstring self;
    OwnFolder(self);
    std::wstring name = self.substr(self.find_last_of(L'\\') + 1);
    if (_wcsicmp(name.c_str(), L"orvane-wine-helper.exe") != 0) return RunSteps();
  }
  if (argc == 3 && std::strcmp(argv[1], "hold") == 0) {
    HANDLE file = CreateFileW(Wide(argv[2]).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      std::printf("cannot open %s: error %lu\n", argv[2], GetLastError());
      return 1;
    }
    Held();
    CloseHandle(file);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "mutex") == 0) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, Wide(argv[2]).c_str());
    if (!mutex) return 1;
    Held();
    CloseHandle(mutex);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "messages") == 0) {
    for (int i = 2; i < argc; ++i) {
      wchar_t* text = nullptr;
      DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                        FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, static_cast<DWORD>(std::atol(argv[i])),
                                    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                    reinterpret_cast<wchar_t*>(&text), 0, nullptr);
      std::wstring message = length ? std::wstring(text, length) : L"";
      if (text) LocalFree(text);
      while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n'))
        message.pop_back();
      int size = WideCharToMultiByte(CP_UTF8, 0, message.c_str(), -1, nullptr, 0, nullptr, nullptr);
      std::string utf8(size > 0 ? size - 1 : 0, '\0');
      if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, message.c_str(), -1, utf8.data(), size, nullptr, nullptr);
      std::printf("%s %s\n", argv[i], utf8.c_str());
    }
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "version") == 0) {
    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(Wide(argv[2]).c_str(), MAX_PATH, full, nullptr);
    std::string path;
    if (length == 0 || length >= MAX_PATH || !orvane::win32::FromWide(std::wstring(full, length), path))
      return 1;
    orvane::win32::Win32System system;
    std::printf("%s\n", system.FileVersion(path).c_str());
    return 0;
  }
  std::fprintf(stderr, "usage: orvane-wine-helper hold FILE | mutex NAME | messages CODE... | "
                       "version FILE\n");
  return 2;
}
