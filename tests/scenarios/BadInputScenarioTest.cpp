// Bad input to the tools (command line, machine folder, script) is refused with one line and a
// documented code before anything runs; a transcript reader that goes away does not stop a run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "tests/scenarios/Scenario.h"

extern char** environ;

namespace orvane::scenario {
namespace {

namespace fs = std::filesystem;

// Process exit statuses of the runner's codes (code modulo 256).
constexpr int kFailedStatus = 1603 % 256;
constexpr int kTranscriptStatus = 1622 % 256;
constexpr int kBadCommandLineStatus = 1639 % 256;

class BadInput : public Scenario {
 protected:
  // Runs a shell command; `output` gets standard output and standard error together.
  int Command(const std::string& command, std::string& output) { return Shell(command, &output); }
  std::string RunCommand(const std::string& arguments) const {
    return std::string(ORVANE_RUN_PATH) + " --machine '" + MachineFolder().string() + "' " +
           arguments;
  }
  std::string MachineTool(const fs::path& machine, const std::string& arguments) const {
    return std::string(ORVANE_MACHINE_TOOL) + " --machine '" + machine.string() + "' " + arguments;
  }
};

// One line, naming the tool and containing `text`.
::testing::AssertionResult OneLine(const std::string& output, const std::string& tool,
                                   const std::string& text) {
  if (output.rfind(tool + ": ", 0) == 0 && output.find('\n') == output.size() - 1 &&
      output.find(text) != std::string::npos)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "not one line of " << tool << " with '" << text << "': " << output;
}

TEST_F(BadInput, CommandLinesAndMachinesAreRefusedBeforeAnythingRuns) {
  SCENARIO_EMULATED_MACHINE_ONLY(
      "it runs the Linux tools on broken machine folders and writes to /dev/full");
  WriteScript("[Title]\nSetup=Tiny\n");
  const std::string dist = " '" + Dist().string() + "'";
  std::string output;

  // orvane-run: an answers "file" that is a folder, a transcript that cannot be written. The
  // machine is not even made.
  fs::create_directories(Root() / "answers-folder");
  EXPECT_EQ(Command(RunCommand("--answers '" + (Root() / "answers-folder").string() + "'" + dist),
                    output),
            kBadCommandLineStatus);
  EXPECT_TRUE(OneLine(output, "orvane-run", "a folder, not an answers file"));
  EXPECT_EQ(Command(RunCommand("--transcript /dev/full" + dist), output), kTranscriptStatus);
  EXPECT_TRUE(OneLine(output, "orvane-run", "cannot write the transcript to /dev/full"));
  EXPECT_EQ(Command("{ " + RunCommand(dist) + " >/dev/full; }", output), kTranscriptStatus);
  EXPECT_TRUE(OneLine(output, "orvane-run", "standard output"));
  EXPECT_FALSE(fs::exists(MachineFolder() / "drive_c"));

  // orvane-machine: a mistyped machine folder is reported by every command that only reads;
  // the commands that write make the machine.
  const fs::path typo = Root() / "typo" / "machine";
  for (const char* command : {"path 'C:\\X'", "tree", "tokens", "ini get WIN.INI A B",
                              "reg get 'HKLM\\SOFTWARE'", "reg export", "reg delete 'HKCU\\X'",
                              "copy 'C:\\A' 'C:\\B'", "link 'C:\\A.LNK'", "restart", "programs"}) {
    EXPECT_EQ(Command(MachineTool(typo, command), output), 1) << command;
    EXPECT_TRUE(OneLine(output, "orvane-machine", "no machine in " + typo.string())) << command;
    EXPECT_FALSE(fs::exists(Root() / "typo")) << command;
  }
  EXPECT_EQ(Command(MachineTool(typo, "reg set 'HKLM\\SOFTWARE\\V' N REG_SZ x"), output), 0)
      << output;
  EXPECT_TRUE(fs::exists(typo / "machine.ini"));

  // A damaged machine.ini names itself, to orvane-machine and to orvane-run, and stays as it is.
  ASSERT_EQ(Command(MachineTool(MachineFolder(), "init"), output), 0) << output;
  const fs::path settings = MachineFolder() / "machine.ini";
  const std::string damaged[] = {std::string("\x7fgarbage\x02\x01\x01\0\0\0\xff\xfe", 16),
                                 "[Machine]\r\nPlatform=7\r\nUser=User\r\n", "Platform=2\r\n",
                                 "[Drives]\r\nD=/tmp\r\n", ""};
  for (const std::string& text : damaged) {
    SCOPED_TRACE(text);
    std::ofstream(settings, std::ios::binary | std::ios::trunc) << text;
    EXPECT_EQ(Command(MachineTool(MachineFolder(), "tokens"), output), 1);
    EXPECT_TRUE(OneLine(output, "orvane-machine", settings.string()));
    EXPECT_EQ(
        Command(RunCommand("--transcript '" + (Root() / "t.txt").string() + "'" + dist), output),
        kFailedStatus);
    EXPECT_TRUE(OneLine(output, "orvane-run", settings.string()));
    std::ifstream in(settings, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
  }

#ifdef ORVANE_SETUP_PATH
  // The desktop program without a display.
  const fs::path desktopMachine = Root() / "desktop";
  EXPECT_EQ(Command("env -u DISPLAY " + std::string(ORVANE_SETUP_PATH) + " --machine '" +
                        desktopMachine.string() + "'" + dist,
                    output),
            kFailedStatus);
  EXPECT_TRUE(OneLine(output, "orvane-setup", "DISPLAY is not set; nothing was run"));
  EXPECT_FALSE(fs::exists(desktopMachine));
  // A bad switch, and a bad answers file named by one, are refused before anything runs.
  std::ofstream(Root() / "bad-answers.txt") << "final jump\n";
  for (const std::string& switches : {std::string(" /quiet /nosuch"), std::string(" -log"),
                                      " /answers=" + (Root() / "bad-answers.txt").string()}) {
    EXPECT_EQ(Command("env -u DISPLAY " + std::string(ORVANE_SETUP_PATH) + " --machine '" +
                          desktopMachine.string() + "'" + dist + switches,
                      output),
              kBadCommandLineStatus)
        << switches;
    EXPECT_TRUE(OneLine(output, "orvane-setup", "")) << switches;
    EXPECT_FALSE(fs::exists(desktopMachine)) << switches;
  }
#endif
}

TEST_F(BadInput, ScriptThatIsEmptyOrNotTextShowsTheMissingScriptError) {
  const std::string notText[] = {"", "\r\n\r\n", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
                                 std::string("[Title]\r\nSetup=A\0B\r\n", 20),
                                 "; comments and keys, no section\r\nSetup=Tiny\r\n"};
  for (const std::string& script : notText) {
    SCOPED_TRACE(script);
    WriteDist("SETUP.INI", script);
    RunResult r = Install();
    EXPECT_EQ(r.exitCode, 1603) << r.transcript;
    EXPECT_TRUE(
        r.Has("page error window=\"Orvane Setup\" start=\"Start Install(&S)\" "
              "exit=\"Exit(&E)\" disabled=start"))
        << r.transcript;
    EXPECT_TRUE(r.Has("Initialize File Not Found")) << r.transcript;
    EXPECT_EQ(Programs(), "");
  }
  // Any text with one section is a script, whatever its line ends and its other lines.
  WriteDist("SETUP.INI", "junk line\n[Title]\nSetup=Tiny\nUnSetup=Tiny UnInstall");
  RunResult r = Install();
  EXPECT_EQ(r.exitCode, 0) << r.transcript;
  EXPECT_NE(Programs().find("Tiny UnInstall"), std::string::npos);
}

TEST_F(BadInput, UninstallGoesToItsEndWhenTheTranscriptReaderGoesAway) {
  SCENARIO_EMULATED_MACHINE_ONLY(
      "it reads the Linux runner's standard output through a pipe of its own");
  // Enough shared-file questions (one transcript line each) to fill a one-page pipe several
  // times: the reader is certainly gone before the uninstall ends.
  std::string script =
      "[Title]\nSetup=Pipe\nUnSetup=Pipe UnInstall\n[Extend]\nSetupSpeed=1\n"
      "[DefaultFolder]\nFolder=C:\\Pipe\\\n[CopyFile]\nFile1=(App)\\PIPE.EXE\n";
  WriteDist("PIPE.EXE", "program");
  for (int i = 0; i < 40; ++i) {
    std::string name = "PIPE" + std::to_string(i) + ".DLL";
    WriteDist(name, "library " + name);
    script += "File" + std::to_string(i + 2) + "=(Sys)\\" + name + ",/S\n";
  }
  WriteScript(script);
  ASSERT_EQ(Install().exitCode, 0);
  ASSERT_NE(Programs().find("Pipe UnInstall"), std::string::npos);

  // A transcript that cannot be written stops the uninstall command before it starts.
  std::string output;
  EXPECT_EQ(Command(RunCommand("--transcript /dev/full --uninstall 'Pipe UnInstall'"), output),
            kTranscriptStatus);
  EXPECT_TRUE(OneLine(output, "orvane-run", "nothing was run"));
  ASSERT_NE(Programs().find("Pipe UnInstall"), std::string::npos);

  std::ofstream(Root() / "answers.txt") << "shared yes\n";
  const std::string machine = MachineFolder().string(), answers = (Root() / "answers.txt").string();
  std::vector<std::string> args = {ORVANE_RUN_PATH, "--machine",   machine,         "--answers",
                                   answers,         "--uninstall", "Pipe UnInstall"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  fcntl(pipeEnds[0], F_SETPIPE_SZ, 4096);
  const std::string errors = (Root() / "stderr.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  // The reader takes the first line and goes away, as `head -1` does.
  std::string first;
  char c = 0;
  while (read(pipeEnds[0], &c, 1) == 1 && c != '\n') first += c;
  close(pipeEnds[0]);
  int status = 0;
  waitpid(pid, &status, 0);

  std::ifstream in(errors);
  std::string message((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(first.rfind("uninstall \"Pipe UnInstall\" command ", 0), 0u) << first;
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), kTranscriptStatus) << message;
  EXPECT_TRUE(OneLine(message, "orvane-run",
                      "transcript to standard output was cut short (Broken pipe); the run went "
                      "on to its end: exit 0"));
  EXPECT_EQ(Programs(), "");
  EXPECT_FALSE(Exists("C:\\Pipe"));
  for (int i = 0; i < 40; ++i)
    EXPECT_FALSE(Exists("C:\\WINDOWS\\system32\\PIPE" + std::to_string(i) + ".DLL")) << i;
}

}  // namespace
}  // namespace orvane::scenario
