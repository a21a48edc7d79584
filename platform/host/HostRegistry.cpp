// The emulated machine's registry: an in-memory tree of keys kept in step with a REGEDIT export
// text file. Every change re-reads the file if another process replaced it, applies the change
// and replaces the file atomically, all under an exclusive lock on "<file>.lock".
#include "platform/host/HostRegistry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>

#include "platform/host/DurableFile.h"
#include "platform/host/FileStamp.h"
#include "platform/host/HostErrors.h"
#include "support/Cp932.h"

namespace orvane::host {
namespace {

constexpr uint32_t kErrorBadPathname = 161;  // a key path with an empty component
constexpr uint32_t kErrorBadDb = 1009;       // the store file cannot be understood
constexpr size_t kMaxKeyNameChars = 255;     // Windows' limit for one key name
constexpr size_t kMaxValueNameChars = 16383;
constexpr size_t kMaxDepth = 512;
constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
// Stands before a hex(2) or hex(7) value that holds its bytes as they are, not as UTF-16 text.
constexpr const char* kRawBytesComment = "; the next value's bytes as stored, not UTF-16 text";

// Upper-cases the ASCII letters of a code page 932 text, leaving the trail byte of a double-byte
// character alone (it may fall in the ASCII letter range).
std::string Fold(const std::string& text) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLeadChar(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

size_t CharCount(const std::string& text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); ++i, ++n)
    if (IsLeadChar(static_cast<unsigned char>(text[i]))) ++i;
  return n;
}

// A name can go into the store file when it has a UTF-8 form and no line-breaking characters.
bool Writable(const std::string& name) {
  if (name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
  std::string utf8;
  return Cp932ToUtf8(name, utf8);
}

// reg::ExpandSz and reg::MultiSz are written as REGEDIT writes them: UTF-16LE with the
// terminating NULs. `data` holds the code page 932 text (reg::ExpandSz without its NUL).
bool ToUtf16Form(const RegValue& v, std::string& out) {
  std::string text = v.data;
  if (v.type == reg::ExpandSz) text.push_back('\0');
  std::u16string wide;
  if (!Cp932ToUtf16(text, wide)) return false;
  out.clear();
  for (char16_t c : wide) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return true;
}

// UTF-16LE bytes as code units; false for an odd number of bytes.
bool FromLittleEndian(const std::string& bytes, std::u16string& out) {
  if (bytes.size() % 2 != 0) return false;
  out.clear();
  for (size_t i = 0; i < bytes.size(); i += 2)
    out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  return true;
}

bool FromUtf16Form(uint32_t type, const std::string& bytes, std::string& out) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0) return false;
  if (bytes[bytes.size() - 1] != '\0' || bytes[bytes.size() - 2] != '\0') return false;
  std::u16string wide;
  if (!FromLittleEndian(bytes, wide) || !Utf16ToCp932(wide, out)) return false;
  if (type == reg::ExpandSz) out.pop_back();
  return true;
}

struct Node {
  std::string name;
  std::string folded;
  std::vector<std::unique_ptr<Node>> children;
  std::vector<RegNamedValue> values;

  Node* Child(const std::string& foldedName) const {
    for (const auto& c : children)
      if (c->folded == foldedName) return c.get();
    return nullptr;
  }
  int ValueIndex(const std::string& valueName) const {
    std::string f = Fold(valueName);
    for (size_t i = 0; i < values.size(); ++i)
      if (Fold(values[i].name) == f) return static_cast<int>(i);
    return -1;
  }
  Node* AddChild(const std::string& childName) {
    auto node = std::make_unique<Node>();
    node->name = childName;
    node->folded = Fold(childName);
    children.push_back(std::move(node));
    return children.back().get();
  }
  void SetValue(const std::string& valueName, const RegValue& value) {
    int i = ValueIndex(valueName);
    if (i >= 0)
      values[i].value = value;  // the name keeps the case it was created with
    else
      values.push_back({valueName, value});
  }
};

// The three stored roots; HKEY_CLASSES_ROOT lives in HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
struct Tree {
  Node lm, cu, users;
  Node& Root(RegRoot root) {
    switch (root) {
      case RegRoot::CurrentUser:
        return cu;
      case RegRoot::Users:
        return users;
      default:
        return lm;
    }
  }
};

const char* RootName(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RegRoot::CurrentUser:
      return "HKEY_CURRENT_USER";
    case RegRoot::LocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case RegRoot::Users:
      return "HKEY_USERS";
  }
  return "";
}

// Splits a key path into its names, with HKEY_CLASSES_ROOT mapped onto its place below
// HKEY_LOCAL_MACHINE. Returns 0 or the error for a malformed path.
uint32_t SplitPath(RegRoot root, const std::string& path, std::vector<std::string>& parts) {
  parts.clear();
  if (root == RegRoot::ClassesRoot) parts = {"SOFTWARE", "Classes"};
  if (path.empty()) return err::Ok;
  size_t start = 0;
  while (true) {
    // Find the next "\" that is a separator, not the trail byte of a double-byte character.
    size_t end = start;
    while (end < path.size() && path[end] != '\\') {
      if (IsLeadChar(static_cast<unsigned char>(path[end])) && end + 1 < path.size()) ++end;
      ++end;
    }
    std::string part = path.substr(start, end - start);
    if (part.empty()) return kErrorBadPathname;
    if (CharCount(part) > kMaxKeyNameChars || !Writable(part)) return err::InvalidParameter;
    parts.push_back(std::move(part));
    if (parts.size() > kMaxDepth) return err::InvalidParameter;
    if (end >= path.size()) break;
    start = end + 1;
  }
  return err::Ok;
}

Node* Find(Node& root, const std::vector<std::string>& parts, size_t count) {
  Node* node = &root;
  for (size_t i = 0; i < count && node; ++i) node = node->Child(Fold(parts[i]));
  return node;
}

Node* FindOrCreate(Node& root, const std::vector<std::string>& parts) {
  Node* node = &root;
  for (const auto& part : parts) {
    Node* child = node->Child(Fold(part));
    node = child ? child : node->AddChild(part);
  }
  return node;
}

// ---- Writing the text form ----

const char kHexDigits[] = "0123456789abcdef";

std::string Quote(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string HexList(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (i) out.push_back(',');
    out.push_back(kHexDigits[b >> 4]);
    out.push_back(kHexDigits[b & 15]);
  }
  return out;
}

std::string HexTyped(uint32_t type, const std::string& bytes) {
  std::ostringstream tag;
  tag << "hex(" << std::hex << type << "):";
  return tag.str() + HexList(bytes);
}

// The form REGEDIT gives a value of its type (quoted text, dword:, hex:, UTF-16 text for hex(2)
// and hex(7)), when reading that form back gives exactly the value's bytes; false otherwise.
bool NaturalForm(const RegValue& v, std::string& out) {
  std::string converted, back;
  switch (v.type) {
    case reg::Sz:
      // A text that would break the line, that has no UTF-8 form or that would come back as
      // other bytes (code page 932 has characters of two codes) is not written as text.
      if (v.data.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
      if (!Cp932ToUtf8(v.data, converted) || !Utf8ToCp932(converted, back) || back != v.data)
        return false;
      out = Quote(converted);
      return true;
    case reg::Dword: {
      uint32_t d;
      if (!v.AsDword(d)) return false;
      char buf[16];
      std::snprintf(buf, sizeof buf, "dword:%08x", d);
      out = buf;
      return true;
    }
    case reg::Binary:
      out = "hex:" + HexList(v.data);
      return true;
    case reg::ExpandSz:
    case reg::MultiSz:
      if (!ToUtf16Form(v, converted) || !FromUtf16Form(v.type, converted, back) || back != v.data)
        return false;
      out = HexTyped(v.type, converted);
      return true;
    default:
      return false;
  }
}

void WriteKey(const Node& node, const std::string& fullName, bool isRoot, std::string& out) {
  // A root is written only when it holds values; every other key is written even when empty,
  // so that empty keys survive a round trip.
  if (!isRoot || !node.values.empty()) {
    std::string utf8;
    Cp932ToUtf8(fullName, utf8);
    out += "[" + utf8 + "]\n";
    for (const auto& nv : node.values) {
      // Any other value is written as hex(type): of its exact bytes. For the two types whose
      // natural form is itself hex(2) or hex(7) a comment line says that the bytes are not
      // UTF-16 text, since they might read as such.
      std::string data;
      if (!NaturalForm(nv.value, data)) {
        data = HexTyped(nv.value.type, nv.value.data);
        if (nv.value.type == reg::ExpandSz || nv.value.type == reg::MultiSz)
          out += std::string(kRawBytesComment) + "\n";
      }
      if (nv.name.empty()) {
        out += "@=";
      } else {
        Cp932ToUtf8(nv.name, utf8);
        out += Quote(utf8) + "=";
      }
      out += data + "\n";
    }
    out += "\n";
  }
  for (const auto& child : node.children)
    WriteKey(*child, fullName + "\\" + child->name, false, out);
}

// ---- Reading the text form ----

class Parser {
 public:
  Parser(const std::string& file, const std::string& text) : file_(file), text_(text) {}

  void Run(Tree& tree) {
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
    bool headerSeen = false;
    Node* key = nullptr;
    std::string line;
    while (NextLine(line)) {
      if (line.empty() || line[0] == ';') {
        if (line == kRawBytesComment) rawNext_ = true;
        continue;
      }
      if (!headerSeen) {
        if (line != kHeader) Fail("expected \"" + std::string(kHeader) + "\"");
        headerSeen = true;
        continue;
      }
      if (line[0] == '[') {
        rawNext_ = false;
        key = KeyLine(tree, line);
      } else if (line[0] == '"' || line[0] == '@') {
        if (!key) Fail("a value before the first key");
        ValueLine(*key, line);
      } else {
        Fail("expected a [key], a \"value\"= line or a ; comment");
      }
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error(file_ + ":" + std::to_string(lineNo_) + ": " + what);
  }

  // The next line without its line end and outer blanks; false at the end of the text.
  bool NextLine(std::string& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string::npos) end = text_.size();
    line.assign(text_, pos_, end - pos_);
    pos_ = end + 1;
    ++lineNo_;
    size_t b = line.find_first_not_of(" \t\r");
    size_t e = line.find_last_not_of(" \t\r");
    line = b == std::string::npos ? std::string() : line.substr(b, e - b + 1);
    return true;
  }

  std::string ToCp932(const std::string& utf8, const char* what) const {
    std::string out;
    if (!Utf8ToCp932(utf8, out)) Fail(std::string(what) + " has no code page 932 form");
    return out;
  }

  Node* KeyLine(Tree& tree, const std::string& line) {
    if (line.size() < 2 || line.back() != ']') Fail("a key line must end with \"]\"");
    std::string inner = line.substr(1, line.size() - 2);
    if (!inner.empty() && inner[0] == '-') Fail("key removal lines are not supported");
    std::string name = ToCp932(inner, "the key name");
    RegRoot root;
    std::string path;
    if (!ParseRootedKey(name, root, path)) Fail("unknown root key in \"" + inner + "\"");
    std::vector<std::string> parts;
    uint32_t err = SplitPath(root, path, parts);
    if (err == kErrorBadPathname) Fail("empty key name in \"" + inner + "\"");
    if (err) Fail("key name too long or too deep in \"" + inner.substr(0, 80) + "\"");
    return FindOrCreate(tree.Root(root), parts);
  }

  // A quoted text starting at `i` (at the opening quote); leaves `i` after the closing quote.
  std::string QuotedText(const std::string& line, size_t& i) const {
    std::string out;
    ++i;
    while (true) {
      if (i >= line.size()) Fail("missing closing quote");
      char c = line[i++];
      if (c == '"') return out;
      if (c == '\\' && i < line.size() && (line[i] == '\\' || line[i] == '"')) c = line[i++];
      out.push_back(c);
    }
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // "0a,0b,..." possibly continued over lines that end with "\".
  std::string HexBytes(std::string list) {
    std::string bytes;
    while (true) {
      bool more = !list.empty() && list.back() == '\\';
      if (more) list.pop_back();
      size_t i = 0;
      while (i < list.size()) {
        if (list[i] == ' ' || list[i] == '\t' || list[i] == ',') {
          ++i;
          continue;
        }
        int hi = HexDigit(list[i]);
        if (hi < 0) Fail("bad hexadecimal byte in value data");
        int v = hi;
        ++i;
        if (i < list.size() && HexDigit(list[i]) >= 0) v = v * 16 + HexDigit(list[i++]);
        if (i < list.size() && list[i] != ',' && list[i] != ' ' && list[i] != '\t')
          Fail("bad hexadecimal byte in value data");
        bytes.push_back(static_cast<char>(v));
      }
      if (!more) return bytes;
      if (!NextLine(list)) Fail("value data continues past the end of the file");
    }
  }

  void ValueLine(Node& key, const std::string& line) {
    const bool raw = rawNext_;
    rawNext_ = false;
    size_t i = 0;
    std::string name;
    if (line[0] == '@') {
      i = 1;
    } else {
      name = ToCp932(QuotedText(line, i), "the value name");
      if (name.empty()) Fail("an empty value name is written @");
      if (CharCount(name) > kMaxValueNameChars) Fail("value name too long");
    }
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] != '=') Fail("expected \"=\" after the value name");
    ++i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string data = line.substr(i);

    if (data == "-") {
      int at = key.ValueIndex(name);
      if (at >= 0) key.values.erase(key.values.begin() + at);
      return;
    }
    if (!data.empty() && data[0] == '"') {
      size_t j = 0;
      std::string text = QuotedText(data, j);
      if (data.find_first_not_of(" \t", j) != std::string::npos)
        Fail("unexpected text after the closing quote");
      key.SetValue(name, RegValue::String(ToCp932(text, "the text")));
      return;
    }
    if (data.compare(0, 6, "dword:") == 0) {
      std::string digits = data.substr(6);
      if (digits.empty() || digits.size() > 8) Fail("dword: needs 1 to 8 hexadecimal digits");
      uint32_t d = 0;
      for (char c : digits) {
        int h = HexDigit(c);
        if (h < 0) Fail("dword: needs 1 to 8 hexadecimal digits");
        d = d * 16 + static_cast<uint32_t>(h);
      }
      key.SetValue(name, RegValue::Dword(d));
      return;
    }
    if (data.compare(0, 4, "hex:") == 0) {
      key.SetValue(name, RegValue{reg::Binary, HexBytes(data.substr(4))});
      return;
    }
    if (data.compare(0, 4, "hex(") == 0) {
      size_t close = data.find("):", 4);
      if (close == std::string::npos || close == 4 || close > 12) Fail("bad hex(type): prefix");
      uint32_t type = 0;
      for (size_t k = 4; k < close; ++k) {
        int h = HexDigit(data[k]);
        if (h < 0) Fail("bad hex(type): prefix");
        type = type * 16 + static_cast<uint32_t>(h);
      }
      std::string bytes = HexBytes(data.substr(close + 2));
      RegValue v{type, bytes};
      // Texts are written in their UTF-16 form; others carry their raw bytes, marked by the
      // comment before them (older files left the mark out where the bytes cannot be UTF-16).
      if ((type == reg::ExpandSz || type == reg::MultiSz) && !raw) {
        std::string text;
        if (FromUtf16Form(type, bytes, text)) v.data = text;
      }
      key.SetValue(name, v);
      return;
    }
    Fail("unknown value data \"" + data.substr(0, 40) + "\"");
  }

  const std::string& file_;
  const std::string& text_;
  size_t pos_ = 0;
  size_t lineNo_ = 0;
  bool rawNext_ = false;  // the raw-bytes comment was read and no value has followed it yet
};


// Reads the store file's text (UTF-8, or UTF-16LE after a byte order mark as REGEDIT exports it)
// into `tree`; throws with "<file>:<line>: ..." when it is broken.
void ParseStoreText(const std::string& file, std::string text, Tree& tree) {
  if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
      static_cast<unsigned char>(text[1]) == 0xFE) {
    std::u16string wide;
    std::string utf8;
    if (!FromLittleEndian(text.substr(2), wide) || !Utf16ToUtf8(wide, utf8))
      throw std::runtime_error(file + ":1: not valid UTF-16 text");
    text = "\xEF\xBB\xBF" + utf8;
  }
  Parser(file, text).Run(tree);
}

// The store file's text for a tree.
std::string StoreText(const Tree& tree) {
  std::string text = std::string(kHeader) + "\n\n";
  WriteKey(tree.lm, "HKEY_LOCAL_MACHINE", true, text);
  WriteKey(tree.cu, "HKEY_CURRENT_USER", true, text);
  WriteKey(tree.users, "HKEY_USERS", true, text);
  return text;
}

}  // namespace

struct HostRegistry::Impl {
  std::string file;
  std::string lockFile;
  std::string tempFile;
  Tree tree;
  FileStamp loaded;        // the file as we last read or wrote it
  bool valid = false;  // false when the last load failed
  std::string loadError;
  std::mutex mutex;

  // Reads the file into a fresh tree; throws with "<file>:<line>: ..." when it is broken.
  void Load() {
    FileStamp now = StampOf(file);
    Tree fresh;
    if (now.exists) {
      std::ifstream in(file, std::ios::binary);
      if (!in) throw std::runtime_error(file + ":0: cannot be read");
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      ParseStoreText(file, text, fresh);
    }
    tree = std::move(fresh);
    loaded = now;
  }

  // Brings the tree up to date with the file; 0, or kErrorBadDb when the file cannot be read.
  uint32_t Refresh() {
    if (valid && StampOf(file) == loaded) return err::Ok;
    try {
      Load();
      valid = true;
      loadError.clear();
      return err::Ok;
    } catch (const std::exception& e) {
      valid = false;
      loadError = e.what();
      return kErrorBadDb;
    }
  }

  uint32_t Save() {
    std::string text = StoreText(tree);
    // The registry is a record that cannot be rebuilt: flushed before and after the rename.
    if (int e = ReplaceFileDurably(tempFile, file, text, 0)) return Win32ErrorOf(e);
    loaded = StampOf(file);
    return err::Ok;
  }

  // Runs `change` on an up-to-date tree under the store's lock and writes the result when the
  // change succeeded and altered something. `change` returns an error code and sets `changed`.
  template <typename F>
  uint32_t Modify(F change) {
    int lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0) return Win32ErrorOf(errno);
    while (::flock(lock, LOCK_EX) != 0 && errno == EINTR) {
    }
    uint32_t err = Refresh();
    if (err == err::Ok) {
      bool changed = false;
      err = change(changed);
      if (err == err::Ok && changed) {
        err = Save();
        // The tree now holds a change that is not on disk: read the file again next time.
        if (err != err::Ok) valid = false;
      }
    }
    ::close(lock);
    return err;
  }

  // The key at root\path, or null; `err` gets 0, 2 for a missing key or the path error.
  Node* Locate(RegRoot root, const std::string& path, uint32_t& err) {
    std::vector<std::string> parts;
    err = SplitPath(root, path, parts);
    if (err) return nullptr;
    Node* node = Find(tree.Root(root), parts, parts.size());
    if (!node) err = err::FileNotFound;
    return node;
  }

  // HKEY_CLASSES_ROOT itself always exists, even before anything was written below it.
  static bool IsClassesRootItself(RegRoot root, const std::string& path) {
    return root == RegRoot::ClassesRoot && path.empty();
  }
};

HostRegistry::HostRegistry(const std::filesystem::path& file) : impl_(std::make_unique<Impl>()) {
  impl_->file = file.string();
  impl_->lockFile = impl_->file + ".lock";
  impl_->tempFile = impl_->file + ".tmp";
  impl_->Load();
  impl_->valid = true;
}

HostRegistry::~HostRegistry() = default;

const std::string& HostRegistry::LoadError() const {
  return impl_->loadError;
}

uint32_t HostRegistry::CreateKey(RegRoot root, const std::string& path) {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  std::vector<std::string> parts;
  uint32_t err = SplitPath(root, path, parts);
  if (err) return err;
  return impl_->Modify([&](bool& changed) {
    Node& top = impl_->tree.Root(root);
    changed = Find(top, parts, parts.size()) == nullptr;
    if (changed) FindOrCreate(top, parts);
    return err::Ok;
  });
}

bool HostRegistry::KeyExists(RegRoot root, const std::string& path) {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  if (impl_->Refresh()) return false;
  if (Impl::IsClassesRootItself(root, path)) return true;
  uint32_t err;
  return impl_->Locate(root, path, err) != nullptr;
}

uint32_t HostRegistry::GetValue(RegRoot root, const std::string& path, const std::string& name,
                                RegValue& value) {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  if (uint32_t err = impl_->Refresh()) return err;
  uint32_t err;
  Node* node = impl_->Locate(root, path, err);
  if (!node) return Impl::IsClassesRootItself(root, path) ? err::FileNotFound : err;
  int i = node->ValueIndex(name);
  if (i < 0) return err::FileNotFound;
  value = node->values[i].value;
  return err::Ok;
}

uint32_t HostRegistry::SetValue(RegRoot root, const std::string& path, const std::string& name,
                                const RegValue& value) {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  if (CharCount(name) > kMaxValueNameChars || !Writable(name)) return err::InvalidParameter;
  std::vector<std::string> parts;
  uint32_t err = SplitPath(root, path, parts);
  if (err) return err;
  return impl_->Modify([&](bool& changed) {
    Node& top = impl_->tree.Root(root);
    Node* node = Find(top, parts, parts.size());
    if (!node && Impl::IsClassesRootItself(root, path)) node = FindOrCreate(top, parts);
    if (!node) return static_cast<uint32_t>(err::FileNotFound);
    node->SetValue(name, value);
    changed = true;
    return static_cast<uint32_t>(err::Ok);
  });
}

uint32_t HostRegistry::DeleteValue(RegRoot root, const std::string& path, const std::string& name) {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  return impl_->Modify([&](bool& changed) {
    uint32_t err;
    Node* node = impl_->Locate(root, path, err);
    if (!node) return err;
    int i = node->ValueIndex(name);
    if (i < 0) return static_cast<uint32_t>(err::FileNotFound);
    node->values.erase(node->values.begin() + i);
    changed = true;
    return static_cast<uint32_t>(err::Ok);
  });
}

// Removes the key at root\path from its parent: with `recursive` false only when it has no
// subkeys. The root keys themselves cannot be deleted.
static uint32_t RemoveKey(Tree& tree, RegRoot root, const std::string& path, bool recursive,
                          bool& changed) {
  if (path.empty()) return err::AccessDenied;
  std::vector<std::string> parts;
  uint32_t err = SplitPath(root, path, parts);
  if (err) return err;
  Node* parent = Find(tree.Root(root), parts, parts.size() - 1);
  Node* node = parent ? parent->Child(Fold(parts.back())) : nullptr;
  if (!node) return err::FileNotFound;
  if (!recursive && !node->children.empty()) return err::AccessDenied;
  for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
    if (it->get() == node) {
      // Destroying the node frees its subkeys deepest first.
      parent->children.erase(it);
      break;
    }
  }
  changed = true;
  return err::Ok;
}

uint32_t HostRegistry::DeleteKey(RegRoot root, const std::string& path) {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  return impl_->Modify(
      [&](bool& changed) { return RemoveKey(impl_->tree, root, path, false, changed); });
}

uint32_t HostRegistry::DeleteTree(RegRoot root, const std::string& path) {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  return impl_->Modify(
      [&](bool& changed) { return RemoveKey(impl_->tree, root, path, true, changed); });
}

uint32_t HostRegistry::EnumKeys(RegRoot root, const std::string& path,
                                std::vector<std::string>& names) {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  names.clear();
  if (uint32_t err = impl_->Refresh()) return err;
  uint32_t err;
  Node* node = impl_->Locate(root, path, err);
  if (!node) return Impl::IsClassesRootItself(root, path) ? err::Ok : err;
  for (const auto& c : node->children) names.push_back(c->name);
  return err::Ok;
}

uint32_t HostRegistry::EnumValues(RegRoot root, const std::string& path,
                                  std::vector<RegNamedValue>& values) {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  values.clear();
  if (uint32_t err = impl_->Refresh()) return err;
  uint32_t err;
  Node* node = impl_->Locate(root, path, err);
  if (!node) return Impl::IsClassesRootItself(root, path) ? err::Ok : err;
  values = node->values;
  return err::Ok;
}

std::string HostRegistry::Export(const std::string& key) const {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  if (impl_->Refresh()) return "";
  Tree& tree = impl_->tree;
  if (key.empty()) return StoreText(tree);
  std::string text = std::string(kHeader) + "\n\n";
  RegRoot root;
  std::string path;
  if (!ParseRootedKey(key, root, path)) return "";
  std::vector<std::string> parts;
  if (SplitPath(root, path, parts)) return "";
  Node* node = Find(tree.Root(root), parts, parts.size());
  if (!node) {
    if (!Impl::IsClassesRootItself(root, path)) return "";
    return text;
  }
  // Name the key as it was created, under the root that was asked for.
  std::string fullName = RootName(root);
  size_t skip = root == RegRoot::ClassesRoot ? 2 : 0;
  Node* walk = &tree.Root(root);
  for (size_t i = 0; i < parts.size(); ++i) {
    walk = walk->Child(Fold(parts[i]));
    if (i >= skip) fullName += "\\" + walk->name;
  }
  WriteKey(*node, fullName, path.empty(), text);
  return text;
}

std::string RewriteRegistryText(const std::string& text, const std::string& name) {
  Tree tree;
  ParseStoreText(name, text, tree);
  return StoreText(tree);
}

bool ParseRootedKey(const std::string& key, RegRoot& root, std::string& path) {
  size_t sep = key.find('\\');
  std::string head = Fold(key.substr(0, sep));
  path = sep == std::string::npos ? std::string() : key.substr(sep + 1);
  if (head == "HKEY_CLASSES_ROOT" || head == "HKCR") {
    root = RegRoot::ClassesRoot;
  } else if (head == "HKEY_CURRENT_USER" || head == "HKCU") {
    root = RegRoot::CurrentUser;
  } else if (head == "HKEY_LOCAL_MACHINE" || head == "HKLM") {
    root = RegRoot::LocalMachine;
  } else if (head == "HKEY_USERS" || head == "HKU") {
    root = RegRoot::Users;
  } else {
    return false;
  }
  return true;
}

}  // namespace orvane::host
