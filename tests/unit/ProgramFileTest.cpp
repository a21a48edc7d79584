// The runner's file standing at the program's path (tools/ProgramFile.h), over files in memory.
#include <gtest/gtest.h>

#include "platform/memory/MemoryFiles.h"
#include "tools/ProgramFile.h"

namespace orvane::tools {
namespace {

class ProgramFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory.AddDrive('D');
    ASSERT_EQ(memory.CreateFolder("C:\\Tools"), 0u);
    ASSERT_EQ(memory.WriteFile("C:\\Tools\\orvane-run.exe", "runner"), 0u);
    ASSERT_EQ(memory.WriteFile("D:\\DATA.TXT", "data"), 0u);
  }
  memory::MemoryFiles memory;
  ProgramFileFiles files{memory, "D:\\SETUP.EXE", "C:\\Tools\\orvane-run.exe"};
};

TEST_F(ProgramFileTest, TheProgramPathReadsAsTheRunnerInAnyLetterCase) {
  FileInfo info;
  EXPECT_EQ(files.GetInfo("d:\\setup.exe", info), 0u);
  EXPECT_EQ(info.size, 6u);
  std::string bytes;
  EXPECT_EQ(files.ReadFile("D:\\SETUP.EXE", bytes), 0u);
  EXPECT_EQ(bytes, "runner");
  ASSERT_EQ(files.Copy("D:\\Setup.Exe", "C:\\COPY.EXE", false), 0u);
  EXPECT_EQ(files.ReadFile("C:\\COPY.EXE", bytes), 0u);
  EXPECT_EQ(bytes, "runner");
  // Other paths are the files themselves.
  EXPECT_EQ(files.Copy("D:\\DATA.TXT", "C:\\DATA.TXT", false), 0u);
  EXPECT_EQ(files.ReadFile("C:\\DATA.TXT", bytes), 0u);
  EXPECT_EQ(bytes, "data");
}

TEST_F(ProgramFileTest, ChangingTheProgramIsRefusedAndTheRunnerStaysAsItWas) {
  EXPECT_EQ(files.WriteFile("D:\\SETUP.EXE", "x"), 5u);
  EXPECT_EQ(files.Copy("D:\\DATA.TXT", "d:\\setup.exe", false), 5u);
  EXPECT_EQ(files.MoveFileAtRestart("D:\\DATA.TXT", "D:\\SETUP.EXE"), 5u);
  EXPECT_EQ(files.Move("D:\\SETUP.EXE", "D:\\OLD.EXE", true), 5u);
  EXPECT_EQ(files.RemoveFile("D:\\SETUP.EXE"), 5u);
  EXPECT_EQ(files.SetAttributes("D:\\SETUP.EXE", attr::ReadOnly), 5u);
  std::string bytes;
  EXPECT_EQ(memory.ReadFile("C:\\Tools\\orvane-run.exe", bytes), 0u);
  EXPECT_EQ(bytes, "runner");
  FileInfo info;
  EXPECT_NE(memory.GetInfo("D:\\SETUP.EXE", info), 0u) << "nothing was made in its place";
  EXPECT_TRUE(memory.PendingRenames().empty());
}

}  // namespace
}  // namespace orvane::tools
