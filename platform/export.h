// export.h: symbol visibility of the two shared libraries (the provider and
// the middleware). Each library defines its own API macro on top of these.
#pragma once

#if defined(_WIN32)
#define ZUB_EXPORT __declspec(dllexport)
#if defined(__MINGW32__)
// mingw's linker imports from a DLL without the attribute (auto-import), so
// one compiled host library links both against the DLL (zubcim) and against
// the provider's own objects (the tests, the stress tool).
#define ZUB_IMPORT
#else
#define ZUB_IMPORT __declspec(dllimport)
#endif
#else
#define ZUB_EXPORT __attribute__((visibility("default")))
#define ZUB_IMPORT
#endif
