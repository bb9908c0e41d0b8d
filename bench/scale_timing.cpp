// The drawing pass at a display factor of 2 against the same pass at 1 (a plain timing
// loop, every platform: cairo on Linux, GDI+ on Windows under Wine). The picture keeps
// its 400 x 400 coordinates; at 2 the surface beneath multiplies them onto 800 x 800
// pixels, four times as many. The pass at 2 is to cost at most four times the pass at 1.
//   brimtrace-scale-timing [passes]
// Reports the median wall time of a pass at each factor and their ratio (the median keeps
// a shared machine's interruptions out), and the thread's processor time per pass over the
// whole loop (read once around it: Wine counts it in coarse ticks); exits 1 when a median
// ratio exceeds 4.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_host.h"
#include "gui/bitmap.h"
#include "gui/draw_context.h"
#include "plugin/vst2/zelk.h"
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

struct PassTimes {
  double medianWall, processor;  // seconds per pass
};

// One pass at a factor, timed after a full history; the histories move as in
// brimtrace-draw-timing.
PassTimes timesPerPass(double factor, bool jagged, int passes) {
  AEffect* e = brimtrace_test::startInProcess();
  ScaledPaint painter(e, factor);
  bench::HistoryFeed feed(e, jagged);
  for (int i = 0; i < 100; ++i) {  // a full history, fonts and images loaded
    feed();
    painter.paint();
  }
  std::vector<double> wall;
  const double c0 = bench::threadSeconds();
  for (int i = 0; i < passes; ++i) {
    feed();
    const auto t0 = std::chrono::steady_clock::now();
    painter.paint();
    wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  const double processor = (bench::threadSeconds() - c0) / passes;
  brimtrace_test::stopInstance(e);
  std::sort(wall.begin(), wall.end());
  return {wall[wall.size() / 2], processor};
}

}  // namespace

int main(int argc, char** argv) {
  const int passes = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
  std::printf("Machine: %s\n", bench::machine());
  bool met = true;
  for (const bool jagged : {false, true}) {
    const char* name = jagged ? "jagged" : "smooth";
    const PassTimes one = timesPerPass(1, jagged, passes);
    const PassTimes two = timesPerPass(2, jagged, passes);
    const double ratio = two.medianWall / one.medianWall;
    met = met && ratio <= kLimit;
    std::printf(
        "drawing pass, %s history: median %.3f ms at 1 (400 x 400), %.3f ms at 2 (800 x 800): %.2f x "
        "(limit %.0f x) %s; processor time %.3f and %.3f ms: %.2f x\n",
        name, one.medianWall * 1e3, two.medianWall * 1e3, ratio, kLimit, ratio <= kLimit ? "met" : "NOT MET",
        one.processor * 1e3, two.processor * 1e3, two.processor / one.processor);
  }
  return met ? 0 : 1;
}
