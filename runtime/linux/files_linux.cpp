// Module file name, log location and (silent) signal on Linux.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <time.h>

#include "runtime/platform_files.h"

namespace runtime_platform {

std::string moduleFileName(void* module) {
  // A module is known by an address inside it; by default this function's own, so the
  // answer is the shared object that holds this code, not the host's executable.
  const void* address = module != nullptr ? module : reinterpret_cast<const void*>(&moduleFileName);
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  // The loader keeps the name it was given, which may be relative to a folder the
  // process has since left; a full name does not depend on it.
  char full[PATH_MAX];
  if (realpath(info.dli_fname, full) != nullptr) return full;
  return info.dli_fname;
}

// No system speaker to sound; the log line itself is the signal.
void logSignal() {}

const char* logPath() { return "/tulk.log.txt"; }

double coarseWallSeconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);  // from the vDSO: no system call
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace runtime_platform
