// The analyzer's picture as drawing calls: order of the parts, trace coordinates on the
// logarithmic scale, captions, ceiling, frame, and the pulsing logo overlay.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "effect/fablo_effect.h"
#include "tests/support/fake_plugin.h"

using namespace Toolkit;
using namespace brimtrace_test;
using ::testing::ElementsAre;

namespace {

struct GraphFixture : ::testing::Test, EffectOnFakePlugin<TFabloEffect> {
  GraphFixture() {
    fx->reset();
    fx->resume();
  }
  void frame(double left, double right) {
    fx->channelSample[0] = left;
    fx->channelSample[1] = right;
    fx->onSample();
  }
  void pass() {
    plugin.calls.clear();
    fx->onGraphics();
  }
  std::vector<std::string> drawnLines() const { return lines(named(plugin.calls, "drawLine")); }
};

}  // namespace

TEST_F(GraphFixture, ZeroHistoryDrawsFlatTracesAtTheBottomBetweenCeilingAndFrame) {
  frame(0, 0);
  pass();
  const auto drawn = drawnLines();
  ASSERT_EQ(drawn.size(), 1u + 99 + 99 + 4);
  EXPECT_EQ(drawn[0], "drawLine 100 16 390 16");  // ceiling
  EXPECT_EQ(drawn[1], "drawLine 0 400 4 400");    // left trace, entry 0 to 1
  EXPECT_EQ(drawn[99], "drawLine 395 400 400 400");
  EXPECT_EQ(drawn[100], "drawLine 0 400 4 400");  // right trace
  EXPECT_THAT(std::vector<std::string>(drawn.end() - 4, drawn.end()),
              ElementsAre("drawLine 0 0 399 0", "drawLine 399 0 399 399", "drawLine 399 399 0 399",
                          "drawLine 0 399 0 0"));
  EXPECT_EQ(fx->penX, 0);
  EXPECT_EQ(fx->penY, 0);
}

TEST_F(GraphFixture, ColoursOfCeilingTracesAndFrame) {
  frame(0, 0);
  pass();
  // Each pen colour is set once before the lines that use it.
  std::vector<std::string> pens;
  for (const Call& c : plugin.calls)
    if (c.op == "setPenColor") pens.push_back(c.str());
  EXPECT_THAT(pens, ElementsAre("setPenColor f2007f7f",    // ceiling (127, 127, 0, 242)
                                "setPenColor 7fffffff",    // left: white, half
                                "setPenColor 7f0000ff",    // right: red, half
                                "setPenColor ff0000ff"));  // frame
}

TEST_F(GraphFixture, NewestEntryAtTheRightOnTheLogScale) {
  // One pass per interval: 0.00001 for 98 passes, then a peak of 1.
  for (int i = 0; i < 99; ++i) {
    frame(i % 2 ? 0.00001 : 0, 0);
    pass();
  }
  frame(1, 0.01);
  frame(0, 0);
  pass();
  EXPECT_NEAR(fx->segStartX, 395.95959, 1e-4);
  EXPECT_NEAR(fx->segEndX, 400, 1e-9);
  const auto drawn = drawnLines();
  EXPECT_EQ(drawn[99], "drawLine 395 400 400 38");    // left: 1 at y 38.433
  EXPECT_EQ(drawn[198], "drawLine 395 400 400 183");  // right: 0.01 at y 183.06
  // The right trace ran last, so the segment variables hold its last segment.
  EXPECT_NEAR(fx->segEndY, 183.06, 0.01);
  EXPECT_NEAR(fx->segStartY, 400, 1e-9);

  // Slews above the ceiling (3.4) draw at the top edge.
  frame(10, -5);
  frame(0, 0);
  pass();
  EXPECT_EQ(drawnLines()[99], "drawLine 395 38 400 0");
  EXPECT_EQ(drawnLines()[198], "drawLine 395 183 400 0");
}

TEST_F(GraphFixture, CaptionsAndVersionTextInTheirPlaces) {
  frame(0, 0);
  pass();
  std::vector<std::string> texts;
  std::vector<double> xs;
  for (const Call& c : named(plugin.calls, "drawString")) {
    if (c.text == "ERROR") continue;  // images are another part's business
    texts.push_back(c.text);
    xs.push_back(c.args[0]);
  }
  ASSERT_THAT(texts, ElementsAre("v", "20260721", "LEFT channel = White", "RIGHT channel = Red",
                                 "Absolute ceiling", "!!! LOGARITHMIC !!!"));
  EXPECT_EQ(xs[0], 15);
  EXPECT_GT(xs[1], 15);  // right after the v
  EXPECT_EQ(xs[2], 10);
  EXPECT_EQ(xs[3], 10);
  EXPECT_EQ(xs[4], 190);
  EXPECT_EQ(xs[5], 178);
  EXPECT_EQ(fx->captionX, 10);
  EXPECT_EQ(fx->captionY, 390);
  EXPECT_EQ(fx->fontTable[0].name, "Courier New");
  EXPECT_EQ(fx->fontTable[1].name, "Arial");
  EXPECT_DOUBLE_EQ(fx->fontTable[1].size, 0.85 * 16);
  EXPECT_EQ(plugin.context->getFont()->getSize(), 13);  // 13.6 truncated
  EXPECT_EQ(plugin.context->getTextColor(), (CColor{255, 255, 0, 127}));
}

TEST_F(GraphFixture, LogoOverlayPulsesWithThePhase) {
  const auto overlayAlpha = [&] {
    for (const Call& c : plugin.calls)
      if (c.op == "setFillColor" && (uint32_t(c.args[0]) & 0xFFFFFF) == 0)
        return int(uint32_t(c.args[0]) >> 24);
    return -1;
  };
  pass();
  EXPECT_DOUBLE_EQ(fx->glowAlpha, 0.8);
  EXPECT_EQ(overlayAlpha(), 204);
  for (int i = 2; i <= 46; ++i) pass();
  EXPECT_NEAR(fx->glowAlpha, 0.2, 0.001);
  for (int i = 47; i <= 90; ++i) pass();
  EXPECT_NEAR(fx->glowAlpha, 0.8, 0.001);
  EXPECT_NEAR(fx->glowPhase, 0.0168, 0.0001);  // wrapped after the 90th pass
  EXPECT_THAT(lines(named(plugin.calls, "fillRectangle")), ::testing::Contains("fillRectangle 0 0 120 110"));
}

TEST_F(GraphFixture, BeforeTheFirstFrameTheGraphHasNoSize) {
  pass();
  const auto drawn = drawnLines();
  ASSERT_EQ(drawn.size(), 1u + 99 + 99 + 4);
  EXPECT_EQ(drawn[0], "drawLine 100 -384 -10 -384");
  EXPECT_EQ(drawn[1], "drawLine 0 0 0 0");
  EXPECT_THAT(
      std::vector<std::string>(drawn.end() - 4, drawn.end()),
      ElementsAre("drawLine 0 0 -1 0", "drawLine -1 0 -1 -1", "drawLine -1 -1 0 -1", "drawLine 0 -1 0 0"));
}

TEST_F(GraphFixture, AfterResetWithoutInitNothingIsTraced) {
  fx->reset();
  frame(0.5, 0.5);
  pass();
  EXPECT_EQ(drawnLines().size(), 1u + 4);
}
