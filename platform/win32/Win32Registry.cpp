// The registry on the Win32 API. Every call opens the keys it needs and closes them again.
#include "platform/win32/Win32Registry.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

#include "platform/win32/Win32Paths.h"

namespace orvane::win32 {
namespace {

constexpr uint32_t kErrorBadPathname = 161;  // a key path with an empty name in it
constexpr size_t kMaxKeyNameChars = 255;

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegRoot::Users:
      return HKEY_USERS;
  }
  return HKEY_CURRENT_USER;
}

// The system's form of a key path; 0, 161 or 87 (see the class comment).
uint32_t WideKey(const std::string& path, std::wstring& wide) {
  if (!ToWide(path, wide)) return err::InvalidParameter;
  if (wide.empty()) return 0;
  size_t start = 0;
  for (;;) {
    size_t end = wide.find(L'\\', start);
    size_t length = (end == std::wstring::npos ? wide.size() : end) - start;
    if (length == 0) return kErrorBadPathname;
    if (length > kMaxKeyNameChars) return err::InvalidParameter;
    if (end == std::wstring::npos) return 0;
    start = end + 1;
  }
}

// An open key, closed with the object.
class Key {
 public:
  uint32_t Open(RegRoot root, const std::string& path, REGSAM access) {
    std::wstring wide;
    if (uint32_t err = WideKey(path, wide)) return err;
    return static_cast<uint32_t>(RegOpenKeyExW(RootKey(root), wide.c_str(), 0, access, &key_));
  }
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::wstring AsWide(const std::string& bytes) {
  std::wstring wide(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return wide;
}

// A value as the system stores it, in the program's form.
RegValue Decode(DWORD type, const std::string& bytes) {
  if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return {type, bytes};
  std::wstring wide = AsWide(bytes);
  // Text without its terminating NUL; a list keeps the NULs that end its strings and itself.
  if (type != REG_MULTI_SZ && !wide.empty() && wide.back() == L'\0') wide.pop_back();
  return {type, FromWideLossy(wide)};
}

// The bytes the system stores for a value; false when its text is not code page 932.
bool Encode(const RegValue& value, std::string& bytes) {
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ && value.type != REG_MULTI_SZ) {
    bytes = value.data;
    return true;
  }
  std::wstring wide;
  if (!ToWide(value.data, wide)) return false;
  if (value.type != REG_MULTI_SZ) wide.push_back(L'\0');
  bytes.clear();
  for (wchar_t c : wide) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return true;
}

uint32_t QueryValue(HKEY key, const std::wstring& name, RegValue& value) {
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
  std::string bytes;
  // The value may grow between the two calls: ask again with the size the system gives.
  while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    bytes.resize(size);
    rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                          &size);
    if (rc == ERROR_SUCCESS) {
      bytes.resize(size);
      value = Decode(type, bytes);
      return 0;
    }
  }
  return static_cast<uint32_t>(rc);
}

// The names of a key's subkeys in the system's form.
uint32_t SubkeyNames(HKEY key, std::vector<std::wstring>& names) {
  names.clear();
  std::wstring buffer(kMaxKeyNameChars + 1, L'\0');
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG rc = RegEnumKeyExW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return 0;
    if (rc == ERROR_MORE_DATA) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) return static_cast<uint32_t>(rc);
    names.emplace_back(buffer.data(), length);
    ++index;
  }
}

// Deletes `name` below `parent` with every subkey, deepest first.
LONG DeleteTreeBelow(HKEY parent, const std::wstring& name) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExW(parent, name.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &key);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::wstring> names;
  rc = static_cast<LONG>(SubkeyNames(key, names));
  for (size_t i = 0; rc == ERROR_SUCCESS && i < names.size(); ++i) {
    rc = DeleteTreeBelow(key, names[i]);
    if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;  // gone meanwhile
  }
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? RegDeleteKeyW(parent, name.c_str()) : rc;
}

}  // namespace

uint32_t Win32Registry::CreateKey(RegRoot root, const std::string& path) {
  std::wstring wide;
  if (uint32_t err = WideKey(path, wide)) return err;
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExW(RootKey(root), wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_QUERY_VALUE, nullptr, &key, nullptr);
  if (rc == ERROR_SUCCESS) RegCloseKey(key);
  return static_cast<uint32_t>(rc);
}

bool Win32Registry::KeyExists(RegRoot root, const std::string& path) {
  Key key;
  uint32_t err = key.Open(root, path, KEY_QUERY_VALUE);
  // A key this user may not read exists all the same.
  return err == 0 || err == ERROR_ACCESS_DENIED;
}

uint32_t Win32Registry::GetValue(RegRoot root, const std::string& path, const std::string& name,
                                 RegValue& value) {
  Key key;
  std::wstring wideName;
  if (uint32_t err = key.Open(root, path, KEY_QUERY_VALUE)) return err;
  if (!ToWide(name, wideName)) return err::InvalidParameter;
  return QueryValue(key.Get(), wideName, value);
}

uint32_t Win32Registry::SetValue(RegRoot root, const std::string& path, const std::string& name,
                                 const RegValue& value) {
  Key key;
  std::wstring wideName;
  std::string bytes;
  if (!ToWide(name, wideName) || !Encode(value, bytes)) return err::InvalidParameter;
  if (uint32_t err = key.Open(root, path, KEY_SET_VALUE)) return err;
  return static_cast<uint32_t>(RegSetValueExW(key.Get(), wideName.c_str(), 0, value.type,
                                              reinterpret_cast<const BYTE*>(bytes.data()),
                                              static_cast<DWORD>(bytes.size())));
}

uint32_t Win32Registry::DeleteValue(RegRoot root, const std::string& path,
                                    const std::string& name) {
  Key key;
  std::wstring wideName;
  if (uint32_t err = key.Open(root, path, KEY_SET_VALUE)) return err;
  if (!ToWide(name, wideName)) return err::InvalidParameter;
  return static_cast<uint32_t>(RegDeleteValueW(key.Get(), wideName.c_str()));
}

uint32_t Win32Registry::DeleteKey(RegRoot root, const std::string& path) {
  std::wstring wide;
  if (path.empty()) return err::AccessDenied;  // a root key itself
  if (uint32_t err = WideKey(path, wide)) return err;
  return static_cast<uint32_t>(RegDeleteKeyW(RootKey(root), wide.c_str()));
}

uint32_t Win32Registry::DeleteTree(RegRoot root, const std::string& path) {
  std::wstring wide;
  if (path.empty()) return err::AccessDenied;
  if (uint32_t err = WideKey(path, wide)) return err;
  return static_cast<uint32_t>(DeleteTreeBelow(RootKey(root), wide));
}

uint32_t Win32Registry::EnumKeys(RegRoot root, const std::string& path,
                                 std::vector<std::string>& names) {
  names.clear();
  Key key;
  std::vector<std::wstring> wide;
  if (uint32_t err = key.Open(root, path, KEY_ENUMERATE_SUB_KEYS)) return err;
  if (uint32_t err = SubkeyNames(key.Get(), wide)) return err;
  for (const std::wstring& name : wide) names.push_back(FromWideLossy(name));
  return 0;
}

uint32_t Win32Registry::EnumValues(RegRoot root, const std::string& path,
                                   std::vector<RegNamedValue>& values) {
  values.clear();
  Key key;
  if (uint32_t err = key.Open(root, path, KEY_QUERY_VALUE)) return err;
  DWORD maxName = 0, maxData = 0;
  std::wstring name;
  std::string data;
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size()),
          dataLength = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG rc = name.empty()
                  ? ERROR_MORE_DATA
                  : RegEnumValueW(key.Get(), index, name.data(), &nameLength, nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &dataLength);
    if (rc == ERROR_NO_MORE_ITEMS) return 0;
    if (rc == ERROR_MORE_DATA) {
      // The buffers take the longest name and data the key holds now, then the same index again.
      rc = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, &maxName, &maxData, nullptr, nullptr);
      if (rc != ERROR_SUCCESS) return static_cast<uint32_t>(rc);
      // (Twice the old size at least, so that a key that keeps changing cannot hold this here.)
      name.assign(std::max<size_t>(name.size() * 2, maxName + 1), L'\0');
      data.assign(std::max<size_t>(data.size() * 2, maxData + 2), '\0');
      continue;
    }
    if (rc != ERROR_SUCCESS) return static_cast<uint32_t>(rc);
    values.push_back({FromWideLossy(std::wstring(name.data(), nameLength)),
                      Decode(type, data.substr(0, dataLength))});
    ++index;
  }
}

}  // namespace orvane::win32
