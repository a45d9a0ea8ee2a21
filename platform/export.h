// export.h: symbol visibility of the two shared libraries (the provider and
// the middleware). Each library defines its own API macro on top of these.
#pragma once

#if defined(_WIN32)
#define ZUB_EXPORT __declspec(dllexport)
#define ZUB_IMPORT __declspec(dllimport)
#else
#define ZUB_EXPORT __attribute__((visibility("default")))
#define ZUB_IMPORT
#endif
