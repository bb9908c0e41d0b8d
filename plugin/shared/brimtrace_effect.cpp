#include "plugin/shared/brimtrace_effect.h"

std::unique_ptr<TFabloEffect> makeBrimtraceEffect() {
  auto effect = std::make_unique<TFabloEffect>();
  const char* name = "QUILLMERE - Brimtrace logarithmic - 20260721";
  effect->effectName = name;
  effect->productName = name;
  effect->programName = name;
  effect->vendorName = "QUILLMERE";
  effect->vendorVersion = 1000;
  effect->uniqueId = 6248;
  effect->ioChannels = 2;
  return effect;
}
