#include <windows.h>

#include "tests/editor/host_window.h"

namespace brimtrace_test {

namespace {

HWND hwndOf(void* h) { return static_cast<HWND>(h); }

// The editor's window: the host window's first child.
HWND editorWindow(void* host) { return host ? GetWindow(hwndOf(host), GW_CHILD) : nullptr; }

}  // namespace

bool windowsAvailable() {
  // Under Wine, windows need an X display; the tests are run with one or skip.
  const auto wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
  if (!wine) return true;
  return GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) > 0;
}

namespace {
WPARAM keyFlags(int modifiers) {
  WPARAM w = 0;
  if (modifiers & kShiftKey) w |= MK_SHIFT;
  if (modifiers & kControlKey) w |= MK_CONTROL;
  return w;
}
WPARAM buttonFlag(Button b) {
  return b == Button::Left ? MK_LBUTTON : b == Button::Middle ? MK_MBUTTON : MK_RBUTTON;
}
}  // namespace

// Input is posted to the editor's window the way the system delivers it: coordinates
// relative to the window, MK_ flags of the buttons held and the keys down.
void HostWindow::moveTo(int x, int y, int modifiers) {
  x_ = x;
  y_ = y;
  if (HWND w = editorWindow(handle()))
    PostMessageW(w, WM_MOUSEMOVE, static_cast<WPARAM>(held_) | keyFlags(modifiers),
                 MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

void HostWindow::press(Button b, int modifiers) {
  held_ |= static_cast<int>(buttonFlag(b));
  const UINT message = b == Button::Left     ? WM_LBUTTONDOWN
                       : b == Button::Middle ? WM_MBUTTONDOWN
                                             : WM_RBUTTONDOWN;
  if (HWND w = editorWindow(handle()))
    PostMessageW(w, message, static_cast<WPARAM>(held_) | keyFlags(modifiers),
                 MAKELPARAM(static_cast<WORD>(x_), static_cast<WORD>(y_)));
}

void HostWindow::release(Button b, int modifiers) {
  held_ &= ~static_cast<int>(buttonFlag(b));
  const UINT message = b == Button::Left ? WM_LBUTTONUP : b == Button::Middle ? WM_MBUTTONUP : WM_RBUTTONUP;
  if (HWND w = editorWindow(handle()))
    PostMessageW(w, message, static_cast<WPARAM>(held_) | keyFlags(modifiers),
                 MAKELPARAM(static_cast<WORD>(x_), static_cast<WORD>(y_)));
}

bool HostWindow::editorHoldsMouse() const {
  HWND w = editorWindow(handle());
  return w && GetCapture() == w;
}

ResourceCounts resourceCounts() {
  ResourceCounts counts;
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles)) counts.handles = static_cast<long>(handles);
  counts.windowObjects = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) +
                                           GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  // Bytes in use in every heap of the process (the C runtime's and GDI+'s among them).
  HANDLE heaps[64];
  const DWORD n = GetProcessHeaps(64, heaps);
  for (DWORD i = 0; i < n && i < 64; ++i) {
    PROCESS_HEAP_ENTRY entry{};
    if (!HeapLock(heaps[i])) continue;
    while (HeapWalk(heaps[i], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) counts.heapBytes += entry.cbData;
    HeapUnlock(heaps[i]);
  }
  return counts;
}

}  // namespace brimtrace_test
