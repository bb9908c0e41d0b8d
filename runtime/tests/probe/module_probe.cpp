// A library that reports the folder it was loaded from, as the plug-in library does.
#include <string>

#include "runtime/files.h"

#ifdef _WIN32
#include <windows.h>
#define PROBE_EXPORT extern "C" __declspec(dllexport)
// As in the plug-in: the loader tells the library its own handle.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
  setModuleHandle(instance);
  return TRUE;
}
#else
#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

PROBE_EXPORT const char* probeModuleDirectory() {
  static std::string answer;
  answer = moduleDirectory();
  return answer.c_str();
}
