// Tests of the profile functions on the emulated machine: the bytes that writes leave, the
// buffer rule, defaults, deletions, where bare file names go, failures, the parsed-file cache,
// and writes from several processes or killed halfway.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/host/HostProfile.h"
#include "platform/host/Machine.h"

namespace orvane::host {
namespace {

namespace fs = std::filesystem;

class HostProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orvane-profile-XXXXXX";
    dir_ = mkdtemp(tmpl);
    machine_ = Machine::Open(dir_ / "machine");
    profile_ = std::make_unique<HostProfile>(*machine_, "C:\\WINDOWS");
  }
  void TearDown() override {
    profile_.reset();
    machine_.reset();
    fs::remove_all(dir_);
  }

  fs::path Host(const std::string& windowsPath) const {
    fs::path host;
    EXPECT_EQ(0u, machine_->Resolve(windowsPath, host)) << windowsPath;
    return host;
  }
  std::string Bytes(const std::string& windowsPath) const {
    std::ifstream in(Host(windowsPath), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  void Put(const std::string& windowsPath, const std::string& bytes) const {
    std::ofstream(Host(windowsPath), std::ios::binary) << bytes;
  }
  std::string Get(const std::string& section, const std::string& key, const std::string& def,
                  const std::string& path, size_t capacity = 4096) {
    return profile_->GetString(section, key, def, capacity, path);
  }
  bool Write(const char* section, const char* key, const char* value, const std::string& path) {
    auto opt = [](const char* s) { return s ? std::optional<std::string>(s) : std::nullopt; };
    return profile_->WriteString(opt(section), opt(key), opt(value), path);
  }

  fs::path dir_;
  std::unique_ptr<Machine> machine_;
  std::unique_ptr<HostProfile> profile_;
};

TEST_F(HostProfileTest, WritesLeaveTheBytesWindowsWrites) {
  const std::string ini = "C:\\test.ini";
  ASSERT_TRUE(Write("App1", "key1", "string1", ini));
  ASSERT_TRUE(Write("App1", "key2", "string2", ini));
  ASSERT_TRUE(Write("App1", "key3", "string3", ini));
  ASSERT_TRUE(Write("App2", "key4", "string4", ini));
  ASSERT_TRUE(Write("App3", "key5", "string5", ini));
  EXPECT_EQ(
      "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
      "[App3]\r\nkey5=string5\r\n",
      Bytes(ini));

  // Replacement in place, an empty value, a key added to an earlier section.
  ASSERT_TRUE(Write("app1", "KEY2", "\x93\xfa\x96\x7b", ini));
  ASSERT_TRUE(Write("App2", "key4", "", ini));
  ASSERT_TRUE(Write("App1", "key6", "string6", ini));
  EXPECT_EQ(
      "[App1]\r\nkey1=string1\r\nkey2=\x93\xfa\x96\x7b\r\nkey3=string3\r\nkey6=string6\r\n"
      "[App2]\r\nkey4=\r\n[App3]\r\nkey5=string5\r\n",
      Bytes(ini));
  EXPECT_EQ("", Get("App2", "key4", "default", ini));  // the key exists with an empty value
  EXPECT_EQ("\x93\xfa\x96\x7b", Get("APP1", "Key2", "", "c:\\TEST.INI"));
}

TEST_F(HostProfileTest, ReturnsAtMostCapacityMinusOneBytes) {
  const std::string ini = "C:\\cap.ini";
  const std::string longValue(600, 'v');
  ASSERT_TRUE(Write("S", "Long", longValue.c_str(), ini));
  ASSERT_TRUE(Write("S", "Kanji", "\x82\xa0\x82\xa2", ini));
  EXPECT_EQ(std::string(255, 'v'), Get("S", "Long", "", ini, 256));
  EXPECT_EQ(longValue, Get("S", "Long", "", ini, 601));
  EXPECT_EQ("", Get("S", "Long", "", ini, 1));
  EXPECT_EQ("", Get("S", "Long", "", ini, 0));
  // Cut inside a double-byte character all the same: the count tells the caller to grow.
  EXPECT_EQ("\x82\xa0\x82", Get("S", "Kanji", "", ini, 4));
  EXPECT_EQ("0,0", Get("S", "Missing", "0,0,0,0", ini, 4));
}

TEST_F(HostProfileTest, MissingFileSectionOrKeyGivesTheTrimmedDefault) {
  Put("C:\\d.ini", "[Sec]\nKey=value\nEmpty=\nNoEquals\n");
  EXPECT_EQ("0,0,0,0", Get("Sec", "Key", "0,0,0,0", "C:\\absent.ini"));
  EXPECT_EQ("dflt", Get("Other", "Key", "dflt  ", "C:\\d.ini"));
  EXPECT_EQ("dflt", Get("Sec", "NoEquals", "dflt ", "C:\\d.ini"));
  EXPECT_EQ("", Get("Sec", "Empty", "dflt", "C:\\d.ini"));
  EXPECT_EQ("value", Get("sec", "KEY", "", "C:\\D.INI"));
  EXPECT_EQ("dflt", Get("Sec", "Key", "dflt", "Q:\\nodrive.ini"));
}

TEST_F(HostProfileTest, NullValueDeletesKeyAndNullKeyDeletesSection) {
  const std::string ini = "C:\\del.ini";
  Put(ini, "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(Write("a", "X", nullptr, ini));
  EXPECT_EQ("[A]\r\ny=2\r\n[B]\r\nz=3\r\n", Bytes(ini));
  EXPECT_EQ("gone", Get("A", "x", "gone", ini));
  ASSERT_TRUE(Write("B", nullptr, nullptr, ini));
  EXPECT_EQ("[A]\r\ny=2\r\n", Bytes(ini));
  EXPECT_EQ("gone", Get("B", "z", "gone", ini));

  // Deleting what is not there changes nothing and makes no file.
  EXPECT_TRUE(Write("B", nullptr, nullptr, "C:\\none.ini"));
  EXPECT_TRUE(Write("B", "k", nullptr, "C:\\none.ini"));
  EXPECT_FALSE(fs::exists(Host("C:\\none.ini")));
  // A null section writes nothing.
  EXPECT_FALSE(Write(nullptr, "k", "v", ini));
  EXPECT_EQ("[A]\r\ny=2\r\n", Bytes(ini));
}

TEST_F(HostProfileTest, FileNameWithoutFolderMeansTheWindowsFolder) {
  ASSERT_TRUE(Write("Prog", "Folder", "C:\\Prog", "ORVANEDB.INI"));
  EXPECT_EQ("[Prog]\r\nFolder=C:\\Prog\r\n", Bytes("C:\\WINDOWS\\ORVANEDB.INI"));
  EXPECT_EQ("C:\\Prog", Get("prog", "folder", "", "c:\\windows\\orvanedb.ini"));
  EXPECT_EQ("C:\\Prog", Get("Prog", "Folder", "", "orvanedb.ini"));
  EXPECT_FALSE(fs::exists(Host("C:\\ORVANEDB.INI")));
}

TEST_F(HostProfileTest, WritesFailIntoMissingFoldersAndReadOnlyFiles) {
  EXPECT_FALSE(Write("S", "k", "v", "C:\\NoSuchFolder\\x.ini"));
  EXPECT_FALSE(fs::exists(Host("C:\\NoSuchFolder")));

  const std::string ini = "C:\\ro.ini";
  Put(ini, "[S]\r\nk=old\r\n");
  fs::permissions(Host(ini), fs::perms::owner_read | fs::perms::group_read);
  EXPECT_FALSE(Write("S", "k", "new", ini));
  EXPECT_EQ("[S]\r\nk=old\r\n", Bytes(ini));
  EXPECT_EQ("old", Get("S", "k", "", ini));  // the failed write left no change in the cache

  // A successful write keeps the file's permissions and leaves no temporary file behind.
  fs::permissions(Host(ini), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(Write("S", "k", "new", ini));
  EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
            fs::status(Host(ini)).permissions() & fs::perms::all);
  int entries = 0;
  for (const auto& e : fs::directory_iterator(Host(ini).parent_path()))
    entries += e.path().filename().string().find("ro.ini") != std::string::npos;
  EXPECT_EQ(1, entries);
}

TEST_F(HostProfileTest, CachedCopyFollowsChangesOnDisk) {
  const std::string ini = "C:\\cache.ini";
  Put(ini, "[S]\r\nk=one\r\n");
  EXPECT_EQ("one", Get("S", "k", "", ini));

  // Replaced behind our back (another program, a copy step): read afresh, also for writes.
  Put(ini, "[S]\r\nk=second\r\nj=x\r\n");
  EXPECT_EQ("second", Get("S", "k", "", ini));
  Put(ini, "[S]\r\nk=third\r\n");
  ASSERT_TRUE(Write("S", "add", "1", ini));
  EXPECT_EQ("[S]\r\nk=third\r\nadd=1\r\n", Bytes(ini));
  fs::remove(Host(ini));
  EXPECT_EQ("none", Get("S", "k", "none", ini));
}

TEST_F(HostProfileTest, UnchangedFileIsParsedOnceForManyReads) {
  const std::string ini = "C:\\many.ini";
  std::string text = "[Files]\r\n";
  for (int i = 1; i <= 10000; ++i)
    text += "File" + std::to_string(i) + "=a" + std::to_string(i) + "\r\n";
  Put(ini, text);
  for (int i = 1; i <= 10000; ++i)
    ASSERT_EQ("a" + std::to_string(i), Get("Files", "File" + std::to_string(i), "", ini));

  // Same size, same time, same file: the cached copy is used, proving no re-read per call.
  struct stat before;
  ASSERT_EQ(0, ::stat(Host(ini).c_str(), &before));
  std::string altered = text;
  altered[altered.find("=a1\r")] = ':';  // File1 stops being a key
  {
    std::fstream f(Host(ini), std::ios::in | std::ios::out | std::ios::binary);
    f << altered;
  }
  struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(0, ::utimensat(AT_FDCWD, Host(ini).c_str(), times, 0));
  EXPECT_EQ("a1", Get("Files", "File1", "", ini));
  // The flush (all three null) drops the cached copy.
  EXPECT_FALSE(profile_->WriteString(std::nullopt, std::nullopt, std::nullopt, ini));
  EXPECT_EQ("", Get("Files", "File1", "", ini));
}

TEST_F(HostProfileTest, ProcessesWritingOneFileKeepEachOthersKeys) {
  // Two processes add distinct keys to one file at the same time; no write may be lost.
  const std::string ini = "C:\\shared.ini";
  const int keys = 150;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    if (children[c] == 0) {
      auto machine = Machine::Open(dir_ / "machine");
      HostProfile profile(*machine, "C:\\WINDOWS");
      for (int i = 0; i < keys; ++i) {
        std::string key = "P" + std::to_string(c) + "K" + std::to_string(i);
        if (!profile.WriteString("S", key, std::to_string(i), ini)) _exit(1);
      }
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  HostProfile fresh(*machine_, "C:\\WINDOWS");
  int missing = 0;
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < keys; ++i)
      missing += fresh.GetString("S", "P" + std::to_string(c) + "K" + std::to_string(i), "-", 64,
                                 ini) != std::to_string(i);
  EXPECT_EQ(0, missing);
}

TEST_F(HostProfileTest, WriterKilledHalfwayLeavesNothingInThePackageFolder) {
  // A process rewriting a large INI file is killed while its new text is being written. The
  // package folder must hold nothing but the file (so an uninstall can remove the folder), and
  // the next write must leave no temporary anywhere in the machine.
  const fs::path folder = Host("C:\\Pkg");
  fs::create_directory(folder);
  const std::string ini = "C:\\Pkg\\APP.INI";
  auto others = [&](const fs::path& where, const std::string& except) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(where))
      if (e.path().filename() != except) names.push_back(e.path().filename().string());
    return names;
  };
  auto machineEntries = [&] {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(machine_->Folder()))
      names.insert(e.path().filename().string());
    return names;
  };
  const std::set<std::string> before = machineEntries();
  pid_t child = fork();
  if (child == 0) {
    auto machine = Machine::Open(machine_->Folder());
    HostProfile profile(*machine, "C:\\WINDOWS");
    for (int round = 0;; ++round)
      profile.WriteString("S", "Big", std::string(1 << 20, static_cast<char>('a' + round % 2)),
                          ini);
  }
  // Kill as soon as a temporary appears anywhere (beside the file or in the machine folder).
  for (int tries = 0; tries < 200000; ++tries) {
    if (!others(folder, "APP.INI").empty() || machineEntries().size() > before.size() + 1) break;
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(std::vector<std::string>{}, others(folder, "APP.INI"));

  ASSERT_TRUE(Write("S", "After", "1", ini));
  EXPECT_EQ(std::vector<std::string>{}, others(folder, "APP.INI"));
  for (const std::string& name : machineEntries())
    EXPECT_EQ(std::string::npos, name.find(".tmp")) << name;
  std::error_code ec;
  fs::remove(folder / "APP.INI");
  EXPECT_TRUE(fs::remove(folder, ec)) << ec.message();
}

}  // namespace
}  // namespace orvane::host
