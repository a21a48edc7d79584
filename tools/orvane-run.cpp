// orvane-run: runs the installer with a scripted user (an answers file) and writes a transcript
// of everything a user would have seen. The same program code as a desktop start; only the user
// interface and the clock differ.
#include <fstream>
#include <iostream>
#include <sstream>

#include "app/Application.h"
#include "platform/host/Machine.h"
#include "tools/HeadlessProgram.h"
#include "tools/ProgramHost.h"
#include "tools/ToolSupport.h"

using namespace orvane;
using namespace orvane::tools;

namespace {

const char kUsage[] =
    "usage: orvane-run [options] DISTRIBUTION_FOLDER      install from a distribution folder\n"
    "       orvane-run [options] --log WINDOWS_PATH       start with an uninstall log\n"
    "       orvane-run [options] --uninstall NAME         run the uninstall command of an\n"
    "                                                     Add/Remove Programs entry\n"
    "options:\n"
    "  --machine DIR       the emulated machine (default $ORVANE_MACHINE or\n"
    "                      ~/.local/share/orvane/machine); made on first use\n"
    "  --answers FILE      what the user does (default: every question gets its default)\n"
    "  --transcript FILE   where the transcript goes (default: standard output)\n"
    "  --drive LETTER      drive letter of the distribution folder (default D)\n"
    "  --real-time         honour the installer's pauses instead of recording them\n"
    "exit codes: 0 completed, 1602 left or cancelled by the user, 1603 failed,\n"
    "            1618 another instance is running, 1622 the transcript could not be written,\n"
    "            1639 bad command line or answers file, 3010 completed, restart required\n";

}  // namespace

int main(int argc, char** argv) {
  KeepRunningWhenOutputCloses();
  StartRequest request;
  std::string answersPath, transcriptPath, uninstallName;
  bool appendTranscript = false;
  bool machineProgram = StartedAsMachineProgram(argc, argv, request);
  try {
    if (machineProgram) {
      // Started as a program of the machine: the options travel in the environment.
      if (const char* a = std::getenv("ORVANE_ANSWERS")) answersPath = a;
      if (const char* t = std::getenv("ORVANE_TRANSCRIPT")) transcriptPath = t;
      appendTranscript = true;
    } else {
      CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                          {"--answers", "--transcript"}, {"--real-time"});
      if (line.help) {
        std::cout << kUsage;
        return 0;
      }
      request = line.request;
      request.realTime = line.switches.count("--real-time") > 0;
      answersPath = line.values["--answers"];
      transcriptPath = line.values["--transcript"];
      uninstallName = line.uninstallName;
    }
  } catch (const std::exception& error) {
    std::cerr << "orvane-run: " << error.what() << "\n" << kUsage;
    return kExitBadCommandLine;
  }

  try {
    headless::Answers answers = LoadAnswers(answersPath);
    if (uninstallName.empty())
      return RunHeadless(request, std::move(answers), transcriptPath, appendTranscript,
                         "orvane-run");

    // The uninstall command replaces this process; the options go along in the environment.
    std::ofstream file;
    headless::Transcript transcript(OpenTranscript(transcriptPath, false, file));
    if (!answersPath.empty())
      setenv("ORVANE_ANSWERS", std::filesystem::absolute(answersPath).c_str(), 1);
    setenv("ORVANE_TRANSCRIPT",
           transcriptPath.empty() || transcriptPath == "-"
               ? "-"
               : std::filesystem::absolute(transcriptPath).c_str(),
           1);
    if (request.realTime) setenv("ORVANE_REAL_TIME", "1", 1);
    // The uninstaller copy may be the desktop program: it runs headless too.
    setenv("ORVANE_UI", "headless", 1);
    std::string problem = ExecUninstallCommand(
        request.machineFolder, uninstallName, [&](const std::string& line) {
          transcript.Line(line);
          if (transcript.Lost())
            throw TranscriptError(TranscriptNotWritten(transcriptPath, transcript.LostError()));
        });
    std::cerr << "orvane-run: " << problem << "\n";
    transcript.Line("exit " + std::to_string(kExitFailed));
    return kExitFailed;
  } catch (const headless::AnswersError& error) {
    std::cerr << "orvane-run: " << error.what() << "\n";
    return kExitBadCommandLine;
  } catch (const TranscriptError& error) {
    std::cerr << "orvane-run: " << error.what() << "\n";
    return kExitTranscriptLost;
  } catch (const std::exception& error) {
    std::cerr << "orvane-run: " << error.what() << "\n";
    return kExitFailed;
  }
}
