// Drawing at a display factor, on the platform's backend: the picture's coordinates go
// in, whole device pixels come out (a 1-pixel line is a solid band of 2 at 2, fills and
// clips cover exactly their multiple), text is drawn at the size, images are resampled
// smoothly. And the conversions between picture and device coordinates.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "gui/font_desc.h"
#include "gui/frame_window.h"
#include "gui/raster.h"
#include "tests/support/comma_locale.h"
#ifdef _WIN32
#include "gui/win/gdiplus_raster.h"
#else
#include "gui/linux/cairo_surface.h"
#include "gui/linux/frame_window.h"
#endif

using namespace Toolkit;

namespace {

constexpr PackedColor kWhite = packColor(255, 255, 255, 255);

// A transparent bitmap with a surface drawing onto it at a factor.
struct Canvas {
  Canvas(int w, int h, double scale)
      : bitmap(platform::makeBitmap(w, h)), surface(platform::surfaceFor(*bitmap, scale)) {}
  // Alpha of a pixel (both backends keep it in the top byte).
#ifdef _WIN32
  int alpha(int x, int y) const { return int(static_cast<win::GdiplusBitmap&>(*bitmap).pixel(x, y) >> 24); }
#else
  int alpha(int x, int y) const { return int(static_cast<CairoBitmap&>(*bitmap).pixel(x, y) >> 24); }
#endif
  bool set(int x, int y) const { return alpha(x, y) == 255; }
  bool clear(int x, int y) const { return alpha(x, y) == 0; }
  // Rows of column x that are set, first and last (-1 when none).
  std::pair<int, int> rowsSet(int x) const {
    int first = -1, last = -1;
    for (int y = 0; y < bitmap->height(); ++y)
      if (alpha(x, y) > 0) {
        if (first < 0) first = y;
        last = y;
      }
    return {first, last};
  }
  std::unique_ptr<PlatformBitmap> bitmap;
  std::unique_ptr<RasterSurface> surface;
};

}  // namespace

TEST(DisplayScale, ConvertsBetweenPictureAndDevice) {
  EXPECT_EQ(DisplayScale(0.5).factor(), 1);  // out of range: 1
  EXPECT_EQ(DisplayScale(4.5).factor(), 1);
  EXPECT_EQ(DisplayScale::ofDpi(192).factor(), 2);
  EXPECT_EQ(DisplayScale::ofDpi(144).factor(), 1.5);
  EXPECT_EQ(DisplayScale::ofDpi(72).factor(), 1);  // held within the range
  EXPECT_EQ(DisplayScale::ofDpi(960).factor(), 4);
  const DisplayScale half(1.5);
  EXPECT_EQ(half.deviceLength(400), 600);
  EXPECT_EQ(DisplayScale(1.25).deviceLength(401), 501);  // rounded
  // Device positions go down to the picture pixel holding them, left of 0 too.
  EXPECT_EQ(half.toPicture(599, 2), CPoint(399, 1));
  EXPECT_EQ(half.toPicture(-1, 3), CPoint(-1, 2));
  // Invalidated picture pixels become every device pixel they touch, and a device
  // update becomes the picture pixels that cover it.
  int l = 1, t = 3, r = 2, b = 4;
  half.toDevice(l, t, r, b);
  EXPECT_EQ((CRect(l, t, r, b)), CRect(1, 4, 3, 6));
  EXPECT_EQ(half.toPicture(1, 4, 3, 6), CRect(0, 2, 2, 4));
  l = 7, t = 8, r = 9, b = 10;
  DisplayScale().toDevice(l, t, r, b);
  EXPECT_EQ((CRect(l, t, r, b)), CRect(7, 8, 9, 10));
}

#ifndef _WIN32
TEST(DisplayScale, XftDpiOfTheResourceDatabase) {
  EXPECT_EQ(xftScale("Xft.dpi:\t192\n").factor(), 2);
  EXPECT_EQ(xftScale("Xft.antialias: 1\nXft.dpi: 144\n").factor(), 1.5);
  EXPECT_EQ(xftScale("Xft.dpi: 96\n").factor(), 1);
  EXPECT_EQ(xftScale("Xft.dpi: lots\n").factor(), 1);
  EXPECT_EQ(xftScale("Xft.dpi: 192dpi\n").factor(), 1);
  EXPECT_EQ(xftScale("Xcursor.size: 48\n").factor(), 1);
  EXPECT_EQ(xftScale(nullptr).factor(), 1);
  // Alike where the C locale writes numbers with a comma.
  const brimtrace_test::CommaDecimals comma;
  ASSERT_TRUE(brimtrace_test::CommaDecimals::active());
  EXPECT_EQ(xftScale("Xft.dpi: 120.0\n").factor(), 1.25);
}
#endif

TEST(ScaledSurface, ShapesCoverWholeDevicePixelsAtTheFactor) {
  Canvas c(80, 80, 2);
  ASSERT_TRUE(c.surface);
  c.surface->setPenColor(kWhite);
  c.surface->setFillColor(kWhite);
  c.surface->drawLine(2, 10, 20, 10);  // a solid band on rows 20 and 21, ends included
  EXPECT_TRUE(c.set(10, 20) && c.set(10, 21));
  EXPECT_TRUE(c.clear(10, 19) && c.clear(10, 22));
  EXPECT_TRUE(c.set(4, 20) && c.set(41, 21));
  EXPECT_TRUE(c.clear(3, 20) && c.clear(42, 20));
  c.surface->drawRectangle(25, 2, 5, 5);  // outline 25..30: columns 50, 51 and 60, 61
  EXPECT_TRUE(c.set(50, 8) && c.set(51, 8) && c.set(60, 8) && c.set(61, 8));
  EXPECT_TRUE(c.clear(49, 8) && c.clear(52, 8) && c.clear(59, 8) && c.clear(62, 8));
  c.surface->fillRectangle(1, 30, 2, 2);  // pixels 2..5
  EXPECT_TRUE(c.set(2, 60) && c.set(5, 63));
  EXPECT_TRUE(c.clear(1, 60) && c.clear(6, 60) && c.clear(2, 64));
  // A clip of picture pixels 0..4 holds device pixels 0..9.
  c.surface->setClipRect(30, 30, 5, 5);
  c.surface->fillRectangle(0, 0, 40, 40);
  EXPECT_TRUE(c.set(60, 60) && c.set(69, 69));
  EXPECT_TRUE(c.clear(70, 65) && c.clear(65, 70) && c.clear(59, 65));

  // At 1.5 picture row 10 is device rows 15 and half of 16: the line starts on 15.
  Canvas d(60, 60, 1.5);
  d.surface->setPenColor(kWhite);
  d.surface->drawLine(0, 10, 30, 10);
  EXPECT_EQ(d.rowsSet(20).first, 15);
  EXPECT_LE(d.rowsSet(20).second, 16);
}

#ifdef _WIN32
TEST(ScaledSurface, AClipOfTheWholeSurfaceIsDroppedAtTheFactor) {
  // Compared in device pixels: the picture's 40 x 40 is the whole 80 x 80 bitmap, and
  // no clip is set (its bounds are then unlimited).
  Canvas c(80, 80, 2);
  auto& surface = static_cast<win::GdiplusSurface&>(*c.surface);
  auto clipWidth = [&] {
    Gdiplus::Rect bounds;
    win::gp::GdipGetClipBoundsI(surface.graphics(), &bounds);
    return bounds.Width;
  };
  c.surface->setClipRect(0, 0, 40, 40);
  EXPECT_GT(clipWidth(), 1000);
  c.surface->setClipRect(0, 0, 39, 40);
  EXPECT_LE(clipWidth(), 80);
}
#endif

TEST(ScaledSurface, TextIsDrawnAtTheSizeAndImagesAreResampledSmoothly) {
  // The ink of the same text is twice as tall at 2.
  auto font = platform::makeFont("Arial", 12, 0);
  ASSERT_TRUE(font->valid());
  int inkHeight[2] = {};
  for (int i = 0; i < 2; ++i) {
    Canvas c(120, 60, i + 1);
    c.surface->setTextColor(kWhite);
    c.surface->drawString(*font, "HIH", 2, 2);
    int first = 1000, last = -1;
    for (int x = 0; x < 120; ++x) {
      const auto [f, l] = c.rowsSet(x);
      if (f >= 0) first = std::min(first, f), last = std::max(last, l);
    }
    inkHeight[i] = last - first + 1;
  }
  EXPECT_GT(inkHeight[0], 5);
  EXPECT_NEAR(inkHeight[1], 2 * inkHeight[0], 2);

  // A 2 x 1 image, opaque then transparent, at 2: its blend lies between the two.
  auto image = platform::makeBitmap(2, 1);
  platform::surfaceFor(*image)->fillRectangle(0, 0, 1, 1);  // opaque black on the left
  Canvas c(8, 4, 2);
  c.surface->drawBitmap(*image, 1, 0, 0, 0, 2, 1, 255);
  EXPECT_EQ(c.alpha(2, 0), 255);
  EXPECT_EQ(c.alpha(0, 0), 0);
  bool between = false;
  for (int x = 2; x < 6; ++x) between = between || (c.alpha(x, 1) > 0 && c.alpha(x, 1) < 255);
  EXPECT_TRUE(between);
  EXPECT_EQ(c.alpha(6, 0), 0);  // nothing beyond the image's place
}
