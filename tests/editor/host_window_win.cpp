#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "tests/editor/host_window.h"

namespace brimtrace_test {

namespace {

const wchar_t kClass[] = L"BrimtraceTestHostWindow";

LRESULT CALLBACK hostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool registerClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = hostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClass;
    return RegisterClassW(&wc) != 0;
  }();
  return registered;
}

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

HostWindow::HostWindow(int width, int height) : width_(width), height_(height) {
  if (!windowsAvailable() || !registerClass()) return;
  RECT r{0, 0, width, height};
  AdjustWindowRect(&r, WS_POPUP, FALSE);
  hwnd_ = CreateWindowExW(0, kClass, L"Host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, r.right - r.left,
                          r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  pump();
}

HostWindow::~HostWindow() { destroy(); }

bool HostWindow::ok() const { return hwnd_ != nullptr; }
void* HostWindow::handle() const { return hwnd_; }

void HostWindow::destroy() {
  if (!hwnd_) return;
  DestroyWindow(hwndOf(hwnd_));
  hwnd_ = nullptr;
  pump();
}

int HostWindow::childCount() const {
  int n = 0;
  for (HWND c = editorWindow(hwnd_); c; c = GetWindow(c, GW_HWNDNEXT)) ++n;
  return n;
}

std::vector<uint32_t> HostWindow::grab() const {
  std::vector<uint32_t> out;
  if (!hwnd_) return out;
  HDC window = GetDC(hwndOf(hwnd_));
  HDC memory = CreateCompatibleDC(window);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width_, height_, window, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  out.assign(pixels, pixels + static_cast<size_t>(width_) * static_cast<size_t>(height_));
  for (uint32_t& p : out) p &= 0xFFFFFF;  // BI_RGB 32-bit: 0x00RRGGBB
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(hwndOf(hwnd_), window);
  return out;
}

uint32_t HostWindow::pixel(int x, int y) const {
  const std::vector<uint32_t> image = grab();
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || image.empty()) return ~0u;
  return image[static_cast<size_t>(y * width_ + x)];
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
  if (HWND w = editorWindow(hwnd_))
    PostMessageW(w, WM_MOUSEMOVE, static_cast<WPARAM>(held_) | keyFlags(modifiers),
                 MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

void HostWindow::press(Button b, int modifiers) {
  held_ |= static_cast<int>(buttonFlag(b));
  const UINT message = b == Button::Left     ? WM_LBUTTONDOWN
                       : b == Button::Middle ? WM_MBUTTONDOWN
                                             : WM_RBUTTONDOWN;
  if (HWND w = editorWindow(hwnd_))
    PostMessageW(w, message, static_cast<WPARAM>(held_) | keyFlags(modifiers),
                 MAKELPARAM(static_cast<WORD>(x_), static_cast<WORD>(y_)));
}

void HostWindow::release(Button b, int modifiers) {
  held_ &= ~static_cast<int>(buttonFlag(b));
  const UINT message = b == Button::Left ? WM_LBUTTONUP : b == Button::Middle ? WM_MBUTTONUP : WM_RBUTTONUP;
  if (HWND w = editorWindow(hwnd_))
    PostMessageW(w, message, static_cast<WPARAM>(held_) | keyFlags(modifiers),
                 MAKELPARAM(static_cast<WORD>(x_), static_cast<WORD>(y_)));
}

bool HostWindow::editorHoldsMouse() const {
  HWND w = editorWindow(hwnd_);
  return w && GetCapture() == w;
}

void HostWindow::pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
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
