// api.h: what the provider library exports to its host.
#pragma once

#include "platform/export.h"

#if defined(ZUBPROV_BUILD)
#define ZUBPROV_API ZUB_EXPORT
#else
#define ZUBPROV_API ZUB_IMPORT
#endif

// Factories are exported with C linkage, so a host that loads the library at
// run time finds them by their plain names (GetProcAddress, dlsym).
#define ZUB_FACTORY extern "C" ZUBPROV_API
