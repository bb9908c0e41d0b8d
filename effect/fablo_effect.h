// The slew-rate analyzer: measures the sample-to-sample slew of channels 0 and 1
// and draws the recent peaks as two logarithmic traces.
#pragma once
#include <atomic>
#include <cmath>

#include "runtime/fablo.h"

// The effect's string table keys (texts and font names) and image table numbers.
enum TextKey : int32_t {
  kTextMonoFont = 10000,
  kTextVersionPrefix,
  kTextCaptionFont,
  kTextLeftLegend,
  kTextRightLegend,
  kTextCeiling,
  kTextLogarithmic,
};
enum ImageKey : int32_t { kImageLogo = 0, kImageWebLink, kImageLogoName, kImageSquare };

class TFabloEffect : public TFablo {
public:
  TFabloEffect();

  void onSlider() override;
  void onBlock() override;
  void onSample() override;  // inline below
  // The audio bridge's stereo path: the same as, for each frame, storing the frame's
  // samples in channelSample, running onSample and writing channelSample to the outputs
  // (which onSample leaves unchanged). Only the audio thread's own state moves into
  // registers for the block: the peaks shared with the editor still rise frame by frame,
  // while the frame count, the host-value copies and the graph size, which no frame reads,
  // are brought up to date once per block.
  template <class Sample>
  void runStereoFrames(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                       int32_t frames);
  void reset() override;
  void onInit() override;
  void onGraphics() override;
  void onSerialize() override;

  double drawLeftTrace();
  double drawRightTrace();
  // Moves the peaks since the last pass into the histories (a step of onGraphics).
  void pushHistory();

  // Shared with the editor thread: written per frame by onSample, read and reset by
  // pushHistory. Atomics keep that race-free without a lock on the audio thread.
  std::atomic<double> peakLeft{0}, peakRight{0}, frameSampleCount{0};
  std::atomic<double> graphWidth{0}, graphHeight{0};

  // Measurement.
  double slewLeft = 0, slewRight = 0, previousLeft = 0, previousRight = 0;
  double historyIndex = 0, sliderIndex = 0;
  // Constants set by onInit.
  double versionNumber = 0, slewFloor = 0, logSpan = 0, historyLength = 0;
  double historyLeftBase = 0, historyRightBase = 0;
  // Display.
  double logoX = 0, logoY = 0, glowPhase = 0, glowAlpha = 0, captionX = 0, captionY = 0;
  double segStartX = 0, segEndX = 0, segStartValue = 0, segEndValue = 0;
  double segStartFraction = 0, segEndFraction = 0, segStartY = 0, segEndY = 0;
};

static_assert(std::atomic<double>::is_always_lock_free,
              "the audio thread shares its peaks with the editor without a lock");

// Raises a shared peak only when the slew is larger, so that a reset by the editor
// between the load and the store is never overwritten with a stale peak.
inline void raiseSharedPeak(std::atomic<double>& peak, double slew) {
  double current = peak.load(std::memory_order_relaxed);
  while (slew > current && !peak.compare_exchange_weak(current, slew, std::memory_order_relaxed)) {
  }
}

inline void TFabloEffect::onSample() {
  copyHostValues();
  const double left = channelSample[0], right = channelSample[1];
  slewLeft = sanitize(std::fabs(left - previousLeft));
  slewRight = sanitize(std::fabs(right - previousRight));
  // The slews are finite, so the raised peaks are too.
  raiseSharedPeak(peakLeft, slewLeft);
  raiseSharedPeak(peakRight, slewRight);
  previousLeft = sanitize(left);
  previousRight = sanitize(right);
  // Plain load and store keep a locked instruction off the per-frame path. A push that
  // resets the counter in between is overwritten, which only makes the next push run
  // although this very frame was already counted in the last one.
  frameSampleCount.store(frameSampleCount.load(std::memory_order_relaxed) + 1,
                         std::memory_order_relaxed);
  graphWidth.store(kEditorWidth, std::memory_order_relaxed);
  graphHeight.store(kEditorHeight, std::memory_order_relaxed);
}

template <class Sample>
void TFabloEffect::runStereoFrames(const Sample* in0, const Sample* in1, Sample* out0,
                                   Sample* out1, int32_t frames) {
  if (frames <= 0) return;
  double left = 0, right = 0, slewL = 0, slewR = 0;
  double prevL = previousLeft, prevR = previousRight;
  for (int32_t i = 0; i < frames; ++i) {
    left = in0[i];  // both inputs read before any output is written: buffers may be shared
    right = in1[i];
    slewL = sanitize(std::fabs(left - prevL));
    slewR = sanitize(std::fabs(right - prevR));
    raiseSharedPeak(peakLeft, slewL);
    raiseSharedPeak(peakRight, slewR);
    prevL = sanitize(left);
    prevR = sanitize(right);
    out0[i] = static_cast<Sample>(left);
    out1[i] = static_cast<Sample>(right);
  }
  channelSample[0] = left;
  channelSample[1] = right;
  slewLeft = slewL;
  slewRight = slewR;
  previousLeft = prevL;
  previousRight = prevR;
  copyHostValues();
  // Whole numbers below 2^53: adding the block's frames at once equals adding 1 per frame.
  frameSampleCount.store(frameSampleCount.load(std::memory_order_relaxed) + frames,
                         std::memory_order_relaxed);
  graphWidth.store(400, std::memory_order_relaxed);
  graphHeight.store(400, std::memory_order_relaxed);
}
