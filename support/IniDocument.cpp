// An INI file in memory, read and written with the rules of the Windows profile functions. Each
// section keeps its own lines and key index, so lookups are constant time and appends are cheap.
#include "support/IniDocument.h"

#include "support/MBUtils.h"

namespace orvane {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string TrimLeft(const std::string& s) {
  size_t begin = 0;
  while (begin < s.size() && IsBlank(s[begin])) ++begin;
  return s.substr(begin);
}

// A blank that follows a lead byte is read as that character's second byte (as every scan here
// steps over it), so it stays: cutting it would leave a lone lead byte that swallows the "=" or
// "]" written after the name.
std::string TrimRight(const std::string& s) {
  size_t end = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsLeadChar(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      end = ++i + 1;
    } else if (!IsBlank(s[i])) {
      end = i + 1;
    }
  }
  return s.substr(0, end);
}

std::string Trim(const std::string& s) {
  return TrimLeft(TrimRight(s));
}


// Byte index of the first (or last) single-byte `c` in s, skipping trail bytes; npos if none.
size_t FindChar(const std::string& s, char c, size_t from, bool last) {
  size_t found = std::string::npos;
  for (size_t i = from; i < s.size(); ++i) {
    if (s[i] == c) {
      if (!last) return i;
      found = i;
    } else if (IsLeadChar(static_cast<unsigned char>(s[i]))) {
      ++i;
    }
  }
  return found;
}

struct ParsedLine {
  enum Kind { Other, Header, Key } kind = Other;
  std::string name;   // section or key name, trimmed, as written
  std::string value;  // a key's value, trimmed, quotes kept
};

ParsedLine ParseLine(const std::string& text) {
  ParsedLine result;
  const std::string line = Trim(text);
  if (line.empty() || line[0] == ';') return result;
  if (line[0] == '[') {
    // The header runs to the last "]"; a "[" without one falls through to an ordinary line.
    const size_t close = FindChar(line, ']', 1, true);
    if (close != std::string::npos) {
      result.kind = ParsedLine::Header;
      result.name = Trim(line.substr(1, close - 1));
      return result;
    }
  }
  const size_t equals = FindChar(line, '=', 0, false);
  if (equals == std::string::npos) return result;
  result.kind = ParsedLine::Key;
  result.name = TrimRight(line.substr(0, equals));
  result.value = TrimLeft(line.substr(equals + 1));
  return result;
}

// The lines of a text, split at CR, LF or CR LF; a last line without an end counts.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size())
      pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
  }
  return lines;
}

}  // namespace

// Names compare without regard to ASCII letter case; double-byte characters compare byte for
// byte, so their trail bytes are stepped over, not folded.
std::string IniDocument::FoldName(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (IsLeadChar(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

IniDocument IniDocument::Parse(const std::string& text) {
  IniDocument doc;
  Section* current = nullptr;
  for (std::string& line : SplitLines(text)) {
    const ParsedLine parsed = ParseLine(line);
    if (parsed.kind == ParsedLine::Header) {
      Section& section = doc.sections_.emplace_back();
      section.hasHeader = true;
      section.header = std::move(line);
      section.name = parsed.name;
      doc.index_.emplace(FoldName(parsed.name), doc.sections_.size() - 1);
      current = &section;
      continue;
    }
    if (current == nullptr) current = &doc.sections_.emplace_back();  // lines before any header
    if (parsed.kind == ParsedLine::Key) {
      current->keys.emplace(FoldName(parsed.name), current->lines.size());  // the first key wins
      current->insertAt = current->lines.size() + 1;
    }
    current->lines.push_back(std::move(line));
  }
  return doc;
}

IniDocument::Section* IniDocument::Find(const std::string& section) {
  const auto it = index_.find(FoldName(Trim(section)));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

const IniDocument::Section* IniDocument::Find(const std::string& section) const {
  const auto it = index_.find(FoldName(Trim(section)));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

void IniDocument::IndexKeys(Section& section) {
  section.keys.clear();
  section.insertAt = 0;
  for (size_t i = 0; i < section.lines.size(); ++i) {
    const ParsedLine parsed = ParseLine(section.lines[i]);
    if (parsed.kind != ParsedLine::Key) continue;
    section.keys.emplace(FoldName(parsed.name), i);
    section.insertAt = i + 1;
  }
}

void IniDocument::IndexSections() {
  index_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (sections_[i].hasHeader) index_.emplace(FoldName(sections_[i].name), i);
  }
}

std::optional<std::string> IniDocument::Get(const std::string& section,
                                            const std::string& key) const {
  const Section* found = Find(section);
  if (found == nullptr) return std::nullopt;
  const auto it = found->keys.find(FoldName(Trim(key)));
  if (it == found->keys.end()) return std::nullopt;
  ParsedLine parsed = ParseLine(found->lines[it->second]);
  std::string& value = parsed.value;
  if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

void IniDocument::Set(const std::string& section, const std::string& key,
                      const std::string& value) {
  Section* target = Find(section);
  if (target == nullptr) {
    Section& added = sections_.emplace_back();
    added.hasHeader = true;
    added.name = Trim(section);
    added.header = "[" + added.name + "]";
    index_.emplace(FoldName(added.name), sections_.size() - 1);
    target = &added;
  }
  const std::string name = Trim(key);
  const std::string folded = FoldName(name);
  const auto it = target->keys.find(folded);
  if (it != target->keys.end()) {
    // Replaced in place; the key keeps the spelling it has in the file.
    std::string& line = target->lines[it->second];
    line = ParseLine(line).name + "=" + value;
    return;
  }
  // Only blank, comment and other non-key lines follow insertAt, so no key index moves.
  target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(target->insertAt),
                       name + "=" + value);
  target->keys.emplace(folded, target->insertAt);
  ++target->insertAt;
}

void IniDocument::DeleteKey(const std::string& section, const std::string& key) {
  Section* target = Find(section);
  if (target == nullptr) return;
  const auto it = target->keys.find(FoldName(Trim(key)));
  if (it == target->keys.end()) return;
  target->lines.erase(target->lines.begin() + static_cast<std::ptrdiff_t>(it->second));
  // Lines after it moved up, and a duplicate of the key may now be the first one: index again.
  IndexKeys(*target);
}

void IniDocument::DeleteSection(const std::string& section) {
  // Every section of the name goes, so that none of its duplicates takes its place.
  const std::string folded = FoldName(Trim(section));
  if (index_.find(folded) == index_.end()) return;
  std::vector<Section> kept;
  kept.reserve(sections_.size());
  for (Section& s : sections_) {
    if (!s.hasHeader || FoldName(s.name) != folded) kept.push_back(std::move(s));
  }
  sections_ = std::move(kept);
  IndexSections();
}

bool IniDocument::HasSection(const std::string& section) const {
  return Find(section) != nullptr;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& s : sections_) {
    if (s.hasHeader) names.push_back(s.name);
  }
  return names;
}

std::vector<std::string> IniDocument::KeyNames(const std::string& section) const {
  std::vector<std::string> names;
  const Section* found = Find(section);
  if (found == nullptr) return names;
  for (const std::string& line : found->lines) {
    ParsedLine parsed = ParseLine(line);
    if (parsed.kind == ParsedLine::Key) names.push_back(std::move(parsed.name));
  }
  return names;
}

std::string IniDocument::Text() const {
  std::string text;
  for (const Section& s : sections_) {
    if (s.hasHeader) text += s.header + "\r\n";
    for (const std::string& line : s.lines) text += line + "\r\n";
  }
  return text;
}

bool IniDocument::ApplyWrite(const std::string& section, const std::optional<std::string>& key,
                             const std::optional<std::string>& value) {
  if (!key) {
    if (!HasSection(section)) return false;
    DeleteSection(section);
  } else if (!value) {
    if (!Get(section, *key)) return false;
    DeleteKey(section, *key);
  } else {
    if (Get(section, *key) == *value) return false;
    Set(section, *key, *value);
  }
  return true;
}

std::string IniDocument::ProfileResult(const std::optional<std::string>& value,
                                       const std::string& defaultValue, size_t capacity) {
  if (capacity == 0) return std::string();
  std::string result =
      value ? *value : defaultValue.substr(0, defaultValue.find_last_not_of(' ') + 1);
  if (result.size() > capacity - 1) result.resize(capacity - 1);
  return result;
}

std::vector<IniDocument::Line> IniDocument::Lines(const std::string& text) {
  std::vector<Line> lines;
  for (std::string& written : SplitLines(text)) {
    ParsedLine parsed = ParseLine(written);
    Line& line = lines.emplace_back();
    line.kind = parsed.kind == ParsedLine::Header ? Line::Header
                : parsed.kind == ParsedLine::Key  ? Line::Key
                                                  : Line::Other;
    line.number = lines.size();
    line.name = std::move(parsed.name);
    line.value = std::move(parsed.value);
    line.text = std::move(written);
  }
  return lines;
}

}  // namespace orvane
