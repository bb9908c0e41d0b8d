// The analyzer's picture in pixels (cairo): after a history of 50 silent intervals and
// 50 with slews of 1 (left) and 0.01 (right), the traces lie on the rows the log
// scale gives, the frame, ceiling and captions are where they belong, and the rest
// stays black.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "effect/fablo_effect.h"
#include "gui/linux/cairo_surface.h"
#include "gui/offscreen_picture.h"

using namespace Toolkit;

namespace {

struct Rgb {
  int r, g, b;
};

class GraphPicture : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    picture_ = new OffscreenPicture(400, 400);
    auto* fx = new TFabloEffect;
    fx->zelk = picture_;
    fx->reset();
    fx->resume();
    for (int pass = 0; pass < 100; ++pass) {
      const bool loud = pass >= 50;
      for (int i = 0; i < 64; ++i) {
        fx->channelSample[0] = loud && i % 2 ? 1 : 0;
        fx->channelSample[1] = loud && i % 2 ? 0.01 : 0;
        fx->onSample();
      }
      picture_->drawPass(*fx);
    }
    delete fx;
    if (const char* keep = std::getenv("BRIMTRACE_KEEP_PICTURE")) picture_->writePng(keep);
  }
  static void TearDownTestSuite() {
    delete picture_;
    picture_ = nullptr;
  }

  static Rgb at(int x, int y) {
    const auto& bmp = static_cast<const CairoBitmap&>(*picture_->bitmap()->getPlatformBitmap());
    const uint32_t p = bmp.pixel(x, y);
    return {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
  }
  static bool black(int x, int y) {
    const Rgb c = at(x, y);
    return c.r == 0 && c.g == 0 && c.b == 0;
  }
  static int litIn(int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) n += !black(x, y);
    return n;
  }

  static OffscreenPicture* picture_;
};

OffscreenPicture* GraphPicture::picture_ = nullptr;

}  // namespace

TEST_F(GraphPicture, TracesCrossTheRowsOfTheirValues) {
  // Entries 50..99 lie at x 202..400; the left trace (1) on row 38 (y 38.433), the
  // right (0.01) on row 183 (y 183.06), both half transparent over black.
  for (int x = 210; x <= 395; x += 5) {
    const Rgb white = at(x, 38);
    EXPECT_NEAR(white.r, 127, 20) << x;
    EXPECT_EQ(white.r, white.g) << x;
    EXPECT_EQ(white.r, white.b) << x;
    EXPECT_TRUE(black(x, 36) && black(x, 40)) << x;
    const Rgb red = at(x, 183);
    EXPECT_NEAR(red.r, 127, 20) << x;
    EXPECT_EQ(red.g + red.b, 0) << x;
    EXPECT_TRUE(black(x, 181) && black(x, 185)) << x;
  }
  // Silent entries lie along y 400, just below the last row: nothing of them shows above
  // the frame's bottom row.
  EXPECT_EQ(litIn(1, 390, 195, 398), 0);
}

TEST_F(GraphPicture, RedFrameOnTheOuterRowsAndColumns) {
  for (int k = 1; k <= 398; ++k) {
    for (auto [x, y] : {std::pair{k, 0}, std::pair{k, 399}, std::pair{0, k}, std::pair{399, k}}) {
      const Rgb c = at(x, y);
      ASSERT_TRUE(c.r == 255 && c.g == 0 && c.b == 0) << x << "," << y;
    }
  }
  EXPECT_GT(at(0, 0).r, 128);  // corners: antialiased line ends meet
  EXPECT_GT(at(399, 399).r, 128);
}

TEST_F(GraphPicture, CeilingLineOnRow16From100To390) {
  for (int x = 101; x <= 389; ++x) {
    const Rgb c = at(x, 16);
    ASSERT_NEAR(c.r, 120, 8) << x;  // (127, 127, 0) at alpha 242 over black
    ASSERT_EQ(c.r, c.g) << x;
    ASSERT_EQ(c.b, 0) << x;
  }
  EXPECT_FALSE(black(100, 16));
  EXPECT_FALSE(black(390, 16));
  EXPECT_TRUE(black(99, 16));
  EXPECT_TRUE(black(391, 16));
  EXPECT_TRUE(black(250, 17));
}

TEST_F(GraphPicture, CaptionsInYellowWhereTheyBelong) {
  struct Box {
    int x0, y0, x1, y1;
  };
  const Box captions[] = {{10, 350, 190, 369},  // LEFT channel = White
                          {10, 370, 190, 389},  // RIGHT channel = Red
                          {190, 1, 330, 15},    // Absolute ceiling
                          {178, 21, 330, 37}};  // !!! LOGARITHMIC !!!
  for (const Box& b : captions) {
    EXPECT_GT(litIn(b.x0, b.y0, b.x1, b.y1), 50) << b.x0 << "," << b.y0;
    for (int y = b.y0; y <= b.y1; ++y)
      for (int x = b.x0; x <= b.x1; ++x) {
        if (y == 38 || (b.y0 == 1 && y == 16)) continue;  // trace and ceiling rows
        const Rgb c = at(x, y);
        ASSERT_TRUE(c.b == 0 && std::abs(c.r - c.g) <= 2) << x << "," << y;
      }
  }
  // The version text, blue, after the logo.
  int blue = 0;
  for (int y = 85; y <= 100; ++y)
    for (int x = 15; x <= 100; ++x) blue += at(x, y).b > at(x, y).r + 20;
  EXPECT_GT(blue, 20);
}

TEST(OffscreenPictureFile, OnePassIsWrittenAsA400By400Png) {
  auto* fx = new TFabloEffect;
  OffscreenPicture link;
  fx->zelk = &link;
  fx->reset();
  fx->resume();
  const std::string path = testing::TempDir() + "brimtrace_picture.png";
  ASSERT_TRUE(renderPicture(*fx, path.c_str()));
  EXPECT_EQ(fx->zelk, &link);  // the effect's own link is back after the pass
  delete fx;
  auto png = platform::loadImageFile(path.c_str());
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->width(), 400);
  EXPECT_EQ(png->height(), 400);
  EXPECT_EQ(static_cast<CairoBitmap&>(*png).pixel(200, 200), 0xFF000000u);
  std::remove(path.c_str());
}

TEST_F(GraphPicture, BlackEverywhereElse) {
  EXPECT_EQ(litIn(210, 45, 390, 175), 0);
  EXPECT_EQ(litIn(210, 190, 390, 395), 0);
  EXPECT_EQ(litIn(120, 115, 190, 345), 0);
}
