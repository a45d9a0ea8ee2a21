// class_fixture.h: the fixture of tests of the provider's classes: the
// simulation fixture, the middleware counted as initialised by the provider,
// and listing a class the way a host does, checking that every middleware
// session the listing opened was closed.
#pragma once

#include "framework/catalog.h"
#include "middleware/middleware_state.h"
#include "provider/provider.h"
#include "tests/support/sim_fixture.h"

namespace zubtest {

class ClassFixture : public SimFixture {
 protected:
  // Also no host names: every path a test sees starts "\\\:" unless the
  // test hands names in itself, whatever ran before it in the process.
  void SetUp() override {
    SimFixture::SetUp();
    g_bMiddlewareInitialized = true;
    PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(stComputerStringNames{});
  }

  // Update (expecting `status`), then GetData of the class Factory makes.
  template <auto Factory>
  static CArrayT<RecordOf<Factory>> List(PROVIDER_STATUS status = PROVIDER_SUCCESS) {
    auto* object = Factory();
    CArrayT<RecordOf<Factory>> out;
    EXPECT_NE(object, nullptr);
    if (!object) return out;
    EXPECT_EQ(object->Update(), status);
    EXPECT_EQ(object->GetData(&out), PROVIDER_SUCCESS);
    ExpectSessionsBalanced();
    return out;
  }
};

}  // namespace zubtest
