// Program start on Windows: the machine is the one the program runs on. The runner stands in
// the distribution folder as its SETUP.EXE (or, started with a log, in the Windows folder as the
// uninstaller copy); the uninstall command is started as Windows starts it and waited for.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cwctype>

#include "platform/win32/Win32Components.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Lz.h"
#include "platform/win32/Win32Paths.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32System.h"
#include "tools/ProgramFile.h"
#include "tools/ProgramHost.h"
#include "tools/ToolSupport.h"
#include "ui/headless/Transcript.h"

namespace orvane::tools {
namespace {

// A host path in the program's code page: characters it has no code for become "?" (such a
// path is then refused by the backend's path check rather than read as another file).
std::string ToProgramPath(const std::string& utf8) {
  std::wstring wide = WideText(utf8);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return win32::FromWideLossy(wide);
}

std::string WindowsFolder() {
  wchar_t buffer[MAX_PATH + 1];
  UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  std::string folder = length > 0 && length <= MAX_PATH
                           ? win32::FromWideLossy(std::wstring(buffer, length))
                           : std::string("C:\\WINDOWS");
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::string SystemErrorText(DWORD code) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length ? std::wstring(text, length) : L"error " + std::to_wstring(code);
  if (text) LocalFree(text);
  while (!message.empty() && std::iswspace(message.back())) message.pop_back();
  return Utf8Text(message);
}

// Inserting a disk substitutes the disk's folder for the distribution drive (as "subst" does),
// for this session; the drive's earlier meaning comes back when the definition is removed.
class DriveSubstitutes {
 public:
  ~DriveSubstitutes() {
    for (const auto& [device, target] : defined_)
      DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device.c_str(),
                       target.c_str());
  }
  bool Insert(char drive, const std::string& folder) {
    std::wstring device = {static_cast<wchar_t>(drive), L':'};
    std::wstring target = WideText(AbsolutePath(folder));
    if (!DefineDosDeviceW(0, device.c_str(), target.c_str())) return false;
    defined_.push_back({device, target});
    return true;
  }

 private:
  std::vector<std::pair<std::wstring, std::wstring>> defined_;
};

}  // namespace

const bool kEmulatedMachine = false;

std::string SelfExecutable() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Utf8Text(buffer.substr(0, length));
    buffer.resize(buffer.size() * 2);
  }
}

bool StartedAsMachineProgram(const std::vector<std::string>& arguments, StartRequest& request) {
  // The runner's uninstall command puts the transcript's name in the environment; Add/Remove
  // Programs starts the uninstaller with its log as the only argument.
  bool started = EnvironmentValue("ORVANE_TRANSCRIPT").has_value();
  if (!started && arguments.size() == 1 && !arguments[0].empty() && arguments[0][0] != '-') {
    started = !IsFolder(arguments[0]);
  }
  if (!started) return false;
  request.programPath = ToProgramPath(SelfExecutable());
  if (!arguments.empty()) {
    try {
      request.firstArgument = FromTerminal(arguments[0]);
    } catch (const std::exception&) {
      request.firstArgument = arguments[0];
    }
  }
  request.realTime = EnvironmentValue("ORVANE_REAL_TIME").value_or("") == "1";
  return true;
}

int RunProgram(const StartRequest& request, ProgramUi& ui) {
  const std::string realPath = ToProgramPath(SelfExecutable());
  std::string programPath = request.programPath;
  if (programPath.empty() && !request.distribution.empty()) {
    std::string folder = ToProgramPath(AbsolutePath(request.distribution));
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    programPath = folder + "\\SETUP.EXE";
  }
  // Started with an uninstall log but not as the uninstaller copy: the program stands where
  // the install run puts that copy.
  if (programPath.empty()) programPath = WindowsFolder() + "\\UNORVANE.EXE";

  // The record's first line goes out before the machine is touched (see the Linux host).
  ui.Record(StartLine(programPath, request.firstArgument));
  if (ui.RecordLost() && request.programPath.empty()) return kExitTranscriptLost;

  win32::Win32Files files;
  win32::Win32Profile profile;
  win32::Win32Registry registry;
  win32::Win32Shell shell;
  win32::Win32Lz lz;
  win32::Win32Components components;
  win32::Win32Processes processes;
  // A restart the user agrees to restarts Windows, as the program does when it runs alone.
  win32::SystemOptions systemOptions;
  systemOptions.allowRestart = true;
  win32::Win32System system(systemOptions);
  win32::Win32Clock clock(!request.realTime,
                          [&ui](uint32_t ms) { ui.Record("pause " + std::to_string(ms)); });
  ProgramFileFiles programFiles(files, programPath, realPath);
  ProgramFileSystem programSystem(system, programPath, realPath, request.firstArgument);
  Platform platform{programFiles, profile,   registry,      shell, lz,
                    components,   processes, programSystem, clock, ui.Ui()};
  DriveSubstitutes substitutes;
  return RunApplication(platform, ui, [&substitutes](char drive, const std::string& f) {
    return substitutes.Insert(drive, f);
  });
}

int RunUninstallCommand(const std::string&, const std::string& entryName,
                        const std::function<void(const std::string&)>& record,
                        std::string& problem, const std::vector<std::string>& extra) {
  win32::Win32Registry registry;
  const std::string key =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + FromTerminal(entryName);
  RegValue value;
  if (registry.GetValue(RegRoot::LocalMachine, key, "UninstallString", value) != 0 ||
      value.data.empty() || (value.type != reg::Sz && value.type != reg::ExpandSz)) {
    problem = "no Add/Remove Programs entry named '" + entryName + "' with an uninstall command";
    return kExitUnknownProduct;
  }
  std::string command = value.data;
  // The switches follow the command's own arguments, quoted where they hold blanks.
  for (const std::string& word : extra)
    command += word.find(' ') == std::string::npos ? " " + FromTerminal(word)
                                                   : " \"" + FromTerminal(word) + "\"";
  std::wstring wide;
  if (!win32::ToWide(command, wide)) {
    problem = "the uninstall command is not a text of code page 932";
    return kExitFailed;
  }

  // As Windows runs it: CreateProcess reads the program from the command line itself (an
  // unquoted path with blanks is tried at each blank). The child shares this process's
  // standard handles, so that a transcript on standard output goes on there.
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
    if (handle && handle != INVALID_HANDLE_VALUE)
      SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  PROCESS_INFORMATION process = {};
  std::vector<wchar_t> line(wide.begin(), wide.end());
  line.push_back(L'\0');
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                      nullptr, &startup, &process)) {
    DWORD error = GetLastError();
    problem = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? "the uninstall command names a program that does not exist: "
                   : "the uninstall command's program cannot be started (" +
                         SystemErrorText(error) + "): ") +
              ToTerminal(command);
    // SETUP.EXE's copy asks for administrator rights in its manifest, and an elevated program
    // cannot be started with this process's standard handles from a process that is not.
    constexpr DWORD kElevationRequired = 740;  // not in every SDK's winerror.h
    if (error == kElevationRequired)
      problem += "; run orvane-run.exe as administrator (from an elevated command prompt)";
    return kExitFailed;
  }
  try {
    record("uninstall " + headless::Transcript::QuoteUtf8(entryName) + " command " +
           headless::Transcript::Quote(command));
  } catch (...) {
    TerminateProcess(process.hProcess, kExitTranscriptLost);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    throw;
  }
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = kExitFailed;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

}  // namespace orvane::tools
