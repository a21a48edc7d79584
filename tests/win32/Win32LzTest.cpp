// Win32Lz under Wine, beyond the conformance suite's cases: CP932 names (0x5C trail bytes) in any
// ANSI code page, and the destinations Windows refuses, left as they were.
#include <gtest/gtest.h>

#include "platform/win32/Win32Lz.h"
#include "tests/win32/Win32TestSupport.h"

namespace orvane::win32 {
namespace {

using namespace testing;

// "ABCABCABC" compressed, with `lastChar` recorded for the name.
std::string Szdd(char lastChar) {
  return std::string("SZDD\x88\xF0\x27\x33\x41", 9) + lastChar + std::string("\x09\0\0\0", 4) +
         "\x07"
         "ABC\xF0\xF3";
}

TEST(Win32Lz, CompressedFilesWithCp932NamesExpandBeside) {
  Win32Lz lz;
  const std::string folder = JapaneseFolder(), source = folder + "\x95\x5C.TX_";
  WriteBytes(source, Szdd('t'));
  EXPECT_EQ(lz.ExpandedName(source), folder + "\x95\x5C.TXT");
  ASSERT_EQ(lz.Expand(source, folder + "\x95\x5C.TXT"), 0u);
  EXPECT_EQ(ReadBytes(folder + "\x95\x5C.TXT"), "ABCABCABC");
}

TEST(Win32Lz, RefusedDestinationsAreLeftAsTheyWere) {
  Win32Lz lz;
  const std::string folder = WorkFolder(), source = folder + "DATA.TX_";
  WriteBytes(source, Szdd('t'));
  WriteBytes(folder + "LOCKED.TXT", "read-only");
  SetFileAttributesW(W(folder + "LOCKED.TXT").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(lz.Expand(source, folder + "LOCKED.TXT"), 5u);
  EXPECT_EQ(ReadBytes(folder + "LOCKED.TXT"), "read-only");
  SetFileAttributesW(W(folder + "LOCKED.TXT").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(lz.Expand(source, folder + "None\\DATA.TXT"), 3u);
  // No temporary file is left behind by the failures.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(W(folder + "*.~lz*").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

}  // namespace
}  // namespace orvane::win32
