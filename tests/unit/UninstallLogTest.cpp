// Tests of the uninstall log writer: slot numbering against a plain re-reading of the keys, the
// shared mark of [DeleteFile], list consumption, and the replacement of the log in one step.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "platform/Files.h"
#include "support/uStrOp.h"
#include "uninstall/UninstallLog.h"

namespace orvane {
namespace {

// FindLogSlot as the profile functions would answer it: re-read stem1, stem2, ... every time.
int SlotByRereading(const IniDocument& doc, const std::string& item, const std::string& section,
                    const std::string& stem) {
  std::string key = MapString(GetField(item, ",", 1), lcmap::UpperCase);
  for (int k = 1;; ++k) {
    std::string value = doc.Get(section, stem + std::to_string(k)).value_or("");
    std::string field = MapString(GetField(value, ",", 1), lcmap::UpperCase);
    if (field.empty() || field == key) return k;
  }
}

TEST(UninstallLogSlots, IndexAgreesWithRereadingOnMixedSequences) {
  // Re-installs, letter-case variants, empty items, items without a path, blanks and quotes
  // that read back trimmed: the index must give the number a full re-read would give.
  const std::vector<std::string> pool = {
      "C:\\App\\A.EXE", "c:\\app\\a.exe,/S", "C:\\App\\B.DLL,/S/R", "", ",/S", "C:\\App\\C.TXT",
      " C:\\App\\C.TXT", "\"C:\\App\\D.TXT\"", "C:\\App\\D.TXT,/C", "C:\\App\\E.OCX ",
      "C:\\App\\F.BIN", "C:\\App\\\x83|.TXT",
      // A quoted path reads back without its quotes, so a slot can change its key.
      "\"C:\\App\\G\",/S", "\"C:\\App\\G\"", "C:\\App\\G"};
  std::mt19937 random(12345);
  for (int round = 0; round < 50; ++round) {
    UninstallLogWriter writer;
    std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
    for (int step = 0; step < 40; ++step) {
      const std::string& item = pool[pick(random)];
      int expected = SlotByRereading(writer.Document(), item, "DeleteFile", "File");
      ASSERT_EQ(writer.FindLogSlot(item, "DeleteFile", "File"), expected)
          << "round " << round << " step " << step << " item [" << item << "]";
      writer.WriteItem("DeleteFile", "File", item, true);
    }
  }
}

TEST(UninstallLogSlots, ReinstallKeepsNumbersAndAppendsNewFiles) {
  UninstallLogWriter writer;
  // The earlier install's entries come first, then this install's.
  const std::vector<std::string> list = {
      "C:\\App\\A.EXE", "C:\\App\\B.DLL,/S", "C:\\App\\UNSETUP.INI", "C:\\App\\B.DLL",
      "c:\\APP\\a.exe", "C:\\App\\NEW.TXT",  "C:\\App\\UNSETUP.INI"};
  writer.WriteList("DeleteFile", "File", list, true);
  EXPECT_EQ(writer.Text(),
            "[DeleteFile]\r\n"
            "File1=c:\\APP\\a.exe\r\n"
            "File2=C:\\App\\B.DLL,/S\r\n"
            "File3=C:\\App\\UNSETUP.INI\r\n"
            "File4=C:\\App\\NEW.TXT\r\n");
}

TEST(UninstallLogSlots, SharedMarkIsKeptOnlyInDeleteFile) {
  UninstallLogWriter writer;
  writer.WriteList("DeleteFile", "File",
                   {"C:\\A.DLL,/S", "C:\\A.DLL", "C:\\B.DLL,/s/R", "C:\\B.DLL,/R", "C:\\C.DLL,/S",
                    "C:\\C.DLL,/S"},
                   true);
  writer.WriteList("DeleteFolder", "Folder", {"C:\\X\\,/S", "C:\\X\\"}, false);
  const IniDocument& doc = writer.Document();
  EXPECT_EQ(doc.Get("DeleteFile", "File1"), "C:\\A.DLL,/S");
  EXPECT_EQ(doc.Get("DeleteFile", "File2"), "C:\\B.DLL,/R/S");
  EXPECT_EQ(doc.Get("DeleteFile", "File3"), "C:\\C.DLL,/S");
  EXPECT_EQ(doc.Get("DeleteFile", "File4"), std::nullopt);
  EXPECT_EQ(doc.Get("DeleteFolder", "Folder1"), "C:\\X\\");
}

TEST(UninstallLogSlots, EmptyItemIsOverwrittenByTheNextAndSectionsAreSeparate) {
  UninstallLogWriter writer;
  writer.WriteList("DeleteFolder", "Folder", {"C:\\A\\", "", "C:\\B\\"}, false);
  writer.WriteList("DeleteRegistry", "Key", {"Software\\A"}, false);
  EXPECT_EQ(writer.Text(),
            "[DeleteFolder]\r\nFolder1=C:\\A\\\r\nFolder2=C:\\B\\\r\n"
            "[DeleteRegistry]\r\nKey1=Software\\A\r\n");
}

TEST(UninstallLogSlots, OnlyABarOfItsOwnPartsAnItem) {
  UninstallLogWriter writer;
  // Two katakana whose trail byte is 0x7C, then a script value holding two keys.
  writer.WriteList("DeleteFile", "File", {"C:\\App\\\x83|\x83|.TXT", "C:\\App\\B.TXT"}, true);
  writer.WriteList("DeleteRegistry", "Key", {"(Cuser)Software\\A|(Cuser)Software\\B"}, false);
  const IniDocument& doc = writer.Document();
  EXPECT_EQ(doc.Get("DeleteFile", "File1"), "C:\\App\\\x83|\x83|.TXT");
  EXPECT_EQ(doc.Get("DeleteFile", "File2"), "C:\\App\\B.TXT");
  EXPECT_EQ(doc.Get("DeleteRegistry", "Key1"), "(Cuser)Software\\A");
  EXPECT_EQ(doc.Get("DeleteRegistry", "Key2"), "(Cuser)Software\\B");
}

TEST(UninstallLogRead, NumberedKeysStopAtTheFirstEmptyValue) {
  IniDocument doc = IniDocument::Parse(
      "[DeleteFile]\r\nFile1=A\r\nFile2=B\r\nFile3=\r\nFile4=D\r\n[Other]\r\nFile1=X\r\n");
  EXPECT_EQ(ReadNumberedKeys(doc, "deletefile", "FILE"), (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(ReadNumberedKeys(doc, "Missing", "File").empty());
}

// Files in memory; WriteFile can be made to stop halfway with a disk-full error, MoveFile to
// fail outright.
class MemoryFiles : public IFiles {
 public:
  std::map<std::string, std::string> content;
  bool failWriteHalfway = false;
  bool failMove = false;

  uint32_t GetInfo(const std::string& path, FileInfo& info) override {
    auto it = content.find(path);
    if (it == content.end()) return 2;
    info = FileInfo{};
    info.size = it->second.size();
    return 0;
  }
  uint32_t Find(const std::string&, std::vector<FindEntry>&) override { return 2; }
  uint32_t CreateFolder(const std::string&) override { return 0; }
  uint32_t RemoveFolder(const std::string&) override { return 0; }
  uint32_t RemoveFile(const std::string& path) override { return content.erase(path) ? 0 : 2; }
  uint32_t Copy(const std::string& s, const std::string& d, bool) override {
    if (!content.count(s)) return 2;
    content[d] = content[s];
    return 0;
  }
  uint32_t Move(const std::string& s, const std::string& d, bool replace) override {
    if (failMove) return 5;
    if (!content.count(s)) return 2;
    if (content.count(d) && !replace) return 183;
    content[d] = content[s];
    content.erase(s);
    return 0;
  }
  uint32_t MoveFileAtRestart(const std::string&, const std::string&) override { return 0; }
  uint32_t SetAttributes(const std::string&, uint32_t) override { return 0; }
  uint32_t ReadFile(const std::string& path, std::string& bytes) override {
    auto it = content.find(path);
    if (it == content.end()) return 2;
    bytes = it->second;
    return 0;
  }
  uint32_t WriteFile(const std::string& path, const std::string& bytes) override {
    if (failWriteHalfway) {
      content[path] = bytes.substr(0, bytes.size() / 2);
      return 112;
    }
    content[path] = bytes;
    return 0;
  }
  uint32_t SetCurrentFolder(const std::string&) override { return 0; }
  bool DiskFreeSpaceEx(const std::string&, int64_t&) override { return false; }
  bool DiskFreeSpace(const std::string&, uint32_t&, uint32_t&, uint32_t&) override { return false; }
  std::string ShortPath(const std::string&) override { return ""; }
};

class UninstallLogSave : public ::testing::Test {
 protected:
  void SetUp() override {
    files.content[kLog] = kOld;
    writer.Set("Title", "UnSetup", "New");
  }
  static constexpr char kLog[] = "C:\\App\\UNSETUP.INI";
  static constexpr char kTemp[] = "C:\\App\\UNSETUP.IN$";
  static constexpr char kOld[] = "[Title]\r\nUnSetup=Old\r\n";
  MemoryFiles files;
  UninstallLogWriter writer;
};

TEST_F(UninstallLogSave, ReplacesTheLogAndLeavesNoTemporaryFile) {
  EXPECT_EQ(writer.Save(files, kLog), 0u);
  EXPECT_EQ(files.content[kLog], "[Title]\r\nUnSetup=New\r\n");
  EXPECT_EQ(files.content.count(kTemp), 0u);
}

TEST_F(UninstallLogSave, AWriteThatStopsHalfwayLeavesTheOldLogIntact) {
  files.failWriteHalfway = true;
  EXPECT_EQ(writer.Save(files, kLog), 112u);
  EXPECT_EQ(files.content[kLog], kOld);
  EXPECT_EQ(files.content.count(kTemp), 0u);
}

TEST_F(UninstallLogSave, AFailedRenameLeavesTheOldLogIntact) {
  files.failMove = true;
  EXPECT_EQ(writer.Save(files, kLog), 5u);
  EXPECT_EQ(files.content[kLog], kOld);
  EXPECT_EQ(files.content.count(kTemp), 0u);
}

}  // namespace
}  // namespace orvane
