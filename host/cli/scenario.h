// scenario.h: `zubcim run`: a JSON array of steps run in order in one
// process, one JSON line per step.
//
// The whole scenario is checked before its first step runs (shape of every
// step, class and method names, field names and types of invoke inputs). A
// bad step is a bad-input error (exit 2) naming the step, and nothing is
// printed on standard output, so a caller never has to make sense of a
// half-run scenario. Outcomes found only while running (a status other than
// 0, a simulation change that is refused) are results, printed as lines.
#pragma once

#include <string>

#include "host/cli/commands.h"

namespace zubcim {

int RunCommand(const HostOptions& options, const std::string& scenarioFile);  // "-" reads standard input

}  // namespace zubcim
