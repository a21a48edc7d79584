// The headless program: scripted user, answers file and transcript.
#include "tools/HeadlessProgram.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/Application.h"
#include "tools/ToolSupport.h"

namespace orvane::tools {
namespace {

std::string TranscriptName(const std::string& path) {
  return path.empty() || path == "-" ? "standard output" : path;
}

}  // namespace

HeadlessProgramUi::HeadlessProgramUi(headless::Answers answers, headless::Transcript::Sink out)
    : transcript_(std::move(out)), ui_(std::move(answers), transcript_) {}

void HeadlessProgramUi::Attach(Application& app, const DiskChanger& insertDisk) {
  ui_.Attach(app);
  ui_.InsertDisk = [insertDisk, &app](int, const std::string& folder) {
    // The distribution drive is the drive of the running program.
    char drive = app.ctx.SourceFolder.empty() ? 'D' : app.ctx.SourceFolder[0];
    return insertDisk(drive, folder);
  };
}

void HeadlessProgramUi::Finish(int code) {
  ui_.ReportUnusedRules();
  transcript_.Line("exit " + std::to_string(code));
}

headless::Answers LoadAnswers(const std::string& path) {
  if (path.empty()) return {};
  // A folder opens for reading on Linux and reads as nothing: it would pass for an empty file.
  if (IsFolder(path)) throw headless::AnswersError(path + ": a folder, not an answers file");
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) throw headless::AnswersError("cannot read the answers file " + path);
  return headless::Answers::Parse(*text, path, FolderOf(path));
}

TranscriptFile::TranscriptFile(const std::string& path, bool append) : out_(stdout) {
  if (path.empty() || path == "-") return;
  errno = 0;
  // Binary: the transcript's lines end in LF alone on every system.
  out_ = OpenFile(path, append ? "ab" : "wb");
  if (!out_) throw TranscriptError(TranscriptNotWritten(path, errno ? errno : EIO));
}

bool TranscriptFile::Write(const std::string& text) {
  if (!out_) {
    errno = EBADF;
    return false;
  }
  return std::fwrite(text.data(), 1, text.size(), out_) == text.size() && std::fflush(out_) == 0;
}

int TranscriptFile::Close() {
  if (!out_ || out_ == stdout) return 0;
  errno = 0;
  const bool failed = std::fclose(out_) != 0;
  out_ = nullptr;
  return failed ? (errno ? errno : EIO) : 0;
}

std::string TranscriptNotWritten(const std::string& path, int error) {
  return "cannot write the transcript to " + TranscriptName(path) + ": " + std::strerror(error) +
         "; nothing was run";
}

int RunHeadless(const StartRequest& request, headless::Answers answers,
                const std::string& transcriptPath, bool append, const std::string& tool) {
  TranscriptFile file(transcriptPath, append);
  HeadlessProgramUi ui(std::move(answers), file.Sink());
  int code = RunProgram(request, ui);
  if (int error = file.Close()) ui.GetTranscript().NoteFailure(error);
  const headless::Transcript& transcript = ui.GetTranscript();
  if (!transcript.Lost()) return code;
  if (code == kExitTranscriptLost) {
    std::fprintf(stderr, "%s: %s\n", tool.c_str(),
                 TranscriptNotWritten(transcriptPath, transcript.LostError()).c_str());
  } else {
    std::fprintf(stderr, "%s: the transcript to %s was cut short (%s); the run went on to its end: "
                 "exit %d\n", tool.c_str(), TranscriptName(transcriptPath).c_str(),
                 std::strerror(transcript.LostError()), code);
  }
  return kExitTranscriptLost;
}

int RunHeadlessFromEnvironment(const StartRequest& request, const std::string& tool) {
  return RunHeadless(request, LoadAnswers(EnvironmentValue("ORVANE_ANSWERS").value_or("")),
                     EnvironmentValue("ORVANE_TRANSCRIPT").value_or(""), true, tool);
}

}  // namespace orvane::tools
