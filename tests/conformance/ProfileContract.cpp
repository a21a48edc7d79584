// The IProfile contract: the reading rules of GetPrivateProfileStringA and the bytes
// WritePrivateProfileStringA leaves in the file.
#include "tests/conformance/Backend.h"

namespace orvane::conformance {
namespace {

const char kIni[] = "C:\\CT\\T.INI";

std::string Get(IProfile& profile, const std::string& section, const std::string& key,
                const std::string& defaultValue = "<default>", size_t capacity = 256,
                const std::string& path = kIni) {
  return profile.GetString(section, key, defaultValue, capacity, path);
}
bool Set(IProfile& profile, const std::optional<std::string>& section,
         const std::optional<std::string>& key, const std::optional<std::string>& value,
         const std::string& path = kIni) {
  return profile.WriteString(section, key, value, path);
}

TEST_P(ProfileContract, LookupsIgnoreCaseAndTakeTheFirstOfDuplicates) {
  Write("T.INI",
        "Loose=before any section\r\n"
        "[Sect]\r\nKey=one\r\nkey=two\r\n"
        "[SECT]\r\nOther=hidden by the first section\r\n"
        "[ Spaced ] trailing text\r\n  Name  =  value\r\n");
  EXPECT_EQ(Get(profile(), "sect", "KEY"), "one");
  EXPECT_EQ(Get(profile(), "Sect", "Other"), "<default>");
  EXPECT_EQ(Get(profile(), "Spaced", "name"), "value");
  EXPECT_EQ(Get(profile(), "", "Loose"), "<default>");
}

TEST_P(ProfileContract, ValuesLoseMatchingQuotesAndKeepTheRest) {
  Write("T.INI",
        "[S]\nDouble=\"quoted text\"\nSingle='single'\nHalf=\"open\nInline=a ; not a comment\n"
        ";Comment=x\nEmpty=\nNoEquals\nTabs=\tpadded\t\n");
  EXPECT_EQ(Get(profile(), "S", "Double"), "quoted text");
  EXPECT_EQ(Get(profile(), "S", "Single"), "single");
  EXPECT_EQ(Get(profile(), "S", "Half"), "\"open");
  EXPECT_EQ(Get(profile(), "S", "Inline"), "a ; not a comment");
  EXPECT_EQ(Get(profile(), "S", ";Comment"), "<default>");
  EXPECT_EQ(Get(profile(), "S", "Empty"), "");  // present but empty is not the default
  EXPECT_EQ(Get(profile(), "S", "NoEquals"), "<default>");
  EXPECT_EQ(Get(profile(), "S", "Tabs"), "padded");
}

TEST_P(ProfileContract, DefaultsLoseTrailingBlanksAndBuffersHoldOneCharacterLess) {
  Write("T.INI", "[S]\r\nLong=0123456789\r\n");
  EXPECT_EQ(Get(profile(), "S", "Missing", "dflt  "), "dflt");
  EXPECT_EQ(Get(profile(), "None", "Key", "dflt "), "dflt");
  EXPECT_EQ(Get(profile(), "S", "Key", "dflt", 256, "C:\\CT\\NONE.INI"), "dflt");
  EXPECT_EQ(Get(profile(), "S", "Long", "", 5), "0123");
  EXPECT_EQ(Get(profile(), "S", "Long", "", 11), "0123456789");
  EXPECT_EQ(Get(profile(), "S", "Missing", "abcdef", 4), "abc");
}

TEST_P(ProfileContract, WritesAppendSectionsAndKeysAsWindowsDoes) {
  ASSERT_TRUE(Set(profile(), "App1", "key1", "string1"));
  ASSERT_TRUE(Set(profile(), "App1", "key2", "string2"));
  ASSERT_TRUE(Set(profile(), "App1", "key3", "string3"));
  ASSERT_TRUE(Set(profile(), "App2", "key4", "string4"));
  ASSERT_TRUE(Set(profile(), "App3", "key5", "string5"));
  EXPECT_EQ(Read("T.INI"),
            "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
            "[App3]\r\nkey5=string5\r\n");
  // A new key goes to the end of its section; an existing one is replaced in place, its name
  // keeping its spelling; an empty value is written as such.
  ASSERT_TRUE(Set(profile(), "app1", "key9", "new"));
  ASSERT_TRUE(Set(profile(), "APP2", "KEY4", ""));
  EXPECT_EQ(Read("T.INI"),
            "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\nkey9=new\r\n"
            "[App2]\r\nkey4=\r\n[App3]\r\nkey5=string5\r\n");
  EXPECT_EQ(Get(profile(), "App2", "key4"), "");
}

TEST_P(ProfileContract, NullValuesDeleteKeysAndNullKeysDeleteSections) {
  Write("T.INI", "[A]\r\nk1=1\r\nk2=2\r\n[B]\r\nk3=3\r\n[C]\r\nk4=4\r\n");
  ASSERT_TRUE(Set(profile(), "a", "K1", std::nullopt));
  ASSERT_TRUE(Set(profile(), "b", std::nullopt, std::nullopt));
  EXPECT_EQ(Read("T.INI"), "[A]\r\nk2=2\r\n[C]\r\nk4=4\r\n");
  EXPECT_EQ(Get(profile(), "B", "k3"), "<default>");
  // The flush changes nothing in the file.
  Set(profile(), std::nullopt, std::nullopt, std::nullopt);
  EXPECT_EQ(Get(profile(), "C", "k4"), "4");
}

TEST_P(ProfileContract, CodePage932NamesAndTextsKeepTheirBytes) {
  // "\x95\x5C" ends in the byte of "\": neither the folder nor a name may be split there.
  const std::string table = "\x95\x5C", so = "\x83\x5C", path = At(table + "\\" + table + ".INI");
  ASSERT_EQ(files().CreateFolder(At(table)), 0u);
  ASSERT_TRUE(Set(profile(), table, so, table + "=" + so, path));
  EXPECT_EQ(Get(profile(), table, so, "", 256, path), table + "=" + so);
  EXPECT_EQ(Read(table + "\\" + table + ".INI"),
            "[" + table + "]\r\n" + so + "=" + table + "=" + so + "\r\n");
}

TEST_P(ProfileContract, FilesWithoutFolderLiveInTheWindowsFolderAndOnlyWritableFilesChange) {
  ASSERT_TRUE(Set(profile(), "S", "K", "v", "CT_TEST.INI"));
  EXPECT_EQ(Get(profile(), "S", "K", "", 256, "CT_TEST.INI"), "v");
  std::string bytes;
  EXPECT_EQ(files().ReadFile(backend().WindowsFolder() + "\\ct_test.ini", bytes), 0u);
  EXPECT_EQ(bytes, "[S]\r\nK=v\r\n");
  EXPECT_FALSE(Set(profile(), "S", "K", "v", "C:\\CT\\NONE\\T.INI"));
  Write("RO.INI", "[S]\r\nK=old\r\n");
  ASSERT_EQ(files().SetAttributes(At("RO.INI"), attr::ReadOnly), 0u);
  EXPECT_FALSE(Set(profile(), "S", "K", "new", At("RO.INI")));
  EXPECT_EQ(Get(profile(), "S", "K", "", 256, At("RO.INI")), "old");
}

}  // namespace
}  // namespace orvane::conformance
