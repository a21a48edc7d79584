// The tools' shared command-line parser.
#include <gtest/gtest.h>

#include "tools/CommandOptions.h"

using namespace orvane::tools;

namespace {

const std::vector<OptionSpec> kSpecs = {{"machine", true}, {"answers", true}, {"real-time", false}};

std::string Error(const std::vector<std::string>& args, bool stopAtOperand = false) {
  try {
    ParseOptions(args, kSpecs, stopAtOperand);
  } catch (const UsageError& error) {
    return error.what();
  }
  return "no error";
}

}  // namespace

TEST(CommandOptions, ValuesComeInEveryFormAndOperandsKeepTheirOrder) {
  ParsedOptions p = ParseOptions({"a", "--machine=/m", "b", "--answers", "x=y", "--real",
                                  "--machine", "/n", "--", "--answers", "-"},
                                 kSpecs);
  EXPECT_EQ(p.Value("machine"), "/n");
  EXPECT_EQ(p.Values("machine"), (std::vector<std::string>{"/m", "/n"}));
  EXPECT_EQ(p.Value("answers"), "x=y");
  EXPECT_TRUE(p.Has("real-time"));
  EXPECT_EQ(p.operands, (std::vector<std::string>{"a", "b", "--answers", "-"}));
  EXPECT_FALSE(p.help || p.version);
  // Two runs in a row start afresh.
  p = ParseOptions({"--version", "c"}, kSpecs);
  EXPECT_TRUE(p.version);
  EXPECT_EQ(p.operands, std::vector<std::string>{"c"});
}

TEST(CommandOptions, StopsAtTheFirstOperandWhenAskedTo) {
  ParsedOptions p = ParseOptions({"--machine", "/m", "reg", "--machine", "x"}, kSpecs, true);
  EXPECT_EQ(p.Value("machine"), "/m");
  EXPECT_EQ(p.operands, (std::vector<std::string>{"reg", "--machine", "x"}));
}

TEST(CommandOptions, MistakesGetOneLineEach) {
  EXPECT_EQ(Error({"--bogus"}), "unknown option --bogus");
  EXPECT_EQ(Error({"-x"}), "unknown option -x");
  EXPECT_EQ(Error({"a", "--answers"}), "--answers needs a value");
  EXPECT_EQ(Error({"--real-time=1"}), "--real-time takes no value");
  EXPECT_EQ(Error({"--version=2"}), "--version takes no value");
}
