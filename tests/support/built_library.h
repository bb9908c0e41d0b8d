// The plug-in library this build made, as a host loads it. Targets that use it get
// BRIMTRACE_PLUGIN_PATH from the brimtrace_built_library target.
#pragma once
#include <algorithm>
#include <string>

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

#ifndef BRIMTRACE_PLUGIN_PATH
#error "BRIMTRACE_PLUGIN_PATH must name the built plug-in library"
#endif

namespace brimtrace_test {

// The path as the platform's loader spells it.
inline std::string builtLibraryPath() {
  std::string path = BRIMTRACE_PLUGIN_PATH;
#if defined(_WIN32)
  // Built on the Unix side of Wine: its root is drive Z:.
  if (!path.empty() && path[0] == '/') {
    std::replace(path.begin(), path.end(), '/', '\\');
    path = "Z:" + path;
  }
#endif
  return path;
}

// Hosts on Linux draw with cairo and fontconfig themselves, so both stay loaded when
// the plug-in is unloaded; unloaded with it, their process-wide caches would be lost.
inline bool keepHostLibrariesLoaded() {
#if !defined(_WIN32)
  for (const char* shared : {"libcairo.so.2", "libfontconfig.so.1"})
    if (!dlopen(shared, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE)) return false;
#endif
  return true;
}

}  // namespace brimtrace_test
