// Tests that the records a user cannot rebuild (INI files, the registry, the uninstall log) are
// flushed to disk before the rename that publishes them, and their folder after it.
// This file replaces fsync for the whole unit test binary: each call is recorded (which file,
// under which name, in which order) and not carried out, so no unit test waits for the disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "MachineFixture.h"
#include "install/UninstallLog.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostProfile.h"
#include "platform/host/HostRegistry.h"

namespace {

struct FsyncRecord {
  dev_t device;
  ino_t inode;
  std::string name;  // the path of the descriptor when it was flushed
};

std::mutex recordsMutex;
std::vector<FsyncRecord> records;

}  // namespace

extern "C" int fsync(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) return -1;
  char name[4096] = {};
  std::string link = "/proc/self/fd/" + std::to_string(fd);
  ssize_t n = readlink(link.c_str(), name, sizeof name - 1);
  std::lock_guard<std::mutex> guard(recordsMutex);
  records.push_back({st.st_dev, st.st_ino, n > 0 ? std::string(name, n) : std::string()});
  return 0;
}

namespace orvane::host {
namespace {

namespace fs = std::filesystem;

class DurableRecords : public testing::MachineFixture {
 protected:
  void SetUp() override {
    MachineFixture::SetUp();
    records.clear();
  }

  // Whether the file now at `file` was flushed under another name (before the rename that put it
  // there) and its folder was flushed after that.
  static ::testing::AssertionResult FlushedThenPublished(const fs::path& file) {
    struct stat st, folder;
    if (stat(file.c_str(), &st) != 0 || stat(file.parent_path().c_str(), &folder) != 0)
      return ::testing::AssertionFailure() << file << " is missing";
    std::lock_guard<std::mutex> guard(recordsMutex);
    size_t i = 0;
    while (i < records.size() && !(records[i].device == st.st_dev &&
                                   records[i].inode == st.st_ino && records[i].name != file))
      ++i;
    if (i == records.size())
      return ::testing::AssertionFailure() << file << " was not flushed before it was renamed";
    for (size_t j = i + 1; j < records.size(); ++j)
      if (records[j].device == folder.st_dev && records[j].inode == folder.st_ino)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the folder of " << file << " was not flushed after";
  }
};

TEST_F(DurableRecords, IniFilesRegistryAndUninstallLogAreFlushedAroundTheirRename) {
  HostProfile profile(*machine_, "C:\\WINDOWS");
  ASSERT_TRUE(profile.WriteString("S", "K", "1", "C:\\WINDOWS\\APP.INI"));
  ASSERT_TRUE(profile.WriteString("S", "K", "2", "C:\\WINDOWS\\APP.INI"));
  EXPECT_TRUE(FlushedThenPublished(Host("C:\\WINDOWS\\APP.INI")));

  records.clear();
  ASSERT_EQ(0u, machine_->Registry().SetValue(RegRoot::CurrentUser, "", "V", RegValue::Dword(1)));
  EXPECT_TRUE(FlushedThenPublished(machine_->Folder() / "registry.reg"));

  records.clear();
  HostFiles files(*machine_);
  ASSERT_EQ(0u, files.CreateFolder("C:\\Prog"));
  UninstallLogWriter log;
  log.Set("DeleteFile", "File1", "C:\\Prog\\A.EXE");
  ASSERT_EQ(0u, log.Save(files, "C:\\Prog\\UNSETUP.INI"));
  log.Set("DeleteFile", "File2", "C:\\Prog\\B.EXE");
  ASSERT_EQ(0u, log.Save(files, "C:\\Prog\\UNSETUP.INI"));
  EXPECT_TRUE(FlushedThenPublished(Host("C:\\Prog\\UNSETUP.INI")));
}

}  // namespace
}  // namespace orvane::host
