// Module file name, log location and beep on Windows.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "runtime/platform_files.h"

namespace runtime_platform {

std::string moduleFileName(void* module) {
  HMODULE handle = static_cast<HMODULE>(module);
  if (handle == nullptr) {
    // Never the host's executable: the module that holds this very function.
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&moduleFileName), &handle))
      return {};
  }
  // A name that fills the buffer may have been cut; retry larger rather than take the
  // folder from a cut name.
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::vector<char> buffer(size);
    const DWORD length = GetModuleFileNameA(handle, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) return std::string(buffer.data(), length);
  }
  return {};
}

std::optional<bool> isFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void logSignal() { Beep(2000, 200); }

// The root folder of the current drive.
const char* logPath() { return "\\tulk.log.txt"; }

double coarseWallSeconds() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);  // the tick-resolution clock, no kernel transition
  const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  constexpr uint64_t k1601To1970 = 116444736000000000ull;  // 100 ns units
  return static_cast<double>(static_cast<int64_t>(ticks - k1601To1970)) * 1e-7;
}

}  // namespace runtime_platform
