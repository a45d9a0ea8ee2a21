// platform.h: the few operating-system services the provider needs, with one
// implementation per system (*_posix.cpp, *_win32.cpp). Nothing outside this
// folder knows which system it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/export.h"

// The platform layer is built into the provider library and shared with its
// host (which needs, for instance, the host name).
#if defined(ZUBPROV_BUILD)
#define ZUB_PLATFORM_API ZUB_EXPORT
#else
#define ZUB_PLATFORM_API ZUB_IMPORT
#endif

namespace platform {

// A re-entrant mutex: the owning thread may lock it again and must unlock it
// as often. Create returns null when the system refuses; the other calls do
// nothing for a null handle.
using MutexHandle = void*;
ZUB_PLATFORM_API MutexHandle CreateRecursiveMutex();
ZUB_PLATFORM_API void LockMutex(MutexHandle m);
ZUB_PLATFORM_API void UnlockMutex(MutexHandle m);
ZUB_PLATFORM_API void CloseMutex(MutexHandle m);

// A thread running fn(arg). Start returns null when no thread was made.
// Join waits for the thread to end and frees the handle.
using ThreadHandle = void*;
using ThreadFn = void (*)(void*);
ZUB_PLATFORM_API ThreadHandle StartThread(ThreadFn fn, void* arg);
ZUB_PLATFORM_API void JoinThread(ThreadHandle t);

// Unsigned decimal text of a 64-bit number ("%llu"), written into buf of cap
// characters (the runtime's wide formatter). Returns the characters written.
ZUB_PLATFORM_API size_t FormatU64(wchar_t* buf, size_t cap, uint64_t value);

// Reads an unsigned decimal number with "%llu" (the runtime's wide scanner).
// Returns false, leaving *value alone, when no number could be read.
ZUB_PLATFORM_API bool ParseU64(const wchar_t* text, uint64_t* value);

// 8-bit middleware text (up to its terminator or n bytes) to wide text, with
// the runtime's multibyte conversion in the current locale. Bytes the locale
// cannot convert are widened one to one, which is what the C locale of the
// Windows runtime does, so both systems give the same text.
ZUB_PLATFORM_API std::wstring WidenMultiByte(const char* text, size_t n);

// Wide text to 8-bit text of at most n bytes (terminator not counted), the
// inverse of WidenMultiByte.
ZUB_PLATFORM_API std::string NarrowToMultiByte(const std::wstring& text, size_t n);

// The local time as the C runtime's asctime() writes it (ends with '\n').
ZUB_PLATFORM_API std::string LocalTimeText();

// The machine's host name, "" when unknown.
ZUB_PLATFORM_API std::string HostName();

// The width in columns of the terminal standard output writes to; 0 when it
// is not a terminal or the width is unknown.
ZUB_PLATFORM_API size_t TerminalColumns();

// Sets (or, for a null value, removes) an environment variable of this process.
ZUB_PLATFORM_API void SetEnvironment(const char* name, const char* value);

// Runs a command line through the system's shell and returns the command's
// exit code (-1 when it did not exit normally).
ZUB_PLATFORM_API int RunShellCommand(const std::string& command);

// A shared library loaded at run time; null when it could not be loaded.
// Closing the last reference unloads it, which runs its detach hook.
using LibraryHandle = void*;
ZUB_PLATFORM_API LibraryHandle OpenLibrary(const std::string& path);
ZUB_PLATFORM_API void* FindSymbol(LibraryHandle library, const char* name);
ZUB_PLATFORM_API void CloseLibrary(LibraryHandle library);

}  // namespace platform
