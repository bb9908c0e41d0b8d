// Pixels of the cairo backend: the Windows pixel rules (lines include both ends, fills
// and outlines meet exactly), clipping, bitmaps copied 1:1, PNG in and out, and that
// bad input never leaves the surface unable to draw.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "gui/linux/cairo_surface.h"
#include "gui/offscreen_context.h"

using namespace Toolkit;

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFF;

struct Canvas {
  COffscreenContext* context;
  explicit Canvas(int w = 64, int h = 64) : context(new COffscreenContext(kNoFrame, w, h)) {
    context->drawRect(CRect(0, 0, w, h), kDrawFilled);  // opaque black
  }
  ~Canvas() { context->release(); }
  static constexpr CRect kNoFrame = CDrawContext::kNoFrameRect;
  const CairoBitmap& bitmap() const {
    return *static_cast<const CairoBitmap*>(context->getBitmap()->getPlatformBitmap());
  }
  uint32_t at(int x, int y) const { return bitmap().pixel(x, y); }
  // Pixels that are not opaque black, inside the given rows and columns.
  int litIn(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) n += at(x, y) != kOpaqueBlack;
    return n;
  }
  int lit() const { return litIn(0, 0, bitmap().width() - 1, bitmap().height() - 1); }
};

}  // namespace

TEST(CairoPixels, AliasedLinesCoverBothEndPixels) {
  Canvas c;
  c.context->moveTo(CPoint(10, 5));
  c.context->lineTo(CPoint(20, 5));
  c.context->moveTo(CPoint(30, 10));
  c.context->lineTo(CPoint(30.9, 20.9));  // truncated to (30, 20)
  EXPECT_EQ(c.litIn(10, 5, 20, 5), 11);
  EXPECT_EQ(c.litIn(30, 10, 30, 20), 11);
  EXPECT_EQ(c.lit(), 22);
  EXPECT_EQ(c.at(15, 5), kOpaqueWhite);
}

TEST(CairoPixels, OutlineCoversExactlyTheBorderOfTheFill) {
  Canvas c;
  c.context->setFillColor(CColor{0, 0, 255, 255});
  c.context->setLineColor(CColor{255, 0, 0, 255});
  c.context->drawRect(CRect(10, 10, 20, 15), kDrawFilledAndStroked);
  EXPECT_EQ(c.lit(), 50);  // 10 x 5, nothing outside
  EXPECT_EQ(c.litIn(10, 10, 19, 14), 50);
  for (int x = 10; x <= 19; ++x) {
    EXPECT_EQ(c.at(x, 10), 0xFFFF0000u) << x;
    EXPECT_EQ(c.at(x, 14), 0xFFFF0000u) << x;
  }
  EXPECT_EQ(c.at(10, 12), 0xFFFF0000u);
  EXPECT_EQ(c.at(19, 12), 0xFFFF0000u);
  EXPECT_EQ(c.at(15, 12), 0xFF0000FFu);  // inside: the fill
}

TEST(CairoPixels, ClipLimitsDrawingUntilRestored) {
  Canvas c;
  c.context->setFillColor(kWhiteCColor);
  c.context->setClipRect(CRect(5, 5, 10, 10));
  c.context->drawRect(CRect(0, 0, 64, 64), kDrawFilled);
  EXPECT_EQ(c.lit(), 25);
  c.context->setClipRect(CRect(0, 0, 0, 0));
  c.context->drawRect(CRect(0, 0, 64, 64), kDrawFilled);
  EXPECT_EQ(c.lit(), 25);
  c.context->resetClipRect();
  c.context->drawRect(CRect(0, 0, 64, 64), kDrawFilled);
  EXPECT_EQ(c.lit(), 64 * 64);
}

TEST(CairoPixels, TextDrawsAboveItsBaselinePointAndUnknownFamiliesDrawNothing) {
  Canvas c(200, 60);
  c.context->selectFont(predefinedFont(0), 20, -1);
  c.context->drawTextAt("HHH", CPoint(10, 40), true);
  EXPECT_GT(c.litIn(10, 20, 60, 40), 20);
  EXPECT_EQ(c.litIn(0, 42, 199, 59), 0);  // nothing below the line box
  EXPECT_EQ(c.litIn(0, 0, 199, 15), 0);

  Canvas d(200, 60);
  CFontDesc* missing = new CFontDesc("No Such Family Brimtrace", 20, 0);
  d.context->selectFont(missing);
  EXPECT_EQ(d.context->measureText("HHH"), 0);
  d.context->drawTextAt("HHH", CPoint(10, 40), true);
  EXPECT_EQ(d.lit(), 0);
  missing->release();
}

TEST(CairoPixels, BadInputLeavesTheSurfaceDrawing) {
  Canvas c;
  c.context->drawTextAt("\xFF\xFE bad \xC3", CPoint(5, 20), true);  // invalid UTF-8
  c.context->moveTo(CPoint(-1e12, -1e12));
  c.context->lineTo(CPoint(1e12, 3e9));
  c.context->drawEllipse(CRect(0, 0, 0, 10), kDrawFilledAndStroked);
  c.context->drawArc(CRect(0, 0, 0, 0), 0, 90, kDrawFilled);
  const CPoint far[] = {{1e30, 0}, {0, 1e30}, {5, 5}};
  c.context->drawPolygon(far, 3, kDrawFilledAndStroked);
  c.context->setClipRect(CRect(-1e300, -1e300, 1e300, 1e300));
  // The surface still draws.
  c.context->setClipRect(CRect(0, 0, 64, 64));
  c.context->setFillColor(CColor{0, 255, 0, 255});
  c.context->drawRect(CRect(60, 60, 62, 62), kDrawFilled);
  EXPECT_EQ(c.at(61, 61), 0xFF00FF00u);
  EXPECT_EQ(cairo_status(static_cast<CairoSurface*>(c.context->surface())->context()), CAIRO_STATUS_SUCCESS);
}

TEST(CairoPixels, BitmapPartsAreCopiedOneToOne) {
  CBitmap* source = new CBitmap(99, 99);
  {
    COffscreenContext* s = new COffscreenContext(source);
    for (int y = 0; y < 99; ++y) {  // a distinct colour per pixel
      for (int x = 0; x < 99; ++x) {
        s->setFillColor(CColor{uint8_t(x), uint8_t(y), 7, 255});
        s->drawRect(CRect(x, y, x + 1, y + 1), kDrawFilled);
      }
    }
    s->release();
  }
  Canvas c(80, 80);
  c.context->setOffset(CPoint(0, 0));
  source->draw(c.context, CRect(10, 10, 60, 60), CPoint(20, 30));
  EXPECT_EQ(c.litIn(10, 10, 59, 59), 50 * 50);
  EXPECT_EQ(c.lit(), 50 * 50);
  EXPECT_EQ(c.at(10, 10), 0xFF000000u | (20u << 16) | (30u << 8) | 7u);
  EXPECT_EQ(c.at(59, 59), 0xFF000000u | (69u << 16) | (79u << 8) | 7u);

  // Half opacity over black.
  Canvas d(80, 80);
  source->drawAlphaBlend(d.context, CRect(0, 0, 10, 10), CPoint(98, 98), 128);
  EXPECT_NEAR(double((d.at(0, 0) >> 16) & 0xFF), 98 * 128 / 255.0, 1);
  EXPECT_EQ(d.lit(), 1);  // only source pixel (98, 98) exists in that part
  source->release();
}

TEST(CairoPixels, PngRoundTripAndRejectedInput) {
  CBitmap* b = new CBitmap(3, 2);
  COffscreenContext* c = new COffscreenContext(b);
  c->setFillColor(CColor{200, 100, 50, 255});
  c->drawRect(CRect(1, 1, 2, 2), kDrawFilled);
  c->setFillColor(CColor{200, 100, 50, 128});  // stored premultiplied, written straight
  c->drawRect(CRect(2, 0, 3, 1), kDrawFilled);
  c->release();
  const uint32_t halfClear = static_cast<CairoBitmap&>(*b->getPlatformBitmap()).pixel(2, 0);
  const std::string path = testing::TempDir() + "brimtrace_roundtrip.png";
  ASSERT_TRUE(platform::writePng(*b->getPlatformBitmap(), path.c_str()));
  auto loaded = platform::loadImageFile(path.c_str());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->width(), 3);
  EXPECT_EQ(loaded->height(), 2);
  EXPECT_EQ(static_cast<CairoBitmap&>(*loaded).pixel(1, 1), 0xFFC86432u);
  EXPECT_EQ(static_cast<CairoBitmap&>(*loaded).pixel(0, 0), 0u);  // transparent
  EXPECT_EQ(static_cast<CairoBitmap&>(*loaded).pixel(2, 0), halfClear);
  std::remove(path.c_str());
  if (std::ifstream("/dev/full")) {  // a device that refuses every write
    EXPECT_FALSE(platform::writePng(*b->getPlatformBitmap(), "/dev/full"));
  }
  b->release();

  const unsigned char junk[] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(platform::decodePng(junk, sizeof junk), nullptr);
  EXPECT_EQ(platform::decodePng(nullptr, 10), nullptr);
  EXPECT_EQ(platform::loadImageFile("/nonexistent/brimtrace.png"), nullptr);
  EXPECT_EQ(platform::makeBitmap(0, 5), nullptr);
}

TEST(CairoPixels, OffscreenWithNegativeWidthHasANormalisedClipAndDrawsNothing) {
  COffscreenContext* c = new COffscreenContext(CDrawContext::kNoFrameRect, -10, 20);
  CRect clip;
  EXPECT_EQ(c->getClipRect(clip), CRect(-10, 0, 0, 20));
  EXPECT_EQ(c->surface(), nullptr);
  c->drawRect(CRect(0, 0, 10, 10), kDrawFilled);
  c->release();
}
