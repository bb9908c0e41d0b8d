// Allocation counting for tests. operator new is replaced in the executable; on Linux
// the C heap functions are interposed as well (a loaded library binds to them), on
// Windows a loaded library's imports of the C heap are redirected here.
#include "tests/support/alloc_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(_WIN32)
#include <windows.h>

#include <cstring>
#endif

namespace {
std::atomic<bool> counting{false};
std::atomic<long long> allocations{0};

inline void note() {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}

// The C heap beneath operator new, so that one new counts once where malloc is
// interposed too.
void* heapAllocate(std::size_t size);

void* allocate(std::size_t size) {
  note();
  if (void* p = heapAllocate(size ? size : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

void alloc_count::start() {
  allocations = 0;
  counting = true;
}

long long alloc_count::stop() {
  counting = false;
  return allocations.load();
}

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  note();
  return heapAllocate(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  note();
  return heapAllocate(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

#if !defined(_WIN32)

// Sanitizers own the C heap; there operator new alone is counted.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void* malloc(std::size_t size) {
  note();
  return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
  note();
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, std::size_t size) {
  note();
  return __libc_realloc(p, size);
}
namespace {
void* heapAllocate(std::size_t size) { return __libc_malloc(size); }
}  // namespace
#else
namespace {
void* heapAllocate(std::size_t size) { return std::malloc(size); }
}  // namespace
#endif

void alloc_count::watchModule(void*) {}

#else

namespace {
void* heapAllocate(std::size_t size) { return std::malloc(size); }

using MallocFn = void*(__cdecl*)(size_t);
using CallocFn = void*(__cdecl*)(size_t, size_t);
using ReallocFn = void*(__cdecl*)(void*, size_t);
MallocFn realMalloc = nullptr;
CallocFn realCalloc = nullptr;
ReallocFn realRealloc = nullptr;

void* __cdecl countedMalloc(size_t size) {
  note();
  return realMalloc(size);
}
void* __cdecl countedCalloc(size_t n, size_t size) {
  note();
  return realCalloc(n, size);
}
void* __cdecl countedRealloc(void* p, size_t size) {
  note();
  return realRealloc(p, size);
}

void patch(void** slot, void* replacement, void** original) {
  if (*slot == replacement) return;  // loaded again at the same place
  if (!*original) *original = *slot;
  DWORD old = 0;
  if (VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) {
    *slot = replacement;
    VirtualProtect(slot, sizeof(void*), old, &old);
  }
}
}  // namespace

// Walks the module's import table and points its C heap imports at the counters.
void alloc_count::watchModule(void* module) {
  auto* base = static_cast<unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!dir.VirtualAddress) return;
  for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name;
       ++imp) {
    if (!imp->OriginalFirstThunk) continue;
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
      void** slot = reinterpret_cast<void**>(&slots->u1.Function);
      if (std::strcmp(name, "malloc") == 0) {
        patch(slot, reinterpret_cast<void*>(countedMalloc), reinterpret_cast<void**>(&realMalloc));
      } else if (std::strcmp(name, "calloc") == 0) {
        patch(slot, reinterpret_cast<void*>(countedCalloc), reinterpret_cast<void**>(&realCalloc));
      } else if (std::strcmp(name, "realloc") == 0) {
        patch(slot, reinterpret_cast<void*>(countedRealloc), reinterpret_cast<void**>(&realRealloc));
      }
    }
  }
}

#endif
