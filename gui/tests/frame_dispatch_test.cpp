// The portable frame without a platform window: mouse, wheel and key dispatch, the
// paint of an update rectangle, invalidation and idle, checked on recording doubles.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/frame.h"
#include "tests/support/frame_doubles.h"

using namespace Toolkit;
using namespace brimtrace_test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

struct FrameFixture : ::testing::Test {
  WindowLog window;
  EventLog events;
  CFrame* frame = new CFrame(CRect(0, 0, 400, 400), std::make_unique<RecordingWindow>(&window), nullptr);
  ~FrameFixture() override { frame->release(); }

  TestView* add(const CRect& r, const char* name) {
    auto* v = new TestView(r, name, &events);
    EXPECT_TRUE(frame->addView(v));
    return v;
  }
  void clearLogs() {
    window.calls.clear();
    events.events.clear();
  }
};

}  // namespace

// ---- Mouse ----

using FrameMouse = FrameFixture;

TEST_F(FrameMouse, PressMoveOutsideReleaseReachTheSameViewAndReleaseFreesCapture) {
  add(CRect(0, 0, 400, 400), "editor");
  clearLogs();
  EXPECT_EQ(frame->handleMouseDown(CPoint(10, 20), kLButton | kShift), kMouseEventHandled);
  EXPECT_EQ(frame->getMouseDownView(), frame->getView(0));
  frame->handleMouseMoved(CPoint(-30, 450), kLButton);
  EXPECT_EQ(frame->handleMouseUp(CPoint(-31, 451), 0), kMouseEventHandled);
  EXPECT_THAT(events.events,
              ElementsAre("down editor 10 20 18", "moved editor -30 450 2", "up editor -31 451 0"));
  EXPECT_THAT(window.calls, ElementsAre("capture", "trackLeave", "release"));
  EXPECT_EQ(frame->getMouseDownView(), nullptr);
}

TEST_F(FrameMouse, PointsArriveInTheViewsOwnCoordinatesAndTheTopmostChildWins) {
  add(CRect(0, 0, 400, 400), "below");
  auto* box = new CViewContainer(CRect(100, 50, 300, 250));
  ASSERT_TRUE(frame->addView(box));
  auto* inner = new TestView(CRect(10, 10, 60, 60), "inner", &events);
  ASSERT_TRUE(box->addView(inner));
  clearLogs();

  frame->handleMouseDown(CPoint(115, 65), kRButton);  // inner at frame (110, 60)
  frame->handleMouseMoved(CPoint(0, 0), kRButton);
  frame->handleMouseUp(CPoint(0, 0), 0);
  EXPECT_THAT(events.events,
              ElementsAre("down inner 5 5 8", "moved inner -110 -60 8", "up inner -110 -60 0"));

  // Inside the box but beside inner: the box takes no press and the view below gets none.
  clearLogs();
  EXPECT_EQ(frame->handleMouseDown(CPoint(250, 200), kLButton), kMouseEventNotHandled);
  EXPECT_THAT(events.events, IsEmpty());
  EXPECT_THAT(window.calls, IsEmpty());
  // Outside the box the view below gets it.
  frame->handleMouseDown(CPoint(350, 300), kLButton);
  EXPECT_THAT(events.events, ElementsAre("down below 350 300 2"));
}

TEST_F(FrameMouse, UnhandledPressesNeitherCaptureNorKeepTheMouse) {
  auto* v = add(CRect(0, 0, 100, 100), "v");
  v->downResult = kMouseEventNotHandled;
  clearLogs();
  EXPECT_EQ(frame->handleMouseDown(CPoint(5, 5), kLButton), kMouseEventNotHandled);
  EXPECT_EQ(frame->getMouseDownView(), nullptr);
  // Nothing under the point: 2 as well.
  EXPECT_EQ(frame->handleMouseDown(CPoint(200, 200), kLButton), kMouseEventNotHandled);
  // A release without a view holding the mouse: 2, capture freed all the same.
  EXPECT_EQ(frame->handleMouseUp(CPoint(5, 5), 0), kMouseEventNotHandled);
  EXPECT_THAT(window.calls, ElementsAre("release"));

  // A view with invisible or mouse-disabled state is skipped.
  v->downResult = kMouseEventHandled;
  v->setMouseEnabled(false);
  EXPECT_EQ(frame->handleMouseDown(CPoint(5, 5), kLButton), kMouseEventNotHandled);
  v->setMouseEnabled(true);
  v->setVisible(false);
  EXPECT_EQ(frame->handleMouseDown(CPoint(5, 5), kLButton), kMouseEventNotHandled);
  EXPECT_THAT(events.events, ElementsAre("down v 5 5 2"));
}

TEST_F(FrameMouse, OldStylePressTracksWithAFreshContextAndHoldsNothing) {
  auto* v = add(CRect(0, 0, 100, 100), "old");
  v->downResult = kMouseEventNotImplemented;
  clearLogs();
  EXPECT_EQ(frame->handleMouseDown(CPoint(7, 8), kLButton), kMouseEventNotHandled);
  EXPECT_THAT(events.events, ElementsAre("down old 7 8 2", "mouse(context) old 7 8 2"));
  EXPECT_EQ(window.contextsMade, 1);
  EXPECT_EQ(frame->getMouseDownView(), nullptr);
  EXPECT_THAT(window.calls, IsEmpty());
}

TEST_F(FrameMouse, HoverMovesEnterMoveAndExitViewsAndAskForOneLeaveNotice) {
  add(CRect(0, 0, 200, 400), "a");
  add(CRect(200, 0, 400, 400), "b");
  clearLogs();
  frame->handleMouseMoved(CPoint(10, 10), 0);
  frame->handleMouseMoved(CPoint(11, 12), kShift);  // hover: nothing holds the mouse
  frame->handleMouseMoved(CPoint(210, 12), 0);
  window.pointer = CPoint(450, 12);
  window.buttons = kRButton;
  frame->handleMouseLeave();
  EXPECT_THAT(events.events, ElementsAre("entered a 10 10 0", "moved a 11 12 0", "exited a 210 12 0",
                                         "entered b 10 12 0", "exited b 250 12 8"));
  EXPECT_THAT(window.calls, ElementsAre("trackLeave"));
  EXPECT_FALSE(frame->isTrackingLeave());
  EXPECT_EQ(frame->getMouseOverView(), nullptr);
  // Entering again asks for a new notice.
  frame->handleMouseMoved(CPoint(10, 10), 0);
  EXPECT_THAT(window.calls, ElementsAre("trackLeave", "trackLeave"));
}

TEST_F(FrameMouse, PressEndsTheHoverAndAMoveTheHolderRefusesReleasesIt) {
  auto* v = add(CRect(0, 0, 400, 400), "v");
  frame->handleMouseMoved(CPoint(10, 10), 0);
  clearLogs();
  frame->handleMouseDown(CPoint(10, 10), kLButton);
  EXPECT_EQ(frame->getMouseOverView(), nullptr);
  v->moveResult = kMouseEventNotHandled;
  frame->handleMouseMoved(CPoint(20, 20), kLButton);
  EXPECT_EQ(frame->getMouseDownView(), nullptr);
  EXPECT_THAT(events.events,
              ElementsAre("exited v 10 10 2", "down v 10 10 2", "moved v 20 20 2", "entered v 20 20 2"));
}

TEST_F(FrameMouse, RemovingTheViewThatHoldsTheMouseLeavesNoDanglingPointer) {
  bool destroyed = false;
  auto* v = add(CRect(0, 0, 400, 400), "v");
  v->destroyed = &destroyed;
  frame->handleMouseMoved(CPoint(1, 1), 0);
  frame->handleMouseDown(CPoint(1, 1), kLButton);
  frame->setFocusView(v);
  EXPECT_TRUE(frame->removeView(v));
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(frame->handleMouseUp(CPoint(1, 1), 0), kMouseEventNotHandled);
  frame->handleMouseMoved(CPoint(2, 2), 0);
  EXPECT_EQ(frame->getFocusView(), nullptr);
  EXPECT_EQ(frame->getMouseOverView(), nullptr);
}

TEST_F(FrameMouse, ModalViewTakesThePressWhereverItIs) {
  add(CRect(0, 0, 400, 400), "under");
  auto* modal = new TestView(CRect(100, 100, 200, 200), "modal", &events);
  ASSERT_TRUE(frame->setModalView(modal));
  auto* second = new TestView(CRect(), "second", &events);
  EXPECT_FALSE(frame->setModalView(second));  // one modal view at a time
  second->release();
  clearLogs();
  frame->handleMouseDown(CPoint(10, 10), kLButton);
  frame->handleMouseUp(CPoint(10, 10), 0);
  EXPECT_THAT(events.events, ElementsAre("down modal -90 -90 2", "up modal -90 -90 0"));
  EXPECT_TRUE(frame->setModalView(nullptr));
  EXPECT_EQ(frame->getNbViews(), 1);
}

TEST(WheelDistance, WholeNotchesOf120TruncatedTowardZero) {
  EXPECT_EQ(wheelDistance(240), 2.f);
  EXPECT_EQ(wheelDistance(120), 1.f);
  EXPECT_EQ(wheelDistance(60), 0.f);
  EXPECT_EQ(wheelDistance(-60), 0.f);
  EXPECT_EQ(wheelDistance(-120), -1.f);
  EXPECT_EQ(wheelDistance(-32768), -273.f);
}

TEST_F(FrameMouse, WheelGoesToTheViewUnderThePointer) {
  auto* v = add(CRect(100, 100, 200, 200), "v");
  clearLogs();
  EXPECT_TRUE(frame->handleWheel(CPoint(150, 120), kMouseWheelAxisY, wheelDistance(240), kShift));
  EXPECT_FALSE(frame->handleWheel(CPoint(10, 10), kMouseWheelAxisY, 1, 0));
  // Horizontal distances do not reach the plain handler.
  EXPECT_FALSE(frame->handleWheel(CPoint(150, 120), kMouseWheelAxisX, 1, 0));
  v->takesWheel = false;
  EXPECT_FALSE(frame->handleWheel(CPoint(150, 120), kMouseWheelAxisY, -1, 0));
  EXPECT_THAT(events.events, ElementsAre("wheel+2 v 50 20 16", "wheel-1 v 50 20 0"));
}

TEST(DoubleClick, SameButtonSoonAndCloseIsDoubleOnceThenSingleAgain) {
  DoubleClickDetector d;
  EXPECT_FALSE(d.press(1, 10, 10, 1000));
  EXPECT_TRUE(d.press(1, 12, 8, 1400));
  EXPECT_FALSE(d.press(1, 12, 8, 1500));  // a third press starts over
  EXPECT_FALSE(d.press(3, 12, 8, 1600));  // another button
  EXPECT_FALSE(d.press(1, 12, 8, 1700));
  EXPECT_FALSE(d.press(1, 17, 8, 1800));  // too far
  EXPECT_FALSE(d.press(1, 17, 8, 2301));  // too late
  // Event times wrap around.
  EXPECT_FALSE(d.press(1, 0, 0, 0xFFFFFF00u));
  EXPECT_TRUE(d.press(1, 0, 0, 0x10u));
}

// ---- Keys ----

using FrameKeys = FrameFixture;

TEST_F(FrameKeys, KeysReachOnlyTheFocusViewAndTabMovesTheFocus) {
  auto* a = add(CRect(0, 0, 10, 10), "a");
  auto* b = add(CRect(10, 0, 20, 10), "b");
  auto* c = add(CRect(20, 0, 30, 10), "c");
  a->setWantsFocus(true);
  c->setWantsFocus(true);
  clearLogs();
  KeyCode key{'x', 0, 0};
  EXPECT_EQ(frame->onKeyDown(key), -1);  // no focus view
  EXPECT_EQ(frame->onKeyUp(key), -1);
  KeyCode tab{0, kVirtualKeyTab, 0};
  EXPECT_EQ(frame->onKeyDown(tab), 1);
  EXPECT_EQ(frame->getFocusView(), a);
  a->keyResult = -1;  // a does not take tab
  EXPECT_EQ(frame->onKeyDown(tab), 1);
  EXPECT_EQ(frame->getFocusView(), c);  // b does not want the focus
  c->keyResult = -1;
  KeyCode backTab{0, kVirtualKeyTab, kModifierShift};
  EXPECT_EQ(frame->onKeyDown(backTab), 1);
  EXPECT_EQ(frame->getFocusView(), a);
  a->keyResult = 1;
  EXPECT_EQ(frame->onKeyDown(key), 1);
  EXPECT_EQ(frame->onKeyUp(key), 1);
  // A press takes the focus away.
  frame->handleMouseDown(CPoint(15, 5), kLButton);
  EXPECT_EQ(frame->getFocusView(), nullptr);
  (void)b;
  EXPECT_THAT(events.events, ElementsAre("keyDown a 0 2 0", "keyDown c 0 2 1", "keyDown a 120 0 0",
                                         "keyUp a 120 0 0", "down b 5 5 2"));
}

// ---- Paint, invalidation, idle ----

using FramePaint = FrameFixture;

TEST_F(FramePaint, UpdateRectangleClipsBackgroundAndViewsAndSkipsViewsOutsideIt) {
  add(CRect(0, 0, 400, 400), "editor");
  add(CRect(0, 0, 50, 50), "corner");  // outside the update rectangle
  auto* hidden = add(CRect(0, 0, 400, 400), "hidden");
  hidden->setVisible(false);
  clearLogs();

  std::vector<Call> calls;
  auto* context = new CDrawContext(std::make_unique<RecordingSurface>(&calls), CRect(0, 0, 400, 400));
  calls.clear();
  frame->paint(context, CRect(100, 120, 300, 260));
  EXPECT_THAT(lines(calls),
              ElementsAre("setClipRect 100 120 200 140",  // update rectangle
                          "setPenColor ff000000",         // background, opaque black
                          "fillRectangle 0 0 400 400", "drawRectangle 0 0 399 399", "setFillColor ff0000ff",
                          "fillRectangle 0 0 400 400",  // the view, clipped
                          "setClipRect 0 0 400 400"));  // clip restored
  EXPECT_THAT(events.events, ElementsAre("draw editor 0 0 0"));
  context->release();

  // An empty update paints nothing and keeps the clip.
  calls.clear();
  context = new CDrawContext(std::make_unique<RecordingSurface>(&calls), CRect(0, 0, 400, 400));
  calls.clear();
  frame->paint(context, CRect(100, 100, 100, 300));
  EXPECT_THAT(lines(calls), ElementsAre("setClipRect 100 100 0 200", "setClipRect 0 0 400 400"));
  context->release();
}

TEST_F(FramePaint, NestedContainersTranslateDrawingAndPaintChildrenInOrder) {
  auto* box = new CViewContainer(CRect(100, 100, 300, 300));
  box->setBackgroundColor(CColor{0, 0, 255, 255});
  ASSERT_TRUE(frame->addView(box));
  auto* first = new TestView(CRect(0, 0, 150, 150), "first", &events);
  auto* second = new TestView(CRect(50, 50, 250, 250), "second", &events);  // beyond the box
  second->fill = CColor{0, 255, 0, 255};
  box->addView(first);
  box->addView(second);
  clearLogs();

  std::vector<Call> calls;
  auto* context = new CDrawContext(std::make_unique<RecordingSurface>(&calls), CRect(0, 0, 400, 400));
  calls.clear();
  frame->paint(context, CRect(0, 0, 400, 400));
  context->release();
  EXPECT_THAT(events.events, ElementsAre("draw first 0 0 0", "draw second 50 50 0"));
  const auto fills = named(calls, "fillRectangle");
  ASSERT_EQ(fills.size(), 4u);
  EXPECT_EQ(fills[1].str(), "fillRectangle 100 100 200 200");  // box background, translated
  EXPECT_EQ(fills[3].str(), "fillRectangle 150 150 200 200");  // second, translated
  const auto clips = named(calls, "setClipRect");
  // box, first (its rectangle), second (cut to the box), box, frame (the whole update
  // equals the initial clip, so the first setting is skipped).
  EXPECT_THAT(lines(clips), ElementsAre("setClipRect 100 100 200 200", "setClipRect 100 100 150 150",
                                        "setClipRect 150 150 150 150", "setClipRect 100 100 200 200",
                                        "setClipRect 0 0 400 400"));
}

TEST_F(FramePaint, AddingAViewInvalidatesItAndInvalidRectTruncatesToWholePixels) {
  add(CRect(10.7, 20.2, 110.9, 120.5), "v");
  frame->invalidRect(CRect(-0.5, 1.9, 2.5, 3.99));
  EXPECT_THAT(window.calls, ElementsAre("invalidate 10 20 110 120", "invalidate 0 1 2 3"));
  frame->setVisible(false);
  window.calls.clear();
  frame->invalidRect(CRect(0, 0, 10, 10));
  EXPECT_THAT(window.calls, IsEmpty());
}

TEST_F(FramePaint, AddViewRefusesNullAndViewsAlreadyAttached) {
  auto* v = add(CRect(0, 0, 10, 10), "v");
  EXPECT_FALSE(frame->addView(nullptr));
  EXPECT_FALSE(frame->addView(v));
  auto* box = new CViewContainer(CRect(0, 0, 50, 50));
  EXPECT_FALSE(box->addView(v));
  frame->addView(box);
  EXPECT_EQ(frame->getNbViews(), 2);
  EXPECT_EQ(v->getFrame(), frame);
  EXPECT_EQ(v->getParentView(), frame);
}

TEST_F(FramePaint, IdleInvalidatesDirtyViewsOnlyWhileTheWindowIsOpen) {
  auto* a = add(CRect(0, 0, 10, 10), "a");
  auto* box = new CViewContainer(CRect(100, 100, 200, 200));
  frame->addView(box);
  auto* inner = new TestView(CRect(5, 5, 15, 15), "inner", &events);
  box->addView(inner);
  clearLogs();

  frame->idle();
  EXPECT_THAT(window.calls, IsEmpty());
  a->setDirty();
  inner->setDirty();
  frame->idle();
  EXPECT_THAT(window.calls, ElementsAre("invalidate 0 0 10 10", "invalidate 105 105 115 115"));
  // A dirty container is invalidated as a whole.
  window.calls.clear();
  box->setDirty();
  inner->setDirty();
  frame->idle();
  EXPECT_THAT(window.calls, ElementsAre("invalidate 100 100 200 200"));

  window.calls.clear();
  a->setDirty();
  window.open = false;
  frame->idle();
  a->invalid();
  EXPECT_THAT(window.calls, IsEmpty());
}

TEST(FrameWithoutWindow, EverythingIsAcceptedAndNothingHappens) {
  EventLog events;
  auto* frame = new CFrame(CRect(10, 10, 410, 410), nullptr, nullptr);
  EXPECT_FALSE(frame->isOpen());
  EXPECT_EQ(frame->getViewSize(), CRect(0, 0, 400, 400));
  auto* v = new TestView(CRect(0, 0, 400, 400), "v", &events);
  EXPECT_TRUE(frame->addView(v));
  v->invalid();
  frame->idle();
  EXPECT_EQ(frame->handleMouseDown(CPoint(1, 1), kLButton), kMouseEventHandled);
  frame->handleMouseLeave();
  EXPECT_EQ(frame->handleMouseUp(CPoint(1, 1), 0), kMouseEventHandled);
  frame->release();
}
