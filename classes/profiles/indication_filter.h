// indication_filter.h: ZUB_IndicationFilter, the filters a CIM client
// subscribes with to receive the provider's alerts (framework/alert.h). In the
// interop namespace ("root\Interop") the class lists one master filter for
// every alert; in any other namespace, one filter per alert class (fifteen).
//
// Update: 0 listed; 9 the container object (the host's names) could not be
// obtained. Reads no middleware and no other class.
#pragma once

#include "framework/interfaces.h"
#include "framework/record_desc.h"

struct ZUBPROV_API stZUB_IndicationFilter {
  CZubString Name;
  CZubString SystemName;               // the host's computer name
  CZubString SystemCreationClassName;  // "ZUB_ComputerSystem"
  CZubString CreationClassName;        // "ZUB_IndicationFilter"
  CZubString IndicationClassName;      // the class the query selects
  CZubString Description;
  CZubString Query;
  CZubString QueryLanguage;            // "WQL"
  CZubString ElementName;
  CArrayT<CZubString> SourceNamespaces;  // one path: the host and its namespace, no keys

  static const RecordDesc& Describe();
};

ZUB_FACTORY CZubIndicationFilterInterface* PROVIDER_CreateZubIndicationFilterInstance();

// The filters listed for the host's names (Update lists them).
CArrayT<stZUB_IndicationFilter> IndicationFiltersFor(const stComputerStringNames& names);
