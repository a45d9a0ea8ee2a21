// entry_posix.cpp: the library's unload hook on POSIX systems. Loading needs
// nothing here (there are no per-thread notifications to switch off); at
// unload the framework finalises the middleware.
#include "platform/entry.h"

__attribute__((destructor)) static void ZubLibraryUnload() { zub::OnProcessDetach(); }
