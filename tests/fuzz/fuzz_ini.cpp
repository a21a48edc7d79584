// Fuzz target for the INI reader and writer (IniDocument, which the profile functions parse every
// INI file with): any bytes parse; the saved text reads back the same; a write changes exactly the
// key it names; a deleted section is gone.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "FuzzCheck.h"
#include "support/IniDocument.h"

using orvane::IniDocument;

namespace {

using Values = std::map<std::pair<std::string, std::string>, std::string>;

// Names match without regard to ASCII letter case; the second byte of a double-byte character is
// not a letter.
std::string Folded(const std::string& name) {
  std::string out = name;
  for (size_t i = 0; i < out.size(); ++i) {
    auto c = static_cast<unsigned char>(out[i]);
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))
      ++i;
    else if (c >= 'a' && c <= 'z')
      out[i] = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// Every value that a lookup of a listed section and key gives, by folded names.
Values AllValues(const IniDocument& doc) {
  Values values;
  for (const std::string& section : doc.SectionNames()) {
    for (const std::string& key : doc.KeyNames(section)) {
      std::optional<std::string> value = doc.Get(section, key);
      FUZZ_CHECK(value.has_value(), "a listed key has a value");
      values.emplace(std::make_pair(Folded(section), Folded(key)), *value);
    }
  }
  return values;
}

// A value that a write stores and a read gives back unchanged: no line break, no blank at either
// end (lines are trimmed), not wrapped in quotes (a read removes them) and no "]" (after a key
// whose name starts with "[", the line would read as a section header, as it does on Windows).
std::string PlainValue(const uint8_t* data, size_t size) {
  std::string value;
  for (size_t i = 0; i < size && value.size() < 12; ++i) {
    char c = static_cast<char>(data[i]);
    if (c == '\r' || c == '\n' || c == '\t' || c == ' ' || c == '\v' || c == '\f' || c == '\x1A' ||
        c == '"' || c == '\'' || c == ']')
      c = '_';
    value += c;
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  IniDocument doc = IniDocument::Parse(text);
  const std::string saved = doc.Text();
  const IniDocument reread = IniDocument::Parse(saved);
  FUZZ_CHECK(reread.Text() == saved, "saved text parses to the same text");
  const Values before = AllValues(doc);
  FUZZ_CHECK(AllValues(reread) == before, "saved text gives the same values");

  // Write one existing key (or a new one in a new section) and check that nothing else moved.
  const std::string value = PlainValue(data, size);
  std::string section = "Fuzz Section", key = "FuzzKey";
  if (!before.empty()) std::tie(section, key) = before.begin()->first;
  doc.Set(section, key, value);
  Values expected = before;
  expected[{Folded(section), Folded(key)}] = value;
  const Values after = AllValues(doc);
  FUZZ_CHECK(doc.Get(section, key) == value, "a written value reads back");
  FUZZ_CHECK(after == expected, "a write changes only its own key");
  const IniDocument written = IniDocument::Parse(doc.Text());
  FUZZ_CHECK(AllValues(written) == after, "a written file reads back the same");

  // Deleting: the key no longer reads as the value written, the section goes entirely.
  doc.DeleteKey(section, key);
  doc.DeleteSection(section);
  FUZZ_CHECK(!doc.HasSection(section), "a deleted section is gone");
  FUZZ_CHECK(!doc.Get(section, key), "a deleted section has no keys");
  FUZZ_CHECK(IniDocument::Parse(doc.Text()).Text() == doc.Text(), "text after deletes rereads");
  return 0;
}
