// The analyzer picture that the Windows and Linux renderings are compared on: 100
// passes of a known signal (the left level rising over five decades, the right one
// falling over four), so the history is full and both traces cross the whole graph.
// Also the tolerant comparison: pictures agree when every pixel away from text and
// from edges of the reference differs by at most a few levels per channel, and every
// edge pixel of either picture finds a pixel alike in hue within two pixels in the
// other (antialiased and aliased lines differ in intensity, not in place or hue).
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "effect/fablo_effect.h"
#include "gui/offscreen_picture.h"

namespace brimtrace_test {

inline void drawAnalyzerScenario(TFabloEffect& effect, OffscreenPicture& picture, int passes = 100) {
  effect.zelk = &picture;
  effect.reset();
  effect.resume();
  long frame = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const double t = pass / 99.0;
    const double left = std::pow(10.0, -4.5 + 5.0 * t), right = std::pow(10.0, -0.5 - 4.0 * t);
    effect.onBlock();
    for (int i = 0; i < 441; ++i, ++frame) {
      effect.channelSample[0] = left * std::sin(frame * 0.3);
      effect.channelSample[1] = (frame / 21) % 2 ? right : -right;
      effect.onSample();
    }
    picture.drawPass(effect);
  }
  effect.zelk = nullptr;
}

// The scenario on a fresh effect, drawn into the picture; the effect is gone afterwards.
inline void drawAnalyzerPicture(OffscreenPicture& picture) {
  auto* effect = new TFabloEffect;
  drawAnalyzerScenario(*effect, picture);
  delete effect;
}

// An opaque picture as 0xRRGGBB values.
struct Rgb24Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  static Rgb24Picture from(int w, int h, const std::function<uint32_t(int, int)>& argb) {
    Rgb24Picture p{w, h, std::vector<uint32_t>(size_t(w) * h)};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) p.pixels[size_t(y) * w + x] = argb(x, y) & 0xFFFFFF;
    return p;
  }
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

inline int channelDistance(uint32_t a, uint32_t b) {
  int d = 0;
  for (int shift = 0; shift < 24; shift += 8)
    d = std::max(d, std::abs(int(a >> shift & 255) - int(b >> shift & 255)));
  return d;
}

// Alike in hue though perhaps not in intensity (a faint antialiased line pixel against
// an aliased one, or a joint drawn twice): both dark, or both lit with about the same
// channel proportions, or simply close.
inline bool alikeInHue(uint32_t a, uint32_t b) {
  if (channelDistance(a, b) <= 16) return true;
  auto peak = [](uint32_t c) { return std::max({int(c >> 16 & 255), int(c >> 8 & 255), int(c & 255)}); };
  const int pa = peak(a), pb = peak(b);
  if (pa <= 40 || pb <= 40) return pa <= 40 && pb <= 40;
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int(a >> shift & 255) * 255 / pa - int(b >> shift & 255) * 255 / pb) > 64) return false;
  return true;
}

struct Box {
  int left, top, right, bottom;  // right and bottom exclusive
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Where the analyzer writes text: font rasterisers differ, so these are not compared.
inline const std::vector<Box>& analyzerTextBoxes() {
  static const std::vector<Box> boxes = {
      {12, 82, 100, 100},  // v20260721 at (15, 85)
      {185, 0, 330, 24},   // Absolute ceiling at (190, 0)
      {172, 18, 340, 42},  // !!! LOGARITHMIC !!! at (178, 20)
      {5, 346, 190, 394},  // the two legend lines at (10, 350) and (10, 370)
  };
  return boxes;
}

struct Agreement {
  int compared = 0, masked = 0, disagreeing = 0, edgesMisplaced = 0;
  int firstX = -1, firstY = -1;
  uint32_t firstReference = 0, firstCandidate = 0;
};

// Edges of the reference are pixels within two of a place where neighbours differ by
// more than edgeLevels: antialiased and aliased lines, glyph and artwork outlines.
inline Agreement comparePictures(const Rgb24Picture& reference, const Rgb24Picture& candidate,
                                 int tolerance = 8, int edgeLevels = 12) {
  Agreement a;
  const int w = std::min(reference.width, candidate.width), h = std::min(reference.height, candidate.height);
  std::vector<uint8_t> step(size_t(w) * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = reference.at(x, y);
      if ((x + 1 < w && channelDistance(c, reference.at(x + 1, y)) > edgeLevels) ||
          (y + 1 < h && channelDistance(c, reference.at(x, y + 1)) > edgeLevels)) {
        step[size_t(y) * w + x] = 1;
        if (x + 1 < w) step[size_t(y) * w + x + 1] = 1;
        if (y + 1 < h) step[size_t(y + 1) * w + x] = 1;
      }
    }
  auto nearEdge = [&](int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int X = x + dx, Y = y + dy;
        if (X >= 0 && Y >= 0 && X < w && Y < h && step[size_t(Y) * w + X]) return true;
      }
    return false;
  };
  auto alikeNearby = [&](const Rgb24Picture& from, const Rgb24Picture& in, int x, int y) {
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        const int X = x + dx, Y = y + dy;
        if (X >= 0 && Y >= 0 && X < w && Y < h && alikeInHue(from.at(x, y), in.at(X, Y))) return true;
      }
    return false;
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bool text = false;
      for (const Box& b : analyzerTextBoxes()) text = text || b.contains(x, y);
      if (text || nearEdge(x, y)) {
        ++a.masked;
        if (!text && (!alikeNearby(candidate, reference, x, y) || !alikeNearby(reference, candidate, x, y)))
          ++a.edgesMisplaced;
        continue;
      }
      ++a.compared;
      if (channelDistance(reference.at(x, y), candidate.at(x, y)) > tolerance) {
        if (a.disagreeing++ == 0) {
          a.firstX = x;
          a.firstY = y;
          a.firstReference = reference.at(x, y);
          a.firstCandidate = candidate.at(x, y);
        }
      }
    }
  return a;
}

}  // namespace brimtrace_test
