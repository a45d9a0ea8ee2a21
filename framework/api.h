// api.h: what the provider library exports to its host.
#pragma once

#include "platform/export.h"

#if defined(ZUBPROV_BUILD)
#define ZUBPROV_API ZUB_EXPORT
#else
#define ZUBPROV_API ZUB_IMPORT
#endif
