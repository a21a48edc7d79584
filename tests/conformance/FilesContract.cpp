// The IFiles contract: folders, whole-file reads and writes, copies, moves, attributes, searches,
// names and the error codes the core tells apart.
#include <algorithm>

#include "tests/conformance/Backend.h"

namespace orvane::conformance {
namespace {

// The names a search gives, without "." and ".." (which a backend may or may not list), sorted.
std::vector<std::string> Names(IFiles& files, const std::string& pattern, uint32_t expected = 0) {
  std::vector<FindEntry> entries;
  EXPECT_EQ(files.Find(pattern, entries), expected) << pattern;
  std::vector<std::string> names;
  for (const FindEntry& entry : entries)
    if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

using Strings = std::vector<std::string>;

TEST_P(FilesContract, FoldersAreMadeOneLevelAtATimeAndRemovedOnlyWhenEmpty) {
  EXPECT_EQ(files().CreateFolder(At("A")), 0u);
  EXPECT_EQ(files().CreateFolder(At("A")), 183u);
  EXPECT_EQ(files().CreateFolder(At("X\\Y")), 3u);
  FileInfo info;
  ASSERT_EQ(files().GetInfo(At("A"), info), 0u);
  EXPECT_TRUE(info.IsFolder());
  Write("A\\F.TXT", "x");
  EXPECT_EQ(files().RemoveFolder(At("A")), 145u);
  EXPECT_EQ(files().RemoveFile(At("A\\F.TXT")), 0u);
  EXPECT_EQ(files().RemoveFolder(At("A\\")), 0u);
  EXPECT_EQ(files().GetInfo(At("A"), info), 2u);
  EXPECT_EQ(files().RemoveFolder(At("A")), 2u);
  // Folders and files do not stand in for each other.
  ASSERT_EQ(files().CreateFolder(At("B")), 0u);
  EXPECT_EQ(files().RemoveFile(At("B")), 5u);
  Write("F.TXT", "x");
  EXPECT_EQ(files().CreateFolder(At("F.TXT")), 183u);
  EXPECT_EQ(files().RemoveFolder(At("F.TXT")), 267u);
}

TEST_P(FilesContract, MissingFilesGive2AndMissingFoldersOnTheWay3) {
  FileInfo info;
  std::string bytes;
  std::vector<FindEntry> entries;
  EXPECT_EQ(files().GetInfo(At("NONE.TXT"), info), 2u);
  EXPECT_EQ(files().ReadFile(At("NONE.TXT"), bytes), 2u);
  EXPECT_EQ(files().RemoveFile(At("NONE.TXT")), 2u);
  EXPECT_EQ(files().GetInfo(At("NONE\\F.TXT"), info), 3u);
  EXPECT_EQ(files().ReadFile(At("NONE\\F.TXT"), bytes), 3u);
  EXPECT_EQ(files().WriteFile(At("NONE\\F.TXT"), "x"), 3u);
  EXPECT_EQ(files().Find(At("NONE\\*.*"), entries), 3u);
}

TEST_P(FilesContract, WholeFilesAreWrittenAndReadByteForByte) {
  const std::string bytes("A\0\r\n\xFF\x83\x5C", 7);
  Write("DATA.BIN", bytes);
  EXPECT_EQ(Read("DATA.BIN"), bytes);
  FileInfo info;
  ASSERT_EQ(files().GetInfo(At("DATA.BIN"), info), 0u);
  EXPECT_EQ(info.size, 7u);
  EXPECT_FALSE(info.IsFolder());
  Write("DATA.BIN", "ab");  // a shorter write truncates
  EXPECT_EQ(Read("DATA.BIN"), "ab");
  Write("EMPTY", "");
  EXPECT_EQ(Read("EMPTY"), "");
  ASSERT_EQ(files().CreateFolder(At("SUB")), 0u);
  std::string folderBytes;
  EXPECT_EQ(files().ReadFile(At("SUB"), folderBytes), 5u);
  EXPECT_EQ(files().WriteFile(At("SUB"), "x"), 5u);
}

TEST_P(FilesContract, CopiesTakeContentAttributesAndTime) {
  Write("SRC.TXT", "source");
  ASSERT_EQ(files().SetAttributes(At("SRC.TXT"), attr::ReadOnly), 0u);
  EXPECT_EQ(files().Copy(At("SRC.TXT"), At("DST.TXT"), true), 0u);
  EXPECT_EQ(Read("DST.TXT"), "source");
  FileInfo source, copy;
  ASSERT_EQ(files().GetInfo(At("SRC.TXT"), source), 0u);
  ASSERT_EQ(files().GetInfo(At("DST.TXT"), copy), 0u);
  EXPECT_EQ(copy.lastWrite, source.lastWrite);
  EXPECT_NE(copy.attributes & attr::ReadOnly, 0u);

  // An existing destination: 80 when asked to fail, 5 while it is read-only, else replaced.
  Write("OLD.TXT", "old");
  EXPECT_EQ(files().Copy(At("SRC.TXT"), At("OLD.TXT"), true), 80u);
  EXPECT_EQ(Read("OLD.TXT"), "old");
  EXPECT_EQ(files().Copy(At("SRC.TXT"), At("DST.TXT"), false), 5u);
  EXPECT_EQ(files().Copy(At("SRC.TXT"), At("OLD.TXT"), false), 0u);
  EXPECT_EQ(Read("OLD.TXT"), "source");

  EXPECT_EQ(files().Copy(At("NONE.TXT"), At("X.TXT"), false), 2u);
  EXPECT_EQ(files().Copy(At("SRC.TXT"), At("NONE\\X.TXT"), false), 3u);
}

TEST_P(FilesContract, MovesRenameAndReplaceOnlyWhenAsked) {
  Write("A.TXT", "a");
  Write("B.TXT", "b");
  EXPECT_EQ(files().Move(At("A.TXT"), At("C.TXT"), false), 0u);
  FileInfo info;
  EXPECT_EQ(files().GetInfo(At("A.TXT"), info), 2u);
  EXPECT_EQ(Read("C.TXT"), "a");

  EXPECT_EQ(files().Move(At("B.TXT"), At("C.TXT"), false), 183u);
  EXPECT_EQ(Read("B.TXT"), "b");
  EXPECT_EQ(Read("C.TXT"), "a");
  EXPECT_EQ(files().Move(At("B.TXT"), At("C.TXT"), true), 0u);
  EXPECT_EQ(Read("C.TXT"), "b");
  EXPECT_EQ(files().GetInfo(At("B.TXT"), info), 2u);

  // A folder moves with its content; a new letter case is a rename too.
  ASSERT_EQ(files().CreateFolder(At("DIR")), 0u);
  Write("DIR\\IN.TXT", "in");
  EXPECT_EQ(files().Move(At("DIR"), At("MOVED"), false), 0u);
  EXPECT_EQ(Read("MOVED\\IN.TXT"), "in");
  EXPECT_EQ(files().Move(At("C.TXT"), At("c.txt"), false), 0u);
  EXPECT_EQ(Names(files(), At("C.TXT")), Strings{"c.txt"});
  EXPECT_EQ(files().Move(At("NONE.TXT"), At("X.TXT"), false), 2u);
}

TEST_P(FilesContract, ReadOnlyFilesCannotBeChangedUntilTheAttributeIsCleared) {
  Write("RO.TXT", "keep");
  ASSERT_EQ(files().SetAttributes(At("RO.TXT"), attr::ReadOnly), 0u);
  FileInfo info;
  ASSERT_EQ(files().GetInfo(At("RO.TXT"), info), 0u);
  EXPECT_NE(info.attributes & attr::ReadOnly, 0u);
  EXPECT_EQ(files().RemoveFile(At("RO.TXT")), 5u);
  EXPECT_EQ(files().WriteFile(At("RO.TXT"), "new"), 5u);
  Write("OTHER.TXT", "other");
  EXPECT_EQ(files().Move(At("OTHER.TXT"), At("RO.TXT"), true), 5u);
  EXPECT_EQ(Read("RO.TXT"), "keep");
  ASSERT_EQ(files().SetAttributes(At("RO.TXT"), attr::Archive), 0u);
  ASSERT_EQ(files().GetInfo(At("RO.TXT"), info), 0u);
  EXPECT_EQ(info.attributes & attr::ReadOnly, 0u);
  EXPECT_EQ(files().RemoveFile(At("RO.TXT")), 0u);
  EXPECT_EQ(files().SetAttributes(At("RO.TXT"), attr::Archive), 2u);
}

TEST_P(FilesContract, SearchesMatchWildcardsWithoutLetterCase) {
  for (const char* name : {"Readme.TXT", "setup.ini", "DATA", "data2.bin"}) Write(name, "12345");
  ASSERT_EQ(files().CreateFolder(At("Sub")), 0u);
  EXPECT_EQ(Names(files(), At("*.*")),
            (Strings{"DATA", "Readme.TXT", "Sub", "data2.bin", "setup.ini"}));
  EXPECT_EQ(Names(files(), At("*")), Names(files(), At("*.*")));
  EXPECT_EQ(Names(files(), At("*.txt")), Strings{"Readme.TXT"});
  EXPECT_EQ(Names(files(), At("README.txt")), Strings{"Readme.TXT"});
  EXPECT_EQ(Names(files(), At("data.*")), Strings{"DATA"});  // "NAME.*" takes a bare name too
  EXPECT_EQ(Names(files(), At("DATA?.BIN")), Strings{"data2.bin"});
  EXPECT_EQ(Names(files(), At("*.ZZZ"), 2), Strings{});

  std::vector<FindEntry> entries;
  ASSERT_EQ(files().Find(At("s*"), entries), 0u);
  ASSERT_EQ(entries.size(), 2u);  // no dots: they do not match "s*"
  for (const FindEntry& entry : entries) {
    EXPECT_EQ(entry.info.IsFolder(), entry.name == "Sub") << entry.name;
    EXPECT_EQ(entry.info.size, entry.name == "Sub" ? 0u : 5u) << entry.name;
  }
}

TEST_P(FilesContract, AnEmptyFolderListsNothingButDots) {
  // What FolderExists relies on: an existing folder lists only "." and ".." or nothing (0 or 2),
  // a missing one gives 3.
  ASSERT_EQ(files().CreateFolder(At("EMPTY")), 0u);
  std::vector<FindEntry> entries;
  uint32_t code = files().Find(At("EMPTY\\*.*"), entries);
  EXPECT_TRUE(code == 0 || code == 2) << code;
  for (const FindEntry& entry : entries) {
    EXPECT_TRUE(entry.name == "." || entry.name == "..") << entry.name;
    EXPECT_TRUE(entry.info.IsFolder());
  }
  EXPECT_EQ(files().Find(At("GONE\\*.*"), entries), 3u);
}

TEST_P(FilesContract, NamesIgnoreLetterCaseAndKeepTheirFirstSpelling) {
  Write("MixedCase.Txt", "one");
  EXPECT_EQ(Read("MIXEDCASE.TXT"), "one");
  Write("mixedcase.txt", "two");
  EXPECT_EQ(Names(files(), At("*.*")), Strings{"MixedCase.Txt"});
  EXPECT_EQ(Read("MixedCase.Txt"), "two");
  // A double-byte name whose trail byte is "\" (0x5C) is one name, not a folder and a name.
  const std::string so = "\x83\x5C.TXT";
  Write(so, "so");
  EXPECT_EQ(Read(so), "so");
  EXPECT_EQ(Names(files(), At("*.TXT")), (Strings{"MixedCase.Txt", so}));
  // The same for a folder: "\x95\x5C" is one folder, and the path goes on below it.
  const std::string table = "\x95\x5C";
  ASSERT_EQ(files().CreateFolder(At(table)), 0u);
  EXPECT_EQ(files().Copy(At(so), At(table + "\\" + so), true), 0u);
  EXPECT_EQ(Names(files(), At(table + "\\*")), Strings{so});
  EXPECT_EQ(files().Move(At(table + "\\" + so), At(table + "\\" + table), false), 0u);
  EXPECT_EQ(Read(table + "\\" + table), "so");
}

TEST_P(FilesContract, PathsNamingDevicesOtherMachinesOrStreamsAreRefusedAndTouchNothing) {
  if (!backend().ActsAsMachine()) GTEST_SKIP() << "the backend takes any name";
  Write("F.TXT", "f");
  struct Case {
    std::string path;
    uint32_t code;
  };
  const std::vector<Case> cases = {{At("CON"), 123},
                                   {At("nul.txt"), 123},
                                   {At("Com1 .log"), 123},
                                   {At("LPT9\\X.TXT"), 123},
                                   {At("A<B"), 123},
                                   {At("F.TXT:STREAM"), 123},
                                   {At("A*"), 123},
                                   {"\\\\server\\share\\X", 53},
                                   {"\\\\?\\C:\\CT\\X.TXT", 53},
                                   {"\\\\.\\pipe\\X", 53},
                                   {"CT\\X.TXT", 3}};
  for (const Case& c : cases) {
    std::string bytes;
    FileInfo info;
    EXPECT_EQ(files().WriteFile(c.path, "x"), c.code) << c.path;
    EXPECT_EQ(files().ReadFile(c.path, bytes), c.code) << c.path;
    EXPECT_EQ(files().GetInfo(c.path, info), c.code) << c.path;
    EXPECT_EQ(files().CreateFolder(c.path), c.code) << c.path;
    EXPECT_EQ(files().Copy(At("F.TXT"), c.path, false), c.code) << c.path;
    EXPECT_EQ(files().Move(At("F.TXT"), c.path, true), c.code) << c.path;
    EXPECT_EQ(files().MoveFileAtRestart(At("F.TXT"), c.path), c.code) << c.path;
  }
  EXPECT_EQ(Names(files(), At("*.*")), Strings{"F.TXT"});
  EXPECT_EQ(Read("F.TXT"), "f");
  // ".." never climbs above a drive root: such a path stays on its drive.
  std::string bytes;
  EXPECT_EQ(files().ReadFile("C:\\CT\\..\\..\\..\\CT\\F.TXT", bytes), 0u);
  EXPECT_EQ(bytes, "f");
}

TEST_P(FilesContract, ReplacementsAtRestartGoWhereWindowsNtKeepsThem) {
  if (!backend().ActsAsMachine()) GTEST_SKIP() << "the backend keeps replacements to itself";
  const char key[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  const char name[] = "PendingFileRenameOperations";
  RegValue before, after;
  bool had = registry().GetValue(RegRoot::LocalMachine, key, name, before) == 0;
  Write("NEW.TMP", "new");
  Write("OLD.TMP", "old");
  EXPECT_EQ(files().MoveFileAtRestart(At("NEW.TMP"), At("\x95\x5C.DLL")), 0u);
  EXPECT_EQ(files().MoveFileAtRestart(At("OLD.TMP"), ""), 0u);  // deleted at the restart
  ASSERT_EQ(registry().GetValue(RegRoot::LocalMachine, key, name, after), 0u);
  if (had)
    registry().SetValue(RegRoot::LocalMachine, key, name, before);
  else
    registry().DeleteValue(RegRoot::LocalMachine, key, name);
  // Source and destination in pairs, "!" before a destination that is replaced, an empty one
  // for a deletion, all in one list.
  std::string list = had ? before.data.substr(0, before.data.size() - 1) : "";
  const std::string nul(1, '\0');
  list += "\\??\\C:\\CT\\NEW.TMP" + nul + "!\\??\\C:\\CT\\\x95\x5C.DLL" + nul;
  list += "\\??\\C:\\CT\\OLD.TMP" + nul + nul + nul;
  EXPECT_EQ(after.type, static_cast<uint32_t>(reg::MultiSz));
  EXPECT_EQ(after.data, list);
  EXPECT_EQ(Read("NEW.TMP"), "new");
}

TEST_P(FilesContract, DrivesAnswerForFreeSpaceAndShortPaths) {
  int64_t freeBytes = 0;
  EXPECT_TRUE(files().DiskFreeSpaceEx("C:\\", freeBytes));
  EXPECT_GT(freeBytes, 0);
  EXPECT_FALSE(files().DiskFreeSpaceEx("Q:\\", freeBytes));
  // A short form names the same file (or is the path itself); a missing path has none.
  Write("A Long File Name.Text", "long");
  std::string shortPath = files().ShortPath(At("A Long File Name.Text"));
  ASSERT_FALSE(shortPath.empty());
  std::string bytes;
  EXPECT_EQ(files().ReadFile(shortPath, bytes), 0u) << shortPath;
  EXPECT_EQ(bytes, "long");
  EXPECT_EQ(files().ShortPath(At("NONE.TXT")), "");
}

TEST_P(FilesContract, FilesInUseCannotBeDeletedWrittenOrReplaced) {
  Write("BUSY.TXT", "busy");
  Write("OTHER.TXT", "other");
  std::shared_ptr<void> hold = backend().HoldOpen(At("BUSY.TXT"));
  ASSERT_TRUE(hold);
  EXPECT_EQ(files().RemoveFile(At("BUSY.TXT")), 32u);
  EXPECT_EQ(files().WriteFile(At("BUSY.TXT"), "x"), 32u);
  EXPECT_EQ(files().Copy(At("OTHER.TXT"), At("BUSY.TXT"), false), 32u);
  EXPECT_EQ(Read("BUSY.TXT"), "busy");
  hold.reset();
  EXPECT_EQ(files().RemoveFile(At("BUSY.TXT")), 0u);
}

}  // namespace
}  // namespace orvane::conformance
