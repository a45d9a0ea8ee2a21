// access_points.cpp: the endpoints joined to their ports, their protocol
// controllers and their systems.
#include "classes/ports/access_points.h"

#include "classes/ports/da_port.h"
#include "classes/ports/port_family.h"
#include "classes/system/computer_system.h"
#include "framework/association.h"

ZUB_DESCRIBE(stZUB_DeviceSAPImplementation,
    ZUB_FIELD(Dependent).Key(1).Ref("CIM_ProtocolEndpoint"),
    ZUB_FIELD(Antecedent).Key(2).Ref("CIM_LogicalPort"))

ZUB_DESCRIBE(stZUB_SAPAvailableForElement,
    ZUB_FIELD(ManagedElement).Key(1).Ref("CIM_ProtocolController"),
    ZUB_FIELD(AvailableSAP).Key(2).Ref("CIM_ProtocolEndpoint"))

ZUB_DESCRIBE(stZUB_HostedAccessPoint,
    ZUB_FIELD(Dependent).Key(1).Ref("CIM_ProtocolEndpoint"),
    ZUB_FIELD(Antecedent).Key(2).Ref("ZUB_ComputerSystem"))

namespace {

template <const PortFamily& Family>
class CZubDeviceSAPImplementationT
    : public CZubClassT<CZubDeviceSAPImplementationInterface, stZUB_DeviceSAPImplementation> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_ProtocolEndpoint> endpoints;
    CArrayT<stZUB_DAPort> daPorts;
    CArrayT<stZUB_LogicalPort> logicalPorts;
    if (PROVIDER_STATUS s = ReadLists<Family.endpoints, &PROVIDER_CreateZubDAPortInstance, Family.logicalPorts>(
            ListNeed::Rebuilt, &endpoints, &daPorts, &logicalPorts))
      return s;
    if (endpoints.GetCount() == 0) return PROVIDER_NOT_FOUND;
    const CReferenceBuilder refs;
    const auto onItsPort = [](const auto& port, const stZUB_ProtocolEndpoint& endpoint) {
      return port.DeviceID.Compare(endpoint.PortHandle) == 0 && Family.Keeps(port.Protocol);
    };
    const auto add = [&](const stZUB_ProtocolEndpoint& endpoint, const wchar_t* portClass, const auto& port) {
      stZUB_DeviceSAPImplementation rec;
      rec.Dependent = refs.To(Family.endpoint.cimClass, endpoint);
      rec.Antecedent = refs.To(portClass, port);
      m_list.AddLocked(rec);
    };
    Join(daPorts, endpoints, onItsPort, [&](const stZUB_DAPort& port, const stZUB_ProtocolEndpoint& endpoint) {
      add(endpoint, L"ZUB_DAPort", port);
    });
    Join(logicalPorts, endpoints, onItsPort,
         [&](const stZUB_LogicalPort& port, const stZUB_ProtocolEndpoint& endpoint) {
           add(endpoint, Family.logicalPort.cimClass, port);
         });
    return UpdateDone();
  }
};

template <const PortFamily& Family>
class CZubSAPAvailableForElementT
    : public CZubClassT<CZubSAPAvailableForElementInterface, stZUB_SAPAvailableForElement> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_ProtocolEndpoint> endpoints;
    CArrayT<stZUB_ProtocolController> controllers;
    if (PROVIDER_STATUS s =
            ReadLists<Family.endpoints, Family.controllers>(ListNeed::Rebuilt, &endpoints, &controllers))
      return s;
    if (endpoints.GetCount() == 0 || controllers.GetCount() == 0) return PROVIDER_NOT_FOUND;
    const CReferenceBuilder refs;
    const auto ofItsDisk = [](const stZUB_ProtocolEndpoint& endpoint, const stZUB_ProtocolController& controller) {
      return endpoint.IsDAPortEndpoint == 1 && controller.DeviceID.Compare(endpoint.AttachedHandle) == 0;
    };
    Join(endpoints, controllers, ofItsDisk,
         [&](const stZUB_ProtocolEndpoint& endpoint, const stZUB_ProtocolController& controller) {
           stZUB_SAPAvailableForElement rec;
           rec.ManagedElement = refs.To(Family.controller.cimClass, controller);
           rec.AvailableSAP = refs.To(Family.endpoint.cimClass, endpoint);
           m_list.AddLocked(rec);
         });
    return UpdateDone();
  }
};

class CZubHostedAccessPoint : public CZubClassT<CZubHostedAccessPointInterface, stZUB_HostedAccessPoint> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    CArrayT<stZUB_ComputerSystem> systems;
    CArrayT<stZUB_ProtocolEndpoint> scsi;
    CArrayT<stZUB_ProtocolEndpoint> ata;
    if (PROVIDER_STATUS s = ReadLists<&PROVIDER_CreateZubComputerSystemInstance, kScsiPorts.endpoints,
                                      kAtaPorts.endpoints>(ListNeed::Rebuilt, &systems, &scsi, &ata))
      return s;
    if (systems.GetCount() == 0) return PROVIDER_NOT_FOUND;
    const CReferenceBuilder refs;
    for (const stZUB_ComputerSystem& system : systems) {
      const CZubString antecedent = refs.To(L"ZUB_ComputerSystem", system);
      for (const CArrayT<stZUB_ProtocolEndpoint>* endpoints : {&scsi, &ata}) {
        for (const stZUB_ProtocolEndpoint& endpoint : *endpoints) {
          if (!SameController(endpoint, system)) continue;
          stZUB_HostedAccessPoint rec;
          // This association alone names the endpoint's Name first.
          rec.Dependent = refs.To(kGeneralEndpointClass, endpoint, "Name");
          rec.Antecedent = antecedent;
          m_list.AddLocked(rec);
        }
      }
    }
    return UpdateDone();
  }
};

}  // namespace

CZubDeviceSAPImplementationInterface* PROVIDER_CreateZubATADeviceSAPImplementationInstance() {
  return Singleton<CZubDeviceSAPImplementationT<kAtaPorts>>();
}

CZubDeviceSAPImplementationInterface* PROVIDER_CreateZubSCSIDeviceSAPImplementationInstance() {
  return Singleton<CZubDeviceSAPImplementationT<kScsiPorts>>();
}

CZubSAPAvailableForElementInterface* PROVIDER_CreateZubATASAPAvailableForElementInstance() {
  return Singleton<CZubSAPAvailableForElementT<kAtaPorts>>();
}

CZubSAPAvailableForElementInterface* PROVIDER_CreateZubSCSISAPAvailableForElementInstance() {
  return Singleton<CZubSAPAvailableForElementT<kScsiPorts>>();
}

CZubHostedAccessPointInterface* PROVIDER_CreateZubHostedAccessPointInstance() {
  return Singleton<CZubHostedAccessPoint>();
}
