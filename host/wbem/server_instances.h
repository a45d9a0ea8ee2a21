// server_instances.h: what the server itself is, as instances of the
// interop namespace, so that a standard client can discover it before it
// reads a single instance of the library:
// - the machine (ZUBCIM_ComputerSystem, a CIM_ComputerSystem of the host's
//   own: not a RAID controller) and the object manager it hosts
//   (ZUBCIM_ObjectManager, with CIM_HostedService between them); the
//   object manager's SystemName is the host name, its ElementName the
//   brand ("zubcim") and its Description the brand and version;
// - a CIM_Namespace for each namespace served, joined to the object
//   manager by CIM_NamespaceInManager;
// - the CIM-XML communication mechanism (CIM_CIMXMLCommunicationMechanism,
//   with CIM_CommMechanismForManager), saying which authentication the
//   server asks for;
// - the SNIA Server profile (ZUBCIM_RegisteredProfile), to which the object
//   manager conforms (CIM_ElementConformsToProfile), and the object
//   manager's conformance to the library's own SNIA Indication profile.
// The library's eight profiles stay the library's; these instances are the
// host's, made once when the server starts and never changed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/cim/records.h"
#include "host/cim/schema.h"

namespace zubwbem {

class ProviderGate;

struct ServerIdentity {
  std::string hostName;
  std::string version;               // of zubcim
  bool basicAuthentication = false;  // logins are asked for
};

class ServerInstances {
 public:
  // Adds the host's classes to `schema` and makes the instances; `gate`
  // finds the library's Indication profile (none found: no conformance to
  // it).
  ServerInstances(Schema& schema, const ServerIdentity& identity, ProviderGate& gate);

  // The instances that are of `cls` (or a subclass), in cls's namespace.
  std::vector<const Instance*> Of(const Schema& schema, const CimClass& cls) const;
  // Every instance of a namespace.
  std::vector<const Instance*> In(std::string_view ns) const;

  const CimPath& ObjectManager() const { return m_instances.at(m_objectManager).path; }

 private:
  std::vector<Instance> m_instances;
  size_t m_objectManager = 0;
};

// The brand an object manager gives as its ElementName.
extern const char* const kServerBrand;  // "zubcim"
// The SNIA Server profile this server implements.
extern const char* const kServerProfileVersion;

}  // namespace zubwbem
