// Record once, replay everywhere, without windows: the recorder around the scripted user writes
// an answers file whose replay on a fresh machine shows the same transcript.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tools/HeadlessProgram.h"
#include "ui/headless/Recorder.h"

namespace orvane::tools {
namespace {

namespace fs = std::filesystem;

// The scripted user with the recorder between it and the program.
class RecordedProgramUi : public ProgramUi {
 public:
  RecordedProgramUi(headless::Answers answers, headless::Transcript::Sink out,
                    std::string& recorded)
      : inner_(std::move(answers), std::move(out)), recorder_(inner_.Ui(), [&recorded](const std::string& t) {
          recorded = t;
          return true;
        }) {}
  IUserInterface& Ui() override { return recorder_; }
  void Attach(Application& app, const DiskChanger& insertDisk) override {
    inner_.Attach(app, insertDisk);
    recorder_.Attach(app);
  }
  void Record(const std::string& line) override { inner_.Record(line); }
  bool Stopped() const override { return inner_.Stopped(); }
  void Finish(int code) override { inner_.Finish(code); }

 private:
  HeadlessProgramUi inner_;
  headless::Recorder recorder_;
};

// A transcript kept in a string.
headless::Transcript::Sink Into(std::string& text) {
  return [&text](const std::string& line) {
    text += line;
    return true;
  };
}

std::string WithoutDefaults(std::string text) {
  for (size_t at; (at = text.find(" (default)")) != std::string::npos;) text.erase(at, 10);
  return text;
}

TEST(RecorderTest, ARecordedRunReplaysToTheSameTranscript) {
  const fs::path root = fs::temp_directory_path() / ("orvane-recorder-" + std::to_string(getpid()));
  fs::remove_all(root);
  // The package's checker writes into the distribution folder: a copy keeps the sources clean.
  fs::create_directories(root);
  fs::copy(fs::path(ORVANE_EXAMPLES) / "demo", root / "dist", fs::copy_options::recursive);
  StartRequest request;
  request.distribution = (root / "dist").string();
  request.machineFolder = (root / "recorded").string();

  // A type, a box unticked, a folder typed, Abort pressed while the second file is copied and
  // the abort confirmed; every other question takes its default, which the recording names.
  const std::string script =
      "select-type type2\nfinal untick desktop\nfinal folder \"C:\\\\Rec\\\\\"\nfinal start\n"
      "abort \"*Copying -> C:\\\\Rec\\\\README.TXT\"\n";
  std::string first, second, recorded;
  RecordedProgramUi ui(headless::Answers::Parse(script, "script", ""), Into(first), recorded);
  const int code = RunProgram(request, ui);
  EXPECT_EQ(code, kExitCancelled) << first;
  ASSERT_NE(first.find("\naction status abort\n"), std::string::npos) << first;

  request.machineFolder = (root / "replayed").string();
  HeadlessProgramUi replay(headless::Answers::Parse(recorded, "recorded", ""), Into(second));
  EXPECT_EQ(RunProgram(request, replay), code) << recorded;
  EXPECT_EQ(second, WithoutDefaults(first)) << recorded;
  fs::remove_all(root);
}

}  // namespace
}  // namespace orvane::tools
