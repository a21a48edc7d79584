// The [Registry] and [IniFile] phases of the install run: typed registry values below the four
// roots, and INI-file entries written through the profile functions.
#include "app/Application.h"
#include "app/Main.h"
#include "install/InstallRun.h"
#include "install/PathTokens.h"
#include "install/RegistryAccess.h"
#include "support/MBUtils.h"
#include "support/uIniFile.h"
#include "support/uStrOp.h"

namespace orvane {

namespace {

// Writes one [Registry] value by its type token; "(Int)"/"(Dwd)" that are no integer write 0,
// "(Bin)" that is no 32-bit hexadecimal number writes nothing.
void WriteTypedValue(IRegistry& registry, RegRoot root, const std::string& path,
                     const std::string& name, const std::string& value, bool trimDelimiter) {
  std::string type = StrLeft(value, 5);
  std::string data = StrFrom(value, 6);
  if (trimDelimiter) data = DelPathDelim(data, "B");
  if (type == "(Str)") {
    WriteRegString(registry, root, path, name, data, reg::Sz);
  } else if (type == "(Exp)") {
    WriteRegString(registry, root, path, name, data, reg::ExpandSz);
  } else if (type == "(Int)" || type == "(Dwd)") {
    int32_t number = 0;
    if (!ParseInt32(data, number)) number = 0;
    WriteRegValue(registry, root, path, name, RegValue::Dword(static_cast<uint32_t>(number)));
  } else if (type == "(Bin)") {
    int32_t number = 0;
    if (!ParseInt32("$" + data, number)) return;
    RegValue bytes = RegValue::Dword(static_cast<uint32_t>(number));
    bytes.type = reg::Binary;
    WriteRegValue(registry, root, path, name, bytes);
  } else {
    WriteRegString(registry, root, path, name, value, reg::Sz);
  }
}

}  // namespace

bool InstallRun::WriteRegistry() {
  IRegistry& registry = app_.platform.registry;
  for (int n = 1;; ++n) {
    std::string number = std::to_string(n);
    std::string key = Script("Registry", "Key" + number);
    std::string name = Script("Registry", "Name" + number);
    std::string value = Script("Registry", "Value" + number);
    if (key.empty()) break;
    if (!Status("A registry is being set up...")) return false;

    std::string token, path;
    SplitRootToken(key, false, token, path);
    RegRoot root = RootFromToken(token);
    path = DelPathDelim(DelPathDelim(path, "T"), "B");
    CreateRegKey(registry, root, path);

    bool marker = PosNoCase("(Pdd)", value) != 0;
    if (marker) value = ReplaceToken(value, "(Pdd)", "");
    value = ExpandPathTokens(ctx_, value);
    if (!value.empty()) WriteTypedValue(registry, root, path, name, value, marker);
  }
  return true;
}

bool InstallRun::WriteIniFiles() {
  for (int n = 1;; ++n) {
    std::string data = Script("IniFile", "Data" + std::to_string(n));
    if (data.empty()) break;
    if (!Status("An initialization file is being set up...")) return false;
    std::string value = ExpandPathTokens(ctx_, data);
    std::string file = GetField(value, ",", 4);
    // An entry without a file names nothing to write to.
    if (file.empty()) continue;
    WriteIni(app_.platform.profile, GetField(value, ",", 1), GetField(value, ",", 2),
             GetField(value, ",", 3), file);
  }
  return true;
}

}  // namespace orvane
