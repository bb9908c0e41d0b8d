#include "gui/win/frame_window.h"

#include <ole2.h>
#include <windowsx.h>

#include <memory>

#include "gui/draw_context.h"
#include "gui/frame.h"
#include "gui/offscreen_context.h"
#include "gui/win/drop_target.h"
#include "gui/win/gdiplus_raster.h"
#include "gui/win/resource_stream.h"
#include "runtime/files.h"

namespace Toolkit {

namespace {

// Process-wide: the class name, the frames using it, and the button swap setting read
// when the class was registered. Frames live on the host's UI thread.
wchar_t gClassName[64] = L"";
int gClassUsers = 0;
bool gSwapButtons = false;
int gMajorOverride = -1;

LRESULT CALLBACK frameWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* window = reinterpret_cast<Win32FrameWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
  return window->handleMessage(message, wParam, lParam);
}

int systemMajorVersion() {
  if (gMajorOverride >= 0) return gMajorOverride;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return 0;
#pragma GCC diagnostic pop
  return static_cast<int>(info.dwMajorVersion);
}

bool altDown() { return GetKeyState(VK_MENU) < 0; }

// Messages of newer systems than the headers may know.
constexpr UINT kDpiChanged = 0x02E0, kDpiChangedAfterParent = 0x02E3;

// GetDpiForWindow exists from Windows 10 1607 on: looked up, not linked.
unsigned windowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpi = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  return getDpi && window ? getDpi(window) : 0;
}

unsigned systemDpi() {
  HDC screen = GetDC(nullptr);
  if (!screen) return 0;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<unsigned>(dpi) : 0;
}

}  // namespace

DisplayScale win32DpiScale(unsigned dpi) { return dpi ? DisplayScale::ofDpi(dpi) : DisplayScale{}; }

int32_t win32MessageButtons(WPARAM wParam, bool alt) {
  int32_t b = 0;
  if (wParam & MK_LBUTTON) b |= kLButton;
  if (wParam & MK_RBUTTON) b |= kRButton;
  if (wParam & MK_MBUTTON) b |= kMButton;
  if (wParam & MK_XBUTTON1) b |= kButton4;
  if (wParam & MK_XBUTTON2) b |= kButton5;
  if (wParam & MK_CONTROL) b |= kControl;
  if (wParam & MK_SHIFT) b |= kShift;
  if (alt) b |= kAlt;
  return b;
}

const wchar_t* Win32FrameWindow::className() { return gClassName; }
int Win32FrameWindow::classUsers() { return gClassUsers; }
void Win32FrameWindow::overrideMajorVersion(int major) { gMajorOverride = major; }

Win32FrameWindow::Win32FrameWindow(CFrame& frame, HWND parent, const CRect& size, DisplayScale scale)
    : frame_(frame),
      parent_(parent),
      pictureSize_(size),
      scale_(scale),
      width_(scale.deviceLength(static_cast<int>(size.width()))),
      height_(scale.deviceLength(static_cast<int>(size.height()))) {
  oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
  majorVersion_ = systemMajorVersion();
  if (!parent) return;

  HINSTANCE module = win::pluginModule();
  usesClass_ = true;
  if (gClassUsers++ == 0) {
    wsprintfW(gClassName, L"Plugin%p", static_cast<void*>(module));
    WNDCLASSW wc{};
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
    wc.lpfnWndProc = frameWindowProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = gClassName;
    RegisterClassW(&wc);
    gSwapButtons = GetSystemMetrics(SM_SWAPBUTTON) > 0;
  }
  const DWORD exStyle = majorVersion_ >= 6 ? WS_EX_COMPOSITED : 0;
  hwnd_ = CreateWindowExW(exStyle, gClassName, L"Window",
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, width_, height_,
                          parent, nullptr, module, nullptr);
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  enableDragDrop();
}

Win32FrameWindow::~Win32FrameWindow() {
  disableDragDrop();
  if (oleStarted_) OleUninitialize();
  if (backBuffer_) backBuffer_->release();
  backBuffer_ = nullptr;
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  if (usesClass_ && --gClassUsers == 0) {
    UnregisterClassW(gClassName, win::pluginModule());
    gClassName[0] = L'\0';
  }
}

void Win32FrameWindow::enableDragDrop() {
  if (!hwnd_) return;
  RevokeDragDrop(hwnd_);
  auto* target = new CDropTarget(&frame_);
  target->AddRef();  // held here until registration took its own
  if (RegisterDragDrop(hwnd_, target) == S_OK) {
    dropTarget_ = target;
  } else {
    target->detach();
  }
  target->Release();
}

void Win32FrameWindow::disableDragDrop() {
  if (!dropTarget_) return;
  // OLE may keep the target beyond the revocation (a drag in progress): it forgets us.
  dropTarget_->detach();
  dropTarget_ = nullptr;
  if (hwnd_) RevokeDragDrop(hwnd_);
}

void Win32FrameWindow::setScale(DisplayScale scale) {
  if (!hwnd_) return;
  scale_ = scale;
  width_ = scale.deviceLength(static_cast<int>(pictureSize_.width()));
  height_ = scale.deviceLength(static_cast<int>(pictureSize_.height()));
  SetWindowPos(hwnd_, nullptr, 0, 0, width_, height_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32FrameWindow::invalidate(int left, int top, int right, int bottom) {
  if (!hwnd_) return;
  scale_.toDevice(left, top, right, bottom);
  RECT r{left, top, right, bottom};
  InvalidateRect(hwnd_, &r, TRUE);
}

void Win32FrameWindow::setMouseCapture() {
  if (hwnd_) SetCapture(hwnd_);
}

void Win32FrameWindow::releaseMouseCapture() {
  // Only our own capture: the host may hold one of its own on this thread.
  if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
}

void Win32FrameWindow::trackMouseLeave() {
  if (!hwnd_) return;
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = hwnd_;
  track.dwHoverTime = HOVER_DEFAULT;
  TrackMouseEvent(&track);
}

CPoint Win32FrameWindow::pointerPosition() const {
  POINT p{};
  RECT r{};
  GetCursorPos(&p);
  if (hwnd_) GetWindowRect(hwnd_, &r);
  return toPicture(p.x - r.left, p.y - r.top);
}

int32_t Win32FrameWindow::currentButtons() const {
  // The asynchronous state is the physical buttons': exchanged when the system swaps them.
  int32_t b = 0;
  if (GetAsyncKeyState(VK_LBUTTON) < 0) b |= gSwapButtons ? kRButton : kLButton;
  if (GetAsyncKeyState(VK_RBUTTON) < 0) b |= gSwapButtons ? kLButton : kRButton;
  if (GetAsyncKeyState(VK_MBUTTON) < 0) b |= kMButton;
  if (GetAsyncKeyState(VK_SHIFT) < 0) b |= kShift;
  if (GetAsyncKeyState(VK_CONTROL) < 0) b |= kControl;
  if (GetAsyncKeyState(VK_MENU) < 0) b |= kAlt;
  return b;
}

CDrawContext* Win32FrameWindow::makeDrawContext() {
  auto* context = new CDrawContext(
      hwnd_ ? std::make_unique<win::GdiplusSurface>(hwnd_, scale_.factor()) : nullptr, frame_.getViewSize());
  if (hwnd_) {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    context->setGlobalOffset(CPoint(r.left, r.top));
  }
  return context;
}

void Win32FrameWindow::paint() {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (!region) return;
  if (GetUpdateRgn(hwnd_, region, FALSE) == NULLREGION) {
    DeleteObject(region);
    return;
  }
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(hwnd_, &ps);
  // Systems this old know one resolution for everything: their back buffer has the
  // picture's size, and the copy onto the window scales it where a factor was forced.
  if (majorVersion_ <= 5 && !backBuffer_)
    backBuffer_ = new COffscreenContext(frame_.getViewSize(), pictureSize_.width(), pictureSize_.height(),
                                        kBlackCColor);
  const CRect update = scale_.toPicture(ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
  if (backBuffer_) {
    frame_.paint(backBuffer_, update);
    // A copy of the updated area onto the window (1:1 at a factor of 1).
    auto* screen =
        new CDrawContext(std::make_unique<win::GdiplusSurface>(dc, scale_.factor()), frame_.getViewSize());
    if (CBitmap* bitmap = backBuffer_->getBitmap())
      bitmap->draw(screen, update, CPoint(update.left, update.top));
    screen->release();
  } else {
    auto* context =
        new CDrawContext(std::make_unique<win::GdiplusSurface>(dc, scale_.factor()), frame_.getViewSize());
    RECT r{};
    GetWindowRect(hwnd_, &r);
    context->setGlobalOffset(CPoint(r.left, r.top));
    frame_.paint(context, update);
    context->release();
  }
  EndPaint(hwnd_, &ps);
  DeleteObject(region);
}

LRESULT Win32FrameWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = hwnd_;
  const CPoint where = toPicture(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  switch (message) {
    case WM_PAINT:
      paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers everything; erasing would only flicker
    case WM_MOUSEMOVE:
      frame_.handleMouseMoved(where, win32MessageButtons(wParam, altDown()));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDBLCLK: {
      int32_t buttons = win32MessageButtons(wParam, altDown());
      if (message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK ||
          message == WM_XBUTTONDBLCLK)
        buttons |= kDoubleClick;
      frame_.handleMouseDown(where, buttons);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
      frame_.handleMouseUp(where, win32MessageButtons(wParam, altDown()));
      return 0;
    case WM_MOUSEWHEEL: {
      int32_t buttons = 0;
      if (GetKeyState(VK_SHIFT) < 0) buttons |= kShift;
      if (GetKeyState(VK_CONTROL) < 0) buttons |= kControl;
      if (altDown()) buttons |= kAlt;
      // Screen coordinates, signed: monitors left of or above the main one are negative.
      RECT r{};
      GetWindowRect(hwnd, &r);
      const CPoint point = toPicture(GET_X_LPARAM(lParam) - r.left, GET_Y_LPARAM(lParam) - r.top);
      const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
      frame_.handleWheel(point, kMouseWheelAxisY, wheelDistance(delta), buttons);
      break;
    }
    case kDpiChanged:
      // A top-level frame hears the new resolution in the message, a child after its
      // parent's; either way the window's own resolution is the one to follow.
      if (const DisplayScale s = win32DpiScale(LOWORD(wParam)); s.factor() != scale_.factor())
        frame_.handleScaleChanged(s);
      return 0;
    case kDpiChangedAfterParent:
      if (const DisplayScale s = win32DpiScale(windowDpi(hwnd)); s.factor() != scale_.factor())
        frame_.handleScaleChanged(s);
      return 0;
    case WM_MOUSELEAVE:
      frame_.handleMouseLeave();
      return 0;
    case WM_DESTROY:
      // Destroyed with the host's window before the frame closed: let go of it now,
      // while the handle is still valid, and never touch it again.
      disableDragDrop();
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      parent_ = nullptr;
      frame_.handleWindowDestroyed();
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

namespace platform {

std::unique_ptr<FrameWindow> makeFrameWindow(CFrame& frame, void* parentWindow, const CRect& size,
                                             DisplayScale scale) {
  if (!parentWindow) return nullptr;
  auto window = std::make_unique<Win32FrameWindow>(frame, static_cast<HWND>(parentWindow), size, scale);
  if (!window->isOpen()) return nullptr;
  return window;
}

// A DPI-unaware host's windows report 96 (Windows stretches such hosts itself).
DisplayScale windowScale(void* parentWindow) {
  if (!parentWindow || !IsWindow(static_cast<HWND>(parentWindow))) return systemScale();
  const unsigned dpi = windowDpi(static_cast<HWND>(parentWindow));
  return dpi ? win32DpiScale(dpi) : systemScale();
}

DisplayScale systemScale() { return win32DpiScale(systemDpi()); }

}  // namespace platform

}  // namespace Toolkit
