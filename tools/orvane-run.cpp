// orvane-run: runs the installer with a scripted user (an answers file) and writes a transcript
// of everything a user would have seen. The same program code as a desktop start; only the user
// interface and the clock differ.
#include <cstdio>
#include <optional>

#include "app/Application.h"
#include "tools/CommandOptions.h"
#include "tools/HeadlessProgram.h"
#include "tools/ProgramHost.h"
#include "tools/ToolSupport.h"

using namespace orvane;
using namespace orvane::tools;

namespace {

void Complain(const std::string& text) { std::fprintf(stderr, "orvane-run: %s\n", text.c_str()); }

const char kUsage[] =
    "usage: orvane-run [options] DISTRIBUTION_FOLDER      install from a distribution folder\n"
    "       orvane-run [options] --log WINDOWS_PATH       start with an uninstall log\n"
    "       orvane-run [options] --uninstall NAME         run the uninstall command of an\n"
    "                                                     Add/Remove Programs entry\n"
    "options:\n"
    "  --machine DIR       the emulated machine (default $ORVANE_MACHINE, else\n"
    "                      $XDG_DATA_HOME/orvane/machine, else\n"
    "                      ~/.local/share/orvane/machine); made on first use\n"
    "  --answers FILE      what the user does (default: every question gets its default)\n"
    "  --transcript FILE   where the transcript goes (default: standard output)\n"
    "  --drive LETTER      drive letter of the distribution folder (default D)\n"
    "  --real-time         honour the installer's pauses instead of recording them\n"
    "exit codes: 0 completed, 1602 left or cancelled by the user, 1603 failed,\n"
    "            1605 --uninstall names no Add/Remove Programs entry with a command,\n"
    "            1618 another instance is running, 1622 the transcript could not be written,\n"
    "            1639 bad command line or answers file, 3010 completed, restart required\n";

const char kWindowsUsage[] =
    "usage: orvane-run [options] DISTRIBUTION_FOLDER      install from a distribution folder\n"
    "       orvane-run [options] --log WINDOWS_PATH       start with an uninstall log\n"
    "       orvane-run [options] --uninstall NAME         run the uninstall command of an\n"
    "                                                     Add/Remove Programs entry\n"
    "options:\n"
    "  --answers FILE      what the user does (default: every question gets its default)\n"
    "  --transcript FILE   where the transcript goes (default: standard output)\n"
    "  --real-time         honour the installer's pauses instead of recording them\n"
    "The program works on this Windows: --machine and --drive do not apply.\n"
    "exit codes: 0 completed, 1602 left or cancelled by the user, 1603 failed,\n"
    "            1605 --uninstall names no Add/Remove Programs entry with a command,\n"
    "            1618 another instance is running, 1622 the transcript could not be written,\n"
    "            1639 bad command line or answers file, 3010 completed, restart required\n";

}  // namespace

int main(int argc, char** argv) {
  KeepRunningWhenOutputCloses();
  StartRequest request;
  std::string answersPath, transcriptPath, uninstallName;
  bool appendTranscript = false;
  const std::vector<std::string> arguments = CommandArguments(argc, argv);
  bool machineProgram = StartedAsMachineProgram(arguments, request);
  try {
    if (machineProgram) {
      // Started as a program of the machine: the options travel in the environment.
      answersPath = EnvironmentValue("ORVANE_ANSWERS").value_or("");
      transcriptPath = EnvironmentValue("ORVANE_TRANSCRIPT").value_or("");
      appendTranscript = true;
    } else {
      CommandLine line = ParseCommandLine(arguments, {"--answers", "--transcript"}, {"--real-time"});
      if (line.help) {
        std::fputs(kEmulatedMachine ? kUsage : kWindowsUsage, stdout);
        return 0;
      }
      if (line.version) {
        std::fputs(VersionText("orvane-run").c_str(), stdout);
        return 0;
      }
      request = line.request;
      request.realTime = line.switches.count("--real-time") > 0;
      answersPath = line.values["--answers"];
      transcriptPath = line.values["--transcript"];
      uninstallName = line.uninstallName;
    }
  } catch (const std::exception& error) {
    Complain(error.what());
    std::fputs(kEmulatedMachine ? kUsage : kWindowsUsage, stderr);
    return kExitBadCommandLine;
  }

  try {
    headless::Answers answers = LoadAnswers(answersPath);
    if (uninstallName.empty())
      return RunHeadless(request, std::move(answers), transcriptPath, appendTranscript,
                         "orvane-run");

    // The uninstall command runs with the options in the environment (on Linux in place of this
    // process); it appends to the transcript after the line that names it.
    std::optional<TranscriptFile> file;
    std::optional<headless::Transcript> transcript;
    file.emplace(transcriptPath, false);
    transcript.emplace(file->Sink());
    if (!answersPath.empty())
      SetEnvironmentValue("ORVANE_ANSWERS",
                          AbsolutePath(answersPath));
    SetEnvironmentValue("ORVANE_TRANSCRIPT",
                        transcriptPath.empty() || transcriptPath == "-"
                            ? "-"
                            : AbsolutePath(transcriptPath));
    if (request.realTime) SetEnvironmentValue("ORVANE_REAL_TIME", "1");
    // The uninstaller copy may be the desktop program: it runs headless too.
    SetEnvironmentValue("ORVANE_UI", "headless");
    std::string problem;
    int code = RunUninstallCommand(request.machineFolder, uninstallName,
                                   [&](const std::string& line) {
                                     transcript->Line(line);
                                     if (transcript->Lost())
                                       throw TranscriptError(TranscriptNotWritten(
                                           transcriptPath, transcript->LostError()));
                                     // The command writes to the file from here on.
                                     file->Close();
                                   },
                                   problem);
    if (problem.empty()) return code;
    Complain(problem);
    if (file->Closed()) {
      transcript.reset();
      file.reset();
      file.emplace(transcriptPath, true);
      transcript.emplace(file->Sink());
    }
    transcript->Line("exit " + std::to_string(code));
    return code;
  } catch (const headless::AnswersError& error) {
    Complain(error.what());
    return kExitBadCommandLine;
  } catch (const TranscriptError& error) {
    Complain(error.what());
    return kExitTranscriptLost;
  } catch (const std::exception& error) {
    Complain(error.what());
    return kExitFailed;
  }
}
