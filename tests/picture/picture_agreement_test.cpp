// The editor picture drawn through GDI+ agrees with the one drawn through cairo on
// Linux (the committed reference) everywhere except text and edge pixels: the logo
// images, the pulsing overlay, the black graph, the frame's and the traces' places.
#include <gtest/gtest.h>

#include <string>

#include "gui/resources.h"
#include "gui/win/gdiplus_raster.h"
#include "tests/picture/analyzer_scenario.h"

namespace {

using namespace brimtrace_test;

TEST(PictureAgreement, GdiplusRenderingMatchesTheLinuxReference) {
  OffscreenPicture picture(400, 400);
  drawAnalyzerPicture(picture);

  auto bytes = Toolkit::findEmbeddedResource(100, "DATA");  // the reference, linked into this test
  auto reference = Toolkit::platform::decodePng(bytes.data(), bytes.size());
  ASSERT_TRUE(reference);
  ASSERT_EQ(reference->width(), 400);
  const auto& ref = static_cast<const Toolkit::win::GdiplusBitmap&>(*reference);
  const auto& drawn = static_cast<const Toolkit::win::GdiplusBitmap&>(*picture.bitmap()->getPlatformBitmap());
  auto want = Rgb24Picture::from(400, 400, [&](int x, int y) { return ref.pixel(x, y); });
  auto got = Rgb24Picture::from(400, 400, [&](int x, int y) { return drawn.pixel(x, y); });

  Agreement a = comparePictures(want, got);
  EXPECT_GT(a.compared, 100000);
  // A handful of blends of a trace with the logo may find no like pixel; a misplaced or
  // recoloured line or image gives hundreds.
  const int kStrayBlends = 16;
  if (a.disagreeing || a.edgesMisplaced > kStrayBlends) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    std::string kept = std::string(dir) + "brimtrace_gdiplus_picture.png";
    picture.writePng(kept.c_str());
    ADD_FAILURE() << a.disagreeing << " of " << a.compared << " compared pixels differ, " << a.edgesMisplaced
                  << " edge pixels find nothing alike in the other picture; first difference at (" << a.firstX
                  << ", " << a.firstY << "): reference " << std::hex << a.firstReference << ", GDI+ "
                  << a.firstCandidate << std::dec << "; the GDI+ picture is in " << kept;
  }

  // Spot checks that the comparison has something to hold on to: the logo tile is
  // drawn (not the red error box) and the graph is black away from the traces.
  EXPECT_NE(got.at(5, 50), 0xFF0000u);
  EXPECT_NE(got.at(5, 50), 0u);
  EXPECT_EQ(got.at(300, 300), 0u);
}

}  // namespace
