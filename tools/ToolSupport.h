// Small pieces the command-line tools share: the default machine folder, terminal texts and the
// handling of an output whose reader went away.
#pragma once
#include <filesystem>
#include <string>

namespace orvane::tools {

// $ORVANE_MACHINE, else $XDG_DATA_HOME/orvane/machine, else ~/.local/share/orvane/machine.
std::filesystem::path DefaultMachineFolder();
// Terminal text (UTF-8) to the program's code page; throws std::runtime_error naming the text
// when it has no code page 932 form.
std::string FromTerminal(const std::string& utf8);
// The program's text for the terminal.
std::string ToTerminal(const std::string& cp932);
// A write to a pipe whose reader went away fails with EPIPE instead of ending the process, so
// that a run is never cut in the middle by its output. Programs the process starts get the
// default behaviour back (a caught signal is reset by exec).
void KeepRunningWhenOutputCloses();

}  // namespace orvane::tools
