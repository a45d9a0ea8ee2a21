// indication_filter.h: ZUB_IndicationFilter, the filters a CIM client
// subscribes with to receive the provider's alerts (framework/alert.h). In the
// interop namespace ("root\Interop") the class lists one master filter for
// every alert; in any other namespace, one filter per alert class (fifteen).
//
// Update: 0 listed; 9 the container object (the host's names) could not be
// obtained. Reads no middleware and no other class.
#pragma once

#include "zubprov/profiles.h"
#include "framework/record_desc.h"

// The filters listed for the host's names (Update lists them).
CArrayT<stZUB_IndicationFilter> IndicationFiltersFor(const stComputerStringNames& names);
