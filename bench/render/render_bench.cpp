// Cost of one editor repaint: the whole picture (logo, captions, history push, 198
// trace segments, frame) drawn into a 400 x 400 offscreen with a full history.
#include <benchmark/benchmark.h>

#include <cmath>

#include "effect/fablo_effect.h"
#include "gui/offscreen_picture.h"

namespace {

void feed(TFabloEffect& effect, int frames, double level) {
  for (int i = 0; i < frames; ++i) {
    effect.channelSample[0] = level * std::sin(i * 0.1);
    effect.channelSample[1] = i % 2 ? level : -level;
    effect.onSample();
  }
}

void BM_DrawingPass(benchmark::State& state) {
  auto* effect = new TFabloEffect;
  OffscreenPicture picture(400, 400);
  effect->zelk = &picture;
  effect->reset();
  effect->resume();
  for (int pass = 0; pass < 100; ++pass) {
    feed(*effect, 64, std::pow(10.0, -5 + pass * 0.05));
    picture.drawPass(*effect);
  }
  for (auto _ : state) {
    feed(*effect, 1, 0.5);  // so that every pass pushes one entry, as in use
    picture.drawPass(*effect);
  }
  delete effect;
}
BENCHMARK(BM_DrawingPass)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
