// Tests of the uninstall log writer: slot numbering against a plain re-reading of the keys, the
// shared mark of [DeleteFile], list consumption, and the replacement of the log in one step.
#include <gtest/gtest.h>

#include <random>

#include "install/UninstallLog.h"
#include "platform/memory/MemoryFiles.h"
#include "support/uStrOp.h"

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

class UninstallLogSave : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(files.CreateFolder("C:\\App"), 0u);
    ASSERT_EQ(files.WriteFile(kLog, kOld), 0u);
    writer.Set("Title", "UnSetup", "New");
  }
  std::string Content(const std::string& path) {
    std::string bytes;
    return files.ReadFile(path, bytes) == 0 ? bytes : "<missing>";
  }
  static constexpr char kLog[] = "C:\\App\\UNSETUP.INI";
  static constexpr char kTemp[] = "C:\\App\\UNSETUP.IN$";
  static constexpr char kOld[] = "[Title]\r\nUnSetup=Old\r\n";
  memory::MemoryFiles files;
  UninstallLogWriter writer;
};

TEST_F(UninstallLogSave, ReplacesTheLogAndLeavesNoTemporaryFile) {
  EXPECT_EQ(writer.Save(files, kLog), 0u);
  EXPECT_EQ(Content(kLog), "[Title]\r\nUnSetup=New\r\n");
  EXPECT_EQ(Content(kTemp), "<missing>");
}

TEST_F(UninstallLogSave, AWriteThatStopsHalfwayLeavesTheOldLogIntact) {
  files.SetFreeSpace('C', 5);  // the temporary file gets five bytes, then the disk is full
  EXPECT_EQ(writer.Save(files, kLog), 112u);
  EXPECT_EQ(Content(kLog), kOld);
  EXPECT_EQ(Content(kTemp), "<missing>");
}

TEST_F(UninstallLogSave, AFailedRenameLeavesTheOldLogIntact) {
  ASSERT_EQ(files.SetAttributes(kLog, attr::ReadOnly), 0u);  // cannot be replaced
  EXPECT_EQ(writer.Save(files, kLog), 5u);
  EXPECT_EQ(Content(kLog), kOld);
  EXPECT_EQ(Content(kTemp), "<missing>");
}

}  // namespace
}  // namespace orvane
