// Small pieces the command-line tools share: the default machine folder, terminal texts, file
// names and environment values in UTF-8, and the handling of an output whose reader went away.
// ToolSupport.cpp holds the portable ones; ToolSupportPosix.cpp and ToolSupportWin32.cpp the rest.
#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <vector>
#ifndef _WIN32
#include <filesystem>
#endif

namespace orvane::tools {

// $ORVANE_MACHINE, else $XDG_DATA_HOME/orvane/machine, else ~/.local/share/orvane/machine. Empty
// on Windows, where the program works on the machine it runs on.
std::string DefaultMachineFolder();
// Terminal text (UTF-8) to the program's code page; throws std::runtime_error naming the text
// when it has no code page 932 form.
std::string FromTerminal(const std::string& utf8);
// The program's text for the terminal.
std::string ToTerminal(const std::string& cp932);
#ifndef _WIN32
// File names as the tools keep them (UTF-8) and as std::filesystem takes them, for the tools
// that run on Linux only.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string PathToUtf8(const std::filesystem::path& path);
#endif
// Files named in UTF-8 through the C library (on Windows through the W functions). The programs
// that run on Windows use these rather than the C++ streams and std::filesystem, which would add
// a megabyte of locale support to each executable.
std::FILE* OpenFile(const std::string& utf8, const char* mode);
// The whole content of a file; nothing when it cannot be read (a folder cannot).
std::optional<std::string> ReadWholeFile(const std::string& utf8);
bool IsFolder(const std::string& utf8);
bool Exists(const std::string& utf8);
// The path made absolute against the current folder; empty stays empty.
std::string AbsolutePath(const std::string& utf8);
// The absolute path of the folder that holds the file.
std::string FolderOf(const std::string& utf8);
// A UTF-8 text as the W functions of Windows take it, and back (an unpaired surrogate ends the
// text there).
std::wstring WideText(const std::string& utf8);
std::string Utf8Text(const std::wstring& wide);
// The command-line arguments after the program name, in UTF-8 (on Windows read from the wide
// command line, not from the ANSI argv).
std::vector<std::string> CommandArguments(int argc, char** argv);
// Environment values in UTF-8; nothing when the variable is not set.
std::optional<std::string> EnvironmentValue(const std::string& name);
void SetEnvironmentValue(const std::string& name, const std::string& utf8);
// A write to a pipe whose reader went away fails with EPIPE instead of ending the process, so
// that a run is never cut in the middle by its output. Programs the process starts get the
// default behaviour back (a caught signal is reset by exec). On Windows, where such a write
// only fails, standard output is put in binary mode so that transcript lines end in LF alone.
void KeepRunningWhenOutputCloses();

}  // namespace orvane::tools
