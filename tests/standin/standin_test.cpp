// The host kit on a middleware that is not our simulation (a stand-in
// library implementing the Ssi* API, linked with no simulation control): a
// session starts and lists what that middleware reports, and every step
// that needs the simulation says so instead of failing later.
#include <gtest/gtest.h>

#include "framework/catalog.h"
#include "host/kit/errors.h"
#include "host/kit/session.h"
#include "host/kit/simulation.h"

namespace {

using zubcim::Session;

TEST(StandInMiddleware, TheKitRunsWithoutASimulationAndSaysWhatNeedsOne) {
  EXPECT_EQ(zubcim::Simulation(), nullptr);
  zubcim::SessionOptions withTopology;
  withTopology.topology = "topology.json";
  try {
    Session session(withTopology);
    ADD_FAILURE() << "a topology was accepted without a simulation";
  } catch (const zubcim::HostError& e) {
    EXPECT_EQ(e.code(), zubcim::kExitBadInput);
    EXPECT_NE(std::string(e.what()).find("--topology needs the simulated RAID stack"), std::string::npos)
        << e.what();
  }

  zubcim::SessionOptions options;
  options.computerName = "standin";
  Session session(options);
  session.WaitUntilMonitoring();  // nothing tells without a simulation: at once
  EXPECT_EQ(zubcim::MonitorWaits(), 0u);
  const zubcim::Json systems = session.List(*FindClass("ZUB_ComputerSystem"));
  EXPECT_EQ(systems["status"], 0) << systems.dump();
  ASSERT_EQ(systems["instances"].size(), 1u) << systems.dump();
  EXPECT_EQ(systems["instances"][0]["Name"], "Stand-in Controller");
  // Every class answers; the stand-in has no disk, so none is listed.
  for (const ClassDesc& cls : ClassCatalog()) session.List(cls);
  EXPECT_EQ(session.List(*FindClass("ZUB_StorageExtentDisk"))["instances"].size(), 0u);
  EXPECT_THROW(zubcim::RequireSimulation("a sim step"), zubcim::HostError);
}

}  // namespace
