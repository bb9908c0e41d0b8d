// The bridge between script runtime and drawing context: what it forwards, what it
// answers outside a paint, and how fonts are found in the plug-in's cache.
#include "gui/bridge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/fake_plugin.h"

using namespace Toolkit;
using namespace brimtrace_test;
using ::testing::ElementsAre;

TEST(Bridge, EveryCallAnswersZeroAndDrawsNothingOutsideAPaint) {
  FakePlugin p;
  p.painting = false;
  for (PaintLink* link : {static_cast<PaintLink*>(&p), static_cast<PaintLink*>(nullptr)}) {
    EXPECT_EQ(canvasSetDrawMode(link, 3), 0);
    EXPECT_EQ(canvasSetTextColor(link, 1, 2, 3, 4), 0);
    EXPECT_EQ(canvasSetFillColor(link, 1, 2, 3, 4), 0);
    EXPECT_EQ(canvasSetLineColor(link, 1, 2, 3, 4), 0);
    EXPECT_EQ(canvasSelectFont(link, "Arial", 12, 0), 0);
    EXPECT_EQ(canvasMeasureText(link, "abc"), 0);
    EXPECT_EQ(canvasFontSize(link), 0);
    EXPECT_EQ(canvasMoveTo(link, 1, 2), 0);
    EXPECT_EQ(canvasLineTo(link, 1, 2), 0);
    EXPECT_EQ(canvasArc(link, 0, 0, 10, 10, 0, 90, 0), 0);
    EXPECT_EQ(canvasRect(link, 0, 0, 10, 10, 1), 0);
    EXPECT_EQ(canvasEllipse(link, 0, 0, 10, 10, 1), 0);
    EXPECT_EQ(canvasDrawText(link, "a", 0, 0, 10, 10, 0, 0), 0);
    EXPECT_EQ(canvasTextAt(link, "a", 0, 0, 1), 0);
    EXPECT_EQ(canvasTextInRect(link, "a", 0, 0, 10, 10, 0, 1), 0);
    EXPECT_EQ(canvasSetPixel(link, 0, 0, 1, 2, 3, 4), 0);
    int32_t r = 7, g = 7, b = 7, a = 7;
    EXPECT_EQ(canvasGetPixel(link, 0, 0, &r, &g, &b, &a), 0);
    EXPECT_EQ(r + g + b + a, 28);
  }
  EXPECT_TRUE(p.calls.empty());
  EXPECT_TRUE(p.fonts.empty());

  // The editor size needs no paint, only an editor.
  int32_t w = 0, h = 0;
  EXPECT_EQ(canvasEditorSize(&p, &w, &h), 1);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 400);
  p.hasEditor = false;
  EXPECT_EQ(canvasEditorSize(&p, &w, &h), 0);
  EXPECT_EQ(canvasEditorSize(nullptr, &w, &h), 0);
}

TEST(Bridge, ForwardsWithLowColourBytesAndSinglePrecisionAngles) {
  FakePlugin p;
  EXPECT_EQ(canvasSetLineColor(&p, 0x10A, 0x1FF, -1, 255), 1);
  EXPECT_EQ(p.context->getLineColor(), (CColor{10, 255, 255, 255}));
  EXPECT_EQ(canvasArc(&p, 0, 0, 10, 10, 300.1, 30.2, 0), 1);
  EXPECT_EQ(canvasMoveTo(&p, 1.5, 2.5), 1);
  EXPECT_EQ(canvasLineTo(&p, 3.5, 4.5), 1);
  EXPECT_EQ(canvasRect(&p, 10, 10, 20, 15, 2), 1);
  EXPECT_EQ(canvasEllipse(&p, 0, 0, 4, 4, 0), 1);
  const auto arc = named(p.calls, "drawArc");
  ASSERT_EQ(arc.size(), 1u);
  EXPECT_FLOAT_EQ(arc[0].args[4], 300.1f);
  EXPECT_FLOAT_EQ(arc[0].args[5], (30.2f + 360.0f) - 300.1f);
  EXPECT_THAT(lines(named(p.calls, "drawLine")), ElementsAre("drawLine 1 2 3 4"));
  EXPECT_EQ(named(p.calls, "fillRectangle").size(), 1u);
  EXPECT_THAT(lines(named(p.calls, "drawEllipse")), ElementsAre("drawEllipse 0 0 3 3"));

  int32_t r = 0, g = 0, b = 0, a = 0;
  EXPECT_EQ(canvasGetPixel(&p, 5, 5, &r, &g, &b, &a), 1);
  EXPECT_EQ(r + g + b, 0);
  EXPECT_EQ(a, 255);

  p.calls.clear();
  EXPECT_EQ(canvasSetPixel(&p, 3, 4, 1, 2, 3, 4), 1);
  EXPECT_THAT(lines(named(p.calls, "drawLine")), ElementsAre("drawLine 3 4 4 4"));

  // A null text draws nothing but still counts as drawn.
  p.calls.clear();
  EXPECT_EQ(canvasDrawText(&p, nullptr, 0, 0, 10, 10, 1, 1), 1);
  EXPECT_TRUE(p.calls.empty());
  EXPECT_EQ(canvasDrawText(&p, "x", 0, 0, 100, 20, 0, 0), 1);
  EXPECT_THAT(lines(named(p.calls, "setTextAntialias")), ElementsAre("setTextAntialias 1"));
  p.calls.clear();
  EXPECT_EQ(canvasTextAt(&p, "x", 0, 20, 0x100), 1);  // only the low byte counts
  EXPECT_THAT(lines(named(p.calls, "setTextAntialias")), ElementsAre("setTextAntialias 0"));
}

TEST(Bridge, SelectFontFindsCachedNamesIgnoringCaseNewestFirst) {
  FakePlugin p;
  EXPECT_EQ(canvasSelectFont(&p, "Arial", 0, -1), 1);
  ASSERT_EQ(p.fonts.size(), 1u);
  EXPECT_EQ(p.context->getFont(), p.fonts[0]);  // size 0 keeps the cached description
  EXPECT_EQ(p.fonts[0]->getSize(), 0);

  EXPECT_EQ(canvasSelectFont(&p, "arial", 11, 0), 1);
  EXPECT_EQ(p.fonts.size(), 1u);
  EXPECT_STREQ(p.context->getFont()->getName(), "Arial");
  EXPECT_EQ(p.context->getFont()->getSize(), 11);
  EXPECT_EQ(canvasFontSize(&p), 11);

  p.fonts.push_back(new CFontDesc("ARIAL", 0, kItalicFace));
  EXPECT_EQ(canvasSelectFont(&p, "aRiAl", 13, -1), 1);
  EXPECT_EQ(p.fonts.size(), 2u);
  EXPECT_STREQ(p.context->getFont()->getName(), "ARIAL");
  EXPECT_EQ(p.context->getFont()->getStyle(), kItalicFace);

  EXPECT_EQ(canvasSelectFont(&p, "Courier New", 13, 0), 1);
  EXPECT_EQ(p.fonts.size(), 3u);
  EXPECT_GT(canvasMeasureText(&p, "abc"), 0);
}
