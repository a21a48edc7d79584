// Tests of the emulated machine's file operations: copy semantics, read-only files, files in use,
// wildcard search, folder removal, error codes, free space, short paths and delayed moves.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "MachineFixture.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostRegistry.h"

namespace orvane::host::testing {
namespace {

namespace fs = std::filesystem;

class HostFilesTest : public MachineFixture {
 protected:
  void SetUp() override {
    MachineFixture::SetUp();
    files_ = std::make_unique<HostFiles>(*machine_);
    c_ = root_ / "machine" / "drive_c";
  }
  std::vector<std::string> Names(const std::string& pattern, uint32_t expected = 0) {
    std::vector<FindEntry> entries;
    EXPECT_EQ(files_->Find(pattern, entries), expected) << pattern;
    std::vector<std::string> names;
    for (const FindEntry& e : entries) names.push_back(e.name);
    return names;
  }
  std::unique_ptr<HostFiles> files_;
  fs::path c_;
};

TEST_F(HostFilesTest, CopyKeepsContentTimeAndReadOnlyAndRefusesReadOnlyDestination) {
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  WriteHostFile(c_ / "src.bin", big);
  fs::last_write_time(c_ / "src.bin", fs::file_time_type::clock::now() - std::chrono::hours(48));
  ASSERT_EQ(files_->SetAttributes("C:\\SRC.BIN", FILE_ATTRIBUTE_READONLY), 0u);

  ASSERT_EQ(files_->CopyFile("C:\\src.bin", "C:\\WINDOWS\\dst.bin", false), 0u);
  EXPECT_EQ(ReadHostFile(c_ / "WINDOWS" / "dst.bin"), big);
  FileInfo src, dst;
  ASSERT_EQ(files_->GetInfo("C:\\src.bin", src), 0u);
  ASSERT_EQ(files_->GetInfo("C:\\windows\\DST.BIN", dst), 0u);
  EXPECT_EQ(dst.lastWrite, src.lastWrite);
  EXPECT_EQ(dst.size, big.size());
  EXPECT_EQ(dst.attributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);

  // The destination is now read-only: writing over it is refused until the attribute goes.
  WriteHostFile(c_ / "other.txt", "other");
  EXPECT_EQ(files_->CopyFile("C:\\other.txt", "C:\\WINDOWS\\dst.bin", false), 5u);
  EXPECT_EQ(files_->DeleteFile("C:\\WINDOWS\\dst.bin"), 5u);
  EXPECT_EQ(files_->CopyFile("C:\\other.txt", "C:\\WINDOWS\\dst.bin", true), 80u);
  ASSERT_EQ(files_->SetAttributes("C:\\WINDOWS\\dst.bin", FILE_ATTRIBUTE_ARCHIVE), 0u);
  struct stat before;
  ASSERT_EQ(stat((c_ / "WINDOWS" / "dst.bin").c_str(), &before), 0);
  EXPECT_EQ(files_->CopyFile("C:\\other.txt", "C:\\WINDOWS\\dst.bin", false), 0u);
  EXPECT_EQ(ReadHostFile(c_ / "WINDOWS" / "dst.bin"), "other");
  struct stat after;
  ASSERT_EQ(stat((c_ / "WINDOWS" / "dst.bin").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // written in place, as Windows does

  EXPECT_EQ(files_->CopyFile("C:\\missing.txt", "C:\\x.txt", false), 2u);
  EXPECT_EQ(files_->CopyFile("C:\\nodir\\missing.txt", "C:\\x.txt", false), 3u);
  EXPECT_EQ(files_->CopyFile("C:\\other.txt", "C:\\nodir\\x.txt", false), 3u);
  EXPECT_EQ(files_->CopyFile("C:\\other.txt", "C:\\OTHER.TXT", false), 32u);
}

TEST_F(HostFilesTest, FilesLockedByAnotherProcessAreInUse) {
  WriteHostFile(c_ / "new.dll", "new");
  WriteHostFile(c_ / "locked.dll", "old");
  WriteHostFile(c_ / "posix.dll", "old");
  {
    ChildLock lock(c_ / "locked.dll");
    ChildLock posix(c_ / "posix.dll", true);
    ASSERT_TRUE(lock.Locked());
    ASSERT_TRUE(posix.Locked());
    EXPECT_EQ(files_->CopyFile("C:\\new.dll", "C:\\locked.dll", false), 32u);
    EXPECT_EQ(files_->DeleteFile("C:\\locked.dll"), 32u);
    EXPECT_EQ(files_->MoveFile("C:\\new.dll", "C:\\LOCKED.DLL", true), 32u);
    EXPECT_EQ(files_->WriteFile("C:\\locked.dll", "x"), 32u);
    EXPECT_EQ(files_->CopyFile("C:\\new.dll", "C:\\posix.dll", false), 32u);
    EXPECT_EQ(files_->DeleteFile("C:\\posix.dll"), 32u);
    EXPECT_EQ(ReadHostFile(c_ / "locked.dll"), "old");
    // Reading a locked file is allowed.
    EXPECT_EQ(files_->CopyFile("C:\\locked.dll", "C:\\copy.dll", false), 0u);
  }
  EXPECT_EQ(files_->CopyFile("C:\\new.dll", "C:\\locked.dll", false), 0u);
  EXPECT_EQ(files_->DeleteFile("C:\\posix.dll"), 0u);
}

TEST_F(HostFilesTest, FindMatchesWildcardsWithoutCaseAndListsDotsForFolders) {
  fs::path d = c_ / "Data";
  for (const char* name : {"a.txt", "B.TXT", "c.dat", "noext", "long.txt.bak"})
    WriteHostFile(d / name, "x");
  WriteHostFile(d / "テスト.txt", "x");
  fs::create_directory(d / "sub");

  EXPECT_EQ(Names("C:\\data\\*.*"),
            (std::vector<std::string>{".", "..", "a.txt", "B.TXT", "c.dat", "long.txt.bak", "noext",
                                      "sub", "\x83\x65\x83\x58\x83\x67.txt"}));
  EXPECT_EQ(Names("C:\\DATA\\*.TXT"),
            (std::vector<std::string>{"a.txt", "B.TXT", "\x83\x65\x83\x58\x83\x67.txt"}));
  EXPECT_EQ(Names("C:\\data\\?.dat"), std::vector<std::string>{"c.dat"});
  EXPECT_EQ(Names("C:\\data\\noext.*"), std::vector<std::string>{"noext"});
  EXPECT_EQ(Names("C:\\data\\*."), (std::vector<std::string>{".", "..", "noext", "sub"}));
  EXPECT_EQ(Names("C:\\data\\SUB"), std::vector<std::string>{"sub"});
  EXPECT_EQ(Names("C:\\data\\*.exe", 2), std::vector<std::string>{});
  EXPECT_EQ(Names("C:\\missing\\*.*", 3), std::vector<std::string>{});

  std::vector<std::string> root = Names("C:\\*");
  EXPECT_TRUE(std::find(root.begin(), root.end(), ".") == root.end());
  EXPECT_TRUE(std::find(root.begin(), root.end(), "WINDOWS") != root.end());

  std::vector<FindEntry> entries;
  ASSERT_EQ(files_->Find("C:\\data\\s*", entries), 0u);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries[0].info.IsFolder());
}

TEST_F(HostFilesTest, FolderOperationsReportWindowsCodes) {
  EXPECT_EQ(files_->CreateFolder("C:\\App"), 0u);
  EXPECT_EQ(files_->CreateFolder("C:\\app"), 183u);
  EXPECT_EQ(files_->CreateFolder("C:\\none\\App"), 3u);
  WriteHostFile(c_ / "App" / "file.txt", "x");
  EXPECT_EQ(files_->RemoveFolder("C:\\APP"), 145u);
  EXPECT_EQ(files_->RemoveFolder("C:\\App\\file.txt"), 267u);
  EXPECT_EQ(files_->RemoveFolder("C:\\gone"), 2u);
  EXPECT_EQ(files_->RemoveFolder("C:\\gone\\deeper"), 3u);
  EXPECT_EQ(files_->DeleteFile("C:\\App"), 5u);
  EXPECT_EQ(files_->DeleteFile("C:\\App\\FILE.TXT"), 0u);
  EXPECT_EQ(files_->DeleteFile("C:\\App\\file.txt"), 2u);
  EXPECT_EQ(files_->DeleteFile("C:\\gone\\file.txt"), 3u);
  EXPECT_EQ(files_->RemoveFolder("C:\\App"), 0u);
  EXPECT_FALSE(fs::exists(c_ / "App"));

  FileInfo info;
  EXPECT_EQ(files_->GetInfo("C:\\windows", info), 0u);
  EXPECT_EQ(info.attributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(files_->GetInfo("C:\\windows\\nothing.txt", info), 2u);
  EXPECT_EQ(files_->SetCurrentFolder("C:\\windows\\SYSTEM32"), 0u);
  EXPECT_EQ(machine_->CurrentFolder(), "C:\\windows\\SYSTEM32");
  EXPECT_EQ(files_->SetCurrentFolder("C:\\nothing"), 2u);
}

TEST_F(HostFilesTest, MoveRenamesReplacesOnlyWhenAskedAndFixesLetterCase) {
  WriteHostFile(c_ / "one.txt", "1");
  WriteHostFile(c_ / "two.txt", "2");
  EXPECT_EQ(files_->MoveFile("C:\\one.txt", "C:\\two.txt", false), 183u);
  EXPECT_EQ(files_->MoveFile("C:\\one.txt", "C:\\TWO.txt", true), 0u);
  EXPECT_EQ(ReadHostFile(c_ / "two.txt"), "1");
  EXPECT_FALSE(fs::exists(c_ / "one.txt"));
  EXPECT_EQ(files_->MoveFile("C:\\two.txt", "C:\\Two.TXT", false), 0u);
  EXPECT_TRUE(fs::exists(c_ / "Two.TXT"));
  EXPECT_FALSE(fs::exists(c_ / "two.txt"));
  EXPECT_EQ(files_->MoveFile("C:\\missing.txt", "C:\\x.txt", false), 2u);
}

TEST_F(HostFilesTest, FreeSpaceFollowsTheSettingsOverride) {
  int64_t bytes = 0;
  ASSERT_TRUE(files_->DiskFreeSpaceEx("C:\\", bytes));
  EXPECT_GT(bytes, 0);
  machine_->SetFreeSpace('C', "6000000000");
  ASSERT_TRUE(files_->DiskFreeSpaceEx("c:\\", bytes));
  EXPECT_EQ(bytes, 6000000000LL);  // above 4 GB, the full 64-bit value
  uint32_t spc = 0, bps = 0, clusters = 0;
  ASSERT_TRUE(files_->DiskFreeSpace("C:\\", spc, bps, clusters));
  EXPECT_EQ(uint64_t{spc} * bps * clusters, 6000000000ULL / 4096 * 4096);
  machine_->SetFreeSpace('C', "fail");
  EXPECT_FALSE(files_->DiskFreeSpaceEx("C:\\", bytes));
  EXPECT_EQ(bytes, -1);
  EXPECT_FALSE(files_->DiskFreeSpace("C:\\", spc, bps, clusters));
  EXPECT_FALSE(files_->DiskFreeSpaceEx("Q:\\", bytes));
}

TEST_F(HostFilesTest, ShortPathGivesAliasesForExistingPathsOnly) {
  WriteHostFile(c_ / "Program Files" / "My Long Folder" / "readme.txt", "x");
  EXPECT_EQ(files_->ShortPath("c:\\program files\\my long folder\\README.TXT"),
            "C:\\PROGRA~1\\MYLONG~1\\readme.txt");
  EXPECT_EQ(files_->ShortPath("C:\\WINDOWS"), "C:\\WINDOWS");
  EXPECT_EQ(files_->ShortPath("C:\\Program Files\\missing.txt"), "");
}

TEST_F(HostFilesTest, MoveAtRestartAppendsPairsAsWindowsNtRecordsThem) {
  WriteHostFile(c_ / "a.tmp", "a");
  ASSERT_EQ(files_->MoveFileAtRestart("C:\\a.tmp", "c:/WINDOWS/A.DLL"), 0u);
  ASSERT_EQ(files_->MoveFileAtRestart("C:\\b.tmp", ""), 0u);
  RegValue value;
  ASSERT_EQ(machine_->Registry().GetValue(RegRoot::LocalMachine,
                                          "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                                          "PendingFileRenameOperations", value),
            0u);
  EXPECT_EQ(value.type, REG_MULTI_SZ);
  static const char kExpected[] = "\\??\\C:\\a.tmp\0!\\??\\C:\\WINDOWS\\A.DLL\0\\??\\C:\\b.tmp\0\0";
  EXPECT_EQ(value.data, std::string(kExpected, sizeof kExpected));
  EXPECT_EQ(files_->MoveFileAtRestart("C:\\a<b", "C:\\x"), 123u);
}

}  // namespace
}  // namespace orvane::host::testing
