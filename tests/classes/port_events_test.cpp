// The port classes in the event monitor's table: each row holds its class,
// which re-reads its list after an event and raises no alert.
#include <gtest/gtest.h>

#include <string>

#include "classes/ports/da_port.h"
#include "classes/ports/logical_port.h"
#include "classes/ports/protocol_controller.h"
#include "classes/ports/protocol_endpoint.h"
#include "events/event_registry.h"
#include "tests/classes/port_fixture.h"

namespace {

using PortEventsTest = zubtest::PortFixture;

struct Registered {
  const char* row;       // the table's name of the class
  const char* cimClass;  // the catalogue's
  CProviderInterfaceBase* (*object)();
};

template <auto Factory>
CProviderInterfaceBase* ObjectOf() {
  return Factory();
}

const Registered kPortClasses[] = {
    {"CZubDAPort", "ZUB_DAPort", &ObjectOf<&PROVIDER_CreateZubDAPortInstance>},
    {"CZubATALogicalPort", "ZUB_ATALogicalPort", &ObjectOf<&PROVIDER_CreateZubATALogicalPortInstance>},
    {"CZubATAProtocolController", "ZUB_ATAProtocolController",
     &ObjectOf<&PROVIDER_CreateZubATAProtocolControllerInstance>},
    {"CZubATAProtocolEndpoint", "ZUB_ATAProtocolEndpoint", &ObjectOf<&PROVIDER_CreateZubATAProtocolEndpointInstance>},
    {"CZubSCSILogicalPort", "ZUB_SCSILogicalPort", &ObjectOf<&PROVIDER_CreateZubSCSILogicalPortInstance>},
    {"CZubSCSIProtocolController", "ZUB_SCSIProtocolController",
     &ObjectOf<&PROVIDER_CreateZubSCSIProtocolControllerInstance>},
    {"CZubSCSIProtocolEndpoint", "ZUB_SCSIProtocolEndpoint",
     &ObjectOf<&PROVIDER_CreateZubSCSIProtocolEndpointInstance>},
};

CEventRegisterInterface* RowOf(const char* name) {
  for (const EventRegistrationRow& row : EventRegistrationTable()) {
    if (std::string(row.className) == name) return row.registration ? row.registration() : nullptr;
  }
  return nullptr;
}

size_t Listed(const char* cimClass) {
  size_t count = 0;
  EXPECT_EQ(FindClass(cimClass)->getData([&](const void*) { ++count; }), PROVIDER_SUCCESS);
  return count;
}

TEST_F(PortEventsTest, EachPortClassReReadsItsListAfterAnEvent) {
  LoadAndList(R"({"middleware_version": "1.0", "controllers": []})");
  for (const Registered& c : kPortClasses) c.object()->Update();

  LoadAndList(R"({"middleware_version": "1.0", "controllers": [
    {"handle": 1, "type": 1, "raid_info": {"handle": 9}, "disks": [{"handle": 11}],
     "volumes": [{"name": "Sata", "disks": [11]}]},
    {"handle": 2, "type": 2, "raid_info": {"handle": 19}, "disks": [{"handle": 21}],
     "volumes": [{"name": "Sas", "disks": [21]}]}]})");
  for (const Registered& c : kPortClasses) {
    SCOPED_TRACE(c.row);
    CEventRegisterInterface* events = RowOf(c.row);
    ASSERT_NE(events, nullptr);
    EXPECT_EQ(events, dynamic_cast<CEventRegisterInterface*>(c.object()));
    EXPECT_EQ(Listed(c.cimClass), 0u);
    EXPECT_FALSE(events->DetectAlerts());
    events->RefreshAfterEvent();
    EXPECT_NE(Listed(c.cimClass), 0u);
  }
  ExpectSessionsBalanced();
}

}  // namespace
