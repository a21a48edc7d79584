// The script checker: each rule against a script that breaks it and one that does not, the
// mistakes a new author makes, the example package, and the reference page against the table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include "pack/DistFolder.h"
#include "pack/ScriptCheck.h"
#include "pack/ScriptRules.h"

namespace fs = std::filesystem;
using namespace orvane::pack;

namespace {

// Disk 1 holds A.EXE and LICENSE.TXT, disk 2 holds B.EXE.
class FakeDist : public IDistFiles {
 public:
  int DiskCount() const override { return 2; }
  bool HasFile(int disk, const std::string& relative) const override {
    const std::set<std::string> names[] = {{"A.EXE", "LICENSE.TXT"}, {"B.EXE"}};
    return disk >= 1 && disk <= 2 && names[disk - 1].count(FoldName(relative)) > 0;
  }
};

std::vector<std::string> RulesFound(const std::string& script) {
  FakeDist dist;
  std::vector<std::string> rules;
  for (const Finding& f : CheckScript(script, &dist)) rules.push_back(f.rule);
  return rules;
}

bool Finds(const std::string& script, const std::string& rule) {
  const std::vector<std::string> rules = RulesFound(script);
  return std::find(rules.begin(), rules.end(), rule) != rules.end();
}

struct RuleCase {
  const char* rule;
  const char* breaks;  // a script the rule reports
  const char* keeps;   // the same script put right: the rule says nothing
};

const std::string kLong(300, 'A');

const RuleCase kCases[] = {
    {"not-a-script", "just text\r\n", "[Title]\r\n"},
    {"cp932", "[Title]\r\nSetup=\x82\r\n", "[Title]\r\nSetup=\x83\x66\x83\x82\r\n"},
    {"cp932", "[Title]\r\nSetup=\xE3\x83\x87\xE3\x83\xA2\r\n", "[Title]\r\nSetup=Demo\r\n"},
    {"cp932", "\xEF\xBB\xBF[Title]\r\nSetup=Demo\r\n[Extend]\r\n",
     "[Title]\r\nSetup=Demo\r\n[Extend]\r\n"},
    {"stray-line", "[Title]\r\nSetup Demo\r\n", "[Title]\r\n; a note\r\n\r\nSetup=Demo\r\n"},
    {"stray-line", "[Title]\r\n[CopyFile\r\nFile1=(App)A.EXE\r\n",
     "[Title]\r\n[CopyFile]\r\nFile1=(App)A.EXE\r\n"},
    {"unknown-section", "[CopyFiles]\r\nFile1=(App)A.EXE\r\n",
     "[CopyFile]\r\nFile1=(App)A.EXE\r\n"},
    {"duplicate-section", "[Title]\r\nSetup=A\r\n[Title]\r\nProgram=B\r\n",
     "[Title]\r\nSetup=A\r\nProgram=B\r\n"},
    {"unknown-key", "[Title]\r\nSetp=A\r\n", "[Title]\r\nSetup=A\r\n"},
    {"unknown-key", "[TopMessage]\r\nMessage6=Hi\r\n", "[TopMessage]\r\nMessage5=Hi\r\n"},
    {"unknown-key", "[CopyFile]\r\nFile1=(App)A.EXE\r\nFile1_1=(App)A.EXE\r\n",
     "[SelectType]\r\nVisible=True\r\n[CopyFile]\r\nFile1=(App)A.EXE\r\nFile1_2=(App)A.EXE\r\n"},
    {"unknown-key", "[MakeFolder]\r\nFolder01=(App)A\r\n", "[MakeFolder]\r\nFolder1=(App)A\r\n"},
    {"duplicate-key", "[Title]\r\nSetup=A\r\nsetup=B\r\n", "[Title]\r\nSetup=A\r\nUnSetup=B\r\n"},
    {"list-gap", "[MakeFolder]\r\nFolder1=(App)A\r\nFolder3=(App)B\r\n",
     "[MakeFolder]\r\nFolder1=(App)A\r\nFolder2=(App)B\r\n"},
    {"list-gap",
     "[SelectType]\r\nVisible=True\r\n[CopyFile]\r\nFile1=(App)A.EXE\r\nFile2_2=(App)A.EXE\r\n"
     "File3=(App)A.EXE\r\n",
     "[SelectType]\r\nVisible=True\r\n[CopyFile]\r\nFile1=(App)A.EXE\r\nFile2_2=(App)A.EXE\r\n"},
    {"list-gap", "[CopyFile]\r\nFile1=(App)A.EXE\r\nFile2=\r\nFile3=(App)A.EXE\r\n",
     "[CopyFile]\r\nFile1=(App)A.EXE\r\nFile2=(App)A.EXE\r\nFile3=\r\n"},
    {"missing-field", "[Relate]\r\nName1=TXT\r\n",
     "[Relate]\r\nName1=TXT\r\nFile1=open,(App)A.EXE,%1\r\n"},
    {"missing-field", "[Relate]\r\nName1=TXT\r\nFile1=(App)A.EXE\r\n",
     "[Relate]\r\nName2=TXT,Text\r\nFile2=open,(App)A.EXE\r\n"},
    {"missing-field", "[IniFile]\r\nData1=S,K,V\r\n", "[IniFile]\r\nData1=S,K,V,(App)A.INI\r\n"},
    {"missing-field", "[Registry]\r\nName1=Path\r\n",
     "[Registry]\r\nKey1=(Local)SOFTWARE\\X\r\nName1=Path\r\n"},
    {"shortcut-box", "[ShortCut]\r\nMake1=(App)A.EXE\r\n",
     "[ShortCut]\r\nMake1=(App)A.EXE\r\nName1=(Sta)A\r\n"},
    {"shortcut-box",
     "[ShortCut]\r\nMake1=(App)A.EXE\r\nName1=(App)A\r\nMake2=(App)A.EXE\r\n"
     "Name3=(Dsk)A\r\nMake3=(App)A.EXE\r\n",
     "[ShortCut]\r\nMake1=(App)A.EXE\r\nName1=(App)A\r\nMake2=(App)A.EXE\r\nName2=(Dsk)A\r\n"},
    {"path-token", "[CopyFile]\r\nFile1=(Ap)\\A.EXE\r\n", "[CopyFile]\r\nFile1=(app)\\A.EXE\r\n"},
    {"path-token", "[CopyFile]\r\nFile1=(dch)(App)B.EXE\r\n",
     "[CopyFile]\r\nFile1=(App)A.EXE\r\nFile2=(Dch)(App)B.EXE\r\n"},
    {"path-token", "[DefaultFolder]\r\nFolder=(App)Demo\r\n",
     "[DefaultFolder]\r\nFolder=(Prg)Demo\r\n"},
    {"path-token", "[ShortCut]\r\nMake1=(App)A.EXE\r\nName1=(Sta)A (Beta)\\(Dks)A\r\n",
     "[ShortCut]\r\nMake1=(App)A.EXE\r\nName1=(Sta)A (Beta)\\A\r\n"},
    {"path-token", "[IniFile]\r\nData1=S,K,V,(Ap)A.INI\r\n",
     "[IniFile]\r\nData1=S,K,(Beta),(App)A.INI\r\n"},
    {"missing-source", "[CopyFile]\r\nFile1=(App)C.EXE\r\n", "[CopyFile]\r\nFile1=(App)a.exe\r\n"},
    {"missing-source", "[CopyFile]\r\nFile1=(App)B.EXE\r\n",
     "[CopyFile]\r\nFile1=(App)DOC\\A.EXE|X.TXT\r\nFile2=(Dch)(App)B.EXE\r\n"},
    {"ignored-flag", "[CopyFile]\r\nFile1=(App)A.EXE,/S/Q\r\n",
     "[CopyFile]\r\nFile1=(App)A.EXE,/s /R/C\r\n"},
    {"ignored-flag", "[CopyFile]\r\nFile1=(App)A.EXE,/S,/R\r\n",
     "[CopyFile]\r\nFile1=(App)A.EXE,/S/R\r\n"},
    {"registry-root", "[Registry]\r\nKey1=(local)SOFTWARE\\X\r\n",
     "[Registry]\r\nKey1=(Local)SOFTWARE\\X\r\n"},
    {"registry-root", "[DeleteRegistry]\r\nKey1=(HKLM)SOFTWARE\\X\r\n",
     "[DeleteRegistry]\r\nKey1=SOFTWARE\\X\r\n"},
    {"registry-type", "[Registry]\r\nKey1=(Local)S\r\nValue1=(Int)0x10\r\n",
     "[Registry]\r\nKey1=(Local)S\r\nValue1=(Int)$10\r\n"},
    {"registry-type", "[Registry]\r\nKey1=(Local)S\r\nValue1=(str)text\r\n",
     "[Registry]\r\nKey1=(Local)S\r\nValue1=(Str)(Pdd)(App)\r\n"},
    {"registry-type", "[Registry]\r\nKey1=(Local)S\r\nValue1=(Bin)0102\r\n",
     "[Registry]\r\nKey1=(Local)S\r\nValue1=(Bin)0000FFFF\r\n"},
    {"registry-type", "[Registry]\r\nKey1=(Local)S\r\nValue1=(Bin)010203040506\r\n",
     "[Registry]\r\nKey1=(Local)S\r\nValue1=(Dwd)-1\r\n"},
    {"missing-file", "[EULA]\r\nFile=NOPE.TXT\r\n", "[EULA]\r\nFile=license.txt\r\n"},
    {"empty-message", "[TopMessage]\r\nMessage1=\r\n", "[TopMessage]\r\nMessage3=Hello\r\n"},
    {"setting-value", "[Extend]\r\nEnabled=false\r\n", "[Extend]\r\nEnabled=False\r\n"},
    {"setting-value", "[Extend]\r\nSetupSpeed=fast\r\n", "[Extend]\r\nSetupSpeed=0100\r\n"},
    {"setting-value", "[Extend]\r\nUnSetupOption=1,0,0\r\n",
     "[Extend]\r\nUnSetupOption=DeleteAll\r\n"},
    {"setting-value", "[ExecuteFile]\r\nFile=windows_reboot\r\n",
     "[ExecuteFile]\r\nFile=WINDOWS_REBOOT\r\n"},
};

TEST(ScriptCheck, EachRuleReportsTheScriptThatBreaksItAndNotTheOneThatKeepsIt) {
  std::set<std::string> tested;
  for (const RuleCase& c : kCases) {
    EXPECT_TRUE(Finds(c.breaks, c.rule)) << c.rule << " missed in:\n" << c.breaks;
    EXPECT_FALSE(Finds(c.keeps, c.rule)) << c.rule << " reported in:\n" << c.keeps;
    tested.insert(c.rule);
  }
  // The long destination: too-long needs a script built at run time.
  const std::string longEntry = "[CopyFile]\r\nFile1=(App)" + kLong + "\\A.EXE\r\n";
  EXPECT_TRUE(Finds(longEntry, "too-long"));
  EXPECT_FALSE(
      Finds("[CopyFile]\r\nFile1=(App)" + std::string(200, 'A') + "\\A.EXE\r\n", "too-long"));
  tested.insert("too-long");
  for (const CheckRule& rule : CheckRules()) EXPECT_TRUE(tested.count(rule.name)) << rule.name;
}

// The three mistakes a new author made, each on its line, and nothing else.
TEST(ScriptCheck, ReportsTheNewAuthorsMistakesWithTheirLines) {
  const std::string script =
      "[Title]\r\n"                  // 1
      "Setup=Demo\r\n"               // 2
      "[CopyFiles]\r\n"              // 3
      "File1=(App)A.EXE\r\n"         // 4
      "[CopyFile]\r\n"               // 5
      "File1=(Ap)\\A.EXE\r\n"        // 6
      "File2=(App)GONE.EXE,/S\r\n";  // 7
  FakeDist dist;
  const std::vector<Finding> findings = CheckScript(script, &dist);
  ASSERT_EQ(findings.size(), 3u);
  EXPECT_EQ(FormatFinding("SETUP.INI", findings[0]),
            "SETUP.INI:3: error: [CopyFiles] is never read; did you mean [CopyFile]? "
            "[unknown-section]");
  EXPECT_EQ(findings[1].line, 6u);
  EXPECT_EQ(findings[1].rule, "path-token");
  EXPECT_NE(findings[1].text.find("did you mean (App)?"), std::string::npos);
  EXPECT_EQ(findings[2].line, 7u);
  EXPECT_EQ(findings[2].rule, "missing-source");
  EXPECT_EQ(CheckStatus(findings), 2);

  const std::string json = FindingsJson("a\"b.ini", {findings[0]});
  EXPECT_EQ(json,
            "[{\"file\": \"a\\\"b.ini\", \"line\": 3, \"severity\": \"error\", \"rule\": "
            "\"unknown-section\", \"message\": \"[CopyFiles] is never read; did you mean "
            "[CopyFile]?\"}]\n");
  EXPECT_EQ(FindingsJson("x", {}), "[]\n");
  EXPECT_EQ(CheckStatus(CheckScript("[Title]\r\nSetp=A\r\nWhatever=1\r\n", &dist)), 2);
  EXPECT_EQ(CheckStatus(CheckScript("[Title]\r\nWhatever=1\r\n", &dist)), 1);
}

TEST(ScriptCheck, TheExamplePackageChecksClean) {
  const DistFolder dist(fs::path(ORVANE_EXAMPLES) / "demo", {});
  EXPECT_TRUE(CheckScript(dist.ScriptBytes(), &dist).empty());
}

TEST(ScriptCheck, DistFolderFindsFilesAsWindowsDoesAndTheDisksBesideIt) {
  const fs::path root =
      fs::temp_directory_path() / ("orvane-dist-" + std::to_string(std::random_device()()));
  fs::create_directories(root / "Disk1");
  fs::create_directories(root / "disk2" / "Sub");
  fs::create_directories(root / "DISK4");
  std::ofstream(root / "Disk1" / "Setup.ini") << "[CopyFile]\r\nFile1=(App)a.exe\r\n";
  std::ofstream(root / "Disk1" / "A.exe") << "a";
  std::ofstream(root / "disk2" / "Sub" / "b.EXE") << "b";

  const DistFolder dist(root / "Disk1", {});
  EXPECT_EQ(dist.DiskCount(), 2);  // DISK4 does not follow DISK2
  EXPECT_TRUE(dist.HasFile(1, "a.EXE"));
  EXPECT_TRUE(dist.HasFile(2, "SUB\\B.exe"));
  EXPECT_FALSE(dist.HasFile(2, "SUB"));  // a folder is no file
  EXPECT_FALSE(dist.HasFile(1, "B.EXE"));
  EXPECT_EQ(dist.ScriptBytes(), "[CopyFile]\r\nFile1=(App)a.exe\r\n");
  EXPECT_EQ(DistFolder(root / "Disk1" / "Setup.ini", {root / "DISK4"}).DiskCount(), 2);
  EXPECT_THROW(DistFolder(root / "disk2", {}), std::runtime_error);
  fs::remove_all(root);
}

// The reference page lists every section and key of the table, and no other, and describes
// every rule under a heading of its name (the anchor the findings point to).
TEST(ScriptCheck, TheReferencePageMatchesTheTable) {
  std::ifstream in(fs::path(ORVANE_SOURCE_DIR) / "docs" / "setup-ini.md");
  ASSERT_TRUE(in);
  std::set<std::string> documented, headings;
  std::string line, section;
  const std::regex sectionHeading(R"(^## \[(\w+)\]$)");
  const std::regex keyRow(R"(^\| `([A-Za-z0-9_<>]+)` \|)");
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, sectionHeading)) {
      section = m[1];
    } else if (line.rfind("## ", 0) == 0) {
      section.clear();
    }
    if (line.rfind("### ", 0) == 0) headings.insert(line.substr(4));
    if (!section.empty() && std::regex_search(line, m, keyRow))
      documented.insert(section + " " + std::string(m[1]));
  }
  std::set<std::string> table;
  for (const ScriptKey& key : ScriptKeys())
    table.insert(std::string(key.section) + " " + key.name +
                 (key.numbering == Numbering::None ? "" : "<n>"));
  EXPECT_EQ(documented, table);
  for (const CheckRule& rule : CheckRules()) EXPECT_TRUE(headings.count(rule.name)) << rule.name;
}

}  // namespace

namespace {

// The table holds what the code reads: every script read with a literal section and key in the
// program's sources is in it (the uninstall log's own sections aside), and every key of the table
// is read somewhere ([CopyFile] builds its key names at run time).
TEST(ScriptCheck, TheTableHoldsWhatTheCodeReads) {
  std::set<std::string> read;
  const std::regex call(R"re(\b(?:ScriptValue|Script)\("(\w+)",\s*"(\w+)")re");
  for (const char* folder : {"app", "install", "uninstall", "windows"}) {
    for (const auto& entry : fs::directory_iterator(fs::path(ORVANE_SOURCE_DIR) / folder)) {
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      const std::string source = text.str();
      for (std::sregex_iterator it(source.begin(), source.end(), call), end; it != end; ++it)
        if ((*it)[1] != "SetupFolder" && (*it)[1] != "UnSetupOption")
          read.insert((*it)[1].str() + " " + (*it)[2].str());
    }
  }
  read.insert("CopyFile File");
  std::set<std::string> table;
  for (const ScriptKey& key : ScriptKeys()) table.insert(std::string(key.section) + " " + key.name);
  EXPECT_EQ(read, table);
}

}  // namespace
