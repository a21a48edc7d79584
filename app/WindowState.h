// What every window backend reads from the program's state in the same way: which form takes
// input and has the keyboard, whether the wizard shows a page, and the text form of the state
// dump that the walk-through tests read.
#pragma once
#include <deque>
#include <string>
#include <vector>

namespace orvane {

class Application;
class TForm;
struct TControl;

// A form takes input while it is enabled and no system dialog is open; while the shared-file
// question is open, it alone does.
bool FormTakesInput(Application& app, const TForm& form, bool dialogOpen);
// The forms that may hold the keyboard, in the order a backend offers it to them (the first
// that is on view and takes input has it): the shared-file question alone while it is open,
// else the status window, then the wizard (which runs modally under the status window).
std::vector<TForm*> KeyboardCandidates(Application& app);
// True when the wizard shows one of its pages (the title, readme, select-type or message page):
// its first paint then is the program's first painted page.
bool WizardShowsPage(Application& app);
// Runs the handlers of the button presses a backend queued, in order, until the program ends.
void DispatchClicks(Application& app, std::deque<TControl*>& pending);
// A UTF-8 text as the state dump writes it: in quotes, with CR, LF and quotes escaped.
std::string DumpQuote(const std::string& utf8);

}  // namespace orvane
