// The load notification: record the module handle for the module's path, its resources
// and its window class.
#include <windows.h>

#include "runtime/files.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) setModuleHandle(instance);
  return TRUE;
}
