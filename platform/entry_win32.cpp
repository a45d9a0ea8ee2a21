// entry_win32.cpp: the DLL entry point. The provider wants no per-thread
// notifications, and it finalises the middleware when it leaves the process.
#include <windows.h>

#include "platform/entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  (void)reserved;
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(module);
      return TRUE;
    case DLL_PROCESS_DETACH:
      zub::OnProcessDetach();
      return TRUE;
    default:
      return TRUE;
  }
}
