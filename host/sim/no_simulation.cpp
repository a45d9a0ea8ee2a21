// no_simulation.cpp: the kit's simulation control for programs that run on a
// middleware without one.
#include "host/kit/simulation.h"

namespace zubcim {

SimulationControl* Simulation() { return nullptr; }

}  // namespace zubcim
