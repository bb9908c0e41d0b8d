// The editor opened and closed over and over in a host window, through the built library
// as a host drives it, with audio and a paint in every cycle: nothing may grow, neither
// memory nor open handles nor window-system objects.
//   Linux: descriptors (an X connection left open is one), every window on the X server,
//   heap in use and resident memory.
//   Windows: GDI and USER objects, handles, heap in use and the working set. Under Wine,
//   where GetGuiResources and GetProcessHandleCount answer 0, GDI objects are counted by
//   asking GetObjectType about every handle index and windows by enumerating them.
//   BRIMTRACE_LIFECYCLE_CYCLES=<cycles> (default 1000; ctest runs 200) sets its length.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/editor/host_window.h"
#include "tests/support/measure.h"
#include "tests/support/test_host.h"

#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>
#else
#include <X11/Xlib.h>
#include <unistd.h>
#endif

using namespace brimtrace_test;

namespace {

// BRIMTRACE_LIFECYCLE_CYCLES when given, else ctest's short form, else the thousand.
int cycles() {
  return static_cast<int>(brimtrace_test::lengthFromEnvironment("BRIMTRACE_LIFECYCLE_CYCLES",
                                                                "BRIMTRACE_LIFECYCLE_CTEST_CYCLES", 1000));
}

struct Counts {
  long long handles = 0;     // descriptors, or Windows handles
  long long gdiObjects = 0;  // Windows only
  long long windows = 0;     // every window of the X server, or of this process
  long long heapBytes = 0;
  long long residentKiB = 0;
};

#if defined(_WIN32)
long long gdiObjects() {
  if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
  long long n = 0;  // Wine: the low word of a GDI handle is its index
  for (uintptr_t index = 1; index < 0x10000; ++index)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++n;
  return n;
}

BOOL CALLBACK countWindow(HWND window, LPARAM total) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId()) ++*reinterpret_cast<long long*>(total);
  return TRUE;
}
BOOL CALLBACK countTopLevel(HWND window, LPARAM total) {
  countWindow(window, total);
  EnumChildWindows(window, countWindow, total);  // all descendants
  return TRUE;
}

Counts counts(const HostWindow&) {
  Counts c;
  const ResourceCounts r = resourceCounts();
  c.handles = r.handles;
  c.heapBytes = r.heapBytes;
  c.gdiObjects = gdiObjects();
  EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&c.windows));
  if (const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) c.windows = user;
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
    c.residentKiB = static_cast<long long>(memory.WorkingSetSize / 1024);
  return c;
}
#else
long long windowsBelow(Display* display, Window window) {
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &n)) return 0;
  long long total = n;
  for (unsigned int i = 0; i < n; ++i) total += windowsBelow(display, children[i]);
  if (children) XFree(children);
  return total;
}

Counts counts(const HostWindow& host) {
  Counts c;
  const ResourceCounts r = resourceCounts();
  c.handles = r.handles;
  c.heapBytes = r.heapBytes;
  auto* display = static_cast<Display*>(host.display());
  c.windows = windowsBelow(display, DefaultRootWindow(display));
  c.residentKiB = brimtrace_test::residentBytes() / 1024;
  return c;
}
#endif

// The red frame line along the top edge of the picture.
bool framePainted(const HostWindow& host) {
  const uint32_t p = host.pixel(200, 0);
  return (p >> 16 & 0xFF) > 200 && (p >> 8 & 0xFF) < 60 && (p & 0xFF) < 60;
}

TEST(EditorLifecycle, OpenPaintCloseCyclesLeaveNothingBehind) {
  REQUIRE_WINDOWS();
  PluginLibrary library;
  ASSERT_TRUE(library.loaded()) << library.error();
  TestHost host;
  HostWindow window;
  ASSERT_TRUE(window.ok());
  Instance fx(library.entry());
  ASSERT_TRUE(fx);
  fx.start(48000, 256);

  std::vector<float> left(256), right(256), outLeft(256), outRight(256);
  for (int i = 0; i < 256; ++i) left[i] = right[i] = (i % 2 ? 0.25f : -0.25f);
  float* inputs[] = {left.data(), right.data()};
  float* outputs[] = {outLeft.data(), outRight.data()};

  auto cycle = [&] {
    ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, window.handle()), 1);
    ASSERT_TRUE(waitFor([&] { return framePainted(window); },
                        [&] {
                          fx->processReplacing(fx.get(), inputs, outputs, 256);
                          fx.dispatch(effEditIdle);
                          window.pump();
                        }))
        << "the editor never painted";
    fx.dispatch(effEditClose);
    window.pump();
    host.clear();  // the host's own record of calls is not the plug-in's memory
  };
  for (int i = 0; i < 20; ++i) cycle();  // caches of the platform's libraries settle
  const Counts before = counts(window);
  const int n = cycles();
  for (int i = 0; i < n; ++i) {
    cycle();
    if (HasFatalFailure()) return;
  }
  const Counts after = counts(window);
  std::printf(
      "%d cycles: handles %lld -> %lld, GDI objects %lld -> %lld, windows %lld -> %lld, "
      "heap %+lld bytes, resident %lld -> %lld KiB\n",
      n, before.handles, after.handles, before.gdiObjects, after.gdiObjects, before.windows, after.windows,
      after.heapBytes - before.heapBytes, before.residentKiB, after.residentKiB);
  EXPECT_EQ(window.childCount(), 0);
  EXPECT_LE(after.handles, before.handles);
  EXPECT_LE(after.gdiObjects, before.gdiObjects);
  EXPECT_LE(after.windows, before.windows);
  // Less than 100 bytes a cycle: nothing of an editor (its back buffer alone is 640 KB).
  // Resident memory within 4 MiB plus 2 KiB a cycle of where it was. Under a sanitizer
  // its own allocator keeps freed memory aside; nothing to see there.
  if (!brimtrace_test::kSanitizedHeap) {
    EXPECT_LT(after.heapBytes, before.heapBytes + 100LL * n);
    EXPECT_LT(after.residentKiB, before.residentKiB + 4096 + 2LL * n);
  }
}

}  // namespace
