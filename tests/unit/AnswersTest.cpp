// Tests of the answers file's glob patterns, which match message box and status texts.
#include <gtest/gtest.h>

#include "ui/headless/Answers.h"

namespace orvane::headless {
namespace {

TEST(GlobMatchTest, StarMatchesAnyRunEvenWhenTheTextHoldsStars) {
  EXPECT_TRUE(GlobMatch("*a", "*ba"));  // the "*" is not used up on the text's own "*"
  EXPECT_TRUE(GlobMatch("Error*: *", "Error ** 3: disk"));
  EXPECT_TRUE(GlobMatch("a?c*", "abc"));
  EXPECT_TRUE(GlobMatch("*", ""));
  EXPECT_FALSE(GlobMatch("*a", "*b"));
  EXPECT_FALSE(GlobMatch("a?c", "ac"));
}

}  // namespace
}  // namespace orvane::headless
