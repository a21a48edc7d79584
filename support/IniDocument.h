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

  // The value of a key (quotes of a quoted value removed), nothing when the section or key is
  // missing. Only the first section of a name and the first key of a name count.
  std::optional<std::string> Get(const std::string& section, const std::string& key) const;
  // Replaces the key's value in place, or appends "key=value" at the end of the section, or
  // appends the section "[section]" and the key at the end of the file.
  void Set(const std::string& section, const std::string& key, const std::string& value);
  // Removes a key; removes a whole section (its header and every line up to the next header).
  void DeleteKey(const std::string& section, const std::string& key);
  void DeleteSection(const std::string& section);

  bool HasSection(const std::string& section) const;
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(const std::string& section) const;

  // The file's text with CR LF after every line.
  std::string Text() const;

 private:
  struct Line {
    std::string text;     // as written, without its line end
    std::string name;     // upper-cased section name or key name; empty for other lines
    enum Kind { Other, Section, Key } kind = Other;
  };
  struct SectionIndex {
    size_t header;                                 // line of the header
    std::unordered_map<std::string, size_t> keys;  // upper-cased key -> line (first one)
  };
  void Reindex();
  std::vector<Line> lines_;
  std::unordered_map<std::string, SectionIndex> sections_;  // upper-cased name -> first section
};

}  // namespace orvane
