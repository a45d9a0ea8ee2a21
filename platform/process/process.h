// process.h: services of the process a provider runs in, for the programs
// around the provider library, never for the library itself: the command-line
// host and the tests (library zub_process). A provider is loaded into a
// privileged host process, so it neither runs commands, changes the
// environment nor loads libraries, and it learns the computer's name from
// its host (SetComputerNameStrings).
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The machine's host name, "" when unknown.
std::string HostName();

// This machine's offset of local time from UTC now, in minutes (east is
// positive).
int LocalUtcOffsetMinutes();

// Whether standard output is a terminal (not a pipe or a file).
bool StdoutIsTerminal();

// The width in columns of the terminal standard output writes to; 0 when it
// is not a terminal or the width is unknown.
size_t TerminalColumns();

// Keeps freed blocks of up to `bytes` (at most 32 MiB) in the process's heap
// for re-use, rather than handing each back to the system when it is freed.
// A server that builds an answer of megabytes per request otherwise maps and
// faults in fresh pages for every answer, and its threads queue on the
// kernel's page tables. Nothing to do where the allocator keeps them anyway.
void KeepLargeBlocks(size_t bytes);

// Sets (or, for a null value, removes) an environment variable of this process.
void SetEnvironment(const char* name, const char* value);

// Runs a command line through the system's shell and returns the command's
// exit code (-1 when it did not exit normally).
int RunShellCommand(const std::string& command);

// A shared library loaded at run time; null when it could not be loaded.
// Closing the last reference unloads it, which runs its detach hook.
using LibraryHandle = void*;
LibraryHandle OpenLibrary(const std::string& path);
void* FindSymbol(LibraryHandle library, const char* name);
void CloseLibrary(LibraryHandle library);

}  // namespace platform
