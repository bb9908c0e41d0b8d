// The frame's platform window at a display factor, in a real host window: the window is
// the frame's size times the factor and shows the picture at that resolution, mouse
// positions reach the views in the picture's coordinates, invalidated rectangles
// repaint everything they cover, and (Windows) a change of the screen's resolution is
// followed when the editor agrees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "gui/frame.h"
#include "tests/editor/host_window.h"
#include "tests/support/frame_doubles.h"
#ifdef _WIN32
#include "gui/win/frame_window.h"
#endif

using namespace Toolkit;
using namespace brimtrace_test;
using ::testing::Contains;
using ::testing::StartsWith;

namespace {

constexpr uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00;

struct FollowingEditor : ToolkitEditorInterface {
  bool follow = true;
  std::vector<double> asked;
  bool followScale(DisplayScale scale) override {
    asked.push_back(scale.factor());
    return follow;
  }
};

struct ScaledFrame : ::testing::Test {
  HostWindow host{800, 800};
  EventLog events;
  FollowingEditor editor;
  CFrame* frame = nullptr;
  TestView* view = nullptr;

  void SetUp() override {
    REQUIRE_WINDOWS();
    ASSERT_TRUE(host.ok());
    frame = new CFrame(CRect(0, 0, 400, 400), host.handle(), &editor, DisplayScale(2));
    ASSERT_TRUE(frame->isOpen());
    view = new TestView(CRect(100, 100, 200, 200), "v", &events);
    frame->addView(view);
    ASSERT_TRUE(waitUntil([&] { return host.pixel(399, 399) == kRed; }));
  }
  void TearDown() override {
    if (frame) frame->release();
  }
  void step() {
    frame->idle();
    host.pump();
  }
  bool waitUntil(const std::function<bool()>& done) {
    return waitFor(done, [&] { step(); });
  }
};

}  // namespace

TEST_F(ScaledFrame, ShowsThePictureAtTwiceItsSizeTakesMouseAndRepaintsWhatIsInvalid) {
  EXPECT_EQ(frame->getViewSize(), CRect(0, 0, 400, 400));  // the picture keeps its size
  EXPECT_EQ(host.childCount(), 1);
  // The view's 100..199 are device pixels 200..399; the window's last pixel is painted.
  EXPECT_EQ(host.pixel(200, 200), kRed);
  EXPECT_EQ(host.pixel(199, 300), kBlack);
  EXPECT_EQ(host.pixel(400, 300), kBlack);
  EXPECT_EQ(host.pixel(300, 400), kBlack);
  EXPECT_EQ(host.pixel(799, 799), kBlack);

  // Device (301, 203) is picture (150, 101): (50, 1) inside the view.
  host.moveTo(301, 203);
  host.press(Button::Left);
  ASSERT_TRUE(
      waitUntil([&] { return !events.events.empty() && events.events.back().rfind("down", 0) == 0; }));
  EXPECT_THAT(events.events, Contains(StartsWith("down v 50 1 ")));
  host.release(Button::Left);
  step();

  // A one-pixel invalidation repaints the 2 x 2 device pixels it covers, not fewer.
  view->fill = CColor{0, 255, 0, 255};
  frame->invalidRect(CRect(199, 199, 200, 200));
  ASSERT_TRUE(waitUntil([&] { return host.pixel(399, 399) == kGreen; }));
  EXPECT_EQ(host.pixel(398, 398), kGreen);
  EXPECT_EQ(host.pixel(397, 397), kRed);
}

#ifdef _WIN32
TEST_F(ScaledFrame, ANewScreenResolutionIsFollowedWhenTheEditorAgrees) {
  HWND child = static_cast<HWND>(frame->getSystemWindow());
  auto clientWidth = [&] {
    RECT r{};
    GetClientRect(child, &r);
    return r.right;
  };
  ASSERT_EQ(clientWidth(), 800);
  constexpr UINT kDpiChanged = 0x02E0;
  RECT suggested{0, 0, 600, 600};
  editor.follow = false;
  SendMessageW(child, kDpiChanged, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(clientWidth(), 800);
  editor.follow = true;
  SendMessageW(child, kDpiChanged, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(clientWidth(), 600);
  EXPECT_EQ(frame->getScale().factor(), 1.5);
  // The same resolution again asks nothing.
  SendMessageW(child, kDpiChanged, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(editor.asked, (std::vector<double>{1.5, 1.5}));
  // The view's 100..199 are device pixels 150..299 now.
  ASSERT_TRUE(waitUntil([&] { return host.pixel(299, 299) == kRed && host.pixel(300, 300) == kBlack; }));
  EXPECT_EQ(host.pixel(150, 150), kRed);
  EXPECT_EQ(host.pixel(149, 150), kBlack);
  // A child hears of a change after its parent and reads the window's own resolution
  // (96 in this prefix: a factor of 1).
  constexpr UINT kDpiChangedAfterParent = 0x02E3;
  SendMessageW(child, kDpiChangedAfterParent, 0, 0);
  EXPECT_EQ(editor.asked.back(), 1);
  EXPECT_EQ(clientWidth(), 400);
}
#endif
