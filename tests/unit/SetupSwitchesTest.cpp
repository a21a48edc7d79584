// Tests of the installer's switches: what is refused before anything runs, and how the accepted
// spellings reach the run.
#include <gtest/gtest.h>

#include "tools/SetupSwitches.h"

namespace orvane::tools {
namespace {

TEST(SetupSwitchesTest, BadSwitchesAndValuesAreRefused) {
  const std::vector<std::vector<std::string>> bad = {
      {"/quite"},      // misspelt
      {"/quiet=yes"},  // a flag with a value
      {"/log"},        // no value
      {"/answers="},   // an empty value
      {"-dir:"},
      {"/dir=Program Files\\App"},   // no drive
      {"/log=a.txt", "/LOG=b.txt"},  // twice
      {"/record=r.txt", "/quiet"},   // recording needs the windows
      {"/record=r.txt", "/answers=a"},
  };
  for (std::vector<std::string> arguments : bad) {
    SCOPED_TRACE(arguments[0]);
    EXPECT_THROW(TakeSetupSwitches(arguments), SwitchError);
  }
}

TEST(SetupSwitchesTest, SpellingsAreTakenOutAndTheRestKeepsItsOrder) {
  // The value of a tool's option is no switch, even where it looks like one.
  std::vector<std::string> arguments = {"--machine",           "/m",         "-QUIET",       "dist",
                                        "/Dir:C:\\Apps\\Demo", "/norestart", "/log=run.txt", "-h",
                                        "/nonexistent/folder"};
  SetupSwitches s = TakeSetupSwitches(arguments, {"--machine"});
  EXPECT_TRUE(s.quiet && s.noRestart && s.Unattended());
  EXPECT_EQ(s.dir, "C:\\Apps\\Demo");
  EXPECT_EQ(s.log, "run.txt");
  EXPECT_EQ(arguments,
            (std::vector<std::string>{"--machine", "/m", "dist", "-h", "/nonexistent/folder"}));

  // A unique prefix of a valued option takes its value too; after "--" nothing is a switch.
  arguments = {"--mach", "/log", "-quiet", "--", "-norestart", "/dir"};
  SetupSwitches after = TakeSetupSwitches(arguments, {"--machine", "--drive"});
  EXPECT_TRUE(after.quiet && !after.noRestart);
  EXPECT_EQ(arguments, (std::vector<std::string>{"--mach", "/log", "--", "-norestart", "/dir"}));

  // /dir is the final page's first action and /norestart the restart answer.
  headless::Answers answers = UnattendedAnswers(s);
  ASSERT_EQ(answers.actions.size(), 1u);
  EXPECT_EQ(answers.actions[0].page, headless::Page::Final);
  EXPECT_EQ(answers.actions[0].action, "folder");
  EXPECT_EQ(answers.actions[0].argument, "C:\\Apps\\Demo");
  EXPECT_EQ(answers.restart, false);
}

}  // namespace
}  // namespace orvane::tools
