// process_posix.cpp: host name, terminal, environment, child commands and
// run-time loading of shared libraries on POSIX systems.
#include <dlfcn.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/ioctl.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cstdlib>
#include <ctime>

#include "platform/process/process.h"

namespace platform {

std::string HostName() {
  char buf[256] = {};
  if (gethostname(buf, sizeof buf - 1) != 0) return "";
  return buf;
}

int LocalUtcOffsetMinutes() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<int>(local.tm_gmtoff / 60);
}

bool StdoutIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

size_t TerminalColumns() {
  winsize size{};
  if (!isatty(STDOUT_FILENO) || ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void KeepLargeBlocks(size_t bytes) {
#if defined(__GLIBC__)
  // glibc maps blocks over the threshold on their own and unmaps them when
  // freed, and returns a heap's free top over the trim threshold at once.
  const int kept = static_cast<int>(bytes < (size_t{32} << 20) ? bytes : (size_t{32} << 20));
  mallopt(M_MMAP_THRESHOLD, kept);
  mallopt(M_TRIM_THRESHOLD, 2 * kept);
#else
  (void)bytes;
#endif
}

void SetEnvironment(const char* name, const char* value) {
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

int RunShellCommand(const std::string& command) {
  int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

LibraryHandle OpenLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* FindSymbol(LibraryHandle library, const char* name) { return library ? dlsym(library, name) : nullptr; }

void CloseLibrary(LibraryHandle library) {
  if (library) dlclose(library);
}

}  // namespace platform
