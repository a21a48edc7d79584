// Tests of the emulated machine's file operations: copy semantics, read-only files, files in use,
// wildcard search, folder removal, error codes, free space, short paths and delayed moves.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "MachineFixture.h"
#include "platform/host/HostComponents.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostLz.h"
#include "platform/host/HostProfile.h"
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
  ASSERT_EQ(files_->SetAttributes("C:\\SRC.BIN", attr::ReadOnly), 0u);

  ASSERT_EQ(files_->Copy("C:\\src.bin", "C:\\WINDOWS\\dst.bin", false), 0u);
  EXPECT_EQ(ReadHostFile(c_ / "WINDOWS" / "dst.bin"), big);
  FileInfo src, dst;
  ASSERT_EQ(files_->GetInfo("C:\\src.bin", src), 0u);
  ASSERT_EQ(files_->GetInfo("C:\\windows\\DST.BIN", dst), 0u);
  EXPECT_EQ(dst.lastWrite, src.lastWrite);
  EXPECT_EQ(dst.size, big.size());
  EXPECT_EQ(dst.attributes, attr::Archive | attr::ReadOnly);

  // The destination is now read-only: writing over it is refused until the attribute goes.
  WriteHostFile(c_ / "other.txt", "other");
  EXPECT_EQ(files_->Copy("C:\\other.txt", "C:\\WINDOWS\\dst.bin", false), 5u);
  EXPECT_EQ(files_->RemoveFile("C:\\WINDOWS\\dst.bin"), 5u);
  EXPECT_EQ(files_->Copy("C:\\other.txt", "C:\\WINDOWS\\dst.bin", true), 80u);
  ASSERT_EQ(files_->SetAttributes("C:\\WINDOWS\\dst.bin", attr::Archive), 0u);
  // A destination that is a hard link to a file outside the machine only loses its name: the
  // copy and the whole-file write never write into the existing file.
  fs::create_hard_link(c_ / "WINDOWS" / "dst.bin", root_ / "outside.bin");
  EXPECT_EQ(files_->Copy("C:\\other.txt", "C:\\WINDOWS\\dst.bin", false), 0u);
  EXPECT_EQ(ReadHostFile(c_ / "WINDOWS" / "dst.bin"), "other");
  EXPECT_TRUE(ReadHostFile(root_ / "outside.bin") == big);  // (not printed: 3 MiB)
  fs::remove(c_ / "other.txt");
  fs::create_hard_link(root_ / "outside.bin", c_ / "other.txt");
  EXPECT_EQ(files_->WriteFile("C:\\OTHER.TXT", "written"), 0u);
  EXPECT_EQ(ReadHostFile(c_ / "other.txt"), "written");
  EXPECT_TRUE(ReadHostFile(root_ / "outside.bin") == big);  // (not printed: 3 MiB)
  // A write that fails half-way (here at a file size limit) leaves the old file and no
  // temporary file.
  pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {1024, 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(files_->WriteFile("C:\\WINDOWS\\dst.bin", std::string(4096, 'x')) == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_EQ(ReadHostFile(c_ / "WINDOWS" / "dst.bin"), "other");
  // No temporary file is left beside them.
  EXPECT_EQ(Names("C:\\WINDOWS\\*.*"),
            (std::vector<std::string>{".", "..", "dst.bin", "system32"}));

  EXPECT_EQ(files_->Copy("C:\\missing.txt", "C:\\x.txt", false), 2u);
  EXPECT_EQ(files_->Copy("C:\\nodir\\missing.txt", "C:\\x.txt", false), 3u);
  EXPECT_EQ(files_->Copy("C:\\other.txt", "C:\\nodir\\x.txt", false), 3u);
  EXPECT_EQ(files_->Copy("C:\\other.txt", "C:\\OTHER.TXT", false), 32u);
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
    EXPECT_EQ(files_->Copy("C:\\new.dll", "C:\\locked.dll", false), 32u);
    EXPECT_EQ(files_->RemoveFile("C:\\locked.dll"), 32u);
    EXPECT_EQ(files_->Move("C:\\new.dll", "C:\\LOCKED.DLL", true), 32u);
    EXPECT_EQ(files_->WriteFile("C:\\locked.dll", "x"), 32u);
    EXPECT_EQ(files_->Copy("C:\\new.dll", "C:\\posix.dll", false), 32u);
    EXPECT_EQ(files_->RemoveFile("C:\\posix.dll"), 32u);
    EXPECT_EQ(ReadHostFile(c_ / "locked.dll"), "old");
    // Reading a locked file is allowed.
    EXPECT_EQ(files_->Copy("C:\\locked.dll", "C:\\copy.dll", false), 0u);
  }
  EXPECT_EQ(files_->Copy("C:\\new.dll", "C:\\locked.dll", false), 0u);
  EXPECT_EQ(files_->RemoveFile("C:\\posix.dll"), 0u);
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
  EXPECT_EQ(files_->RemoveFile("C:\\App"), 5u);
  EXPECT_EQ(files_->RemoveFile("C:\\App\\FILE.TXT"), 0u);
  EXPECT_EQ(files_->RemoveFile("C:\\App\\file.txt"), 2u);
  EXPECT_EQ(files_->RemoveFile("C:\\gone\\file.txt"), 3u);
  EXPECT_EQ(files_->RemoveFolder("C:\\App"), 0u);
  EXPECT_FALSE(fs::exists(c_ / "App"));

  FileInfo info;
  EXPECT_EQ(files_->GetInfo("C:\\windows", info), 0u);
  EXPECT_EQ(info.attributes, attr::Directory);
  EXPECT_EQ(files_->GetInfo("C:\\windows\\nothing.txt", info), 2u);
  EXPECT_EQ(files_->SetCurrentFolder("C:\\windows\\SYSTEM32"), 0u);
  EXPECT_EQ(machine_->CurrentFolder(), "C:\\windows\\SYSTEM32");
  EXPECT_EQ(files_->SetCurrentFolder("C:\\nothing"), 2u);
}

TEST_F(HostFilesTest, MoveRenamesReplacesOnlyWhenAskedAndFixesLetterCase) {
  WriteHostFile(c_ / "one.txt", "1");
  WriteHostFile(c_ / "two.txt", "2");
  EXPECT_EQ(files_->Move("C:\\one.txt", "C:\\two.txt", false), 183u);
  EXPECT_EQ(files_->Move("C:\\one.txt", "C:\\TWO.txt", true), 0u);
  EXPECT_EQ(ReadHostFile(c_ / "two.txt"), "1");
  EXPECT_FALSE(fs::exists(c_ / "one.txt"));
  EXPECT_EQ(files_->Move("C:\\two.txt", "C:\\Two.TXT", false), 0u);
  EXPECT_TRUE(fs::exists(c_ / "Two.TXT"));
  EXPECT_FALSE(fs::exists(c_ / "two.txt"));
  EXPECT_EQ(files_->Move("C:\\missing.txt", "C:\\x.txt", false), 2u);
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
  EXPECT_EQ(value.type, reg::MultiSz);
  static const char kExpected[] = "\\??\\C:\\a.tmp\0!\\??\\C:\\WINDOWS\\A.DLL\0\\??\\C:\\b.tmp\0\0";
  EXPECT_EQ(value.data, std::string(kExpected, sizeof kExpected));
  EXPECT_EQ(files_->MoveFileAtRestart("C:\\a<b", "C:\\x"), 123u);
}

// The running program, mapped into the machine, may be read and copied; nothing changes it, by
// its Windows name or through a link to it inside the machine, now or at the next restart.
TEST_F(HostFilesTest, MappedProgramFileIsReadAndCopiedButNeverChanged) {
  fs::path program = root_ / "bin" / "program";
  WriteHostFile(program, "program");
  fs::permissions(program, fs::perms(0755));
  machine_->AddVirtualFile("C:\\WINDOWS\\UNORVANE.EXE", program);
  fs::create_symlink(program, c_ / "link.exe");
  WriteHostFile(c_ / "new.txt", "new");
  std::string bytes;
  EXPECT_EQ(files_->ReadFile("C:\\WINDOWS\\UNORVANE.EXE", bytes), 0u);
  EXPECT_EQ(bytes, "program");
  EXPECT_EQ(files_->Copy("C:\\WINDOWS\\UNORVANE.EXE", "C:\\COPY.EXE", false), 0u);
  EXPECT_EQ(ReadHostFile(c_ / "COPY.EXE"), "program");
  HostLz lz(*machine_);
  HostProfile profile(*machine_, "C:\\WINDOWS");
  for (const std::string path : {"C:\\WINDOWS\\UNORVANE.EXE", "c:\\link.exe"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(files_->WriteFile(path, "x"), 5u);
    EXPECT_EQ(files_->Copy("C:\\NEW.TXT", path, false), 5u);
    EXPECT_EQ(files_->RemoveFile(path), 5u);
    EXPECT_EQ(files_->SetAttributes(path, attr::ReadOnly), 5u);
    EXPECT_EQ(files_->Move(path, "C:\\MOVED.EXE", false), 5u);
    EXPECT_EQ(files_->Move("C:\\NEW.TXT", path, true), 5u);
    EXPECT_EQ(files_->MoveFileAtRestart(path, ""), 5u);
    EXPECT_EQ(files_->MoveFileAtRestart("C:\\NEW.TXT", path), 5u);
    EXPECT_EQ(lz.Expand("C:\\NEW.TXT", path), 5u);
    EXPECT_FALSE(profile.WriteString("Pwn", "Key", "Value", path));
  }
  // A replacement recorded some other way (a script can write any registry value) is skipped.
  static const char kPending[] =
      "\\??\\C:\\NEW.TXT\0!\\??\\C:\\WINDOWS\\UNORVANE.EXE\0\\??\\C:\\LINK.EXE\0\0\0";
  const char kSession[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  machine_->Registry().CreateKey(RegRoot::LocalMachine, kSession);
  machine_->Registry().SetValue(RegRoot::LocalMachine, kSession, "PendingFileRenameOperations",
                                {reg::MultiSz, std::string(kPending, sizeof kPending - 1)});
  machine_->Restart();
  EXPECT_EQ(ReadHostFile(program), "program");
  EXPECT_EQ(fs::status(program).permissions(), fs::perms(0755));
  EXPECT_TRUE(fs::is_symlink(c_ / "link.exe"));
  EXPECT_EQ(ReadHostFile(c_ / "new.txt"), "new");
}

// A FIFO (or any file that is not a regular file) is never opened in a way that could block: it
// reads as a file that cannot be opened. The alarm turns a regression into a failure, not a hang.
TEST_F(HostFilesTest, FifoIsRefusedWithoutBlocking) {
  ASSERT_EQ(mkfifo((c_ / "pipe").c_str(), 0644), 0);
  alarm(20);
  std::string bytes;
  EXPECT_EQ(files_->ReadFile("C:\\PIPE", bytes), 5u);
  EXPECT_EQ(files_->Copy("C:\\PIPE", "C:\\COPY.TXT", false), 5u);
  EXPECT_FALSE(fs::exists(c_ / "COPY.TXT"));
  HostLz lz(*machine_);
  EXPECT_EQ(lz.Expand("C:\\PIPE", "C:\\COPY.TXT"), 5u);
  EXPECT_EQ(lz.ExpandedName("C:\\PIPE"), "C:\\PIPE");
  HostProfile profile(*machine_, "C:\\WINDOWS");
  EXPECT_EQ(profile.GetString("S", "K", "default", 100, "C:\\PIPE"), "default");
  HostComponents components(*machine_);
  int32_t result = 0;
  EXPECT_EQ(components.CallEntry("C:\\PIPE", "DllRegisterServer", result),
            ComponentCall::NotLoaded);
  // Writing over it replaces it with a file, without waiting for a reader.
  EXPECT_EQ(files_->WriteFile("C:\\PIPE", "now a file"), 0u);
  EXPECT_EQ(ReadHostFile(c_ / "pipe"), "now a file");
  alarm(0);
}

}  // namespace
}  // namespace orvane::host::testing
