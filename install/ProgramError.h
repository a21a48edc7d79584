// The error a run does not catch (a registry write that fails, for one): the program's event
// dispatch reports it with a message box and the program goes on.
#pragma once
#include <stdexcept>

namespace orvane {

class ProgramError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace orvane
