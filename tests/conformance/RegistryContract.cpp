// The IRegistry contract: keys made with their parents, names without letter case that keep their
// first spelling, values of every type, deletion rules and what enumeration promises.
#include <algorithm>

#include "tests/conformance/Backend.h"

namespace orvane::conformance {
namespace {

const RegRoot kUser = RegRoot::CurrentUser;
const char kKey[] = "Software\\Conformance";

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST_P(RegistryContract, KeysAreMadeWithTheirParentsAndFoundWithoutLetterCase) {
  EXPECT_FALSE(registry().KeyExists(kUser, kKey));
  EXPECT_EQ(registry().CreateKey(kUser, "Software\\Conformance\\Mixed\\Deep"), 0u);
  EXPECT_TRUE(registry().KeyExists(kUser, "SOFTWARE\\conformance\\MIXED"));
  EXPECT_EQ(registry().CreateKey(kUser, "software\\CONFORMANCE\\mixed"), 0u);  // opens it
  // "\x95\x5C" ends in the byte of "\": one name all the same.
  EXPECT_EQ(registry().CreateKey(kUser, "Software\\Conformance\\\x95\x5C\\Deep"), 0u);
  std::vector<std::string> names;
  ASSERT_EQ(registry().EnumKeys(kUser, kKey, names), 0u);
  EXPECT_EQ(Sorted(names), (std::vector<std::string>{"Mixed", "\x95\x5C"}));
  EXPECT_TRUE(registry().KeyExists(kUser, "Software\\Conformance\\\x95\x5C\\deep"));
  // Values need an existing key.
  EXPECT_EQ(registry().SetValue(kUser, "Software\\Conformance\\None", "V", RegValue::Dword(1)), 2u);
  EXPECT_FALSE(registry().KeyExists(kUser, "Software\\Conformance\\None"));
  EXPECT_FALSE(registry().KeyExists(RegRoot::LocalMachine, kKey));  // roots are apart
}

TEST_P(RegistryContract, ValuesOfEveryTypeComeBackAsStored) {
  ASSERT_EQ(registry().CreateKey(kUser, kKey), 0u);
  const std::vector<RegNamedValue> values = {
      {"", RegValue::String("the default")},
      {"Text", RegValue::String("C:\\\x83\x5C\\x")},
      {"Expand", RegValue::String("%SystemRoot%\\x", reg::ExpandSz)},
      {"Binary", {reg::Binary, std::string("\0\x01\xFF", 3)}},
      {"Dword", RegValue::Dword(0x2A)},
      {"Multi", {reg::MultiSz, std::string("one\0two\0\0", 9)}},
      {"\x95\x5C", RegValue::String("\x83\x65\x83\x58\x83\x67")},
      {"\x83\x5C", {reg::MultiSz, std::string("\x95\x5C\0\x83\x5C\0\0", 7)}},
  };
  for (const RegNamedValue& v : values)
    ASSERT_EQ(registry().SetValue(kUser, kKey, v.name, v.value), 0u) << v.name;
  for (const RegNamedValue& v : values) {
    RegValue read;
    ASSERT_EQ(registry().GetValue(kUser, kKey, v.name, read), 0u) << v.name;
    EXPECT_EQ(read.type, v.value.type) << v.name;
    EXPECT_EQ(read.data, v.value.data) << v.name;
  }
  RegValue read;
  EXPECT_EQ(registry().GetValue(kUser, kKey, "Missing", read), 2u);
  EXPECT_EQ(registry().GetValue(kUser, "Software\\None", "Text", read), 2u);
}

TEST_P(RegistryContract, ValuesEnumerateEachOnceAndKeepTheirFirstSpelling) {
  ASSERT_EQ(registry().CreateKey(kUser, kKey), 0u);
  for (const char* name : {"Zeta", "alpha", "Mid"})
    ASSERT_EQ(registry().SetValue(kUser, kKey, name, RegValue::String(name)), 0u);
  ASSERT_EQ(registry().SetValue(kUser, kKey, "ALPHA", RegValue::Dword(7)), 0u);
  std::vector<RegNamedValue> values;
  ASSERT_EQ(registry().EnumValues(kUser, kKey, values), 0u);
  std::sort(values.begin(), values.end(),
            [](const RegNamedValue& a, const RegNamedValue& b) { return a.name < b.name; });
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].name, "Mid");
  EXPECT_EQ(values[1].name, "Zeta");
  EXPECT_EQ(values[2].name, "alpha");
  EXPECT_EQ(values[2].value.type, static_cast<uint32_t>(reg::Dword));

  EXPECT_EQ(registry().DeleteValue(kUser, kKey, "MID"), 0u);
  EXPECT_EQ(registry().DeleteValue(kUser, kKey, "Mid"), 2u);
  RegValue read;
  EXPECT_EQ(registry().GetValue(kUser, kKey, "Mid", read), 2u);
}

TEST_P(RegistryContract, SubkeysEnumerateEachOnceInNoPromisedOrder) {
  for (const char* name : {"b", "C", "a", "b\\inner"})
    ASSERT_EQ(registry().CreateKey(kUser, std::string(kKey) + "\\" + name), 0u);
  std::vector<std::string> names;
  ASSERT_EQ(registry().EnumKeys(kUser, kKey, names), 0u);
  EXPECT_EQ(Sorted(names), (std::vector<std::string>{"C", "a", "b"}));
  EXPECT_EQ(registry().EnumKeys(kUser, "Software\\None", names), 2u);
}

TEST_P(RegistryContract, KeysWithSubkeysAreDeletedOnlyAsATree) {
  ASSERT_EQ(registry().CreateKey(kUser, "Software\\Conformance\\Sub\\Deeper"), 0u);
  ASSERT_EQ(registry().SetValue(kUser, kKey, "V", RegValue::Dword(1)), 0u);
  EXPECT_EQ(registry().DeleteKey(kUser, kKey), 5u);
  EXPECT_TRUE(registry().KeyExists(kUser, "Software\\Conformance\\Sub\\Deeper"));
  EXPECT_EQ(registry().DeleteKey(kUser, "software\\conformance\\sub\\deeper"), 0u);
  EXPECT_FALSE(registry().KeyExists(kUser, "Software\\Conformance\\Sub\\Deeper"));
  EXPECT_EQ(registry().DeleteKey(kUser, "Software\\Conformance\\Sub\\Deeper"), 2u);
  ASSERT_EQ(registry().CreateKey(kUser, "Software\\Conformance\\Sub\\Again"), 0u);
  EXPECT_EQ(registry().DeleteTree(kUser, kKey), 0u);
  EXPECT_FALSE(registry().KeyExists(kUser, kKey));
  EXPECT_TRUE(registry().KeyExists(kUser, "Software"));
  EXPECT_EQ(registry().DeleteTree(kUser, kKey), 2u);
}

}  // namespace
}  // namespace orvane::conformance
