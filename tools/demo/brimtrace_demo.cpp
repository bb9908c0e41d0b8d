// Shows the analyzer at work without a host: a few frames in, slews and peaks out,
// then one history push as the editor makes at each repaint.
#include <cstdio>
#include <vector>

#include "effect/fablo_effect.h"

namespace {

// Just enough of a host for the effect's start-up and block prologues.
class DemoLink : public PluginLink {
public:
  float storedSampleRate() const override { return 44100; }
  int32_t storedBlockSize() const override { return 1024; }
  int32_t inputCount() const override { return 2; }
  bool hostTime(int32_t, HostTime& out) override {
    out.tempo = 120;
    out.timeSigNumerator = 4;
    out.timeSigDenominator = 4;
    return true;
  }
  void updateDisplay() override {}
  void setInitialDelay(int32_t) override {}
  void repaintEditor() override {}
  bool editorSize(int32_t&, int32_t&) const override { return false; }
};

}  // namespace

int main() {
  DemoLink link;
  TFabloEffect fx;
  fx.zelk = &link;
  fx.reset();
  fx.resume();
  std::printf("Brimtrace slew analyzer, version %.0f\n", fx.versionNumber);
  std::printf("sample rate %.0f Hz, %.0f channels, tempo %.0f bpm\n\n", fx.vars.sampleRate,
              fx.vars.channelCount, fx.vars.tempo);

  const double frames[][2] = {{0, 0}, {0.5, -0.5}, {-0.5, 0.5}, {-0.25, 0.5}, {0.125, 0.75}};
  fx.onBlock();
  std::printf("%8s %8s | %8s %8s | %8s %8s\n", "left", "right", "slewL", "slewR", "peakL", "peakR");
  for (const auto& f : frames) {
    fx.channelSample[0] = f[0];
    fx.channelSample[1] = f[1];
    fx.onSample();
    std::printf("%8.4f %8.4f | %8.4f %8.4f | %8.4f %8.4f\n", fx.channelSample[0], fx.channelSample[1],
                fx.slewLeft, fx.slewRight, fx.peakLeft.load(), fx.peakRight.load());
  }
  std::printf("\nframes since the last push: %.0f\n", fx.frameSampleCount.load());

  fx.pushHistory();
  std::printf("after one push (newest entry last):\n");
  for (int k = 96; k < 100; ++k)
    std::printf("  history[%2d]  left %.4f  right %.4f\n", k, fx.memory.cell(fx.historyLeftBase, k),
                fx.memory.cell(fx.historyRightBase, k));
  std::printf("peaks now %.4f / %.4f, frames %.0f\n", fx.peakLeft.load(), fx.peakRight.load(),
              fx.frameSampleCount.load());
  return 0;
}
