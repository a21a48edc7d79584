// The registry in memory: a tree of keys, each with its subkeys and its values in the order they
// were set. Key paths are split at "\"; empty names in a path are skipped.
#include "platform/memory/MemoryRegistry.h"

#include <algorithm>

#include "platform/memory/Names.h"
#include "support/MBUtils.h"

namespace orvane::memory {

struct MemoryRegistry::Key {
  std::string name;  // as made
  std::vector<std::unique_ptr<Key>> subkeys;
  std::vector<RegNamedValue> values;

  Key* Subkey(const std::string& subkeyName) const {
    const std::string folded = FoldName(subkeyName);
    for (const auto& key : subkeys)
      if (FoldName(key->name) == folded) return key.get();
    return nullptr;
  }
  std::vector<RegNamedValue>::iterator Value(const std::string& valueName) {
    const std::string folded = FoldName(valueName);
    return std::find_if(values.begin(), values.end(),
                        [&](const RegNamedValue& v) { return FoldName(v.name) == folded; });
  }
};

namespace {

// The names of a key path; a "\" that is the trail byte of a double-byte character is no
// separator.
std::vector<std::string> Names(const std::string& path) {
  std::vector<std::string> names(1);
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\') {
      names.emplace_back();
    } else {
      names.back() += path[i];
      if (IsLeadChar(static_cast<unsigned char>(path[i])) && i + 1 < path.size())
        names.back() += path[++i];
    }
  }
  names.erase(std::remove(names.begin(), names.end(), std::string()), names.end());
  return names;
}

// HKEY_CLASSES_ROOT itself always exists, though its store key may not have been made yet.
bool IsClassesRootItself(RegRoot root, const std::string& path) {
  return root == RegRoot::ClassesRoot && Names(path).empty();
}

}  // namespace

MemoryRegistry::MemoryRegistry()
    : machine_(std::make_unique<Key>()),
      user_(std::make_unique<Key>()),
      users_(std::make_unique<Key>()) {}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::Locate(RegRoot root, const std::string& path, bool create,
                                            Key** parent) {
  std::vector<std::string> names = Names(path);
  Key* key = root == RegRoot::CurrentUser ? user_.get()
             : root == RegRoot::Users     ? users_.get()
                                          : machine_.get();
  if (root == RegRoot::ClassesRoot) names.insert(names.begin(), {"SOFTWARE", "Classes"});
  if (parent) *parent = nullptr;
  for (const std::string& name : names) {
    Key* next = key->Subkey(name);
    if (!next && !create) return nullptr;
    if (!next) {
      key->subkeys.push_back(std::make_unique<Key>());
      next = key->subkeys.back().get();
      next->name = name;
    }
    if (parent) *parent = key;
    key = next;
  }
  return key;
}

uint32_t MemoryRegistry::CreateKey(RegRoot root, const std::string& path) {
  Locate(root, path, true);
  return 0;
}

bool MemoryRegistry::KeyExists(RegRoot root, const std::string& path) {
  return IsClassesRootItself(root, path) || Locate(root, path, false) != nullptr;
}

uint32_t MemoryRegistry::GetValue(RegRoot root, const std::string& path, const std::string& name,
                                  RegValue& value) {
  Key* key = Locate(root, path, false);
  if (!key) return err::FileNotFound;
  auto found = key->Value(name);
  if (found == key->values.end()) return err::FileNotFound;
  value = found->value;
  return 0;
}

uint32_t MemoryRegistry::SetValue(RegRoot root, const std::string& path, const std::string& name,
                                  const RegValue& value) {
  Key* key = Locate(root, path, IsClassesRootItself(root, path));
  if (!key) return err::FileNotFound;
  auto found = key->Value(name);
  if (found != key->values.end())
    found->value = value;  // the name keeps the case it was first set with
  else
    key->values.push_back({name, value});
  return 0;
}

uint32_t MemoryRegistry::DeleteValue(RegRoot root, const std::string& path,
                                     const std::string& name) {
  Key* key = Locate(root, path, false);
  if (!key) return err::FileNotFound;
  auto found = key->Value(name);
  if (found == key->values.end()) return err::FileNotFound;
  key->values.erase(found);
  return 0;
}

uint32_t MemoryRegistry::DeleteKey(RegRoot root, const std::string& path) {
  Key* parent = nullptr;
  Key* key = Locate(root, path, false, &parent);
  if (!key) return err::FileNotFound;
  if (!parent || IsClassesRootItself(root, path) || !key->subkeys.empty()) return err::AccessDenied;
  return DeleteTree(root, path);
}

uint32_t MemoryRegistry::DeleteTree(RegRoot root, const std::string& path) {
  Key* parent = nullptr;
  Key* key = Locate(root, path, false, &parent);
  if (!key) return err::FileNotFound;
  if (!parent || IsClassesRootItself(root, path)) return err::AccessDenied;
  parent->subkeys.erase(std::find_if(parent->subkeys.begin(), parent->subkeys.end(),
                                     [key](const auto& k) { return k.get() == key; }));
  return 0;
}

uint32_t MemoryRegistry::EnumKeys(RegRoot root, const std::string& path,
                                  std::vector<std::string>& names) {
  names.clear();
  Key* key = Locate(root, path, false);
  if (!key) return IsClassesRootItself(root, path) ? 0u : static_cast<uint32_t>(err::FileNotFound);
  for (const auto& subkey : key->subkeys) names.push_back(subkey->name);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return FoldName(a) < FoldName(b); });
  return 0;
}

uint32_t MemoryRegistry::EnumValues(RegRoot root, const std::string& path,
                                    std::vector<RegNamedValue>& values) {
  values.clear();
  Key* key = Locate(root, path, false);
  if (!key) return IsClassesRootItself(root, path) ? 0u : static_cast<uint32_t>(err::FileNotFound);
  values = key->values;
  return 0;
}

}  // namespace orvane::memory
