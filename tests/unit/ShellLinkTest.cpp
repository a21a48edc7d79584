// Shell link files: written links read back by our reader and by the Debian tool lnkinfo, and the
// reader's handling of links that are cut short.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "support/Cp932.h"
#include "support/ShellLink.h"

namespace orvane::host {
namespace {

namespace fs = std::filesystem;

std::string Cp932(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(Utf8ToCp932(utf8, out)) << utf8;
  return out;
}

uint32_t U32(const std::string& bytes, std::size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes.at(at + i));
  return v;
}

struct LinkCase {
  std::string target, workingFolder, arguments;
};

TEST(ShellLink, ReadsBackWhatItWrites) {
  const LinkCase cases[] = {
      {"C:\\Program Files\\App\\APP.EXE", "C:\\Program Files\\App\\", "/quiet \"a b\""},
      {"C:\\APP.EXE", "", ""},
      {"C:\\APP.EXE", "", "-x"},
      {Cp932("C:\\日本語 フォルダ\\表示ソフト.EXE"), Cp932("C:\\日本語 フォルダ\\"),
       Cp932("-表示")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target + "|" + c.workingFolder + "|" + c.arguments);
    const std::string link = BuildShellLink(c.target, c.workingFolder, c.arguments);
    std::string target, folder, arguments;
    ASSERT_TRUE(ParseShellLink(link, target, folder, arguments));
    EXPECT_EQ(target, c.target);
    EXPECT_EQ(folder, c.workingFolder);
    EXPECT_EQ(arguments, c.arguments);
    // Header fields other readers rely on.
    EXPECT_EQ(U32(link, 0), 0x4Cu);
    const uint32_t flags = U32(link, 0x14);
    EXPECT_EQ(flags & 0x82u, 0x82u);  // HasLinkInfo, IsUnicode
    EXPECT_EQ((flags & 0x10u) != 0, !c.workingFolder.empty());
    EXPECT_EQ((flags & 0x20u) != 0, !c.arguments.empty());
    EXPECT_EQ(U32(link, 0x3C), 1u);  // SW_SHOWNORMAL
    EXPECT_EQ(U32(link, link.size() - 4), 0u);
  }
}

TEST(ShellLink, RejectsDamagedLinks) {
  const std::string link = BuildShellLink("C:\\A\\B.EXE", "C:\\A\\", "arg");
  std::string t, w, a;
  for (std::size_t cut = 0; cut < link.size() - 4; ++cut)
    EXPECT_FALSE(ParseShellLink(link.substr(0, cut), t, w, a)) << cut;
  std::string wrongClsid = link;
  wrongClsid[5] ^= 1;
  EXPECT_FALSE(ParseShellLink(wrongClsid, t, w, a));
  std::string hugeInfo = link;
  hugeInfo[0x4C + 3] = '\x7F';  // LinkInfo size far past the end
  EXPECT_FALSE(ParseShellLink(hugeInfo, t, w, a));
}

TEST(ShellLink, CountedStringsEndAtTheirFirstNul) {
  // Wine's link object counts a terminating NUL into each string it writes.
  std::string link = BuildShellLink("C:\\A.EXE", "C:\\Work", "-x");
  const std::string work("\x07\0C\0:\0\\\0W\0o\0r\0k\0", 16);
  const std::size_t at = link.find(work);
  ASSERT_NE(at, std::string::npos);
  link[at] = 8;
  link.insert(at + work.size(), std::string("\0\0", 2));
  std::string target, folder, arguments;
  ASSERT_TRUE(ParseShellLink(link, target, folder, arguments));
  EXPECT_EQ(folder, "C:\\Work");
  EXPECT_EQ(arguments, "-x");
}

// Runs lnkinfo on a written link and returns the value of the line starting with `label`.
std::string LnkInfoValue(const std::string& output, const std::string& label) {
  std::size_t at = output.find("\t" + label);
  if (at == std::string::npos) return "<missing>";
  std::size_t colon = output.find(": ", at);
  std::size_t end = output.find('\n', at);
  if (colon == std::string::npos || colon > end) return "<malformed>";
  return output.substr(colon + 2, end - colon - 2);
}

TEST(ShellLink, LnkinfoReadsOurLinks) {
  if (std::system("command -v lnkinfo >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "lnkinfo not installed (Debian package liblnk-utils)";
  std::string pattern = (fs::temp_directory_path() / "shelllinktest.XXXXXX").string();
  const fs::path dir = mkdtemp(pattern.data());
  const LinkCase cases[] = {
      {"C:\\Program Files\\My App\\APP.EXE", "C:\\Program Files\\My App\\", "/s \"x y\""},
      {Cp932("C:\\日本語 フォルダ\\ソフト.EXE"), Cp932("D:\\作業\\"), Cp932("-表示 ソ")},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(DisplayUtf8(c.target));
    const fs::path file = dir / ("link" + std::to_string(++n) + ".lnk");
    std::ofstream(file, std::ios::binary) << BuildShellLink(c.target, c.workingFolder, c.arguments);
    std::string output;
    FILE* pipe = popen(("lnkinfo '" + file.string() + "' 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    while (std::size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    EXPECT_EQ(pclose(pipe), 0) << output;
    EXPECT_EQ(LnkInfoValue(output, "Local path"), DisplayUtf8(c.target)) << output;
    EXPECT_EQ(LnkInfoValue(output, "Working directory"), DisplayUtf8(c.workingFolder));
    EXPECT_EQ(LnkInfoValue(output, "Command line arguments"), DisplayUtf8(c.arguments));
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace orvane::host
