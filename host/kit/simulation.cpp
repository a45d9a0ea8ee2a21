// simulation.cpp: what the kit says when a step needs a simulation.
#include "host/kit/simulation.h"

#include "host/kit/errors.h"

namespace zubcim {

SimulationControl& RequireSimulation(const std::string& what) {
  if (SimulationControl* simulation = Simulation()) return *simulation;
  throw BadInput(what + " needs the simulated RAID stack, and none is loaded: this host runs on another "
                        "middleware");
}

}  // namespace zubcim
