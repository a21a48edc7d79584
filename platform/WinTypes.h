// Windows constants and small value types shared by the platform interfaces and the core.
// Strings everywhere are byte strings in code page 932 (Shift-JIS), as the program handles them.
#pragma once
#include <cstdint>

namespace orvane {

// Win32 system error codes the program meets.
enum WinError : uint32_t {
  ERROR_SUCCESS = 0,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_PATH_NOT_FOUND = 3,
  ERROR_ACCESS_DENIED = 5,
  ERROR_INVALID_DATA = 13,
  ERROR_NOT_SAME_DEVICE = 17,
  ERROR_WRITE_PROTECT = 19,
  ERROR_SHARING_VIOLATION = 32,
  ERROR_BAD_NETPATH = 53,
  ERROR_BAD_NET_NAME = 67,
  ERROR_FILE_EXISTS = 80,
  ERROR_INVALID_PARAMETER = 87,
  ERROR_DISK_FULL = 112,
  ERROR_INVALID_NAME = 123,
  ERROR_DIR_NOT_EMPTY = 145,
  ERROR_BAD_EXE_FORMAT = 193,
  ERROR_ALREADY_EXISTS = 183,
  ERROR_FILENAME_EXCED_RANGE = 206,
  ERROR_DIRECTORY = 267,
};

// File attributes.
enum : uint32_t {
  FILE_ATTRIBUTE_READONLY = 0x01,
  FILE_ATTRIBUTE_HIDDEN = 0x02,
  FILE_ATTRIBUTE_SYSTEM = 0x04,
  FILE_ATTRIBUTE_DIRECTORY = 0x10,
  FILE_ATTRIBUTE_ARCHIVE = 0x20,
  FILE_ATTRIBUTE_NORMAL = 0x80,
};

// Message-box flags and button codes.
enum : uint32_t {
  MB_OK = 0x00,
  MB_OKCANCEL = 0x01,
  MB_YESNO = 0x04,
  MB_ICONHAND = 0x10,
  MB_ICONSTOP = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Registry value types.
enum : uint32_t {
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_MULTI_SZ = 7,
};

// Shell special folders (CSIDL values).
enum : int {
  CSIDL_PROGRAMS = 2,
  CSIDL_STARTUP = 7,
  CSIDL_SENDTO = 9,
  CSIDL_STARTMENU = 11,
  CSIDL_DESKTOPDIRECTORY = 16,
  CSIDL_COMMON_STARTMENU = 22,
  CSIDL_COMMON_PROGRAMS = 23,
  CSIDL_COMMON_STARTUP = 24,
  CSIDL_COMMON_DESKTOPDIRECTORY = 25,
};

// Shell change notifications sent when the wizard closes after a run.
enum : long {
  SHCNE_UPDATEDIR = 0x00001000,
  SHCNE_UPDATEITEM = 0x00002000,
  SHCNE_ASSOCCHANGED = 0x08000000,
};

// Platform identifiers (dwPlatformId of GetVersionEx).
enum : int { VER_PLATFORM_WIN32_WINDOWS = 1, VER_PLATFORM_WIN32_NT = 2 };

}  // namespace orvane
