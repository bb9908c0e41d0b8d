// Cost of one full editor paint in a real window (Google Benchmark; not a test): the
// view invalidated, the frame's window paints the whole picture with a full history
// into its back buffer and copies it to the screen.
//   cmake --build --preset linux --target brimtrace-bench-editor-paint
//   build/linux/bench/brimtrace-bench-editor-paint
#include <benchmark/benchmark.h>

#include <cmath>

#include "effect/fablo_effect.h"
#include "plugin/vst2/runtime_hooks.h"
#include "plugin/vst2/zelk.h"
#include "plugin/vst2/zelk_editor.h"
#include "runtime/transforms.h"
#include "tests/editor/host_window.h"
#include "tests/support/test_host.h"

namespace {

void BM_FullEditorPaint(benchmark::State& state) {
  using namespace brimtrace_test;
  if (!windowsAvailable()) {
    state.SkipWithError("no display to open windows");
    return;
  }
  TestHost host;
  HostWindow window;
  buildTransformTables();
  auto* effect = new TFabloEffect;
  CZelk* zelk = CZelk::create(effect, effectHooksFor<TFabloEffect>(), TestHost::callback(), 1, 0);
  effect->zelk = zelk;
  AEffect* fx = zelk->getAeffect();
  fx->dispatcher(fx, effOpen, 0, 0, nullptr, 0);
  fx->dispatcher(fx, effMainsChanged, 0, 1, nullptr, 0);
  fx->dispatcher(fx, effEditOpen, 0, 0, window.handle(), 0);
  auto* editor = static_cast<CZelkEditor*>(zelk->getEditor());
  auto paint = [&] {
    editor->repaint();
    editor->getFrame()->idle();
    window.pump();
  };
  // A full history of rising slews, so both traces cross the whole picture.
  for (int pass = 0; pass < 100; ++pass) {
    for (int i = 0; i < 64; ++i) {
      const double level = std::pow(10.0, -5 + pass * 0.05);
      effect->channelSample[0] = level * std::sin(i * 0.1);
      effect->channelSample[1] = i % 2 ? level : -level;
      effect->onSample();
    }
    paint();
  }
  for (auto _ : state) {
    effect->channelSample[0] = -effect->channelSample[0];
    effect->onSample();  // every pass pushes one entry, as in use
    paint();
  }
  fx->dispatcher(fx, effEditClose, 0, 0, nullptr, 0);
  fx->dispatcher(fx, effClose, 0, 0, nullptr, 0);
}
BENCHMARK(BM_FullEditorPaint)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
