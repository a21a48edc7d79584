// Windows constants and small value types shared by the platform interfaces and the core.
// Strings everywhere are byte strings in code page 932 (Shift-JIS), as the program handles them.
// Each group is an unscoped enum in a small namespace (err::FileNotFound, mb::YesNo, reg::Sz):
// the values keep Windows' numbers and convert to plain integers, and no name can collide with
// a <windows.h> macro, so a Windows backend can include both in either order.
#pragma once
#include <cstdint>

namespace orvane {

// Win32 system error codes the program meets.
namespace err {
enum : uint32_t {
  Ok = 0,  // ERROR_SUCCESS
  FileNotFound = 2,
  PathNotFound = 3,
  AccessDenied = 5,
  InvalidData = 13,
  NotSameDevice = 17,
  WriteProtect = 19,
  SharingViolation = 32,
  BadNetPath = 53,
  BadNetName = 67,
  FileExists = 80,
  InvalidParameter = 87,
  DiskFull = 112,
  InvalidName = 123,
  DirNotEmpty = 145,
  BadExeFormat = 193,
  AlreadyExists = 183,
  FilenameExcedRange = 206,
  Directory = 267,
};
}  // namespace err

// File attributes (FILE_ATTRIBUTE_*).
namespace attr {
enum : uint32_t {
  ReadOnly = 0x01,
  Hidden = 0x02,
  System = 0x04,
  Directory = 0x10,
  Archive = 0x20,
  Normal = 0x80,
};
}  // namespace attr

// Message-box flags (MB_*) and the button codes a message box returns (IDOK ...).
namespace mb {
enum : uint32_t {
  Ok = 0x00,
  OkCancel = 0x01,
  YesNo = 0x04,
  IconHand = 0x10,
  IconStop = 0x10,
  IconQuestion = 0x20,
  IconExclamation = 0x30,
  IconWarning = 0x30,
  IconInformation = 0x40,
};
}  // namespace mb
namespace id {
enum : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };
}  // namespace id

// Registry value types (REG_*).
namespace reg {
enum : uint32_t {
  Sz = 1,
  ExpandSz = 2,
  Binary = 3,
  Dword = 4,
  MultiSz = 7,
};
}  // namespace reg

// Shell special folders (CSIDL values).
namespace csidl {
enum : int {
  Programs = 2,
  Startup = 7,
  SendTo = 9,
  StartMenu = 11,
  DesktopDirectory = 16,
  CommonStartMenu = 22,
  CommonPrograms = 23,
  CommonStartup = 24,
  CommonDesktopDirectory = 25,
};
}  // namespace csidl

// Shell change notifications (SHCNE_*) sent when the wizard closes after a run.
namespace shcne {
enum : long {
  UpdateDir = 0x00001000,
  UpdateItem = 0x00002000,
  AssocChanged = 0x08000000,
};
}  // namespace shcne

// Platform identifiers (dwPlatformId of GetVersionEx: VER_PLATFORM_WIN32_*).
namespace ver {
enum : int { Win32Windows = 1, Win32Nt = 2 };
}  // namespace ver

}  // namespace orvane
