// The slew-rate analyzer's variables, literal tables and measurement sections.
#include "effect/fablo_effect.h"

namespace {

constexpr const char* kImageFiles[] = {
    // from kImageLogo on
    "QUILLMERE_LogoTealGlow.PNG",
    "QUILLMERE_WebLinkText.png",
    "QUILLMERE_LogoTealGlow_Brimtrace.png",
    "50x50square_top_ON.png",
};

constexpr const char* kTexts[] = {
    // from kTextMonoFont on
    "Courier New",         "v", "Arial", "LEFT channel = White", "RIGHT channel = Red", "Absolute ceiling",
    "!!! LOGARITHMIC !!!",
};

}  // namespace

TFabloEffect::TFabloEffect() = default;

void TFabloEffect::reset() {
  TFablo::reset();
  vars = SystemVariables{};
  for (auto* shared : {&peakLeft, &peakRight, &frameSampleCount, &graphWidth, &graphHeight})
    shared->store(0, std::memory_order_relaxed);
  slewLeft = slewRight = previousLeft = previousRight = 0;
  historyIndex = sliderIndex = 0;
  versionNumber = slewFloor = logSpan = historyLength = 0;
  historyLeftBase = historyRightBase = 0;
  logoX = logoY = glowPhase = glowAlpha = captionX = captionY = 0;
  segStartX = segEndX = segStartValue = segEndValue = 0;
  segStartFraction = segEndFraction = segStartY = segEndY = 0;
  for (int32_t i = 0; i < 4; ++i) fileNameAt(kImageLogo + i) = kImageFiles[i];
  for (int32_t k = 0; k < 7; ++k) stringAt(kTextMonoFont + k) = kTexts[k];
}

void TFabloEffect::onInit() {
  redrawRate = 30;
  vars.drawRed = vars.drawGreen = vars.drawBlue = vars.drawAlpha = 0;
  initHostValues();
  historyLeftBase = 0;
  versionNumber = 20260721;
  historyIndex = 0;
  historyLength = 100;
  slewFloor = 0.00001;
  historyRightBase = 100;
  logSpan = 5.531478917042255;
  loopTestAfter(
      [&] {
        store(memory.cell(historyLeftBase, historyIndex), 0);
        store(memory.cell(historyRightBase, historyIndex), 0);
        historyIndex = historyIndex + 1;
      },
      [&] { return historyIndex < historyLength; });
  peakLeft.store(0, std::memory_order_relaxed);
  peakRight.store(0, std::memory_order_relaxed);
  frameSampleCount.store(0, std::memory_order_relaxed);
}

void TFabloEffect::onSlider() { copyHostValues(); }

void TFabloEffect::onBlock() {
  blockHostExchange();
  copyHostValues();
}

bool TFabloEffect::takePeaks(double& left, double& right) {
  if (!(frameSampleCount.load(std::memory_order_relaxed) > 0)) return false;
  // Counter first, then the peaks, each read and reset in one step: a frame processed
  // meanwhile lands in this take or the next, never nowhere.
  frameSampleCount.exchange(0, std::memory_order_relaxed);
  left = peakLeft.exchange(0, std::memory_order_relaxed);
  right = peakRight.exchange(0, std::memory_order_relaxed);
  return true;
}

void TFabloEffect::pushHistory() {
  double left = 0, right = 0;
  if (!takePeaks(left, right)) return;
  historyIndex = 0;
  if (historyLength - 1 > 0) {
    loopTestAfter(
        [&] {
          store(memory.cell(historyLeftBase, historyIndex), memory.cell(historyLeftBase, historyIndex + 1));
          store(memory.cell(historyRightBase, historyIndex), memory.cell(historyRightBase, historyIndex + 1));
          historyIndex = historyIndex + 1;
        },
        [&] { return historyIndex < historyLength - 1; });
  }
  store(memory.cell(historyLeftBase, historyLength - 1), left);
  store(memory.cell(historyRightBase, historyLength - 1), right);
}

void TFabloEffect::onSerialize() {
  sliderIndex = 1;
  loopTestAfter(
      [&] {
        stateStream().transfer(sliderValue[toInt(sliderIndex) & 127]);
        sliderIndex = sliderIndex + 1;
      },
      [&] { return sliderIndex <= 64; });
}

bool TFabloEffect::useStereoPath(StereoPath path) {
  const SlewKernels* kernels = slewKernels(path);
  if (kernels == nullptr) return false;
  slewKernels_ = kernels;
  return true;
}
