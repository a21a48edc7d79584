// Tests of the emulated machine's registry store: names, order, the HKEY_CLASSES_ROOT view,
// deletion rules, the REGEDIT text file and two processes sharing one store.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/host/HostRegistry.h"

namespace orvane::host {
namespace {

namespace fs = std::filesystem;

class HostRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orvane-reg-XXXXXX";
    dir_ = mkdtemp(tmpl);
    file_ = dir_ / "registry.reg";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string FileText() const {
    std::ifstream in(file_, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  void WriteFile(const std::string& text) const { std::ofstream(file_, std::ios::binary) << text; }
  static std::vector<std::string> Keys(HostRegistry& reg, RegRoot root, const std::string& path) {
    std::vector<std::string> names;
    EXPECT_EQ(0u, reg.EnumKeys(root, path, names));
    return names;
  }
  static std::vector<std::string> ValueNames(HostRegistry& reg, RegRoot root,
                                             const std::string& path) {
    std::vector<RegNamedValue> values;
    EXPECT_EQ(0u, reg.EnumValues(root, path, values));
    std::vector<std::string> names;
    for (const auto& v : values) names.push_back(v.name);
    return names;
  }

  fs::path dir_;
  fs::path file_;
};

using Names = std::vector<std::string>;

TEST_F(HostRegistryTest, ClassesRootIsAViewOfLocalMachineClasses) {
  HostRegistry reg(file_);
  EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, ""));
  EXPECT_EQ(Names{}, Keys(reg, RegRoot::ClassesRoot, ""));

  ASSERT_EQ(0u, reg.CreateKey(RegRoot::ClassesRoot, ".abc"));
  EXPECT_TRUE(reg.KeyExists(RegRoot::LocalMachine, "SOFTWARE\\Classes\\.abc"));
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::LocalMachine, "software\\classes\\abc_auto_file\\shell"));
  EXPECT_EQ((Names{".abc", "abc_auto_file"}), Keys(reg, RegRoot::ClassesRoot, ""));

  ASSERT_EQ(0u, reg.SetValue(RegRoot::LocalMachine, "SOFTWARE\\Classes\\.abc", "",
                             RegValue::String("abc_auto_file")));
  RegValue v;
  ASSERT_EQ(0u, reg.GetValue(RegRoot::ClassesRoot, ".ABC", "", v));
  EXPECT_EQ("abc_auto_file", v.data);

  // The file holds the keys once, below HKEY_LOCAL_MACHINE; the HKCR export uses the HKCR name.
  std::string text = FileText();
  EXPECT_EQ(std::string::npos, text.find("HKEY_CLASSES_ROOT"));
  EXPECT_NE(std::string::npos,
            text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.abc]\n@=\"abc_auto_file\"\n"));
  EXPECT_EQ(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CLASSES_ROOT\\.abc]\n@=\"abc_auto_file\"\n\n",
      reg.Export("HKCR\\.abc"));

  ASSERT_EQ(0u, reg.DeleteTree(RegRoot::ClassesRoot, "abc_auto_file"));
  EXPECT_FALSE(reg.KeyExists(RegRoot::LocalMachine, "SOFTWARE\\Classes\\abc_auto_file"));
}

TEST_F(HostRegistryTest, NamesMatchWithoutCaseAndKeepTheirFirstCase) {
  HostRegistry reg(file_);
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "Software\\Vendor"));
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "SOFTWARE\\vendor\\App"));
  EXPECT_EQ(Names{"Software"}, Keys(reg, RegRoot::CurrentUser, ""));
  EXPECT_EQ(Names{"Vendor"}, Keys(reg, RegRoot::CurrentUser, "software"));

  ASSERT_EQ(0u, reg.SetValue(RegRoot::CurrentUser, "Software\\Vendor\\App", "InstallPath",
                             RegValue::String("C:\\A")));
  ASSERT_EQ(0u, reg.SetValue(RegRoot::CurrentUser, "software\\VENDOR\\app", "INSTALLPATH",
                             RegValue::String("C:\\B")));
  std::vector<RegNamedValue> values;
  ASSERT_EQ(0u, reg.EnumValues(RegRoot::CurrentUser, "Software\\Vendor\\App", values));
  ASSERT_EQ(1u, values.size());
  EXPECT_EQ("InstallPath", values[0].name);
  EXPECT_EQ("C:\\B", values[0].value.data);

  // Only ASCII letters fold: the trail bytes 0x41 and 0x61 make two different characters.
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "\x83\x41"));
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "\x83\x61"));
  EXPECT_EQ((Names{"Software", "\x83\x41", "\x83\x61"}), Keys(reg, RegRoot::CurrentUser, ""));
  // A "\" trail byte (0x5C) does not split the path.
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "\x83\x5C\\Sub"));
  EXPECT_EQ(Names{"Sub"}, Keys(reg, RegRoot::CurrentUser, "\x83\x5C"));
}

TEST_F(HostRegistryTest, KeysAndValuesEnumerateInCreationOrderAlsoAfterReload) {
  {
    HostRegistry reg(file_);
    for (const char* k : {"Zeta", "alpha", "Mid"})
      ASSERT_EQ(0u, reg.CreateKey(RegRoot::LocalMachine, std::string("SOFTWARE\\") + k));
    for (const char* n : {"z", "", "a", "m"})
      ASSERT_EQ(0u, reg.SetValue(RegRoot::LocalMachine, "SOFTWARE", n, RegValue::Dword(1)));
  }
  HostRegistry again(file_);
  EXPECT_EQ((Names{"Zeta", "alpha", "Mid"}), Keys(again, RegRoot::LocalMachine, "SOFTWARE"));
  EXPECT_EQ((Names{"z", "", "a", "m"}), ValueNames(again, RegRoot::LocalMachine, "SOFTWARE"));
}

TEST_F(HostRegistryTest, MissingKeysValuesAndDeletionRules) {
  HostRegistry reg(file_);
  RegValue v;
  EXPECT_EQ(2u, reg.GetValue(RegRoot::CurrentUser, "Nope", "x", v));
  EXPECT_EQ(2u, reg.SetValue(RegRoot::CurrentUser, "Nope", "x", RegValue::Dword(1)));
  EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, "Nope"));
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "A\\B\\C"));
  EXPECT_EQ(2u, reg.GetValue(RegRoot::CurrentUser, "A", "x", v));
  EXPECT_EQ(2u, reg.DeleteValue(RegRoot::CurrentUser, "A", "x"));

  EXPECT_EQ(5u, reg.DeleteKey(RegRoot::CurrentUser, "A"));
  EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, "A\\B\\C"));
  EXPECT_EQ(0u, reg.DeleteKey(RegRoot::CurrentUser, "a\\b\\c"));
  EXPECT_EQ(2u, reg.DeleteKey(RegRoot::CurrentUser, "A\\B\\C"));
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "A\\B\\D\\E"));
  EXPECT_EQ(0u, reg.DeleteTree(RegRoot::CurrentUser, "A"));
  EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, "A"));
  EXPECT_EQ(2u, reg.DeleteTree(RegRoot::CurrentUser, "A"));
  EXPECT_NE(0u, reg.DeleteTree(RegRoot::CurrentUser, ""));

  HostRegistry reloaded(file_);
  EXPECT_EQ(Names{}, Keys(reloaded, RegRoot::CurrentUser, ""));
}

TEST_F(HostRegistryTest, MalformedAndExtremePathsFailCleanly) {
  HostRegistry reg(file_);
  EXPECT_EQ(161u, reg.CreateKey(RegRoot::CurrentUser, "A\\\\B"));
  EXPECT_EQ(161u, reg.CreateKey(RegRoot::CurrentUser, "A\\"));
  EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, "A"));
  EXPECT_EQ(87u, reg.CreateKey(RegRoot::CurrentUser, std::string(2000, 'k')));
  EXPECT_EQ(87u, reg.CreateKey(RegRoot::CurrentUser, "Bad\x81\x7f"));  // no UTF-8 form

  std::string deep = "L0";
  for (int i = 1; i < 99; ++i) deep += "\\L" + std::to_string(i);
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, deep));
  ASSERT_EQ(0u, reg.SetValue(RegRoot::CurrentUser, deep, "v", RegValue::String("deep")));
  HostRegistry reloaded(file_);
  RegValue v;
  ASSERT_EQ(0u, reloaded.GetValue(RegRoot::CurrentUser, deep, "V", v));
  EXPECT_EQ("deep", v.data);
  EXPECT_EQ(0u, reloaded.DeleteTree(RegRoot::CurrentUser, "L0"));
}

TEST_F(HostRegistryTest, TypedValuesRoundTripThroughTheFile) {
  const std::string key = "Software\\\x93\xfa\x96\x7b\x8c\xea";  // "Japanese" in code page 932
  const std::string jName = "\x96\xbc\x91\x4f";                  // "name"
  const std::vector<RegNamedValue> values = {
      {"", RegValue::String("default")},
      {"Quote", RegValue::String("a\\b\"c")},
      {jName, RegValue::String("\x83\x5c\x83\x74\x83\x67")},  // ends in a 0x5C trail byte
      {"Raw", RegValue::String("x\x81\x7fy")},                // not valid code page 932
      {"Lines", RegValue::String("one\r\ntwo")},
      {"Count", RegValue::Dword(42)},
      {"Blob", RegValue{reg::Binary, "\x0a\x0b"}},
      {"Empty", RegValue{reg::Binary, ""}},
      {"Expand", RegValue::String("%SystemRoot%\\x", reg::ExpandSz)},
      {"Multi", RegValue{reg::MultiSz, std::string("a\0\x82\xa0\0\0", 6)}},
      {"Qword", RegValue{11, std::string("\1\2\3\4\5\6\7\0", 8)}},
      {"ShortDword", RegValue{reg::Dword, "\1\2"}},
  };
  {
    HostRegistry reg(file_);
    ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, key));
    for (const auto& nv : values)
      ASSERT_EQ(0u, reg.SetValue(RegRoot::CurrentUser, key, nv.name, nv.value));
  }
  std::string text = FileText();
  EXPECT_EQ(0u, text.find("Windows Registry Editor Version 5.00\n\n"));
  for (const char* line : {
           "[HKEY_CURRENT_USER\\Software\\日本語]\n@=\"default\"\n",
           "\n\"Quote\"=\"a\\\\b\\\"c\"\n",
           "\n\"名前\"=\"ソフト\"\n",
           "\n\"Raw\"=hex(1):78,81,7f,79\n",
           "\n\"Count\"=dword:0000002a\n",
           "\n\"Blob\"=hex:0a,0b\n",
           "\n\"Empty\"=hex:\n",
           "\n\"Expand\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,"
           "25,"
           "00,5c,00,78,00,00,00\n",
           "\n\"Multi\"=hex(7):61,00,00,00,42,30,00,00,00,00\n",
           "\n\"Qword\"=hex(b):01,02,03,04,05,06,07,00\n",
       })
    EXPECT_NE(std::string::npos, text.find(line)) << line;

  HostRegistry reg(file_);
  std::vector<RegNamedValue> back;
  ASSERT_EQ(0u, reg.EnumValues(RegRoot::CurrentUser, key, back));
  ASSERT_EQ(values.size(), back.size());
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(values[i].name, back[i].name);
    EXPECT_EQ(values[i].value.type, back[i].value.type) << values[i].name;
    EXPECT_EQ(values[i].value.data, back[i].value.data) << values[i].name;
  }
}

// Random data of random types, including odd lengths, missing terminators, bytes that are not
// code page 932 and raw bytes that look like UTF-16 text.
RegValue RandomValue(std::mt19937& rng) {
  auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
  static const uint32_t kTypes[] = {
      reg::Sz, reg::ExpandSz, reg::Binary, reg::Dword, reg::MultiSz, 0, 11, 0x12345678};
  RegValue v{kTypes[pick(8)], ""};
  if (pick(5) == 0) {
    // The UTF-16 form of a short text of ASCII, kana and kanji, as bytes of any type.
    std::u16string text;
    for (uint32_t n = pick(6); n > 0; --n)
      text.push_back(static_cast<char16_t>(pick(3) == 0 ? 0x41 + pick(26)
                                           : pick(2)    ? 0x30A1 + pick(0x5E)
                                                        : 0x4E00 + pick(0x100)));
    text.append(pick(3), u'\0');
    for (char16_t c : text) v.data += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return v;
  }
  for (uint32_t n = pick(3) == 0 ? pick(4) : pick(40); n > 0; --n) {
    switch (pick(6)) {
      case 0:
        v.data.push_back('\0');
        break;
      case 1:
        v.data.push_back("\\\"\r\n ,;=[]@"[pick(11)]);
        break;
      case 2:
        v.data.push_back(static_cast<char>(0x20 + pick(0x5F)));
        break;
      case 3:
        v.data += {static_cast<char>(0x88 + pick(0x18)), static_cast<char>(0x40 + pick(0xBD))};
        break;
      default:
        v.data.push_back(static_cast<char>(pick(256)));
        break;
    }
  }
  return v;
}

TEST_F(HostRegistryTest, EveryValueRoundTripsByteForByteThroughLaterWrites) {
  // Each value is written, read by a second store that writes something unrelated, and read
  // again by a third: type and bytes must be what was written.
  std::mt19937 rng(20240611);
  const std::vector<RegValue> known = {
      {reg::MultiSz, std::string("A\0\x05", 3)},          // no closing NULs
      {reg::MultiSz, std::string("\xE0\x30\0\0", 4)},     // not code page 932, reads as UTF-16
      {reg::ExpandSz, std::string("\x42\x30\0\0\0", 5)},  // odd length
      {reg::Sz, "\xED\x40"},                              // a character with a second code
      {reg::Dword, "\1\2\3"},
  };
  for (int round = 0; round < 20; ++round) {  // 2,000 values
    fs::remove(file_);
    std::vector<RegValue> values = round == 0 ? known : std::vector<RegValue>{};
    while (values.size() < 100) values.push_back(RandomValue(rng));
    {
      HostRegistry reg(file_);
      ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "K"));
      for (size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(0u, reg.SetValue(RegRoot::CurrentUser, "K", "V" + std::to_string(i), values[i]));
    }
    {
      HostRegistry reg(file_);
      ASSERT_EQ(0u, reg.SetValue(RegRoot::CurrentUser, "", "Other", RegValue::Dword(round)));
    }
    HostRegistry reg(file_);
    std::vector<RegNamedValue> back;
    ASSERT_EQ(0u, reg.EnumValues(RegRoot::CurrentUser, "K", back));
    ASSERT_EQ(values.size(), back.size());
    for (size_t i = 0; i < values.size(); ++i) {
      std::string bytes;
      for (unsigned char c : values[i].data) bytes += std::to_string(c) + " ";
      EXPECT_EQ(values[i].type, back[i].value.type) << round << "/" << i;
      EXPECT_EQ(values[i].data, back[i].value.data)
          << "type " << values[i].type << ", bytes " << bytes << "(round " << round << ")";
    }
  }
}

TEST_F(HostRegistryTest, ToleratesHandEditedText) {
  WriteFile(
      "\xEF\xBB\xBF; made by hand\r\n\r\n"
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_CLASSES_ROOT\\.txt]  \r\n"
      "@=\"txtfile\"\r\n"
      "; a comment between values\r\n"
      "\"Data\" = hex:01,02,\\\r\n"
      "  03,04\r\n"
      "[HKLM\\SOFTWARE\\Long]\r\n"
      "\"Big\"=\"" +
      std::string(100000, 'x') + "\"\r\n");
  HostRegistry reg(file_);
  RegValue v;
  ASSERT_EQ(0u, reg.GetValue(RegRoot::ClassesRoot, ".txt", "", v));
  EXPECT_EQ("txtfile", v.data);
  ASSERT_EQ(0u, reg.GetValue(RegRoot::ClassesRoot, ".txt", "data", v));
  EXPECT_EQ((RegValue{reg::Binary, "\1\2\3\4"}).data, v.data);
  ASSERT_EQ(0u, reg.GetValue(RegRoot::LocalMachine, "SOFTWARE\\Long", "Big", v));
  EXPECT_EQ(100000u, v.data.size());
}

TEST_F(HostRegistryTest, BrokenTextNamesTheFileAndLine) {
  const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n";
  const std::vector<std::pair<std::string, int>> broken = {
      {"REGEDIT4\n", 1},
      {"Windows Registry Editor Version 5.00\n\"x\"=\"y\"\n", 2},
      {head + "\"x\"=dword:12345678Z\n", 4},
      {head + "\"x\"=\"unterminated\n", 4},
      {head + "\"x\" \"y\"\n", 4},
      {head + "\"x\"=hex:0g\n", 4},
      {head + "\"x\"=hex(zz):00\n", 4},
      {head + "\"x\"=hex:01,\\\n", 4},
      {head + "\n[-HKEY_CURRENT_USER\\A]\n", 5},
      {head + "[HKEY_NOWHERE\\A]\n", 4},
      {head + "[HKEY_CURRENT_USER\\A\\\\B]\n", 4},
      {head + "[HKEY_CURRENT_USER\\A\n", 4},
      {head + "garbage\n", 4},
  };
  for (const auto& [text, line] : broken) {
    WriteFile(text);
    try {
      HostRegistry reg(file_);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const std::runtime_error& e) {
      std::string msg = e.what();
      EXPECT_EQ(0u, msg.find(file_.string() + ":" + std::to_string(line) + ": ")) << msg;
      EXPECT_EQ(std::string::npos, msg.find('\n')) << msg;
    }
  }
}

TEST_F(HostRegistryTest, FileBrokenWhileInUseFailsOperationsUntilRepaired) {
  HostRegistry reg(file_);
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "A"));
  std::string good = FileText();
  WriteFile(good + "nonsense\n");
  RegValue v;
  EXPECT_EQ(1009u, reg.GetValue(RegRoot::CurrentUser, "A", "x", v));
  EXPECT_EQ(1009u, reg.CreateKey(RegRoot::CurrentUser, "B"));
  EXPECT_NE(std::string::npos, reg.LoadError().find("registry.reg:5: "));
  EXPECT_EQ(good + "nonsense\n", FileText());  // the hand-edited file was not overwritten
  WriteFile(good);
  EXPECT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "B"));
  EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, "A"));
}

TEST_F(HostRegistryTest, TwoStoresOnOneFileSeeEachOthersChanges) {
  HostRegistry a(file_);
  HostRegistry b(file_);
  ASSERT_EQ(0u, a.CreateKey(RegRoot::LocalMachine, "SOFTWARE\\One"));
  EXPECT_TRUE(b.KeyExists(RegRoot::LocalMachine, "SOFTWARE\\One"));
  // b writes on top of a's change without losing it, and a sees b's change.
  ASSERT_EQ(0u, b.CreateKey(RegRoot::LocalMachine, "SOFTWARE\\Two"));
  ASSERT_EQ(0u, a.SetValue(RegRoot::LocalMachine, "SOFTWARE\\Two", "v", RegValue::Dword(7)));
  HostRegistry c(file_);
  EXPECT_EQ((Names{"One", "Two"}), Keys(c, RegRoot::LocalMachine, "SOFTWARE"));
  RegValue v;
  EXPECT_EQ(0u, c.GetValue(RegRoot::LocalMachine, "SOFTWARE\\Two", "v", v));
}

TEST_F(HostRegistryTest, ConcurrentProcessesLoseNoChanges) {
  HostRegistry parent(file_);
  ASSERT_EQ(0u, parent.CreateKey(RegRoot::CurrentUser, "Shared"));
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    HostRegistry child(file_);
    int bad = 0;
    for (int i = 0; i < 100; ++i)
      bad += child.SetValue(RegRoot::CurrentUser, "Shared", "child" + std::to_string(i),
                            RegValue::Dword(i)) != 0;
    _exit(bad == 0 ? 0 : 1);
  }
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(0u, parent.SetValue(RegRoot::CurrentUser, "Shared", "parent" + std::to_string(i),
                                  RegValue::Dword(i)));
  int status = 0;
  ASSERT_EQ(pid, waitpid(pid, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  HostRegistry after(file_);
  EXPECT_EQ(200u, ValueNames(after, RegRoot::CurrentUser, "Shared").size());
}

TEST_F(HostRegistryTest, ReplacesTheFileAtomicallyLeavingNoTemporaryFiles) {
  HostRegistry reg(file_);
  for (int i = 0; i < 20; ++i)
    ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "K" + std::to_string(i)));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ((Names{"registry.reg", "registry.reg.lock"}), names);

  // A reader holding the old file keeps a complete copy: the file is replaced, not rewritten.
  std::ifstream old(file_, std::ios::binary);
  ASSERT_EQ(0u, reg.DeleteTree(RegRoot::CurrentUser, "K0"));
  std::stringstream ss;
  ss << old.rdbuf();
  EXPECT_NE(std::string::npos, ss.str().find("[HKEY_CURRENT_USER\\K0]"));
  EXPECT_EQ(std::string::npos, FileText().find("[HKEY_CURRENT_USER\\K0]"));
}

TEST_F(HostRegistryTest, ExportsOneKeyWithItsSubkeys) {
  HostRegistry reg(file_);
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "Software\\X\\Sub"));
  ASSERT_EQ(0u, reg.CreateKey(RegRoot::CurrentUser, "Software\\Y"));
  ASSERT_EQ(0u, reg.SetValue(RegRoot::CurrentUser, "Software\\X", "n", RegValue::Dword(1)));
  EXPECT_EQ(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\X]\n\"n\"=dword:00000001\n\n"
      "[HKEY_CURRENT_USER\\Software\\X\\Sub]\n\n",
      reg.Export("hkcu\\software\\x"));
  EXPECT_EQ("", reg.Export("HKEY_CURRENT_USER\\Software\\Missing"));
  EXPECT_EQ("", reg.Export("HKEY_NOWHERE\\X"));

  RegRoot root;
  std::string path;
  ASSERT_TRUE(ParseRootedKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\A", root, path));
  EXPECT_EQ(RegRoot::LocalMachine, root);
  EXPECT_EQ("SOFTWARE\\A", path);
  ASSERT_TRUE(ParseRootedKey("HKU", root, path));
  EXPECT_EQ(RegRoot::Users, root);
  EXPECT_EQ("", path);
  EXPECT_FALSE(ParseRootedKey("HKEY_LOCAL", root, path));
}

}  // namespace
}  // namespace orvane::host
