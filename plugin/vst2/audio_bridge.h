// The audio bridge: a VST 2.4 processing call runs the effect's block (see
// plugin/shared/block_runner.h) over the channels this instance keeps.
#pragma once
#include <cstdint>

#include "plugin/shared/block_runner.h"
#include "plugin/vst2/zelk.h"

template <class EffectT, class Sample>
[[gnu::flatten]] void bridgeBlock(CZelk* z, Sample** inputs, Sample** outputs, int32_t frames) {
  runEffectBlock(static_cast<EffectT*>(z->getEffect()), z->bridgeChannels(), inputs, outputs, frames);
}
