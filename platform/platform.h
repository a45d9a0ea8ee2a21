// platform.h: the few operating-system services the provider needs, with one
// implementation per system (*_posix.cpp, *_win32.cpp). Nothing outside this
// folder knows which system it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// These are built into the provider library and stay inside it (none is
// exported); the programs around it have their own services in
// platform/process/process.h.

namespace platform {

// A re-entrant mutex: the owning thread may lock it again and must unlock it
// as often. Create returns null when the system refuses; the other calls do
// nothing for a null handle.
using MutexHandle = void*;
MutexHandle CreateRecursiveMutex();
void LockMutex(MutexHandle m);
void UnlockMutex(MutexHandle m);
void CloseMutex(MutexHandle m);

// A thread running fn(arg). Start returns null when no thread was made.
// Join waits for the thread to end and frees the handle.
using ThreadHandle = void*;
using ThreadFn = void (*)(void*);
ThreadHandle StartThread(ThreadFn fn, void* arg);
void JoinThread(ThreadHandle t);

// Unsigned decimal text of a 64-bit number ("%llu"), written into buf of cap
// characters (the runtime's wide formatter). Returns the characters written.
size_t FormatU64(wchar_t* buf, size_t cap, uint64_t value);

// Reads an unsigned decimal number with "%llu" (the runtime's wide scanner).
// Returns false, leaving *value alone, when no number could be read.
bool ParseU64(const wchar_t* text, uint64_t* value);

// 8-bit middleware text (up to its terminator or n bytes) to wide text, with
// the runtime's multibyte conversion in the current locale. Bytes the locale
// cannot convert are widened one to one, which is what the C locale of the
// Windows runtime does, so both systems give the same text.
std::wstring WidenMultiByte(const char* text, size_t n);

// Wide text to 8-bit text of at most n bytes (terminator not counted), the
// inverse of WidenMultiByte.
std::string NarrowToMultiByte(const std::wstring& text, size_t n);

// The local time as the C runtime's asctime() writes it (ends with '\n').
std::string LocalTimeText();

}  // namespace platform
