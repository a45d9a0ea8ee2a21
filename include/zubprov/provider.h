// provider.h: the objects a host creates first and the alerts it receives:
// the provider (Initialize starts the middleware and the event monitor,
// Cleanup ends the middleware), the container the host hands its namespace
// and computer name to (every object path the library builds carries them),
// the event monitor (SetCallBackFunc registers the host's alert callback,
// Terminate stops it), and the alert record the callback receives. The
// contracts are written at provider/provider.h, framework/container.h and
// events/event_mon.h.
#pragma once

#include <cstdint>

#include "zubprov/interfaces.h"

struct RecordDesc;  // the record descriptions (Describe) are for generic hosts

ZUB_FACTORY CZubProviderInterface* PROVIDER_CreateZubProviderInstance();

ZUB_FACTORY CZubContainerInterface* PROVIDER_CreateZubContainerInstance();
// The names last handed to SetComputerNameStrings ("" for both before that).
ZUBPROV_API stComputerStringNames GetComputerStringNames();

ZUB_FACTORY CEventMonInterface* PROVIDER_CreateEventMonInstance();

// One alert, as the event monitor hands it to the host's callback.
struct ZUBPROV_API stZUB_AlertIndication {
  CZubString Description;
  CZubString AlertingManagedElement;    // the element's object path, or "N/A"
  uint64_t AlertingElementFormat = 0;   // 2 object path, 0 unknown
  uint64_t AlertType = 0;               // 1 other, 5 device
  CZubString OtherAlertType;
  uint64_t PerceivedSeverity = 0;       // 2 information, 3 degraded, 6 critical
  uint64_t ProbableCause = 0;
  CZubString ProbableCauseDescription;
  uint64_t Trending = 0;
  CArrayT<CZubString> RecommendedActions;
  CZubString EventID;                   // the element's DeviceID or InstanceID
  CZubString AlertClassName;            // the indication's CIM class
  CZubString SystemName;
  CZubString SystemCreationClassName;
  CZubString ProviderName;
  CZubString EventTime;                 // asctime text, with its trailing line feed

  static const RecordDesc& Describe();
};

