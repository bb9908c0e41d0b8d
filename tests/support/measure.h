// What the long-running checks and the benchmarks read of the process: its resident
// memory, and how long they were asked to run.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>  // link psapi
#elif defined(__linux__)
#include <unistd.h>
#endif

namespace brimtrace_test {

// A sanitizer owns the heap: its figures say nothing about the plug-in's memory.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitizedHeap = true;
#else
inline constexpr bool kSanitizedHeap = false;
#endif

// Resident memory of this process in bytes (0 where the platform does not say).
inline long long residentBytes() {
#if defined(_WIN32)
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<long long>(counters.WorkingSetSize);
#elif defined(__linux__)
  long long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%lld %lld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
#else
  return 0;
#endif
}

// The positive number in the variable `name` when given (a long run asked for by hand),
// else the one in `ctestName` (the short form ctest sets), else `fallback`.
inline long long lengthFromEnvironment(const char* name, const char* ctestName, long long fallback) {
  for (const char* variable : {name, ctestName})
    if (const char* text = std::getenv(variable))
      if (const long long n = std::atoll(text); n > 0) return n;
  return fallback;
}

}  // namespace brimtrace_test
