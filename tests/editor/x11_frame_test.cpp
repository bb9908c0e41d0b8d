// The frame's X11 window on a private Xvfb: painting into the host's window, repaints
// after invalidation, real mouse input through XTest with its button bits and capture,
// and a window whose parent vanishes.
#include <X11/keysym.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/frame.h"
#include "gui/linux/frame_window.h"
#include "tests/editor/host_window.h"
#include "tests/support/frame_doubles.h"

using namespace Toolkit;
using namespace brimtrace_test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

struct X11Frame : ::testing::Test {
  HostWindow host;
  EventLog events;
  CFrame* frame = nullptr;
  TestView* view = nullptr;

  void SetUp() override {
    REQUIRE_WINDOWS();
    ASSERT_TRUE(host.ok());
    frame = new CFrame(CRect(0, 0, 400, 400), host.handle(), nullptr);
    ASSERT_TRUE(frame->isOpen());
    view = new TestView(CRect(100, 100, 200, 200), "v", &events);
    frame->addView(view);
    ASSERT_TRUE(waitFor([&] { return paints() > 0; }, [&] { frame->idle(); }));
    events.events.clear();
  }
  void TearDown() override {
    if (frame) frame->release();
  }
  X11FrameWindow* window() const { return static_cast<X11FrameWindow*>(frame->getWindow()); }
  int paints() const { return window()->paintCount(); }
  // Idles until the view has logged `count` events.
  bool waitEvents(size_t count) {
    return waitFor([&] { return events.events.size() >= count; }, [&] { frame->idle(); });
  }
};

}  // namespace

TEST_F(X11Frame, PaintsTheBlackBackgroundAndTheViewIntoTheHostWindow) {
  EXPECT_EQ(host.childCount(), 1);
  EXPECT_EQ(host.pixel(50, 50), kBlack);
  EXPECT_EQ(host.pixel(399, 399), kBlack);
  EXPECT_EQ(host.pixel(100, 100), kRed);
  EXPECT_EQ(host.pixel(199, 199), kRed);
  EXPECT_EQ(host.pixel(200, 150), kBlack);
}

TEST_F(X11Frame, InvalidationRepaintsOnceOnTheNextIdleAndOnlyInsideTheUpdate) {
  const int before = paints();
  frame->idle();
  EXPECT_EQ(paints(), before);  // nothing pending, nothing painted

  view->fill = CColor{0, 255, 0, 255};
  view->invalid();
  frame->invalidRect(CRect(0, 0, 10, 10));
  frame->idle();
  EXPECT_EQ(paints(), before + 1);  // both requests in one paint
  EXPECT_EQ(host.pixel(150, 150), kGreen);

  view->fill = CColor{0, 0, 255, 255};
  frame->invalidRect(CRect(120, 130, 140, 150));
  frame->idle();
  EXPECT_EQ(host.pixel(120, 130), kBlue);
  EXPECT_EQ(host.pixel(139, 149), kBlue);
  EXPECT_EQ(host.pixel(119, 130), kGreen);
  EXPECT_EQ(host.pixel(140, 149), kGreen);
  EXPECT_EQ(host.pixel(139, 150), kGreen);

  // A view marked dirty is repainted by the idle.
  view->fill = CColor{255, 0, 0, 255};
  view->setDirty();
  frame->idle();
  EXPECT_EQ(host.pixel(150, 150), kRed);
}

TEST_F(X11Frame, PressMoveOutsideAndReleaseReachTheViewWithTheirBits) {
  host.moveTo(150, 160);
  host.key(XK_Shift_L, true);
  host.press(Button::Left);
  ASSERT_TRUE(waitEvents(3));
  EXPECT_TRUE(host.editorHoldsMouse());
  host.moveTo(600, 500);  // outside the window: the press holds the pointer
  host.release(Button::Left);
  host.key(XK_Shift_L, false);
  ASSERT_TRUE(waitEvents(5));
  for (int i = 0; i < 5; ++i) frame->idle();
  EXPECT_FALSE(host.editorHoldsMouse());
  // The press ends the hover first; the release outside finds no view under the pointer.
  EXPECT_THAT(events.events, ElementsAre("entered v 50 60 0", "exited v 50 60 18", "down v 50 60 18",
                                         "moved v 500 400 18", "up v 500 400 16"));
  // Released: moves outside no longer reach the window.
  events.events.clear();
  host.moveTo(700, 500);
  for (int i = 0; i < 20; ++i) frame->idle();
  EXPECT_THAT(events.events, IsEmpty());
}

TEST_F(X11Frame, RightAndMiddleButtonsAndDoubleClicks) {
  host.moveTo(110, 110);
  ASSERT_TRUE(waitEvents(1));
  host.press(Button::Right);
  host.release(Button::Right);
  host.press(Button::Middle);
  host.release(Button::Middle);
  host.press(Button::Middle);  // soon after the last one: a double click
  host.release(Button::Middle);
  ASSERT_TRUE(waitEvents(8));
  EXPECT_THAT(events.events,
              ElementsAre("entered v 10 10 0", "exited v 10 10 8", "down v 10 10 8", "up v 10 10 0",
                          "down v 10 10 4", "up v 10 10 0", "down v 10 10 1028", "up v 10 10 0"));
}

TEST_F(X11Frame, WheelButtonsGiveOneNotchEachWithModifiers) {
  host.moveTo(150, 150);
  ASSERT_TRUE(waitEvents(1));
  host.key(XK_Control_L, true);
  host.button(4, true);
  host.button(4, false);
  host.key(XK_Control_L, false);
  host.button(5, true);
  host.button(5, false);
  ASSERT_TRUE(waitEvents(3));
  EXPECT_THAT(events.events, ElementsAre("entered v 50 50 0", "wheel+1 v 50 50 32", "wheel-1 v 50 50 0"));
}

TEST_F(X11Frame, AnUnhandledPressDoesNotHoldThePointer) {
  view->downResult = kMouseEventNotHandled;
  host.moveTo(150, 150);
  host.press(Button::Left);
  ASSERT_TRUE(waitEvents(3));
  EXPECT_FALSE(host.editorHoldsMouse());
  host.moveTo(600, 600);
  host.moveTo(150, 150);
  host.release(Button::Left);
  ASSERT_TRUE(waitEvents(4));
  for (int i = 0; i < 10; ++i) frame->idle();
  // No move from outside and no release reach the view; coming back is a new hover.
  EXPECT_THAT(events.events,
              ElementsAre("entered v 50 50 0", "exited v 50 50 2", "down v 50 50 2", "entered v 50 50 2"));
}

TEST_F(X11Frame, AParentDestroyedBeforeCloseEndsTheWindowQuietly) {
  host.destroy();
  for (int i = 0; i < 5; ++i) frame->idle();
  EXPECT_FALSE(frame->isOpen());
  view->invalid();
  frame->idle();
  frame->release();  // destroys nothing further, and does not end the process
  frame = nullptr;
}

TEST(X11FrameWindow, ABadParentGivesNoWindowAndDoesNotEndTheProcess) {
  REQUIRE_WINDOWS();
  auto* frame = new CFrame(CRect(0, 0, 400, 400), reinterpret_cast<void*>(uintptr_t{0x7fffff}), nullptr);
  EXPECT_FALSE(frame->isOpen());
  frame->release();
}

TEST(X11FrameWindow, ButtonBitsFromEventState) {
  EXPECT_EQ(x11StateButtons(ShiftMask) | x11ButtonBit(Button1), 18);
  EXPECT_EQ(x11StateButtons(ControlMask | Mod1Mask | Button3Mask), 32 | 64 | 8);
  EXPECT_EQ(x11StateButtons(Button2Mask | LockMask | Mod2Mask), 4);  // caps and num lock ignored
  EXPECT_EQ(x11ButtonBit(Button2), 4);
  EXPECT_EQ(x11ButtonBit(8), 256);
  EXPECT_EQ(x11ButtonBit(9), 512);
  EXPECT_EQ(x11ButtonBit(4), 0);
}

TEST(X11FrameWindow, OpenCloseCyclesLeaveNoConnectionsWindowsOrMemoryBehind) {
  REQUIRE_WINDOWS();
  HostWindow host;
  ASSERT_TRUE(host.ok());
  EventLog events;
  auto cycle = [&] {
    auto* frame = new CFrame(CRect(0, 0, 400, 400), host.handle(), nullptr);
    frame->addView(new TestView(CRect(0, 0, 400, 400), "v", &events));
    frame->idle();
    frame->release();
  };
  for (int i = 0; i < 20; ++i) cycle();  // caches of cairo and fontconfig settle
  const ResourceCounts before = resourceCounts();
  constexpr int kCycles = 200;
  for (int i = 0; i < kCycles; ++i) cycle();
  const ResourceCounts after = resourceCounts();
  EXPECT_EQ(after.handles, before.handles);
  EXPECT_EQ(host.childCount(), 0);
  // Less than 100 bytes a cycle: nothing of a window (back buffer alone is 640 KB) stays.
  EXPECT_LT(after.heapBytes, before.heapBytes + 100 * kCycles);
}
