// An INI file in memory with the reading and writing rules of the Windows profile functions:
// lines are kept as written, lookups ignore letter case, writes append or replace in place, so
// that saving gives the bytes Windows would have written.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvane {

class IniDocument {
 public:
  IniDocument() = default;
  // Splits `text` into lines at CR, LF or CR LF.
  static IniDocument Parse(const std::string& text);
  // A section or key name as the profile functions compare names: ASCII letters in capitals,
  // double-byte characters (their trail bytes included) as they are.
  static std::string FoldName(const std::string& name);

  // The value of a key (quotes of a quoted value removed), nothing when the section or key is
  // missing. Only the first section of a name and the first key of a name count. Names are
  // trimmed and compared without regard to ASCII letter case.
  std::optional<std::string> Get(const std::string& section, const std::string& key) const;
  // Replaces the key's value in place, or inserts "key=value" after the last key of the section,
  // or appends the section "[section]" and the key at the end of the file.
  void Set(const std::string& section, const std::string& key, const std::string& value);
  // Removes the first key of the name; removes every section of the name (each header and every
  // line up to the next header).
  void DeleteKey(const std::string& section, const std::string& key);
  void DeleteSection(const std::string& section);

  bool HasSection(const std::string& section) const;
  // Names as written, in file order, duplicates included (as the profile functions list them).
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(const std::string& section) const;

  // The file's text with CR LF after every line.
  std::string Text() const;

  // The change WritePrivateProfileString makes: without a key the section goes, without a value
  // the key goes, else the key is set. False when the text would not change, so that the file
  // can stay as it is.
  bool ApplyWrite(const std::string& section, const std::optional<std::string>& key,
                  const std::optional<std::string>& value);
  // What GetPrivateProfileString gives: the value, else the default without its trailing blanks,
  // cut to capacity - 1 bytes (even inside a double-byte character: a caller that sees
  // capacity - 1 bytes come back knows to ask again with a larger buffer).
  static std::string ProfileResult(const std::optional<std::string>& value,
                                   const std::string& defaultValue, size_t capacity);

  // One line of a text as Parse reads it, numbered from 1, for tools that report by line: a
  // section header with its name, a key with its name and value (trimmed, quotes kept), or any
  // other line (blank, comment, or text that is neither).
  struct Line {
    enum Kind { Other, Header, Key } kind = Other;
    size_t number = 0;
    std::string name;
    std::string value;
    std::string text;  // the line as written
  };
  static std::vector<Line> Lines(const std::string& text);

 private:
  // One section: its header line and the lines up to the next header, with an index of its keys.
  // The lines before the first header form a section without a header that no lookup finds.
  struct Section {
    bool hasHeader = false;
    std::string header;                            // the header line as written
    std::string name;                              // the name as written, trimmed
    std::vector<std::string> lines;                // the lines after the header, as written
    std::unordered_map<std::string, size_t> keys;  // folded key name -> its first line
    size_t insertAt = 0;  // where a new key goes: after the last key line, else after the header
  };
  Section* Find(const std::string& section);
  const Section* Find(const std::string& section) const;
  static void IndexKeys(Section& section);
  void IndexSections();

  std::vector<Section> sections_;                  // in file order, a headerless part first
  std::unordered_map<std::string, size_t> index_;  // folded section name -> first section
};

}  // namespace orvane
