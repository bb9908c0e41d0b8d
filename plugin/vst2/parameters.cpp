// Sliders seen by the host as parameters: normalised values 0..1 mapped onto each
// slider's range and step, and the texts the host shows for them.
#include <cmath>
#include <cstdio>

#include "plugin/vst2/runtime_hooks.h"
#include "plugin/vst2/text_copy.h"
#include "plugin/vst2/zelk.h"
#include "runtime/fablo.h"

namespace runtime_hooks {
namespace {

// The slider behind a parameter index, or null for an index the effect did not declare.
const SliderRecord* slider(CZelk* z, int32_t index) {
  const TFablo& e = *z->getEffect();
  if (index < 0 || index >= z->getAeffect()->numParams ||
      static_cast<std::size_t>(index) >= e.sliders.size()) {
    return nullptr;
  }
  const SliderRecord& s = e.sliders[static_cast<std::size_t>(index)];
  const int32_t valueCount = static_cast<int32_t>(std::size(e.sliderValue));
  return s.valueIndex >= 0 && s.valueIndex < valueCount ? &s : nullptr;
}

}  // namespace

float getParameter(CZelk* z, int32_t index) {
  const SliderRecord* s = slider(z, index);
  if (!s || s->maximum == s->minimum) return 0.f;
  const double v = z->getEffect()->sliderValue[s->valueIndex];
  return static_cast<float>((v - s->minimum) / (s->maximum - s->minimum));
}

void setParameter(CZelk* z, int32_t index, float x) {
  const SliderRecord* s = slider(z, index);
  if (!s || !std::isfinite(x)) return;
  TFablo& e = *z->getEffect();
  const double raw = s->minimum + (s->maximum - s->minimum) * static_cast<double>(x);
  // Nearest whole multiple of the step counted from zero; halfway goes up.
  const double q = s->step > 0 ? std::floor((raw + s->step / 2) / s->step) * s->step : raw;
  double& value = e.sliderValue[s->valueIndex];
  const double change = q - value;
  if (change > -0.00001 && change < 0.00001) return;
  value = q;
  if (s->boundVariable) *s->boundVariable = q;
  e.onSlider();
}

void getParameterName(CZelk* z, int32_t index, char* text) {
  const SliderRecord* s = slider(z, index);
  copyText(text, s ? s->name : std::string(), kVstMaxParamStrLen);
}

void getParameterLabel(CZelk* z, int32_t index, char* text) {
  const SliderRecord* s = slider(z, index);
  copyText(text, s ? s->label : std::string(), kVstMaxParamStrLen);
}

void getParameterDisplay(CZelk* z, int32_t index, char* text) {
  const SliderRecord* s = slider(z, index);
  if (!s) {
    copyText(text, "", kVstMaxParamStrLen);
    return;
  }
  const double v = z->getEffect()->sliderValue[s->valueIndex];
  const auto n = static_cast<int32_t>(s->optionTexts.size());
  if (n == 0) {
    if (text) std::snprintf(text, kVstMaxParamStrLen, "%.2f", v);
    return;
  }
  const double position = (n - 1) * (v - s->minimum) / (s->maximum - s->minimum);
  // A position that does not fit an integer (NaN included) counts as negative.
  int32_t k = position > -2147483649.0 && position < 2147483648.0 ? static_cast<int32_t>(position) : -1;
  k = k < 0 ? 0 : (k > n - 1 ? n - 1 : k);
  copyText(text, s->optionTexts[static_cast<std::size_t>(k)], kVstMaxParamStrLen);
}

}  // namespace runtime_hooks
