// The file routines the runs share, on an emulated machine.
#include <gtest/gtest.h>

#include "app/WizardRunView.h"
#include "install/FileOps.h"
#include "install/SharedFiles.h"
#include "platform/host/HostFiles.h"
#include "platform/memory/MemoryFiles.h"
#include "support/uStrOp.h"
#include "tests/unit/AppTestSupport.h"

namespace orvane {
namespace {

using FileOps = testing::AppTest;

TEST_F(FileOps, CopyOverReadOnlyLeavesArchiveOnly) {
  IFiles& files = platform().files;
  WriteHostFile(Host("C:\\A\\SRC.TXT"), "new");
  WriteHostFile(Host("C:\\A\\DST.TXT"), "old");
  ASSERT_EQ(files.SetAttributes("C:\\A\\SRC.TXT", attr::ReadOnly), 0u);
  ASSERT_EQ(files.SetAttributes("C:\\A\\DST.TXT", attr::ReadOnly), 0u);
  EXPECT_EQ(CopyFileTo(files, "C:\\A\\SRC.TXT", "C:\\A\\DST.TXT"), 0u);
  EXPECT_EQ(ReadHostFile(Host("C:\\A\\DST.TXT")), "new");
  FileInfo info;
  ASSERT_EQ(files.GetInfo("C:\\A\\DST.TXT", info), 0u);
  EXPECT_EQ(info.attributes & attr::ReadOnly, 0u);
  EXPECT_EQ(CopyFileTo(files, "C:\\A\\MISSING.TXT", "C:\\A\\X.TXT"), 2u);
  EXPECT_EQ(CopyFileTo(files, "C:\\A\\SRC.TXT", "C:\\NOFOLDER\\X.TXT"), 3u);
}

TEST_F(FileOps, DeleteFilesByNameAndPattern) {
  for (const char* name : {"C:\\APP\\A.TMP", "C:\\APP\\B.TMP", "C:\\APP\\KEEP.TXT",
                           "C:\\APP\\SUB.TMP\\INNER.TXT"})
    WriteHostFile(Host(name), "x");
  EXPECT_EQ(DeleteFiles(app->platform, "C:\\APP\\NONE.TXT"), 2u);
  EXPECT_EQ(DeleteFiles(app->platform, "C:\\APP\\*.TMP"), 0u);
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\APP\\A.TMP")));
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\APP\\SUB.TMP")));  // matching folders go too
  EXPECT_TRUE(std::filesystem::exists(Host("C:\\APP\\KEEP.TXT")));
  EXPECT_EQ(DeleteFiles(app->platform, "C:\\APP\\*.NOMATCH"), 0u);
  platform().files.SetAttributes("C:\\APP\\KEEP.TXT", attr::ReadOnly);
  EXPECT_EQ(DeleteFiles(app->platform, "C:\\APP\\KEEP.TXT"), 0u);  // no questions, read-only or not
}

TEST_F(FileOps, RemoveFolderWithPatternsAndInUse) {
  WriteHostFile(Host("C:\\APP\\X.INI"), "x");
  WriteHostFile(Host("C:\\APP\\Y.DAT"), "x");
  EXPECT_EQ(RemoveFolder(app->platform, "C:\\APP", "*.INI|"), 145u);  // Y.DAT is left
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\APP\\X.INI")));
  host::testing::ChildLock lock(Host("C:\\APP\\Y.DAT"));
  ASSERT_TRUE(lock.Locked());
  EXPECT_EQ(RemoveFolder(app->platform, "C:\\APP\\", "*.*|"), 145u);
  EXPECT_TRUE(std::filesystem::exists(Host("C:\\APP\\Y.DAT")));
  lock.Release();
  EXPECT_EQ(RemoveFolder(app->platform, "C:\\APP\\", "*.*|"), 0u);
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\APP")));
}

TEST_F(FileOps, FoldersExistAndAreMadeLevelByLevel) {
  IFiles& files = platform().files;
  EXPECT_TRUE(FolderExists(files, "C:\\WINDOWS"));
  EXPECT_TRUE(FolderExists(files, "c:\\windows\\"));
  WriteHostFile(Host("C:\\FILE.TXT"), "x");
  EXPECT_FALSE(FolderExists(files, "C:\\FILE.TXT"));
  EXPECT_TRUE(ForceFolders(files, "C:\\A\\B\\C"));
  EXPECT_TRUE(FolderExists(files, "C:\\A\\B\\C\\"));
  EXPECT_TRUE(ForceFolders(files, "C:\\A\\B\\C\\"));  // nothing to make
  EXPECT_FALSE(ForceFolders(files, "C:\\FILE.TXT\\SUB"));
}

TEST(FileOpsOnAnyBackend, FoldersExistWithoutDotEntries) {
  // This backend lists neither "." nor "..": an empty folder still exists, an empty drive root
  // does not (as on Windows, where a drive root has no dots).
  memory::MemoryFiles files;
  files.AddDrive('E');
  ASSERT_EQ(files.CreateFolder("C:\\EMPTY"), 0u);
  ASSERT_EQ(files.WriteFile("C:\\FILE.TXT", "x"), 0u);
  EXPECT_TRUE(FolderExists(files, "C:\\EMPTY"));
  EXPECT_TRUE(FolderExists(files, "c:\\empty\\"));
  EXPECT_TRUE(FolderExists(files, "C:\\"));
  EXPECT_FALSE(FolderExists(files, "E:\\"));
  EXPECT_FALSE(FolderExists(files, "C:\\FILE.TXT"));
  EXPECT_FALSE(FolderExists(files, "C:\\NONE\\"));
}

// Records the components it is asked to call, in order.
class RecordingComponents : public IComponents {
 public:
  std::vector<std::string> paths;
  ComponentCall CallEntry(const std::string& path, const std::string&, int32_t& result) override {
    paths.push_back(path);
    result = 0;
    return ComponentCall::Called;
  }
};

TEST_F(FileOps, PatternDeletesGoInNameOrderWhateverOrderTheFolderListsIn) {
  memory::MemoryFiles files;  // lists a folder in the order its entries were made
  RecordingComponents components;
  Platform& p = platform();
  Platform mixed{files,      p.profile,   p.registry, p.shell, p.lz,
                 components, p.processes, p.system,   p.clock, p.ui};
  ASSERT_EQ(files.CreateFolder("C:\\APP"), 0u);
  ASSERT_EQ(files.CreateFolder("C:\\APP\\SUB"), 0u);
  for (const char* name :
       {"C:\\APP\\C.DLL", "C:\\APP\\SUB\\Y.OCX", "C:\\APP\\SUB\\x.dll", "C:\\APP\\a.ocx"})
    ASSERT_EQ(files.WriteFile(name, "x"), 0u);
  EXPECT_EQ(DeleteFiles(mixed, "C:\\APP\\*.*"), 0u);
  EXPECT_EQ(components.paths,
            (std::vector<std::string>{"C:\\APP\\a.ocx", "C:\\APP\\C.DLL", "C:\\APP\\SUB\\x.dll",
                                      "C:\\APP\\SUB\\Y.OCX"}));
}

TEST_F(FileOps, ErrorTextIsFullWidthWithLineEnd) {
  EXPECT_EQ(ErrorText(platform().system, 0), "");
  std::string text = ErrorText(platform().system, 3);
  EXPECT_EQ(text,
            MapString("The system cannot find the path specified", lcmap::FullWidth) + "\r\n");
  EXPECT_EQ(text.substr(0, 2), "\x82\x73");  // full-width "T"
}

TEST_F(FileOps, FreeSpaceFromTheDriveOrItsSetting) {
  int64_t bytes = 0;
  EXPECT_TRUE(GetFreeBytesEx(platform().files, "C:", bytes));
  EXPECT_GT(bytes, 0);
  EXPECT_TRUE(GetFreeBytes(platform().files, "C:", bytes));
  EXPECT_GT(bytes, 0);
  EXPECT_FALSE(GetFreeBytesEx(platform().files, "Q:", bytes));
  EXPECT_EQ(bytes, -1);
}

TEST_F(FileOps, SharedCountsFollowTheRules) {
  const std::string present = "C:\\WINDOWS\\system32\\PRESENT.DLL";
  const std::string fresh = "C:\\WINDOWS\\system32\\NEW.DLL";
  WriteHostFile(Host(present), "x");
  EXPECT_EQ(UpdateSharedCount(app->platform, fresh, CountChange::Add), 1);
  EXPECT_EQ(UpdateSharedCount(app->platform, present, CountChange::Add), 2);
  EXPECT_EQ(UpdateSharedCount(app->platform, present, CountChange::Add), 3);
  EXPECT_EQ(SharedCount(platform().registry, present), 3);
  EXPECT_EQ(UpdateSharedCount(app->platform, fresh, CountChange::Remove), 0);
  EXPECT_EQ(SharedCount(platform().registry, fresh), 0);
  EXPECT_EQ(UpdateSharedCount(app->platform, fresh, CountChange::Remove), -1);  // stays absent
  RegValue value;
  EXPECT_NE(platform().registry.GetValue(
                RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
                fresh, value),
            0u);
  EXPECT_TRUE(IsComponentFile("C:\\APP\\OLD.DLL.BAK"));
  EXPECT_TRUE(IsComponentFile("c:\\app\\x.ocx"));
  EXPECT_FALSE(IsComponentFile("C:\\APP\\DLL.TXT"));
}

TEST_F(FileOps, SharedCountsSaturateAtTheTopOfTheRange) {
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
  const std::string path = "C:\\WINDOWS\\system32\\MANY.DLL";
  IRegistry& registry = platform().registry;
  auto store = [&](uint32_t count) {
    ASSERT_EQ(registry.SetValue(RegRoot::LocalMachine, key, path, RegValue::Dword(count)), 0u);
  };
  auto stored = [&] {
    RegValue value;
    uint32_t count = 0;
    if (registry.GetValue(RegRoot::LocalMachine, key, path, value) != 0) return 0u;
    return value.AsDword(count) ? count : 0u;
  };
  registry.CreateKey(RegRoot::LocalMachine, key);
  store(0x7FFFFFFF);
  EXPECT_EQ(UpdateSharedCount(app->platform, path, CountChange::Add), INT32_MAX);
  EXPECT_EQ(stored(), 0x7FFFFFFFu);
  // Counts no int holds read as the largest one: still shared, lowered and kept on a remove.
  for (uint32_t huge : {0x80000000u, 0xFFFFFFFFu}) {
    store(huge);
    EXPECT_EQ(SharedCount(registry, path), INT32_MAX) << huge;
    EXPECT_EQ(UpdateSharedCount(app->platform, path, CountChange::Remove), INT32_MAX - 1) << huge;
    EXPECT_EQ(stored(), 0x7FFFFFFEu) << huge;
  }
}

TEST_F(FileOps, FilesInUseAreReplacedAtRestart) {
  app->ctx.WindowsFolder = "C:\\WINDOWS\\";
  app->ctx.PlatformId = 2;
  WriteHostFile(Host("C:\\SRC\\NEW.DLL"), "new");
  WriteHostFile(Host("C:\\APP\\USED.DLL"), "old");
  WriteHostFile(Host("C:\\WINDOWS\\OVTMP1.TMP"), "taken");
  WizardRunView view(*app);
  EXPECT_TRUE(
      ReplaceAtRestart(app->platform, view, app->ctx, "C:\\SRC\\NEW.DLL", "C:\\APP\\USED.DLL"));
  EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\OVTMP2.TMP")), "new");
  EXPECT_EQ(ReadHostFile(Host("C:\\APP\\USED.DLL")), "old");
  platform().system.RestartWindows();
  EXPECT_EQ(ReadHostFile(Host("C:\\APP\\USED.DLL")), "new");
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\WINDOWS\\OVTMP2.TMP")));
}

}  // namespace
}  // namespace orvane
