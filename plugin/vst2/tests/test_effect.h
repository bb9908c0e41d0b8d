// An effect for driving CZelk directly: it declares three sliders and counts its sections.
#pragma once
#include "plugin/vst2/runtime_hooks.h"
#include "plugin/vst2/zelk.h"
#include "runtime/fablo.h"

class TestEffect : public TFablo {
public:
  TestEffect() {
    SliderRecord gain;
    gain.valueIndex = 1;
    gain.minimum = 0;
    gain.maximum = 10;
    gain.step = 1;
    gain.name = "Gain in decibels";
    gain.label = "dB";
    gain.boundVariable = &boundGain;
    SliderRecord onOff;
    onOff.valueIndex = 2;
    onOff.minimum = 0;
    onOff.maximum = 1;
    onOff.step = 1;
    onOff.optionTexts = {"Off", "On"};
    SliderRecord flat;  // a range of zero width and no step
    flat.valueIndex = 3;
    flat.minimum = 1;
    flat.maximum = 1;
    flat.step = 0;
    sliders = {gain, onOff, flat};
    effectName = "Test effect with a name longer than thirty-two bytes";
    productName = effectName;
    programName = "Program";
    vendorName = "Tests";
    vendorVersion = 7;
    uniqueId = 1234;
    ioChannels = 2;
  }
  ~TestEffect() override { ++destroyed; }

  void onSlider() override { ++sliderRuns; }
  void onBlock() override { ++blockRuns; }
  void onSample() override {
    ++sampleRuns;
    for (double& s : channelSample) s += offset;
  }

  int sliderRuns = 0, blockRuns = 0, sampleRuns = 0;
  double offset = 0, boundGain = 0;
  static inline int destroyed = 0;
};

// A plug-in object around a fresh TestEffect, made through the same steps as the entry.
inline CZelk* makeTestPlugin(audioMasterCallback host, TestEffect** effectOut = nullptr) {
  auto* effect = new TestEffect;
  CZelk* z = CZelk::create(effect, effectHooksFor<TestEffect>(), host, 1,
                           static_cast<int32_t>(effect->sliders.size()));
  if (!z) {
    delete effect;
    return nullptr;
  }
  effect->zelk = z;
  if (effectOut) *effectOut = effect;
  return z;
}
