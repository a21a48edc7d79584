// The registry layer of the runs: root tokens, key creation and typed value writes that raise
// ProgramError on failure, string reads, and the recursive key deletion of the uninstall run.
#include "install/RegistryAccess.h"

#include "app/Application.h"
#include "support/uStrOp.h"

namespace orvane {

RegRoot RootFromToken(const std::string& token) {
  if (token == "(Class)") return RegRoot::ClassesRoot;
  if (token == "(Local)") return RegRoot::LocalMachine;
  if (token == "(Users)") return RegRoot::Users;
  return RegRoot::CurrentUser;
}

void SplitRootToken(const std::string& key, bool needBoth, std::string& token, std::string& path) {
  bool open = !key.empty() && key[0] == '(';
  bool close = key.size() >= 7 && key[6] == ')';
  if (needBoth ? (open && close) : (open || close)) {
    token = StrLeft(key, 7);
    path = StrFrom(key, 8);
  } else {
    token = "(Cuser)";
    path = key;
  }
}

void CreateRegKey(IRegistry& registry, RegRoot root, const std::string& path) {
  if (registry.CreateKey(root, path) != 0) throw ProgramError("Failed to create key " + path);
}

void WriteRegValue(IRegistry& registry, RegRoot root, const std::string& path,
                   const std::string& name, const RegValue& value) {
  if (!registry.KeyExists(root, path)) CreateRegKey(registry, root, path);
  if (registry.SetValue(root, path, name, value) != 0)
    throw ProgramError("Failed to set data for '" + name + "'");
}

void WriteRegString(IRegistry& registry, RegRoot root, const std::string& path,
                    const std::string& name, const std::string& text, uint32_t type) {
  WriteRegValue(registry, root, path, name, RegValue::String(text, type));
}

std::optional<std::string> ReadRegString(IRegistry& registry, RegRoot root, const std::string& path,
                                         const std::string& name) {
  RegValue value;
  if (registry.GetValue(root, path, name, value) != 0) return std::nullopt;
  if (value.type != reg::Sz && value.type != reg::ExpandSz)
    throw ProgramError("Invalid data type for '" + name + "'");
  // A stored terminating NUL is not part of the text.
  std::string text = value.data;
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

bool ParseInt32(const std::string& text, int32_t& value) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  }
  if (i >= text.size()) return false;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      return false;
    }
    magnitude = magnitude * (hex ? 16 : 10) + digit;
    // Hexadecimal may use all 32 bits; decimal must fit a signed 32-bit integer.
    if (magnitude > (hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull)))
      return false;
  }
  uint32_t bits = static_cast<uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  value = static_cast<int32_t>(bits);
  return true;
}

bool DeleteRegKey(Application& app, const std::string& rootToken, const std::string& keyPath) {
  if (keyPath.empty()) return true;
  // The key is addressed with a final "\" as the run writes it; the registry layer takes the
  // path without delimiters at either end.
  std::string path = AddPathDelim(keyPath, "B");
  path = DelPathDelim(DelPathDelim(path, "B"), "T");
  if (path.empty()) return true;
  RegRoot root = RootFromToken(rootToken);
  IRegistry& registry = app.platform.registry;
  for (int attempt = 0; attempt < 99; ++attempt) {
    if (!registry.KeyExists(root, path)) break;
    registry.DeleteTree(root, path);
  }
  return true;
}

}  // namespace orvane
