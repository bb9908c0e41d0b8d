// The editor's captions are drawn whole at every display factor, on the platform's
// backend (cairo on Linux, GDI+ on Windows): each caption is clipped to the box of its
// measured width, and that clip, cut to device pixels at the factor, still holds all
// of the caption's ink (the last letter included) that an unclipped drawing has.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "effect/fablo_effect.h"
#include "gui/raster.h"
#include "tests/support/fake_plugin.h"
#ifdef _WIN32
#include "gui/win/gdiplus_raster.h"
#else
#include "gui/linux/cairo_surface.h"
#endif

using namespace Toolkit;
using namespace brimtrace_test;

namespace {

// One caption as the editor's drawing pass hands it to the platform: the clip in force,
// the font, the text and where it goes, in the picture's coordinates.
struct Caption {
  std::vector<double> clip;  // x, y, w, h
  std::shared_ptr<CFontDesc> font;
  std::string text;
  float x, y;
};

// Records the captions as they are drawn, holding their fonts (the pass releases each
// font when it selects the next).
struct CaptionSurface : RecordingSurface {
  CaptionSurface(std::vector<Call>* log, const CDrawContext* const* context, std::vector<Caption>* captions)
      : RecordingSurface(log), context(context), captions(captions) {}
  void drawString(const PlatformFont& f, std::string_view s, float x, float y) override {
    RecordingSurface::drawString(f, s, x, y);
    std::vector<double> clip;
    for (const Call& call : *log)
      if (call.op == "setClipRect") clip = call.args;
    CFontDesc* font = (*context)->getFont();
    font->retain();
    captions->push_back({clip, {font, [](CFontDesc* d) { d->release(); }}, std::string(s), x, y});
  }
  const CDrawContext* const* context;
  std::vector<Caption>* captions;
};

int alpha(const PlatformBitmap& bmp, int x, int y) {
#ifdef _WIN32
  return int(static_cast<const win::GdiplusBitmap&>(bmp).pixel(x, y) >> 24);
#else
  return int(static_cast<const CairoBitmap&>(bmp).pixel(x, y) >> 24);
#endif
}

// The caption drawn in opaque white onto a transparent picture at the factor, clipped
// as the editor clips it or not at all.
std::unique_ptr<PlatformBitmap> draw(const Caption& c, double factor, bool clipped) {
  const int side = int(std::ceil(TFablo::kEditorWidth * factor));
  auto bitmap = platform::makeBitmap(side, side);
  auto surface = platform::surfaceFor(*bitmap, factor);
  if (clipped) surface->setClipRect(c.clip[0], c.clip[1], c.clip[2], c.clip[3]);
  surface->setTextColor(packColor(255, 255, 255, 255));
  surface->setTextAntialias(true);
  surface->drawString(*c.font->platformFont(), c.text, c.x, c.y);
  return bitmap;
}

struct CaptionInk : ::testing::TestWithParam<double>, EffectOnFakePlugin<TFabloEffect> {
  // The captions of one drawing pass of the editor's picture.
  std::vector<Caption> captions() {
    std::vector<Caption> out;
    plugin.context->release();
    plugin.context = new CDrawContext(std::make_unique<CaptionSurface>(&plugin.calls, &plugin.context, &out));
    fx->reset();
    fx->resume();
    fx->onSample();
    fx->onGraphics();
    return out;
  }
};

}  // namespace

TEST_P(CaptionInk, EveryCaptionIsDrawnWhole) {
  const double factor = GetParam();
  const auto all = captions();
  // The version ("v" and its number), both legends, the ceiling and the scale's warning.
  ASSERT_EQ(all.size(), 6u);
  for (const Caption& c : all) {
    ASSERT_EQ(c.clip.size(), 4u) << c.text;
    ASSERT_TRUE(c.font->platformFont() && c.font->platformFont()->valid()) << c.text;
    const auto whole = draw(c, factor, false), shown = draw(c, factor, true);
    int ink = 0, lostFrom = whole->width(), lostTo = -1;
    for (int y = 0; y < whole->height(); ++y)
      for (int x = 0; x < whole->width(); ++x) {
        const int a = alpha(*whole, x, y);
        ink += a > 0;
        if (a != alpha(*shown, x, y)) lostFrom = std::min(lostFrom, x), lostTo = std::max(lostTo, x);
      }
    EXPECT_GT(ink, 20) << '"' << c.text << '"';
    EXPECT_LT(lostTo, 0) << '"' << c.text << "\" at " << factor << " loses its ink in device columns "
                         << lostFrom << " to " << lostTo << " (text from " << c.x * factor
                         << ", clip ends at " << (c.clip[0] + c.clip[2]) * factor << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Factors, CaptionInk, ::testing::Values(1.0, 1.25, 1.5, 1.75, 2.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                           return "x" + std::to_string(int(std::lround(info.param * 100)));
                         });
