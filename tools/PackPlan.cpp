// orvane-pack plan: the dry run. The real program runs, with the scripted user and the answers,
// on a scratch copy of the machine through the recording platform (pack/PlanRecorder.h), so that
// the plan is what an install does on that machine; then the copy is removed and the noted
// changes are printed. The machine itself is only read.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

#include "app/Application.h"
#include "pack/PlanRecorder.h"
#include "platform/host/HostFiles.h"
#include "platform/host/HostPlatform.h"
#include "platform/host/HostSystem.h"
#include "tools/CommandOptions.h"
#include "tools/HeadlessProgram.h"
#include "tools/PackCommands.h"
#include "tools/ProgramHost.h"
#include "tools/ToolSupport.h"
#include "windows/Status.h"

namespace orvane::tools {
namespace {

namespace fs = std::filesystem;

const char kPlanUsage[] =
    "usage: orvane-pack plan [options] DISTRIBUTION_FOLDER\n"
    "Prints, one line per change and in order, what an install from the folder would change on\n"
    "the machine, without changing it.\n"
    "options:\n"
    "  --machine DIR       the emulated machine (default $ORVANE_MACHINE or\n"
    "                      ~/.local/share/orvane/machine); a missing one is planned as new\n"
    "  --answers FILE      what the user does, as orvane-run reads it (default: every\n"
    "                      question gets its default)\n"
    "  --drive LETTER      drive letter of the distribution folder (default D)\n"
    "  --transcript FILE   the run's transcript, as orvane-run writes it (default: not kept)\n"
    "exit status: 0 the install would complete, 1 it would not (the plan shows the changes up\n"
    "             to where it stops), 2 bad command line or answers file, or the plan could not\n"
    "             be made\n";

// True when `path` lies in `folder` (both absolute, links not followed).
bool Within(const fs::path& path, const fs::path& folder) {
  const fs::path relative = path.lexically_normal().lexically_relative(folder.lexically_normal());
  return !relative.empty() && *relative.begin() != "..";
}

// The scratch copy of the machine, removed when the plan is done.
class ScratchMachine {
 public:
  explicit ScratchMachine(const fs::path& machine) {
    std::random_device random;
    root_ = fs::temp_directory_path() /
            ("orvane-plan-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
    fs::create_directories(root_);
    folder_ = root_ / "machine";
    // A machine that does not exist yet is planned as the fresh one an install would make.
    if (fs::exists(machine / "machine.ini")) Copy(machine, folder_, machine, folder_);
  }
  ~ScratchMachine() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  const fs::path& Folder() const { return folder_; }

 private:
  // Files keep their times (the overwrite rule compares them) and permissions (the read-only
  // attribute); links are copied as links, those that lead into the machine leading into the
  // copy.
  static void Copy(const fs::path& from, const fs::path& to, const fs::path& machine,
                   const fs::path& copy) {
    fs::create_directory(to, from);
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
      const fs::path target = to / entry.path().filename();
      if (entry.is_symlink()) {
        fs::path link = fs::read_symlink(entry.path());
        if (link.is_absolute() && Within(link, machine))
          link = copy / link.lexically_normal().lexically_relative(machine);
        fs::create_symlink(link, target);
      } else if (entry.is_directory()) {
        Copy(entry.path(), target, machine, copy);
      } else if (entry.is_regular_file()) {
        fs::copy_file(entry.path(), target);
        fs::last_write_time(target, fs::last_write_time(entry.path()));
      }
    }
  }

  fs::path root_, folder_;
};

// The headless user of orvane-run, who also tells the plan each status text the run shows, so
// that copies that did not happen (kept or skipped files) find their place in the plan.
class PlanProgramUi : public ProgramUi, private IUserInterface {
 public:
  PlanProgramUi(headless::Answers answers, headless::Transcript::Sink transcript)
      : inner_(std::move(answers), std::move(transcript)) {}
  void Tell(pack::PlanRecorder& plan) { plan_ = &plan; }
  IUserInterface& Ui() override { return *this; }
  void Attach(Application& app, const DiskChanger& insertDisk) override {
    app_ = &app;
    inner_.Attach(app, insertDisk);
  }
  void Record(const std::string& line) override { inner_.Record(line); }
  bool Stopped() const override { return inner_.Stopped(); }
  void Finish(int code) override {
    uninstallLog = app_->ctx.UninstallLogPath;
    inner_.Finish(code);
  }
  std::string uninstallLog;

 private:
  void NoteStatus() {
    TfrmStatus& status = app_->frmStatus();
    if (!status.visible) return;
    if (status.stepTextShowings == showings_ && status.lblMessage.caption == text_) return;
    showings_ = status.stepTextShowings;
    text_ = status.lblMessage.caption;
    if (plan_) plan_->NoteStatus(text_);
  }
  void Realise(TForm& form) override { inner_.Ui().Realise(form); }
  void ProcessMessages() override {
    NoteStatus();
    inner_.Ui().ProcessMessages();
  }
  void HandleMessage() override {
    NoteStatus();
    inner_.Ui().HandleMessage();
  }
  int ShowMessage(const std::string& text, const std::string& caption, uint32_t flags) override {
    NoteStatus();
    return inner_.Ui().ShowMessage(text, caption, flags);
  }
  std::optional<std::string> BrowseForFolder(const std::string& title, uint32_t flags) override {
    return inner_.Ui().BrowseForFolder(title, flags);
  }
  int RestartDialog() override { return inner_.Ui().RestartDialog(); }

  HeadlessProgramUi inner_;
  pack::PlanRecorder* plan_ = nullptr;
  Application* app_ = nullptr;
  unsigned showings_ = 0;
  std::string text_;
};

}  // namespace

int PackPlan(const std::vector<std::string>& arguments) {
  const ParsedOptions options =
      ParseOptions(arguments, {{"machine", true}, {"answers", true}, {"drive", true}, {"transcript", true}});
  if (AnswerHelpOrVersion(options, kPlanUsage, "orvane-pack")) return 0;
  if (options.operands.size() != 1) throw UsageError("plan takes one distribution folder");
  const fs::path distribution = fs::absolute(PathFromUtf8(options.operands[0]));
  if (!fs::is_directory(distribution))
    throw UsageError("no such folder: " + options.operands[0]);
  char drive = 'D';
  if (options.Has("drive")) {
    const std::string d = options.Value("drive");
    if (d.size() != 1 || !std::isalpha(static_cast<unsigned char>(d[0])) ||
        std::toupper(static_cast<unsigned char>(d[0])) == 'C')
      throw UsageError("--drive takes one letter other than C");
    drive = static_cast<char>(std::toupper(static_cast<unsigned char>(d[0])));
  }
  const fs::path machine = fs::absolute(
      options.Has("machine") ? options.Value("machine") : DefaultMachineFolder());
  headless::Answers answers;
  try {
    answers = LoadAnswers(options.Value("answers"));
  } catch (const headless::AnswersError& error) {
    std::cerr << "orvane-pack: " << error.what() << "\n";
    return 2;
  }

  ScratchMachine scratch(machine);
  host::HostPlatformOptions hostOptions;
  hostOptions.programHostPath = SelfExecutable();
  hostOptions.programPath = std::string(1, drive) + ":\\SETUP.EXE";
  host::HostPlatform host(scratch.Folder(), hostOptions);
  host::Machine& copy = host.GetMachine();
  copy.MapDrive(drive, distribution);

  // The real machine's file at the place of a scratch path, for what only the real one knows:
  // which files other processes hold.
  auto realFile = [&](const std::string& windowsPath, fs::path& real) {
    fs::path hostPath;
    if (copy.Resolve(windowsPath, hostPath) != 0 || !Within(hostPath, scratch.Folder()))
      return false;
    real = machine / hostPath.lexically_normal().lexically_relative(scratch.Folder());
    return true;
  };
  pack::PlanProbes probes;
  probes.outside = [&](const std::string& path) -> std::optional<uint32_t> {
    fs::path hostPath;
    if (copy.Resolve(path, hostPath) != 0 || Within(hostPath, scratch.Folder())) return std::nullopt;
    return copy.ResolveForWriting(path, hostPath);
  };
  probes.inUse = [&](const std::string& path) {
    fs::path real;
    return realFile(path, real) && host::IsFileInUse(real.string());
  };
  probes.mutexHeld = [&](const std::string& name) {
    const fs::path lock = host::MutexLockFile(machine, name);
    return fs::exists(lock) && host::IsFileInUse(lock.string());
  };

  // The plan is the output; the run's transcript goes where --transcript says, else nowhere.
  std::optional<TranscriptFile> transcriptFile;
  headless::Transcript::Sink transcript = [](const std::string&) { return true; };
  if (options.Has("transcript")) {
    try {
      transcriptFile.emplace(options.Value("transcript"), false);
      transcript = transcriptFile->Sink();
    } catch (const TranscriptError& error) {
      std::cerr << "orvane-pack: " << error.what() << "\n";
      return 2;
    }
  }
  PlanProgramUi ui(std::move(answers), transcript);
  ui.Record(StartLine(hostOptions.programPath, ""));
  pack::PlanRecorder plan(host.Bundle(ui.Ui()), probes);
  ui.Tell(plan);
  const int code = RunApplication(plan.Bundle(), ui, [&copy](char letter, const std::string& folder) {
    copy.MapDrive(letter, fs::absolute(folder));
    return true;
  });
  pack::PlanLabels labels;
  labels.uninstallLog = ui.uninstallLog;
  for (const std::string& line : plan.Lines(labels)) std::cout << line << "\n";
  std::cout << "exit " << code << "\n";
  std::cout.flush();
  return code == kExitCompleted || code == kExitRestartRequired ? 0 : 1;
}

}  // namespace orvane::tools
