// Cost of one editor repaint through GDI+: the whole analyzer picture drawn into a
// 400 x 400 offscreen with a full history, as the editor draws it 30 times a second.
//   brimtrace-bench-render-gdiplus [passes]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "tests/picture/analyzer_scenario.h"

int main(int argc, char** argv) {
  const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
  auto* effect = new TFabloEffect;
  OffscreenPicture picture(400, 400);
  brimtrace_test::drawAnalyzerScenario(*effect, picture);  // loads images and fonts, fills the history
  effect->zelk = &picture;
  using Clock = std::chrono::steady_clock;
  double total = 0, fastest = 1e30;
  for (int i = 0; i < passes; ++i) {
    effect->channelSample[0] = i % 2 ? 0.5 : -0.5;  // so every pass pushes one entry, as in use
    effect->onSample();
    const auto start = Clock::now();
    picture.drawPass(*effect);
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    total += us;
    fastest = std::min(fastest, us);
  }
  effect->zelk = nullptr;
  delete effect;
  std::printf("GDI+ drawing pass, 400 x 400: mean %.0f us, fastest %.0f us over %d passes\n", total / passes,
              fastest, passes);
  return 0;
}
