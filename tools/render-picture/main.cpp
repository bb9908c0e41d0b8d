// Draws the analyzer's editor picture without a host or a window: feeds a known
// signal, runs one drawing pass per block as the editor would, and writes the last
// picture as a 400 x 400 PNG.
#include <cmath>
#include <cstdio>
#include <numbers>

#include "effect/fablo_effect.h"
#include "gui/offscreen_picture.h"

namespace {

constexpr int kPasses = 100;          // fills the whole history
constexpr int kFramesPerPass = 1470;  // 44100 Hz at 30 repaints per second

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.png\n", argc > 0 ? argv[0] : "brimtrace-picture");
    return 2;
  }
  auto* effect = new TFabloEffect;
  OffscreenPicture picture(400, 400);
  effect->zelk = &picture;
  effect->reset();
  effect->resume();

  // Left: a 1050 Hz sine (exactly 42 samples a cycle, so every pass sees the same
  // sample phases) whose level rises over five decades: its trace climbs from the
  // floor towards the ceiling. Right: a square wave whose level falls, so its
  // slew (twice the level at each edge) descends.
  long frame = 0;
  for (int pass = 0; pass < kPasses; ++pass) {
    const double t = pass / double(kPasses - 1);
    const double leftLevel = std::pow(10.0, -4.5 + 5.0 * t);
    const double rightLevel = std::pow(10.0, -0.5 - 4.0 * t);
    effect->onBlock();
    for (int i = 0; i < kFramesPerPass; ++i, ++frame) {
      effect->channelSample[0] = leftLevel * std::sin(2 * std::numbers::pi * frame / 42.0);
      effect->channelSample[1] = (frame / 50) % 2 ? rightLevel : -rightLevel;
      effect->onSample();
    }
    picture.drawPass(*effect);
  }
  const bool written = picture.writePng(argv[1]);
  delete effect;
  if (!written) {
    std::fprintf(stderr, "could not write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: editor picture after %d passes\n", argv[1], kPasses);
  return 0;
}
