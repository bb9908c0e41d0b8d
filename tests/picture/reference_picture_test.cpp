// Linux side of the Windows picture check: the committed reference picture (which the
// Windows build compares its GDI+ rendering with) is still what cairo draws for the
// scenario. Regenerate it after a change to the picture with
//   BRIMTRACE_WRITE_REFERENCE=tests/picture/reference/analyzer_linux.png
//   build/linux/tests/picture/reference_picture_test
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "gui/linux/cairo_surface.h"
#include "tests/picture/analyzer_scenario.h"

namespace {

using namespace brimtrace_test;

TEST(ReferencePicture, CommittedReferenceMatchesTheCairoRendering) {
  OffscreenPicture picture(400, 400);
  drawAnalyzerPicture(picture);
  if (const char* out = std::getenv("BRIMTRACE_WRITE_REFERENCE")) {
    ASSERT_TRUE(picture.writePng(out));
  }

  const auto& drawn = static_cast<const Toolkit::CairoBitmap&>(*picture.bitmap()->getPlatformBitmap());
  cairo_surface_t* ref = cairo_image_surface_create_from_png(BRIMTRACE_REFERENCE_PICTURE);
  ASSERT_EQ(cairo_surface_status(ref), CAIRO_STATUS_SUCCESS) << BRIMTRACE_REFERENCE_PICTURE;
  Toolkit::CairoBitmap reference(ref);
  ASSERT_EQ(reference.width(), 400);
  ASSERT_EQ(reference.height(), 400);
  auto want = Rgb24Picture::from(400, 400, [&](int x, int y) { return reference.pixel(x, y); });
  auto got = Rgb24Picture::from(400, 400, [&](int x, int y) { return drawn.pixel(x, y); });
  // Same rasteriser: only a newer cairo or font version may move a level or two.
  int differing = 0;
  for (size_t i = 0; i < want.pixels.size(); ++i)
    differing += channelDistance(want.pixels[i], got.pixels[i]) > 2;
  EXPECT_EQ(differing, 0) << "the picture changed: regenerate the reference (see the top of this file)";
  Agreement a = comparePictures(want, got);
  EXPECT_EQ(a.disagreeing, 0);
  EXPECT_EQ(a.edgesMisplaced, 0);
  EXPECT_GT(a.compared, 100000);  // the mask leaves most of the picture compared
}

}  // namespace
