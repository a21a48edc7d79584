// The wizard driven through orvane-run: page sequences, the checker, leaving and the close
// question, the error screen, a second instance, work folders, the uninstall screen and the
// earlier-version warning.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>

#include "tests/scenarios/Scenario.h"

namespace orvane::scenario {
namespace {

const char kMinimalScript[] =
    "[Title]\nSetup=Minimal Setup\nProgram=Minimal\n[Extend]\nSetupSpeed=1\n";

// A checker (a shell script run as a program of the machine) that writes RESULT.TXT.
std::string Checker(const std::string& body) {
  return "#!/bin/sh\ndir=$(dirname \"$0\")\n" + body + "\n";
}

using WizardScenario = Scenario;

TEST_F(WizardScenario, MinimalScriptGoesFromTitleStraightToFinalPage) {
  WriteScript(kMinimalScript);
  RunResult r = Install("final exit\nbox yes \"Install/UnInstall\"\n");
  std::vector<std::string> pages = r.Starting("page ");
  ASSERT_EQ(pages.size(), 2u) << r.transcript;
  EXPECT_EQ(pages[0].rfind("page title window=\"Minimal Setup\" start=\"Continue Install(&C)\"", 0),
            0u);
  EXPECT_EQ(pages[1].rfind("page final window=\"Minimal Setup\" start=\"Start Install(&S)\" "
                           "exit=\"Exit Install(&E)\" folder=\"C:\\\\Program Files\\\\\" "
                           "options=\"Install Option\" overwrite=on",
                           0),
            0u);
  // Leaving the title page blinks the window for one second; the default message is shown.
  EXPECT_GE(r.Find("pause 1000"), r.Find("action title continue"));
  EXPECT_TRUE(r.Has("text \"Click [Start Install] to start with the Install Program.\\r\\n\""));
  EXPECT_EQ(r.exitCode, 1602);
}

TEST_F(WizardScenario, EveryOptionalPageInItsOrder) {
  WriteScript(
      "[Title]\nProgram=Full\n[Extend]\nInstallChecker=CHECK.EXE\n[EULA]\nFile=EULA.TXT\n"
      "[Readme]\nFile=\\README.TXT\nTitle=Read me\n[SelectType]\nVisible=True\nType2=Second\n");
  WriteDist("CHECK.EXE", Checker("printf 'ContinueInstall\\r\\n' > \"$dir/RESULT.TXT\""), true);
  WriteDist("EULA.TXT", "Licence line\r\n");
  WriteDist("README.TXT", "Readme line\r\n");
  RunResult r = Install("select-type type2\nfinal exit\nbox yes \"Install/UnInstall\"\n");
  std::vector<std::string> names;
  for (const std::string& page : r.Starting("page "))
    names.push_back(page.substr(5, page.find(' ', 5) - 5));
  std::vector<std::string> expected = {"title",       "checked",     "licence", "readme",
                                       "select-type", "select-type", "final"};
  EXPECT_EQ(names, expected) << r.transcript;
  EXPECT_TRUE(r.Has("caption=\"Software License Agreement\""));
  EXPECT_TRUE(r.Has("caption=\"Read me\""));
  EXPECT_TRUE(r.Has("type1=\"Normal Type Install.\":off type2=\"Second\":on"));
}

TEST_F(WizardScenario, MissingOrSwitchedOffPagesAreSkippedSilently) {
  WriteScript(
      "[EULA]\nFile=NOFILE.TXT\n[Readme]\nFile=NONE.TXT\n[SelectType]\nVisible=true\n"
      "[Extend]\nInstallChecker=NOCHECK.EXE\n");
  RunResult r = Install("final exit\nbox yes *\n");
  EXPECT_EQ(r.Starting("page ").size(), 2u) << r.transcript;
  EXPECT_TRUE(r.Starting("box ").size() == 1u) << r.transcript;
}

TEST_F(WizardScenario, CheckerVerdicts) {
  WriteScript("[Extend]\nInstallChecker=CHECK.EXE\n");
  // Go on: the start button is usable again and the checker's lines are shown.
  WriteDist("CHECK.EXE",
            Checker("printf 'ContinueInstall\\r\\nLine one\\r\\nLine two\\r\\n' > \"$dir/RESULT.TXT\""),
            true);
  RunResult go = Install("final exit\nbox yes *\n");
  EXPECT_EQ(go.Starting("page checked"),
            std::vector<std::string>{"page checked window=\"Orvane Setup\" "
                                     "start=\"Continue Install(&C)\" exit=\"Exit Install(&E)\""})
      << go.transcript;
  EXPECT_TRUE(go.Has("text \" Check is now Complete.\\r\\n\\r\\nLine one\\r\\nLine two\\r\\n\\r\\n\""))
      << go.transcript;
  EXPECT_TRUE(go.Has("page final"));

  // Stop: "End(&E)" closes without the close question.
  std::filesystem::remove(Dist() / "RESULT.TXT");
  WriteDist("CHECK.EXE", Checker("printf 'AbortInstall\\r\\nToo old.\\r\\n' > \"$dir/RESULT.TXT\""),
            true);
  RunResult stop = Install();
  EXPECT_TRUE(
      stop.Has("page checked window=\"Orvane Setup\" start=\"Continue Install(&C)\" "
               "exit=\"End(&E)\" disabled=start"))
      << stop.transcript;
  EXPECT_TRUE(stop.Has("action checked exit (default)"));
  EXPECT_TRUE(stop.Starting("box ").empty()) << stop.transcript;
  EXPECT_EQ(stop.exitCode, 1602);

  // No result file: the install cannot go on.
  std::filesystem::remove(Dist() / "RESULT.TXT");
  WriteDist("CHECK.EXE", Checker("true"), true);
  RunResult none = Install();
  EXPECT_TRUE(none.Has("Install can't continue") || none.Has("Install can't be continued.\\r\\n"))
      << none.transcript;
  EXPECT_TRUE(none.Has("exit=\"End(&E)\""));
}

TEST_F(WizardScenario, CompulsoryExitLeavesWhileTheCheckerRuns) {
  WriteScript("[Extend]\nInstallChecker=CHECK.EXE\n");
  WriteDist("CHECK.EXE", Checker("sleep 2; printf 'ContinueInstall\\r\\n' > \"$dir/RESULT.TXT\""),
            true);
  RunResult r = Install("checking exit\n");
  EXPECT_TRUE(
      r.Has("page checking window=\"Orvane Setup\" start=\"Continue Install(&C)\" "
            "exit=\"Compulsory Exit(&E)\" disabled=start"))
      << r.transcript;
  EXPECT_TRUE(r.Has("action checking exit"));
  EXPECT_FALSE(r.Has("page checked"));
  EXPECT_TRUE(r.Starting("box ").empty()) << "no close question after Compulsory Exit";
  EXPECT_EQ(r.exitCode, 1602);
  // The checker is not stopped: it still writes its result after the program has ended.
  bool written = false;
  for (int i = 0; i < 100 && !written; ++i) {
    written = std::filesystem::exists(Dist() / "RESULT.TXT");
    if (!written) usleep(50000);
  }
  EXPECT_TRUE(written);
}

TEST_F(WizardScenario, RefusingTheLicenceEndsWithoutAQuestion) {
  WriteScript("[EULA]\nFile=EULA.TXT\n");
  WriteDist("EULA.TXT", "Terms\r\n");
  RunResult r = Install("licence refuse\n");
  EXPECT_TRUE(r.Has("action licence refuse"));
  EXPECT_TRUE(r.Starting("box ").empty()) << r.transcript;
  EXPECT_EQ(r.exitCode, 1602);
}

TEST_F(WizardScenario, CloseQuestionNoKeepsThePageYesEnds) {
  WriteScript(kMinimalScript);
  RunResult r = Install(
      "title exit\nbox no \"Install/UnInstall\" * once\ntitle exit\nbox yes \"Install/UnInstall\"\n");
  std::vector<std::string> boxes = r.Starting("box ");
  ASSERT_EQ(boxes.size(), 2u) << r.transcript;
  EXPECT_EQ(boxes[0],
            "box \"Install/UnInstall\" 0x24 \"Install/UnInstall is not complete.\\r\\nDo you want "
            "to abort Install/UnInstall?\" -> no");
  EXPECT_EQ(r.Starting("page title").size(), 2u);
  EXPECT_EQ(r.exitCode, 1602);
  EXPECT_FALSE(r.Has("notify ")) << "leaving from a page sends no shell notification";
}

TEST_F(WizardScenario, MissingScriptShowsTheErrorScreen) {
  WriteDist("README.TXT", "no script here\r\n");
  RunResult r = Install("box yes *\n");
  EXPECT_TRUE(
      r.Has("page error window=\"Orvane Setup\" start=\"Start Install(&S)\" "
            "exit=\"Exit(&E)\" disabled=start"))
      << r.transcript;
  EXPECT_TRUE(r.Has("text \"【Fatal Error  →  Initialize File Not Found】\\r\\n\\r\\nInstaller can't "
                    "continue Install/UnInstall.\""));
  // Exit asks the close question before the program ends.
  EXPECT_TRUE(r.Has("box \"Install/UnInstall\" 0x24"));
  EXPECT_EQ(r.exitCode, 1603);
}

TEST_F(WizardScenario, SecondInstanceEndsSilently) {
  WriteScript(kMinimalScript);
  Install("title exit\nbox yes *\n");  // makes the machine
  std::shared_ptr<void> other = HoldProgramMutex();
  ASSERT_TRUE(other);
  RunResult r = Install();
  other.reset();
  EXPECT_EQ(r.exitCode, 1618) << r.transcript;
  EXPECT_TRUE(r.Starting("page ").empty());
  EXPECT_TRUE(r.Starting("box ").empty());
}

TEST_F(WizardScenario, WorkFolderTakesTheFirstFreeNumberAndAllAreRemoved) {
  WriteScript("[Extend]\nInstallChecker=CHECK.EXE\n");
  // The checker lists the temporary folder while the program runs.
  WriteDist("CHECK.EXE",
            Checker("ls \"$SCENARIO_TEMP\" > \"$dir/TMP.LST\"\n"
                    "printf 'ContinueInstall\\r\\n' > \"$dir/RESULT.TXT\""),
            true);
  Install("title exit\nbox yes *\n");  // makes the machine
  for (const char* n : {"OVTMP1", "OVTMP2", "OVTMP7"})
    WriteFile(std::string("C:\\Users\\User\\AppData\\Local\\Temp\\") + n + "\\LEFT.TXT", "x");
  RunResult r = Install("final exit\nbox yes *\n");
  std::ifstream list(Dist() / "TMP.LST");
  std::string listed((std::istreambuf_iterator<char>(list)), std::istreambuf_iterator<char>());
  EXPECT_NE(listed.find("OVTMP3"), std::string::npos) << listed;
  EXPECT_EQ(listed.find("OVTMP4"), std::string::npos) << listed;
  for (const char* n : {"OVTMP1", "OVTMP2", "OVTMP3", "OVTMP7"})
    EXPECT_FALSE(Exists(std::string("C:\\Users\\User\\AppData\\Local\\Temp\\") + n)) << n;
}

TEST_F(WizardScenario, UninstallScreenShowsTheLogsOptions) {
  WriteScript(kMinimalScript);
  Install("title exit\nbox yes *\n");
  WriteFile("C:\\Apps\\Demo\\UNSETUP.INI",
            "[SetupFolder]\r\nFolder=C:\\Apps\\Demo\\\r\n[UnSetupOption]\r\nCheckBox=1,1,0,0\r\n"
            "[Title]\r\nUnSetup=Demo Removal\r\n");
  RunResult r = Run({"--log", "C:\\Apps\\Demo\\UNSETUP.INI"}, "uninstall exit\nbox yes *\n");
  EXPECT_TRUE(
      r.Has("page uninstall window=\"Demo Removal\" start=\"Start UnInstall(&S)\" "
            "exit=\"Exit UnInstall(&E)\" folder=\"C:\\\\Apps\\\\Demo\\\\\" "
            "options=\"UnInstall Option\" option1=\"*.INI File\":on "
            "option2=\"*.GID File\":on option3=\"\":off,disabled option4=\"\":off,disabled"))
      << r.transcript;
  EXPECT_TRUE(r.Has("text \"Click [Start UnInstall] to start with the UnInstall Program.\\r\\n\""));

  WriteFile("C:\\Apps\\Demo\\UNSETUP.INI",
            "[SetupFolder]\r\nFolder=C:\\Apps\\Demo\\\r\n[UnSetupOption]\r\nCheckBox=DeleteAll\r\n");
  RunResult all = Run({"--log", "C:\\Apps\\Demo\\UNSETUP.INI"}, "uninstall exit\nbox yes *\n");
  EXPECT_TRUE(all.Has("option1=\"All files and folder under Destination Directory\":on"))
      << all.transcript;
  EXPECT_FALSE(all.Has("option2="));

  // A log whose name is not exactly UNSETUP.INI starts the installer instead.
  WriteFile("C:\\Apps\\Demo\\unsetup.ini", "[SetupFolder]\r\nFolder=C:\\Apps\\Demo\\\r\n");
  RunResult lower = Run({"--log", "C:\\Apps\\Demo\\unsetup.ini"}, "error exit\nbox yes *\n");
  EXPECT_TRUE(lower.Has("page error")) << lower.transcript;
}

TEST_F(WizardScenario, EarlierVersionWarningFollowsTheTitlePage) {
  WriteScript("[DefaultFolder]\nFolder=C:\\Old\\\n[Caution]\nUnInstallCheck=\\OLD.EXE\n");
  Install("title exit\nbox yes *\n");
  WriteFile("C:\\Old\\OLD.EXE", "old");
  RunResult r = Install("title exit\nbox yes \"Install/UnInstall\"\n");
  // The set-up shows the title page, then warns before the user can act on the page.
  int warning = r.Find("box \"Warning\" 0x30 \"Installer found a pre version file.");
  ASSERT_GT(warning, 0) << r.transcript;
  EXPECT_LT(warning, r.Find("action title exit"));
  EXPECT_TRUE(r.Has("execute UnInstall before running this Installer.\\r\\nPlease exit this "
                    "Installer available, and execute UnInstall pre version.\" -> ok (default)"));
}

TEST_F(WizardScenario, BadSettingsStillGiveAUsableWizard) {
  WriteScript("[Extend]\nSetupSpeed=fast\n[DefaultFolder]\nReferRegistry=(Local)SOFTWARE\\X,Num\n"
              "[EULA]\nFile=BIN.DAT\n");
  WriteDist("BIN.DAT", std::string("\x00\x01\xff\xfe licence\x00\r\n", 13));
  Install("title exit\nbox yes *\n");
  SetReg("HKEY_LOCAL_MACHINE\\SOFTWARE\\X", "Num", "REG_DWORD", "5");
  RunResult r = Install("final exit\nbox yes *\n");
  EXPECT_TRUE(r.Has("page licence"));
  EXPECT_TRUE(r.Has("folder=\"C:\\\\Program Files\\\\\"")) << r.transcript;
}

TEST_F(WizardScenario, AnswersFileErrorsNameTheLine) {
  WriteScript(kMinimalScript);
  RunResult bad = Install("title continue\nfinal dance\n");
  EXPECT_NE(bad.exitCode, 0);
  EXPECT_NE(bad.errors.find("answers1.txt:2: unknown action 'dance' for the page 'final'"),
            std::string::npos)
      << bad.errors;
  RunResult unused = Install("title exit\nbox yes *\nreadme continue\n");
  EXPECT_TRUE(unused.Has("unused answers line 3: readme continue")) << unused.transcript;
}

}  // namespace
}  // namespace orvane::scenario
