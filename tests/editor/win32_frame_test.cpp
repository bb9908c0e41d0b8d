// The frame's Win32 window: its class and styles, painting through GDI+ (with and
// without the back buffer), and the window procedure turning messages into the frame's
// mouse calls with their button bits, capture and wheel distances.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/frame.h"
#include "gui/win/drop_target.h"
#include "gui/win/frame_window.h"
#include "tests/editor/host_window.h"
#include "tests/support/frame_doubles.h"

using namespace Toolkit;
using namespace brimtrace_test;
using ::testing::ElementsAre;

namespace {

constexpr uint32_t kBlack = 0x000000, kRed = 0xFF0000;

LPARAM at(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

struct Win32Frame : ::testing::Test {
  HostWindow host;
  EventLog events;
  CFrame* frame = nullptr;
  TestView* view = nullptr;
  HWND child = nullptr;

  void SetUp() override {
    REQUIRE_WINDOWS();
    ASSERT_TRUE(host.ok());
    open();
  }
  void open() {
    frame = new CFrame(CRect(0, 0, 400, 400), host.handle(), nullptr);
    ASSERT_TRUE(frame->isOpen());
    child = static_cast<HWND>(frame->getSystemWindow());
    view = new TestView(CRect(100, 100, 200, 200), "v", &events);
    frame->addView(view);
    host.pump();
    events.events.clear();
  }
  void TearDown() override {
    if (frame) frame->release();
    Win32FrameWindow::overrideMajorVersion(-1);
  }
  Win32FrameWindow* window() const { return static_cast<Win32FrameWindow*>(frame->getWindow()); }
  void send(UINT message, WPARAM wParam, LPARAM lParam) { SendMessageW(child, message, wParam, lParam); }
};

}  // namespace

TEST_F(Win32Frame, ChildWindowWithItsClassStylesAndTitle) {
  wchar_t name[64] = L"";
  GetClassNameW(child, name, 64);
  // "Plugin" and the module handle in hexadecimal, as wsprintfW writes a pointer.
  const std::wstring className = name;
  EXPECT_EQ(className.rfind(L"Plugin", 0), 0u);
  EXPECT_EQ(className.size(), 6 + 2 * sizeof(void*));
  EXPECT_EQ(className.find_first_not_of(L"0123456789ABCDEFabcdef", 6), std::wstring::npos);
  EXPECT_STREQ(name, Win32FrameWindow::className());
  wchar_t title[16] = L"";
  GetWindowTextW(child, title, 16);
  EXPECT_STREQ(title, L"Window");
  EXPECT_EQ(GetParent(child), static_cast<HWND>(host.handle()));
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  const LONG wanted = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  EXPECT_EQ(style & wanted, wanted);
  const bool composited = (GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_COMPOSITED) != 0;
  EXPECT_EQ(composited, window()->majorVersion() >= 6);
  RECT r{};
  GetClientRect(child, &r);
  EXPECT_EQ(r.right, 400);
  EXPECT_EQ(r.bottom, 400);
  EXPECT_EQ(SendMessageW(child, WM_ERASEBKGND, 0, 0), 1);
  // The frame's drop target is registered for the window already.
  auto* probe = new CDropTarget(nullptr);
  probe->AddRef();
  EXPECT_EQ(RegisterDragDrop(child, probe), DRAGDROP_E_ALREADYREGISTERED);
  probe->Release();
}

TEST_F(Win32Frame, OneClassForEveryFrameUnregisteredByTheLast) {
  const std::wstring name = Win32FrameWindow::className();
  HostWindow secondHost;
  auto* second = new CFrame(CRect(0, 0, 100, 100), secondHost.handle(), nullptr);
  ASSERT_TRUE(second->isOpen());
  EXPECT_EQ(Win32FrameWindow::classUsers(), 2);
  EXPECT_EQ(std::wstring(Win32FrameWindow::className()), name);
  second->release();
  EXPECT_EQ(Win32FrameWindow::classUsers(), 1);
  frame->release();
  frame = nullptr;
  EXPECT_EQ(Win32FrameWindow::classUsers(), 0);
  WNDCLASSW info{};
  EXPECT_FALSE(GetClassInfoW(nullptr, name.c_str(), &info));
}

TEST_F(Win32Frame, PaintsTheBlackBackgroundAndTheView) {
  EXPECT_FALSE(window()->hasBackBuffer() && window()->majorVersion() >= 6);
  EXPECT_EQ(host.pixel(50, 50), kBlack);
  EXPECT_EQ(host.pixel(100, 100), kRed);
  EXPECT_EQ(host.pixel(199, 199), kRed);
  EXPECT_EQ(host.pixel(200, 150), kBlack);

  view->fill = CColor{0, 0, 255, 255};
  RECT part{120, 130, 140, 150};
  InvalidateRect(child, &part, FALSE);
  host.pump();
  EXPECT_EQ(host.pixel(120, 130), 0x0000FFu);
  EXPECT_EQ(host.pixel(119, 130), kRed);  // outside the update: untouched
}

TEST_F(Win32Frame, OlderSystemsPaintThroughABackBuffer) {
  frame->release();
  Win32FrameWindow::overrideMajorVersion(5);
  open();
  EXPECT_EQ(GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_COMPOSITED, 0);
  InvalidateRect(child, nullptr, FALSE);
  host.pump();
  EXPECT_TRUE(window()->hasBackBuffer());
  EXPECT_EQ(host.pixel(50, 50), kBlack);
  EXPECT_EQ(host.pixel(150, 150), kRed);
  view->fill = CColor{0, 255, 0, 255};
  RECT part{120, 130, 140, 150};
  InvalidateRect(child, &part, FALSE);
  host.pump();
  EXPECT_EQ(host.pixel(130, 140), 0x00FF00u);
  EXPECT_EQ(host.pixel(150, 150), kRed);
}

TEST_F(Win32Frame, PressMoveOutsideReleaseCaptureAndBits) {
  send(WM_MOUSEMOVE, 0, at(140, 150));
  send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, at(150, 160));
  EXPECT_EQ(GetCapture(), child);
  send(WM_MOUSEMOVE, MK_LBUTTON, at(-30, 500));
  send(WM_LBUTTONUP, 0, at(-30, 500));
  EXPECT_EQ(GetCapture(), nullptr);
  send(WM_LBUTTONDBLCLK, MK_LBUTTON, at(150, 160));
  send(WM_LBUTTONUP, 0, at(150, 160));
  send(WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, at(150, 160));
  send(WM_RBUTTONUP, MK_CONTROL, at(150, 160));
  EXPECT_THAT(events.events, ElementsAre("entered v 40 50 0", "exited v 50 60 18", "down v 50 60 18",
                                         "moved v -130 400 2", "up v -130 400 0", "down v 50 60 1026",
                                         "up v 50 60 0", "down v 50 60 40", "up v 50 60 32"));
}

TEST_F(Win32Frame, WheelDeltasAreWholeNotchesAtTheScreenPoint) {
  RECT r{};
  GetWindowRect(child, &r);
  const LPARAM screen = at(r.left + 150, r.top + 120);
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, 240), screen);
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, 60), screen);
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), screen);
  EXPECT_THAT(events.events, ElementsAre("wheel+2 v 50 20 0", "wheel+0 v 50 20 0", "wheel-1 v 50 20 0"));

  // On a monitor left of the main one screen coordinates are negative.
  events.events.clear();
  SetWindowPos(static_cast<HWND>(host.handle()), nullptr, -200, 0, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(child, &r);
  ASSERT_EQ(r.left, -200);
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), at(r.left + 150, r.top + 120));
  EXPECT_THAT(events.events, ElementsAre("wheel+1 v 50 20 0"));
}

TEST_F(Win32Frame, LeaveNoticeEndsTheHover) {
  send(WM_MOUSEMOVE, 0, at(150, 150));
  EXPECT_TRUE(frame->isTrackingLeave());
  send(WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(frame->isTrackingLeave());
  EXPECT_EQ(events.events.size(), 2u);
  EXPECT_EQ(events.events[1].rfind("exited v", 0), 0u);
}

TEST_F(Win32Frame, AHostWindowDestroyedFirstLeavesAClosedFrame) {
  host.destroy();
  EXPECT_FALSE(frame->isOpen());
  view->invalid();
  frame->idle();
  frame->release();
  frame = nullptr;
  EXPECT_EQ(Win32FrameWindow::classUsers(), 0);
}

TEST(Win32FrameButtons, MessageFlagsMapToToolkitBits) {
  EXPECT_EQ(win32MessageButtons(MK_LBUTTON | MK_SHIFT, false), 18);
  EXPECT_EQ(win32MessageButtons(MK_RBUTTON, false), 8);
  EXPECT_EQ(win32MessageButtons(MK_MBUTTON | MK_CONTROL, false), 36);
  EXPECT_EQ(win32MessageButtons(MK_XBUTTON1, false), 256);
  EXPECT_EQ(win32MessageButtons(MK_XBUTTON2, true), 512 + 64);
}
