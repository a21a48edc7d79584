// SharedDLLs reference counts, component registration and replacement at restart.
#include "install/SharedFiles.h"

#include <cstdint>

#include "app/Application.h"
#include "install/FileOps.h"
#include "platform/Registry.h"
#include "support/MBUtils.h"
#include "support/uIniFile.h"

namespace orvane {
namespace {

const char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

}  // namespace

int SharedCount(IRegistry& registry, const std::string& path) {
  RegValue value;
  uint32_t count = 0;
  if (registry.GetValue(RegRoot::LocalMachine, kSharedDlls, path, value) != 0) return 0;
  if (!value.AsDword(count)) return 0;
  // A count beyond the largest int is taken as that largest count: still shared, never negative.
  return count > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(count);
}

int UpdateSharedCount(Application& app, const std::string& path, CountChange change) {
  IRegistry& registry = app.platform.registry;
  if (registry.CreateKey(RegRoot::LocalMachine, kSharedDlls) != 0)
    throw ProgramError("Failed to create key " + std::string(kSharedDlls));
  int count = SharedCount(registry, path);
  if (change == CountChange::Add) {
    if (count == 0 && FileExists(app.platform.files, path)) count = 1;
    if (count < INT32_MAX) ++count;  // the largest count stays as it is
  } else {
    --count;
    if (count <= 0) {
      registry.DeleteValue(RegRoot::LocalMachine, kSharedDlls, path);
      return count;
    }
  }
  if (registry.SetValue(RegRoot::LocalMachine, kSharedDlls, path,
                        RegValue::Dword(static_cast<uint32_t>(count))) != 0)
    throw ProgramError("Failed to set data for '" + path + "'");
  return count;
}

bool IsComponentFile(const std::string& path) {
  return PosNoCase(".OCX", path) > 0 || PosNoCase(".DLL", path) > 0;
}

bool RegisterComponent(Application& app, const std::string& path, Registration mode) {
  const bool setup = !app.ctx.Uninstalling();
  int32_t result = 0;
  if (mode == Registration::Unregister) {
    // A missing entry point, a failed load and the entry's result are all silent here.
    app.platform.components.CallEntry(path, "DllUnregisterServer", result);
    return false;
  }
  switch (app.platform.components.CallEntry(path, "DllRegisterServer", result)) {
    case ComponentCall::NotLoaded:
      if (setup)
        ShowMessageBox(app, "File Read Error : " + path, "OCX/DLL Register Error(LoadLibrary)",
                       mb::Ok | mb::IconExclamation);
      return false;
    case ComponentCall::EntryMissing:
      ShowMessageBox(app, "DllRegisterServer Entry is Not Found : " + path,
                     "OCX/DLL Register Error(GetProcAddress)", mb::Ok | mb::IconExclamation);
      return false;
    case ComponentCall::Called:
      if (result == 0) return true;
      ShowMessageBox(app, "DllRegisterServer Function Failed : " + path,
                     "OCX/DLL Register Error(Procedure)", mb::Ok | mb::IconExclamation);
      return false;
  }
  return false;
}

bool ReplaceAtRestart(Application& app, const std::string& source, const std::string& destination) {
  IFiles& files = app.platform.files;
  std::string temporary;
  for (int n = 1;; ++n) {
    temporary = app.ctx.WindowsFolder + "OVTMP" + std::to_string(n) + ".TMP";
    FileInfo info;
    uint32_t code = files.GetInfo(temporary, info);
    if (code == err::FileNotFound || code == err::PathNotFound) break;
    // Any other answer (the name exists, or the folder cannot be examined) tries the next name,
    // but a folder that cannot be examined at all would never yield one: stop there.
    if (code != 0 || n >= 100000) break;
  }
  CopyFileTo(files, source, temporary);
  if (app.ctx.PlatformId == 2) {
    if (files.MoveFileAtRestart(temporary, destination) != 0) {
      ShowMessageBox(app, "MoveFileEx Function Failed", "Internal Error",
                     mb::Ok | mb::IconExclamation);
      return false;
    }
    return true;
  }
  if (app.ctx.PlatformId == 1)
    WriteIni(app.platform.profile, "rename", ShortPath(files, destination),
             ShortPath(files, temporary), app.ctx.WindowsFolder + "WININIT.INI");
  return true;
}

}  // namespace orvane
