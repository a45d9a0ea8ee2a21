// provider.h: the top-level objects a host creates first: the provider,
// which initialises and finalises the middleware and starts the event
// monitor, and the container through which the host hands in its namespace
// and computer name.
#pragma once

#include "framework/interfaces.h"

ZUB_FACTORY CZubProviderInterface* PROVIDER_CreateZubProviderInstance();
ZUB_FACTORY CZubContainerInterface* PROVIDER_CreateZubContainerInstance();

// The names last handed to SetComputerNameStrings ("" for both before that).
ZUBPROV_API stComputerStringNames GetComputerStringNames();
// The same into *out; false (and empty names) when the container object
// cannot be obtained.
bool ReadComputerStringNames(stComputerStringNames* out);
