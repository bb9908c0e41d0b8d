// The slew-rate analyzer: measures the sample-to-sample slew of channels 0 and 1
// and draws the recent peaks as two logarithmic traces.
#pragma once
#include <atomic>
#include <cmath>

#include "effect/stereo_slew.h"
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
  // (which onSample leaves unchanged). The block is measured in vector lanes with
  // accumulators of its own (measureStereo), the outputs copied, and the results made
  // visible once at the end (publishStereo).
  //
  // The editor's history push may land while a block is measured: the block's peaks are
  // raised into the shared peaks only by publishStereo, after its last frame, so such a push
  // never sees any part of that block, and the block's whole peak of each channel goes to
  // the entry of the next push after the block (the entry after the one the landing push
  // writes). A push between publishStereo's peak raise and its counter update takes the
  // peaks; one that finds the counter at 0 leaves them for the next. No peak is lost.
  template <class Sample>
  void runStereoFrames(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, int32_t frames);
  struct StereoBlock {
    double lastLeft = 0, lastRight = 0, slewLeft = 0, slewRight = 0, peakLeft = 0, peakRight = 0;
    int32_t frames = 0;
  };
  // Nothing shared changes. The inputs are copied to the outputs given, which must not be
  // an input of either channel (null: no copy).
  template <class Sample>
  StereoBlock measureStereo(const Sample* in0, const Sample* in1, int32_t frames, Sample* out0 = nullptr,
                            Sample* out1 = nullptr) const;
  void publishStereo(const StereoBlock& block);
  // Measures with the kernels of a path (all instances start on defaultStereoPath());
  // false, and nothing changes, when this processor lacks the path.
  bool useStereoPath(StereoPath path);

  void reset() override;
  void onInit() override;
  void onGraphics() override;
  void onSerialize() override;

  double drawLeftTrace();
  double drawRightTrace();
  // Moves the peaks since the last pass into the histories (a step of onGraphics).
  void pushHistory();
  // The peaks since the last pass, read and reset as pushHistory takes them (whole-file
  // analysis wants them without the histories); false, and nothing changes, when no frame
  // has been processed since.
  bool takePeaks(double& left, double& right);

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

private:
  template <class Sample>
  double channelPeak(const Sample* x, Sample* out, int32_t frames, double previous, bool flushes) const;
  const SlewKernels* slewKernels_ = slewKernels(defaultStereoPath());
};

// Fraction of the graph height for a slew: logarithmic from slewFloor (0) to the top of
// the scale (1), clamped to the graph. The traces draw with it; offline pictures too.
double slewFraction(const TFabloEffect& e, double value);

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
  frameSampleCount.store(frameSampleCount.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  graphWidth.store(kEditorWidth, std::memory_order_relaxed);
  graphHeight.store(kEditorHeight, std::memory_order_relaxed);
}

// The largest slew of one channel over a block that starts after `previous`, exactly as
// frame-by-frame raising finds it: lanes when every sample is finite, else frame by frame.
template <class Sample>
double TFabloEffect::channelPeak(const Sample* x, Sample* out, int32_t frames, double previous,
                                 bool flushes) const {
  const double first = sanitize(std::fabs(static_cast<double>(x[0]) - previous));
  double rest = 0;
  bool measured;
  if constexpr (sizeof(Sample) == sizeof(float))
    measured = (flushes ? slewKernels_->floatPeakWide : slewKernels_->floatPeak)(x, out, frames, rest);
  else
    measured = slewKernels_->doublePeak(x, out, frames, rest);
  if (measured) return rest > first ? rest : first;
  // A NaN, an infinity or an overflowing difference: the frames one by one.
  double peak = 0;
  for (int32_t i = 0; i < frames; ++i) {
    const double sample = x[i];
    const double slew = sanitize(std::fabs(sample - previous));
    if (slew > peak) peak = slew;
    previous = sanitize(sample);
  }
  return peak;
}

template <class Sample>
TFabloEffect::StereoBlock TFabloEffect::measureStereo(const Sample* in0, const Sample* in1, int32_t frames,
                                                      Sample* out0, Sample* out1) const {
  StereoBlock b;
  b.frames = frames;
  if (frames <= 0) return b;
  b.lastLeft = in0[frames - 1];
  b.lastRight = in1[frames - 1];
  const double beforeLeft = frames > 1 ? sanitize(in0[frames - 2]) : previousLeft;
  const double beforeRight = frames > 1 ? sanitize(in1[frames - 2]) : previousRight;
  b.slewLeft = sanitize(std::fabs(b.lastLeft - beforeLeft));
  b.slewRight = sanitize(std::fabs(b.lastRight - beforeRight));
  const bool flushes = sizeof(Sample) == sizeof(float) && flushesSubnormals();
  b.peakLeft = channelPeak(in0, out0, frames, previousLeft, flushes);
  b.peakRight = channelPeak(in1, out1, frames, previousRight, flushes);
  return b;
}

inline void TFabloEffect::publishStereo(const StereoBlock& b) {
  if (b.frames <= 0) return;
  channelSample[0] = b.lastLeft;
  channelSample[1] = b.lastRight;
  slewLeft = b.slewLeft;
  slewRight = b.slewRight;
  previousLeft = sanitize(b.lastLeft);
  previousRight = sanitize(b.lastRight);
  raiseSharedPeak(peakLeft, b.peakLeft);
  raiseSharedPeak(peakRight, b.peakRight);
  copyHostValues();
  // Whole numbers below 2^53: adding the block's frames at once equals adding 1 per frame.
  frameSampleCount.store(frameSampleCount.load(std::memory_order_relaxed) + b.frames,
                         std::memory_order_relaxed);
  graphWidth.store(kEditorWidth, std::memory_order_relaxed);
  graphHeight.store(kEditorHeight, std::memory_order_relaxed);
}

template <class Sample>
void TFabloEffect::runStereoFrames(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                                   int32_t frames) {
  if (frames <= 0) return;
  if (out0 == in1 || out1 == in0) {
    // An output is the other channel's input: measured first, then copied frame by frame
    // with both inputs of a frame read before either output is written.
    const StereoBlock block = measureStereo(in0, in1, frames);
    for (int32_t i = 0; i < frames; ++i) {
      const Sample left = in0[i], right = in1[i];
      out0[i] = left;
      out1[i] = right;
    }
    publishStereo(block);
    return;
  }
  // The lanes copy the samples they load; buffers processed in place need no copy.
  publishStereo(measureStereo(in0, in1, frames, out0 == in0 ? nullptr : out0, out1 == in1 ? nullptr : out1));
}
