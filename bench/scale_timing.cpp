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

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace {

constexpr double kLimit = 4;

double threadSeconds() {
#if defined(_WIN32)
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](FILETIME t) {
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
#else
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
#endif
}

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
  constexpr int kFrames = 512;
  std::vector<float> in0(kFrames), in1(kFrames), out0(kFrames), out1(kFrames);
  float* inputs[] = {in0.data(), in1.data()};
  float* outputs[] = {out0.data(), out1.data()};
  int pass = 0;
  auto feed = [&] {
    const float level =
        jagged ? (pass % 2 ? 2.0f : 0.0f) : static_cast<float>(std::pow(10.0, -5 + (pass % 100) * 0.05));
    for (int i = 0; i < kFrames; ++i) in0[i] = in1[i] = (i % 2 ? level : -level);
    e->processReplacing(e, inputs, outputs, kFrames);
    ++pass;
  };
  for (int i = 0; i < 100; ++i) {  // a full history, fonts and images loaded
    feed();
    painter.paint();
  }
  double cpu = 0;
  for (int i = 0; i < passes; ++i) {
    feed();
    const double c0 = threadSeconds();
    painter.paint();
    cpu += threadSeconds() - c0;
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
