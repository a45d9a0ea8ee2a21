// schema_tables.cpp: the names the schema takes from outside the catalogue
// and the DMTF schema: the two namespaces (the library's,
// framework/names.h), the namespace of each class (its catalogue row's), and
// the standard classes whose instances the server keeps.
#include "classes/ports/access_points.h"
#include "classes/profiles/registered_profile.h"
#include "framework/catalog.h"
#include "framework/names.h"
#include "host/cim/cim_model.h"
#include "host/cim/schema.h"
#include "host/kit/wide_text.h"

namespace zubwbem {

const std::string& ClassNs() {
  static const std::string ns = CanonicalNamespace(zubcim::ToUtf8(kClassNamespace));
  return ns;
}

const std::string& InteropNs() {
  static const std::string ns = CanonicalNamespace(zubcim::ToUtf8(kInteropNamespace));
  return ns;
}

const std::string& NamespaceOfClass(std::string_view zubClass) {
  const ClassDesc* row = nullptr;
  for (const ClassDesc& c : ClassCatalog()) {
    if (EqualsNoCase(c.name, zubClass)) row = &c;
  }
  // The profiles' references name their registration class, which lives
  // with the profiles.
  const bool interop = row ? std::wstring_view(row->nameSpace) == kInteropNamespace
                           : EqualsNoCase(zubcim::ToUtf8(kProfileRegistrationClass), zubClass);
  return interop ? InteropNs() : ClassNs();
}

std::vector<AliasClass> AliasClasses() {
  return {
      {zubcim::ToUtf8(kGeneralEndpointClass), "CIM_ProtocolEndpoint",
       {"ZUB_ATAProtocolEndpoint", "ZUB_SCSIProtocolEndpoint"}},
      {zubcim::ToUtf8(kProfileRegistrationClass), "CIM_RegisteredProfile", {"ZUB_RegisteredProfile"}},
  };
}

const char* const kFilterClass = "CIM_IndicationFilter";
const char* const kDestinationClass = "CIM_ListenerDestinationCIMXML";
const char* const kSubscriptionClass = "CIM_IndicationSubscription";

}  // namespace zubwbem
