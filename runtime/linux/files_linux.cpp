// Module file name, log location and (silent) signal on Linux. The calls here are ones
// glibc 2.31 (Debian 11, Ubuntu 20.04) already offers under the versions a build on a
// newer system binds: statx rather than stat (stat@GLIBC_2.33), dl_iterate_phdr rather
// than dladdr (dladdr@GLIBC_2.34), so the plug-in loads on those systems too.
#include <fcntl.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include "runtime/platform_files.h"

namespace runtime_platform {

namespace {
struct ModuleSearch {
  uintptr_t address;
  const char* name;  // null until found; "" names the executable
};

// The loaded object one of whose loaded segments holds the address.
int findModule(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<ModuleSearch*>(data);
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD) continue;
    const uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    if (search->address >= start && search->address - start < segment.p_memsz) {
      search->name = info->dlpi_name != nullptr ? info->dlpi_name : "";
      return 1;
    }
  }
  return 0;
}
}  // namespace

std::string moduleFileName(void* module) {
  // A module is known by an address inside it; by default this function's own, so the
  // answer is the shared object that holds this code, not the host's executable.
  const void* address = module != nullptr ? module : reinterpret_cast<const void*>(&moduleFileName);
  ModuleSearch search{reinterpret_cast<uintptr_t>(address), nullptr};
  if (dl_iterate_phdr(findModule, &search) == 0 || search.name == nullptr) return {};
  // The executable is listed without a name; the kernel knows it.
  const char* name = search.name[0] != '\0' ? search.name : "/proc/self/exe";
  // The loader keeps the name it was given, which may be relative to a folder the
  // process has since left; a full name does not depend on it.
  char full[PATH_MAX];
  if (realpath(name, full) != nullptr) return full;
  return name;
}

std::optional<bool> isFolder(const std::string& path) {
  struct statx status {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_TYPE, &status) != 0) return std::nullopt;
  return S_ISDIR(status.stx_mode);
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
