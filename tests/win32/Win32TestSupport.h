// Small helpers for the Win32 backend's tests: CP932 <-> UTF-16, whole files, the programs built
// beside the test program, and a fresh work folder per run.
#pragma once
#include <windows.h>

#include <string>

#include "support/Cp932.h"

namespace orvane::win32::testing {

inline std::wstring W(const std::string& cp932) {
  std::u16string units;
  Cp932ToUtf16(cp932, units);
  return std::wstring(units.begin(), units.end());
}

inline std::string Utf8(const std::string& cp932) {
  std::string out;
  Cp932ToUtf8(cp932, out);
  return out;
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesW(W(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
inline bool IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesW(W(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline std::string ReadBytes(const std::string& path) {
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(missing)";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// The folder of the test program, where the build puts the helper program and the components.
inline std::string BuildFolder() {
  wchar_t path[MAX_PATH];
  std::wstring program(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  std::string cp932;
  Utf16ToCp932(std::u16string(program.begin(), program.end()), cp932);
  return cp932.substr(0, cp932.rfind('\\') + 1);
}

// C:\orvane-test-<process id>-<ticks>\ (Wine reuses process ids), made on first use, and a folder
// inside it whose CP932 name has a 0x5C trail byte ("ソフト").
inline std::string WorkFolder() {
  static const std::string folder = [] {
    std::string name = "C:\\orvane-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(GetTickCount64()) + "\\";
    CreateDirectoryW(W(name).c_str(), nullptr);
    return name;
  }();
  return folder;
}
inline std::string JapaneseFolder() {
  const std::string folder = WorkFolder() + "\x83\x5C\x83\x74\x83\x67\\";
  CreateDirectoryW(W(folder).c_str(), nullptr);
  return folder;
}

// A copy of a program built beside the tests, at `destination`.
inline void CopyBuilt(const std::string& name, const std::string& destination) {
  CopyFileW(W(BuildFolder() + name).c_str(), W(destination).c_str(), FALSE);
}

inline void SetEnvironment(const wchar_t* name, const std::wstring& value) {
  SetEnvironmentVariableW(name, value.c_str());
}

}  // namespace orvane::win32::testing
