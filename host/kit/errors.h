// errors.h: how every layer of the host reports a failure. main turns the
// exception into one line on standard error and the process's exit code, so
// no inner function needs to know about streams or exit codes.
#pragma once

#include <stdexcept>
#include <string>

namespace zubcim {

enum ExitCode : int {
  kExitOk = 0,
  kExitStartFailed = 1,  // the library or the simulation did not start
  kExitBadInput = 2,     // bad command line, file or JSON
  kExitMethodFailed = 3, // a task verb's method reported a failure (volume, spare, locate)
  kExitDangling = 4,     // list --all: a reference names no listed instance
  kExitCheckFailed = 5,  // check: a registered profile failed its walk
};

class HostError : public std::runtime_error {
 public:
  HostError(ExitCode code, const std::string& message) : std::runtime_error(message), m_code(code) {}
  ExitCode code() const { return m_code; }

 private:
  ExitCode m_code;
};

inline HostError BadInput(const std::string& message) { return HostError(kExitBadInput, message); }

}  // namespace zubcim
