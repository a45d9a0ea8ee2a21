// provider.h: the top-level object a host creates first: the provider,
// which initialises the middleware and starts the event monitor at
// Initialize and finalises the middleware at Cleanup (also when the library
// is unloaded). The container through which the host hands in its names is
// framework/container.h.
#pragma once

#include "framework/container.h"
#include "zubprov/provider.h"
