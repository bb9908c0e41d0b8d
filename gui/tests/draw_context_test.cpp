// The drawing context's coordinate, state and text placement rules, checked on the
// exact calls it makes to a recording surface (no pixels involved).
#include "gui/draw_context.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/alloc_count.h"
#include "tests/support/recording_surface.h"

using namespace Toolkit;
using brimtrace_test::Call;
using brimtrace_test::lines;
using brimtrace_test::named;
using brimtrace_test::RecordingSurface;
using ::testing::ElementsAre;

namespace {

// A recorded colour call: the packed value as AABBGGRR.
std::string colour(const char* op, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %08x", op, static_cast<unsigned>(packColor(r, g, b, a)));
  return buf;
}

struct Recorded {
  std::vector<Call> calls;
  CDrawContext* context;
  explicit Recorded(const CRect& frame = CDrawContext::kNoFrameRect)
      : context(new CDrawContext(std::make_unique<RecordingSurface>(&calls), frame)) {}
  ~Recorded() { context->release(); }
  // Forget the construction calls, to look at what one operation does.
  CDrawContext& fresh() {
    calls.clear();
    return *context;
  }
};

}  // namespace

TEST(DrawContextDefaults, NewContextSetsEachDefaultThroughTheSurface) {
  Recorded r;
  CDrawContext& c = *r.context;
  EXPECT_THAT(lines(r.calls), ElementsAre(colour("setPenColor", 255, 255, 255, 255), "setPenDotted 0",
                                          "setPenWidth 1", colour("setFillColor", 0, 0, 0, 255),
                                          colour("setTextColor", 255, 255, 255, 255), "setAntialias 0"));
  EXPECT_EQ(c.getLineColor(), (CColor{255, 255, 255, 255}));
  EXPECT_EQ(c.getFillColor(), (CColor{0, 0, 0, 255}));
  EXPECT_EQ(c.getTextColor(), (CColor{255, 255, 255, 255}));
  EXPECT_EQ(c.getLineWidth(), 1);
  EXPECT_EQ(c.getLineStyle(), kLineSolid);
  EXPECT_EQ(c.getDrawMode(), kAliasing);
  ASSERT_NE(c.getFont(), nullptr);
  EXPECT_STREQ(c.getFont()->getName(), "Arial");
  EXPECT_EQ(c.getFont()->getSize(), 12);
  EXPECT_EQ(c.getFont()->getStyle(), 0);
  EXPECT_EQ(c.getFont(), defaultFont);
  CRect clip;
  EXPECT_EQ(c.getClipRect(clip), CRect(0, 0, 1000, 1000));
  EXPECT_EQ(c.getPoint(CPoint(3, 4)), (CColor{0, 0, 0, 255}));
}

TEST(DrawContextDefaults, ClipStartsAtTheFrameRectangle) {
  Recorded r(CRect(0, 0, 400, 300));
  CRect clip;
  EXPECT_EQ(r.context->getClipRect(clip), CRect(0, 0, 400, 300));
  r.context->setClipRect(CRect(1, 1, 2, 2));
  r.fresh().resetClipRect();
  EXPECT_THAT(lines(r.calls), ElementsAre("setClipRect 0 0 400 300"));
}

TEST(DrawContextState, SettersSkipUnchangedValuesExceptTextColour) {
  Recorded r;
  CDrawContext& c = r.fresh();
  c.setLineColor(kWhiteCColor);
  c.setFillColor(kBlackCColor);
  c.setLineWidth(1);
  c.setLineStyle(kLineSolid);
  c.setDrawMode(kAliasing);
  c.setClipRect(CRect(0, 0, 1000, 1000));
  EXPECT_TRUE(r.calls.empty());

  c.setTextColor(kWhiteCColor);
  c.setTextColor(kWhiteCColor);
  c.setLineColor(CColor{1, 2, 3, 4});
  c.setLineColor(CColor{1, 2, 3, 4});
  c.setLineStyle(7);  // any value but 1 is solid
  c.setLineStyle(1);
  c.setDrawMode(2);  // any value but 3 is aliased
  c.setDrawMode(3);
  c.setLineWidth(2.5);
  EXPECT_THAT(
      lines(r.calls),
      ElementsAre("setTextColor ffffffff", "setTextColor ffffffff", colour("setPenColor", 1, 2, 3, 4),
                  "setPenDotted 0", "setPenDotted 1", "setAntialias 0", "setAntialias 1", "setPenWidth 2.5"));
}

TEST(DrawContextState, ClipIsTranslatedAndKeepsItsFractions) {
  Recorded r;
  CDrawContext& c = r.fresh();
  c.setOffset(CPoint(10, 20));
  c.setClipRect(CRect(1.7, 2.2, 10.9, 5.5));
  c.setClipRect(CRect(1.7, 2.2, 10.9, 5.5));  // equal after translation: skipped
  EXPECT_THAT(lines(r.calls), ElementsAre("setClipRect 11.7 22.2 9.2 3.3"));
  CRect clip;
  c.getClipRect(clip);
  EXPECT_DOUBLE_EQ(clip.left, 1.7);
  EXPECT_DOUBLE_EQ(clip.bottom, 5.5);
}

TEST(DrawContextLines, LineToTruncatesButThePenKeepsTheExactPoint) {
  Recorded r;
  CDrawContext& c = r.fresh();
  c.moveTo(CPoint(0, 0));
  c.lineTo(CPoint(10.9, 5.9));
  c.lineTo(CPoint(-0.5, -1.5));  // toward zero
  EXPECT_THAT(lines(r.calls), ElementsAre("drawLine 0 0 10 5", "drawLine 10 5 0 -1"));
  EXPECT_EQ(c.getPenPosition(), CPoint(-0.5, -1.5));

  r.calls.clear();
  c.setOffset(CPoint(100, 200));
  c.moveTo(CPoint(1.5, 2.5));
  c.lineTo(CPoint(3, 4));
  EXPECT_THAT(lines(r.calls), ElementsAre("drawLine 101 202 103 204"));
  EXPECT_EQ(c.getPenPosition(), CPoint(3, 4));
}

TEST(DrawContextLines, SegmentsMoveThenDrawEachPair) {
  Recorded r;
  const CPoint pts[] = {{0, 0}, {5, 5}, {10, 0}, {15, 5}};
  r.fresh().drawSegments(pts, 2);
  EXPECT_THAT(lines(r.calls), ElementsAre("drawLine 0 0 5 5", "drawLine 10 0 15 5"));
}

TEST(DrawContextLines, PointDrawsOnePixelAndRestoresPenState) {
  Recorded r;
  CDrawContext& c = *r.context;
  c.setLineWidth(3);
  r.fresh().drawPoint(CPoint(4, 5), CColor{10, 20, 30, 255});
  EXPECT_THAT(lines(r.calls),
              ElementsAre("setPenWidth 1", colour("setPenColor", 10, 20, 30, 255), "drawLine 4 5 5 5",
                          colour("setPenColor", 255, 255, 255, 255), "setPenWidth 3"));
  EXPECT_EQ(c.getLineWidth(), 3);
  EXPECT_EQ(c.getLineColor(), kWhiteCColor);
}

TEST(DrawContextShapes, RectangleFillsFullSizeAndOutlinesOneLess) {
  Recorded r;
  r.fresh().drawRect(CRect(10, 10, 20, 15), kDrawFilledAndStroked);
  EXPECT_THAT(lines(r.calls), ElementsAre("fillRectangle 10 10 10 5", "drawRectangle 10 10 9 4"));

  // Right-to-left and bottom-to-top rectangles are normalised.
  r.fresh().drawRect(CRect(20, 15, 10, 10), kDrawFilled);
  r.context->drawRect(CRect(20, 15, 10, 10), kDrawStroked);
  EXPECT_THAT(lines(r.calls), ElementsAre("fillRectangle 10 10 10 5", "drawRectangle 10 10 9 4"));

  r.fresh().setOffset(CPoint(0.5, 100));
  r.context->drawRect(CRect(1, 2, 3.25, 4), kDrawFilled);
  EXPECT_THAT(lines(r.calls), ElementsAre("fillRectangle 1.5 102 2.25 2"));
}

TEST(DrawContextShapes, EllipseUsesTruncatedIntegersMinusOneForBoth) {
  Recorded r;
  r.fresh().drawEllipse(CRect(30.9, 20.2, 10.1, 40.7), kDrawFilledAndStroked);
  // x0 = 10, y0 = 20, w = |10.1 - 30.9| = 20.8 -> 20, h = 20.5 -> 20
  EXPECT_THAT(lines(r.calls), ElementsAre("fillEllipse 10 20 19 19", "drawEllipse 10 20 19 19"));
}

TEST(DrawContextShapes, ArcSweepWrapsAndKeepsTheRectangleAsGiven) {
  Recorded r;
  r.fresh().drawArc(CRect(0, 0, 100, 50), 300, 30, kDrawStroked);
  r.context->drawArc(CRect(0, 0, 100, 50), 30, 300, kDrawFilled);
  EXPECT_THAT(lines(r.calls), ElementsAre("drawArc 0 0 100 50 300 90", "fillArc 0 0 100 50 30 270"));

  r.fresh().setOffset(CPoint(5, 5));
  r.context->drawArc(CRect(20, 30, 10, 10), 0, 45, kDrawFilledAndStroked);
  EXPECT_THAT(lines(r.calls), ElementsAre("fillArc 25 35 -10 -20 0 45", "drawArc 25 35 -10 -20 0 45"));
}

TEST(DrawContextShapes, PolygonsTranslateAndChooseOutlineByClosedFlag) {
  Recorded r;
  const CPoint tri[] = {{0, 0}, {10, 0}, {5, 8.5}};
  r.fresh().setOffset(CPoint(1, 2));
  r.context->drawPolygon(tri, 3, kDrawFilledAndStroked, true);
  r.context->drawPolygon(tri, 3, kDrawStroked, false);
  EXPECT_THAT(lines(r.calls), ElementsAre("fillPolygon 1 2 11 2 6 10.5", "drawPolygon 1 2 11 2 6 10.5",
                                          "drawLines 1 2 11 2 6 10.5"));

  // Beyond the fixed buffer every point still arrives.
  std::vector<CPoint> many;
  for (int i = 0; i < 45; ++i) many.push_back(CPoint(i, i * 2));
  r.fresh().drawPolygon(many.data(), 45, kDrawFilled, true);
  ASSERT_EQ(r.calls.size(), 1u);
  ASSERT_EQ(r.calls[0].args.size(), 90u);
  EXPECT_EQ(r.calls[0].args[88], 44 + 1);
  EXPECT_EQ(r.calls[0].args[89], 88 + 2);
}

TEST(DrawContextShapes, PolygonsUpToThirtyPointsAllocateNothing) {
  // A surface that keeps nothing, so only the context's own allocations count.
  struct Silent : RecordingSurface {
    using RecordingSurface::RecordingSurface;
    void fillPolygon(const PointF*, int) override {}
    void drawPolygon(const PointF*, int) override {}
  };
  std::vector<Call> unused;
  CDrawContext* c = new CDrawContext(std::make_unique<Silent>(&unused));
  std::vector<CPoint> pts(31, CPoint(1, 2));
  alloc_count::start();
  c->drawPolygon(pts.data(), 30, kDrawFilledAndStroked, true);
  const long long thirty = alloc_count::stop();
  alloc_count::start();
  c->drawPolygon(pts.data(), 31, kDrawFilledAndStroked, true);
  const long long thirtyOne = alloc_count::stop();
  EXPECT_EQ(thirty, 0);
  EXPECT_EQ(thirtyOne, 1);
  c->release();
}

TEST(DrawContextText, TextAtPutsTheLineBoxOnePixelBelowThePoint) {
  Recorded r;
  CDrawContext& c = r.fresh();
  const PlatformFont* font = c.getFont()->platformFont();
  ASSERT_NE(font, nullptr);
  const double fh = font->height(96);
  c.setOffset(CPoint(2, 3));
  c.drawTextAt("Hi", CPoint(10, 50), false);
  ASSERT_EQ(r.calls.size(), font->valid() ? 2u : 1u);
  EXPECT_EQ(r.calls[0].str(), "setTextAntialias 0");
  if (font->valid()) {
    EXPECT_EQ(r.calls[1].text, "Hi");
    EXPECT_FLOAT_EQ(r.calls[1].args[0], 12);
    EXPECT_FLOAT_EQ(r.calls[1].args[1], static_cast<float>(53 + 1 - fh));
  }
}

TEST(DrawContextText, TextInRectPlacesByAlignmentAndRestoresTheClip) {
  Recorded r;
  CDrawContext& c = *r.context;
  c.setClipRect(CRect(0, 0, 500, 500));
  const PlatformFont* font = c.getFont()->platformFont();
  ASSERT_TRUE(font && font->valid());  // Arial (or its metric twin) is installed
  const double fh = font->height(96);
  const double width = c.measureText("abc");
  ASSERT_GT(width, 0);

  // 12-pixel font in (0, 0, 100, 20), left aligned: drawn at (0, 20 - (10 - 6 + 1)).
  r.fresh().drawTextInRect("abc", CRect(0, 0, 100, 20), kLeftText, true);
  EXPECT_THAT(lines(r.calls), ElementsAre("setClipRect 0 0 100 20", "setTextAntialias 1",
                                          ::testing::StartsWith("drawString"), "setClipRect 0 0 500 500"));
  const Call left = named(r.calls, "drawString")[0];
  EXPECT_FLOAT_EQ(left.args[0], 0);
  EXPECT_FLOAT_EQ(left.args[1], static_cast<float>(15 + 1 - fh));

  r.fresh().drawTextInRect("abc", CRect(0, 0, 100, 20), kRightText, true);
  EXPECT_FLOAT_EQ(named(r.calls, "drawString")[0].args[0], static_cast<float>(100 - width));
  r.fresh().drawTextInRect("abc", CRect(0, 0, 100, 20), kCenterText, true);
  EXPECT_FLOAT_EQ(named(r.calls, "drawString")[0].args[0], static_cast<float>(50 - 0.5 * width));

  // The clip becomes the part of the rectangle inside the current clip.
  r.fresh().drawTextInRect("abc", CRect(450, 490, 600, 520), kLeftText, true);
  EXPECT_EQ(r.calls.front().str(), "setClipRect 450 490 50 10");
  EXPECT_EQ(r.calls.back().str(), "setClipRect 0 0 500 500");
  CRect clip;
  EXPECT_EQ(c.getClipRect(clip), CRect(0, 0, 500, 500));

  r.fresh().drawTextInRect(nullptr, CRect(0, 0, 100, 20), kLeftText, true);
  EXPECT_TRUE(r.calls.empty());
}

TEST(DrawContextText, MeasureAnswersMinusOneWhenItCannotMeasure) {
  Recorded r;
  EXPECT_EQ(r.context->measureText(nullptr), -1);
  EXPECT_EQ(r.context->measureText(""), 0);  // an empty line is 0 wide, not an error

  CDrawContext* blind = new CDrawContext(nullptr);
  EXPECT_EQ(blind->measureText("abc"), -1);
  // Without a surface every call is accepted and nothing happens.
  blind->drawRect(CRect(0, 0, 10, 10), kDrawFilledAndStroked);
  blind->drawTextInRect("abc", CRect(0, 0, 10, 10), kCenterText, true);
  blind->lineTo(CPoint(5, 5));
  EXPECT_EQ(blind->getPenPosition(), CPoint(5, 5));
  blind->release();
}

TEST(DrawContextFonts, SelectKeepsTheDescriptionOrMakesAnOverride) {
  Recorded r;
  CDrawContext& c = *r.context;
  CFontDesc* d = new CFontDesc("Courier New", 0, kBoldFace);
  c.selectFont(d, 0, -1);
  EXPECT_EQ(c.getFont(), d);
  EXPECT_EQ(d->refCount(), 2);

  c.selectFont(d, 11, -1);
  ASSERT_NE(c.getFont(), d);
  EXPECT_STREQ(c.getFont()->getName(), "Courier New");
  EXPECT_EQ(c.getFont()->getSize(), 11);
  EXPECT_EQ(c.getFont()->getStyle(), kBoldFace);
  EXPECT_EQ(d->refCount(), 1);

  // Reselecting the context's own description (its only reference) must not free it
  // before it is used.
  c.selectFont(c.getFont(), 0, -1);
  EXPECT_EQ(c.getFont()->getSize(), 11);
  c.selectFont(c.getFont(), 14, kItalicFace);
  EXPECT_EQ(c.getFont()->getSize(), 14);
  EXPECT_EQ(c.getFont()->getStyle(), kItalicFace);

  c.selectFont(nullptr, 20, 0);  // ignored
  EXPECT_EQ(c.getFont()->getSize(), 14);
  d->release();
}

TEST(FontDesc, OnePlatformStyleWinsUnderlineThenItalicThenBold) {
  EXPECT_EQ(CFontDesc::platformStyle(0), 0);
  EXPECT_EQ(CFontDesc::platformStyle(kBoldFace), kBoldFace);
  EXPECT_EQ(CFontDesc::platformStyle(kBoldFace | kItalicFace), kItalicFace);
  EXPECT_EQ(CFontDesc::platformStyle(kBoldFace | kUnderlineFace), kUnderlineFace);
  EXPECT_EQ(CFontDesc::platformStyle(7), kUnderlineFace);
}

TEST(FontDesc, SettersDropThePlatformFontAndEqualityComparesAllThree) {
  CFontDesc* a = new CFontDesc("Arial", 12, 0);
  CFontDesc* b = new CFontDesc("Arial", 12, 0);
  EXPECT_TRUE(*a == *b);
  b->setName("arial");  // byte-exact, so different
  EXPECT_FALSE(*a == *b);
  b->setName("Arial");
  b->setStyle(kBoldFace);
  EXPECT_FALSE(*a == *b);

  const PlatformFont* first = a->platformFont();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(a->platformFont(), first);  // made once
  const double height12 = first->height(96);
  a->setSize(20);
  const PlatformFont* second = a->platformFont();
  ASSERT_NE(second, nullptr);
  if (second->valid()) {
    EXPECT_GT(second->height(96), height12);
  }
  a->release();
  b->release();
}

TEST(FontDesc, LongFamilyNamesAreCutWithoutSplittingCharacters) {
  const std::string ascii(300, 'a');
  CFontDesc* a = new CFontDesc(ascii.c_str(), 12, 0);
  EXPECT_EQ(a->platformFamilyName(), std::string(199, 'a'));
  ASSERT_NE(a->platformFont(), nullptr);
  EXPECT_FALSE(a->platformFont()->valid());
  EXPECT_EQ(a->platformFont()->measure("abc"), 0);
  a->release();

  std::string accented;
  for (int i = 0; i < 250; ++i) accented += "\xC3\xA9";  // é
  CFontDesc* b = new CFontDesc(accented.c_str(), 12, 0);
  EXPECT_EQ(b->platformFamilyName(), accented.substr(0, 2 * 199));
  b->release();

  CFontDesc* c = new CFontDesc(nullptr, 12, 0);
  EXPECT_EQ(c->platformFamilyName(), "");
  ASSERT_NE(c->platformFont(), nullptr);
  EXPECT_FALSE(c->platformFont()->valid());
  c->release();
}
