// The headless program: scripted user, answers file and transcript.
#include "tools/HeadlessProgram.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "app/Application.h"
#include "tools/ToolSupport.h"

namespace orvane::tools {
namespace {

std::string TranscriptName(const std::string& path) {
  return path.empty() || path == "-" ? "standard output" : path;
}

}  // namespace

HeadlessProgramUi::HeadlessProgramUi(headless::Answers answers, std::ostream& out)
    : transcript_(out), ui_(std::move(answers), transcript_) {}

void HeadlessProgramUi::Attach(Application& app, const DiskChanger& insertDisk) {
  ui_.Attach(app);
  ui_.InsertDisk = [insertDisk, &app](int, const std::string& folder) {
    // The distribution drive is the drive of the running program.
    char drive = app.ctx.SourceFolder.empty() ? 'D' : app.ctx.SourceFolder[0];
    return insertDisk(drive, PathFromUtf8(folder));
  };
}

void HeadlessProgramUi::Finish(int code) {
  ui_.ReportUnusedRules();
  transcript_.Line("exit " + std::to_string(code));
}

headless::Answers LoadAnswers(const std::string& path) {
  if (path.empty()) return {};
  // A folder opens for reading on Linux and reads as nothing: it would pass for an empty file.
  std::error_code ec;
  const std::filesystem::path file = PathFromUtf8(path);
  if (std::filesystem::is_directory(file, ec))
    throw headless::AnswersError(path + ": a folder, not an answers file");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw headless::AnswersError("cannot read the answers file " + path);
  std::stringstream text;
  text << in.rdbuf();
  if (in.bad()) throw headless::AnswersError("cannot read the answers file " + path);
  std::string base = PathToUtf8(std::filesystem::absolute(file).parent_path());
  return headless::Answers::Parse(text.str(), path, base);
}

std::ostream& OpenTranscript(const std::string& path, bool append, std::ofstream& file) {
  if (path.empty() || path == "-") return std::cout;
  errno = 0;
  // Binary: the transcript's lines end in LF alone on every system.
  file.open(PathFromUtf8(path), std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  if (!file) throw TranscriptError(TranscriptNotWritten(path, errno ? errno : EIO));
  return file;
}

std::string TranscriptNotWritten(const std::string& path, int error) {
  return "cannot write the transcript to " + TranscriptName(path) + ": " + std::strerror(error) +
         "; nothing was run";
}

int RunHeadless(const StartRequest& request, headless::Answers answers,
                const std::string& transcriptPath, bool append, const std::string& tool) {
  std::ofstream file;
  std::ostream& out = OpenTranscript(transcriptPath, append, file);
  HeadlessProgramUi ui(std::move(answers), out);
  int code = RunProgram(request, ui);
  if (file.is_open()) {
    errno = 0;
    file.close();
    if (file.fail()) ui.GetTranscript().NoteFailure(errno ? errno : EIO);
  }
  const headless::Transcript& transcript = ui.GetTranscript();
  if (!transcript.Lost()) return code;
  if (code == kExitTranscriptLost) {
    std::cerr << tool << ": " << TranscriptNotWritten(transcriptPath, transcript.LostError())
              << "\n";
  } else {
    std::cerr << tool << ": the transcript to " << TranscriptName(transcriptPath)
              << " was cut short (" << std::strerror(transcript.LostError())
              << "); the run went on to its end: exit " << code << "\n";
  }
  return kExitTranscriptLost;
}

int RunHeadlessFromEnvironment(const StartRequest& request, const std::string& tool) {
  return RunHeadless(request, LoadAnswers(EnvironmentValue("ORVANE_ANSWERS").value_or("")),
                     EnvironmentValue("ORVANE_TRANSCRIPT").value_or(""), true, tool);
}

}  // namespace orvane::tools
