// The headless program: scripted user, answers file and transcript.
#include "tools/HeadlessProgram.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "app/Application.h"
#include "platform/host/Machine.h"

namespace orvane::tools {

HeadlessProgramUi::HeadlessProgramUi(headless::Answers answers, std::ostream& out)
    : transcript_(out), ui_(std::move(answers), transcript_) {}

void HeadlessProgramUi::Attach(Application& app, host::Machine& machine) {
  ui_.Attach(app);
  ui_.InsertDisk = [&machine, &app](int, const std::string& folder) {
    // The distribution drive is the drive of the running program.
    char drive = app.ctx.SourceFolder.empty() ? 'D' : app.ctx.SourceFolder[0];
    machine.MapDrive(drive, std::filesystem::absolute(folder));
  };
}

void HeadlessProgramUi::Finish(int code) {
  ui_.ReportUnusedRules();
  transcript_.Line("exit " + std::to_string(code));
}

headless::Answers LoadAnswers(const std::string& path) {
  if (path.empty()) return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the answers file " + path);
  std::stringstream text;
  text << in.rdbuf();
  std::string base = std::filesystem::absolute(path).parent_path().string();
  return headless::Answers::Parse(text.str(), path, base);
}

std::ostream& OpenTranscript(const std::string& path, bool append, std::ofstream& file) {
  if (path.empty() || path == "-") return std::cout;
  file.open(path, append ? std::ios::app : std::ios::trunc);
  if (!file) throw std::runtime_error("cannot write the transcript " + path);
  return file;
}

int RunHeadlessFromEnvironment(const StartRequest& request) {
  const char* answers = std::getenv("ORVANE_ANSWERS");
  const char* transcript = std::getenv("ORVANE_TRANSCRIPT");
  std::ofstream file;
  std::ostream& out = OpenTranscript(transcript ? transcript : "", true, file);
  HeadlessProgramUi ui(LoadAnswers(answers ? answers : ""), out);
  return RunProgram(request, ui);
}

}  // namespace orvane::tools
