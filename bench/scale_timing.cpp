// The drawing pass at a display factor of 2 against the same pass at 1 (a plain timing
// loop, every platform: cairo on Linux, GDI+ on Windows under Wine). The picture keeps
// its 400 x 400 coordinates; at 2 the surface beneath multiplies them onto 800 x 800
// pixels, four times as many. The pass at 2 is to cost at most four times the pass at 1.
//   brimtrace-scale-timing [passes]
// Reports the thread's processor time per pass at each factor and their ratio; exits 1
// when a ratio exceeds 4.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_host.h"
#include "gui/bitmap.h"
#include "gui/draw_context.h"
#include "plugin/zelk.h"
#include "runtime/fablo.h"

namespace {

constexpr double kLimit = 4;

// Paints the picture as the editor's window does at a factor: a fresh context per pass
// on a surface that multiplies the picture's coordinates.
class ScaledPaint {
public:
  ScaledPaint(AEffect* effect, double factor)
      : plugin_(static_cast<CZelk*>(static_cast<AudioEffect*>(effect->object))),
        factor_(factor),
        bitmap_(new Toolkit::CBitmap(std::lround(TFablo::kEditorWidth * factor),
                                     std::lround(TFablo::kEditorHeight * factor))) {}
  ~ScaledPaint() { bitmap_->release(); }
  ScaledPaint(const ScaledPaint&) = delete;
  ScaledPaint& operator=(const ScaledPaint&) = delete;

  void paint() {
    const Toolkit::CRect picture(0, 0, TFablo::kEditorWidth, TFablo::kEditorHeight);
    auto* context = new Toolkit::CDrawContext(
        Toolkit::platform::surfaceFor(*bitmap_->getPlatformBitmap(), factor_), picture);
    plugin_->setDrawContext(context);
    plugin_->getHooks().draw(plugin_, TFablo::kEditorWidth, TFablo::kEditorHeight);
    plugin_->setDrawContext(nullptr);
    context->release();
  }

private:
  CZelk* plugin_;
  double factor_;
  Toolkit::CBitmap* bitmap_;
};

// Processor time per pass at a factor, after a full history; the histories move as in
// brimtrace-draw-timing.
double secondsPerPass(double factor, bool jagged, int passes) {
  AEffect* e = brimtrace_test::startInProcess();
  ScaledPaint painter(e, factor);
  bench::HistoryFeed feed(e, jagged);
  for (int i = 0; i < 100; ++i) {  // a full history, fonts and images loaded
    feed();
    painter.paint();
  }
  double cpu = 0;
  for (int i = 0; i < passes; ++i) {
    feed();
    const double c0 = bench::threadSeconds();
    painter.paint();
    cpu += bench::threadSeconds() - c0;
  }
  brimtrace_test::stopInstance(e);
  return cpu / passes;
}

}  // namespace

int main(int argc, char** argv) {
  const int passes = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
  std::printf("Machine: %s\n", bench::machine());
  bool met = true;
  for (const bool jagged : {false, true}) {
    const char* name = jagged ? "jagged" : "smooth";
    const double one = secondsPerPass(1, jagged, passes);
    const double two = secondsPerPass(2, jagged, passes);
    const double ratio = two / one;
    met = met && ratio <= kLimit;
    std::printf(
        "drawing pass, %s history: %.3f ms at 1 (400 x 400), %.3f ms at 2 (800 x 800): %.2f x "
        "(limit %.0f x) %s\n",
        name, one * 1e3, two * 1e3, ratio, kLimit, ratio <= kLimit ? "met" : "NOT MET");
  }
  return met ? 0 : 1;
}
