// The drawing operations effect code calls: colour bytes, pen movement, text rows,
// font sizes and line heights, the image error box and the drawing prologue, checked
// on the calls that reach a recording surface.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "runtime/fablo.h"
#include "tests/support/fake_plugin.h"

using namespace Toolkit;
using namespace brimtrace_test;
using ::testing::ElementsAre;

namespace {

struct ScriptFixture : ::testing::Test, EffectOnFakePlugin<TFablo> {
  void color(double r, double g, double b, double a) {
    fx->vars.drawRed = r;
    fx->vars.drawGreen = g;
    fx->vars.drawBlue = b;
    fx->vars.drawAlpha = a;
  }
  std::vector<std::string> drawnTexts() const {
    std::vector<std::string> out;
    for (const Call& c : named(plugin.calls, "drawString")) out.push_back(c.text);
    return out;
  }
};

}  // namespace

TEST_F(ScriptFixture, ColourBytesTruncateAndClamp) {
  color(0.5, 0.5, 0, 0.95);
  fx->drawLine(0, 0, 1, 1);
  EXPECT_EQ(plugin.context->getLineColor(), (CColor{127, 127, 0, 242}));
  color(1, 1.2, -0.1, 1);
  fx->drawLine(0, 0, 1, 1);
  EXPECT_EQ(plugin.context->getLineColor(), (CColor{255, 255, 0, 255}));
}

TEST_F(ScriptFixture, FillRectFloorsItsCornersAndMovesThePenToTheFarCorner) {
  color(1, 0, 0, 1);
  fx->fillRect(10.7, 20.2, 5.5, 5.5);
  EXPECT_DOUBLE_EQ(fx->penX, 16.2);
  EXPECT_DOUBLE_EQ(fx->penY, 25.7);
  EXPECT_THAT(lines(named(plugin.calls, "fillRectangle")), ElementsAre("fillRectangle 10 20 6 5"));
  EXPECT_EQ(plugin.context->getFillColor(), (CColor{255, 0, 0, 255}));
  EXPECT_EQ(plugin.context->getDrawMode(), 0);
}

TEST_F(ScriptFixture, LineIsAntialiasedAndLeavesThePenAtItsEnd) {
  fx->drawLine(1.5, 2.5, 30.75, 40.25);
  EXPECT_THAT(lines(named(plugin.calls, "drawLine")), ElementsAre("drawLine 1 2 30 40"));
  EXPECT_EQ(plugin.context->getDrawMode(), 3);
  EXPECT_EQ(fx->penX, 30.75);
  EXPECT_EQ(fx->penY, 40.25);
}

TEST_F(ScriptFixture, StringLinesStackByLineHeightFromTheSameX) {
  fx->stringAt(5) = "ab\ncd";
  fx->penX = 5;
  fx->penY = 7;
  fx->lineHeight = 13;
  const double wab = plugin.context->measureText("ab");
  const double wcd = plugin.context->measureText("cd");
  ASSERT_GT(wab, 0);
  fx->drawString(5);
  EXPECT_THAT(drawnTexts(), ElementsAre("ab", "cd"));
  // Each row is clipped to its rectangle: (5, 7, 5 + w(ab), 22), then (5, 20, 5 + w(cd), 35).
  const auto clips = named(plugin.calls, "setClipRect");
  ASSERT_EQ(clips.size(), 4u);
  EXPECT_THAT(clips[0].args, ElementsAre(5, 7, wab, 15));
  EXPECT_THAT(clips[2].args, ElementsAre(5, 20, wcd, 15));
  EXPECT_DOUBLE_EQ(fx->penX, 5 + wcd);
  EXPECT_DOUBLE_EQ(fx->penY, 20);
  EXPECT_EQ(plugin.context->getDrawMode(), 3);

  // A final line feed only advances the pen downwards.
  fx->stringAt(6) = "xy\n";
  fx->penX = 5;
  fx->penY = 7;
  fx->drawString(6);
  EXPECT_EQ(fx->penX, 5);
  EXPECT_EQ(fx->penY, 20);
}

TEST_F(ScriptFixture, NumbersAreFormattedAndNeverOverrunTheirBuffer) {
  fx->drawNumber(3.14159, 2);
  fx->drawNumber(2, -1);
  fx->drawNumber(7, 0);
  EXPECT_THAT(drawnTexts(), ElementsAre("3.14", "2.000000", "7"));

  plugin.calls.clear();
  fx->drawNumber(1e300, 0);  // printf would give 301 digits
  ASSERT_EQ(drawnTexts().size(), 1u);
  EXPECT_EQ(drawnTexts()[0].size(), 255u);
  EXPECT_EQ(drawnTexts()[0].substr(0, 3), "100");
}

TEST_F(ScriptFixture, FontHeightGivesSizeAndLineHeight) {
  fx->stringAt(10000) = "Courier New";
  fx->setFont(0, 10000, 13, 0);
  EXPECT_EQ(plugin.context->getFont()->getSize(), 11);
  EXPECT_STREQ(plugin.context->getFont()->getName(), "Courier New");
  EXPECT_EQ(fx->lineHeight, 12.999999999999998);
  EXPECT_EQ(fx->fontTable[0].name, "Courier New");
  EXPECT_DOUBLE_EQ(fx->fontTable[0].size, 0.85 * 13);

  fx->setFont(2.00001, 10000, -13, 0);
  EXPECT_EQ(fx->vars.fontSlot, 2.00001);
  EXPECT_EQ(plugin.context->getFont()->getSize(), 13);
  EXPECT_DOUBLE_EQ(fx->lineHeight, 13 / 0.85);
  EXPECT_EQ(fx->fontTable.count(2), 1u);

  fx->setFont(0, 10000, 0, 0);
  EXPECT_EQ(plugin.context->getFont()->getSize(), 16);
  EXPECT_DOUBLE_EQ(fx->lineHeight, 16 / 0.85);
  fx->setFont(0, 10000, NAN, 0);
  EXPECT_DOUBLE_EQ(fx->lineHeight, 16 / 0.85);
  fx->setFont(0, 10000, INFINITY, 0);
  EXPECT_EQ(fx->fontTable[0].size, 0);
  EXPECT_EQ(fx->lineHeight, 0);
  fx->setFont(0, 10000, -INFINITY, 0);
  EXPECT_EQ(fx->fontTable[0].size, 1);
  EXPECT_EQ(fx->lineHeight, 0);
  fx->setFont(0, 10000, 0.5, 0);  // 0.425 is raised to 1
  EXPECT_EQ(plugin.context->getFont()->getSize(), 1);

  // Only the cache's one "Courier New" description was ever added.
  EXPECT_EQ(plugin.fonts.size(), 1u);
}

TEST_F(ScriptFixture, StyleLettersSetBitsFromAnyByte) {
  fx->stringAt(1) = "Arial";
  fx->setFont(0, 1, 16, 'b' | ('u' << 8));
  EXPECT_EQ(fx->fontTable[0].style, 5);
  EXPECT_EQ(plugin.context->getFont()->getStyle(), 5);
  EXPECT_EQ(CFontDesc::platformStyle(plugin.context->getFont()->getStyle()), kUnderlineFace);
  fx->setFont(0, 1, 16, ('i' << 16) | ('b' << 24));
  EXPECT_EQ(fx->fontTable[0].style, 3);
  fx->setFont(0, 1, 16, 'x');
  EXPECT_EQ(fx->fontTable[0].style, 0);
}

TEST_F(ScriptFixture, WithoutAPaintVariablesStillFollowTheOperations) {
  plugin.painting = false;
  fx->stringAt(1) = "Arial";
  fx->setFont(3, 1, 13, 0);
  EXPECT_EQ(fx->lineHeight, 12.999999999999998);
  EXPECT_EQ(fx->fontTable[3].name, "Arial");
  EXPECT_TRUE(plugin.fonts.empty());
  fx->fillRect(1, 2, 3, 4);
  EXPECT_EQ(fx->penX, 4);
  EXPECT_EQ(fx->penY, 6);
  fx->stringAt(2) = "a\nb";
  fx->drawString(2);
  EXPECT_EQ(fx->penY, 6 + fx->lineHeight);
  fx->drawImage(0, 1, 0, 0, 0);
  EXPECT_TRUE(plugin.calls.empty());
}

TEST_F(ScriptFixture, ImageWithoutBitmapDrawsAnEmptyErrorBoxAtThePen) {
  color(0.25, 0.5, 0.75, 1);
  fx->penX = 12;
  fx->penY = 34;
  fx->drawImage(7, 1, 0, 0, 0);
  EXPECT_EQ(plugin.context->getFillColor(), (CColor{255, 0, 0, 255}));
  EXPECT_EQ(plugin.context->getTextColor(), (CColor{255, 255, 0, 255}));
  EXPECT_THAT(lines(named(plugin.calls, "fillRectangle")), ElementsAre("fillRectangle 12 34 0 0"));
  // The "ERROR" text is clipped to the empty box.
  EXPECT_THAT(lines(named(plugin.calls, "setClipRect")),
              ElementsAre("setClipRect 12 34 0 0", "setClipRect 0 0 1000 1000"));
  EXPECT_EQ(fx->penX, 12);
  EXPECT_EQ(fx->penY, 34);
  EXPECT_EQ(fx->vars.drawRed, 0.25);
  EXPECT_EQ(fx->imageTable.count(7), 1u);
}

TEST_F(ScriptFixture, PrologueTakesSizeAndMouseAndFillsTheClearColour) {
  fx->mouseButtonsSlot = 9;
  fx->mouseXSlot = NAN;
  fx->mouseYSlot = 12.5;
  fx->vars.clearColor = 0x2010FF;  // red FF, green 10, blue 20
  color(0.3, 0.3, 0.3, 0.3);
  fx->penX = 99;
  fx->drawPrologue();
  EXPECT_EQ(fx->vars.canvasWidth, 400);
  EXPECT_EQ(fx->vars.canvasHeight, 400);
  EXPECT_EQ(fx->vars.mouseButtons, 9);
  EXPECT_EQ(fx->vars.mouseX, 0);
  EXPECT_EQ(fx->vars.mouseY, 12.5);
  EXPECT_THAT(lines(named(plugin.calls, "fillRectangle")), ElementsAre("fillRectangle 0 0 400 400"));
  EXPECT_EQ(plugin.context->getFillColor(), (CColor{255, 16, 32, 255}));
  EXPECT_EQ(fx->vars.drawRed, 0);
  EXPECT_EQ(fx->vars.drawBlue, 0);
  EXPECT_EQ(fx->vars.drawAlpha, 1);
  EXPECT_EQ(fx->penX, 0);

  plugin.calls.clear();
  fx->vars.clearColor = 0;
  fx->drawPrologue();
  EXPECT_TRUE(named(plugin.calls, "fillRectangle").empty());
}
