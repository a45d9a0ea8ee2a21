// process_win32.cpp: host name, console, environment, child commands and
// run-time loading of DLLs on Windows.
#include <windows.h>

#include <cstdlib>

#include "platform/process/process.h"

namespace platform {

std::string HostName() {
  // The DNS host name is what gethostname() gives on POSIX systems (the
  // NetBIOS name would be upper-cased and cut to 15 characters).
  char buf[256] = {};
  DWORD size = sizeof buf;
  if (GetComputerNameExA(ComputerNameDnsHostname, buf, &size)) return buf;
  size = sizeof buf;
  if (GetComputerNameA(buf, &size)) return buf;
  return "";
}

int LocalUtcOffsetMinutes() {
  TIME_ZONE_INFORMATION zone;
  const DWORD which = GetTimeZoneInformation(&zone);
  const LONG bias = zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
  return static_cast<int>(-bias);
}

bool StdoutIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

size_t TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  return static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

// The Windows heap keeps freed blocks for re-use itself.
void KeepLargeBlocks(size_t) {}

void SetEnvironment(const char* name, const char* value) { _putenv_s(name, value ? value : ""); }

int RunShellCommand(const std::string& command) {
  // cmd.exe strips one outer pair of quotes from the whole line.
  const std::string line = "\"" + command + "\"";
  return std::system(line.c_str());
}

LibraryHandle OpenLibrary(const std::string& path) { return LoadLibraryA(path.c_str()); }

void* FindSymbol(LibraryHandle library, const char* name) {
  if (!library) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(LibraryHandle library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace platform
