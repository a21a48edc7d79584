// Tests of the answers file's glob patterns, which match message box and status texts, and of the
// scripted user's answer to a disk change.
#include <gtest/gtest.h>


#include "platform/WinTypes.h"
#include "ui/headless/Answers.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/headless/Transcript.h"

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

// A disk the system refused to insert is said to be so in the transcript, never "inserted".
TEST(HeadlessUiTest, ADiskChangeSaysWhetherTheDiskWentIn) {
  for (bool inserted : {true, false}) {
    std::string out;
    Transcript transcript([&out](const std::string& text) {
      out += text;
      return true;
    });
    HeadlessUi ui(Answers::Parse("disk 2 /tmp/disk2\n", "answers", "/"), transcript);
    ui.InsertDisk = [inserted](int, const std::string&) { return inserted; };
    EXPECT_EQ(ui.ShowMessage("Exchange it for the disk of NO.2.", "Disk Change", mb::OkCancel),
              id::Ok);
    EXPECT_NE(out.find(inserted ? "(inserted disk 2)" : "(disk 2 could not be inserted)"),
              std::string::npos)
        << out;
  }
}

}  // namespace
}  // namespace orvane::headless
