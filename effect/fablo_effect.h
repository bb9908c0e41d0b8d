// The slew-rate analyzer: measures the sample-to-sample slew of channels 0 and 1
// and draws the recent peaks as two logarithmic traces.
#pragma once
#include <atomic>

#include "runtime/fablo.h"

class TFabloEffect : public TFablo {
public:
  TFabloEffect();

  void onSlider() override;
  void onBlock() override;
  void onSample() override;
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
